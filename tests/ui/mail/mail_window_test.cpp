// The mail window on real folders, a real Dovecot and the real web engine.
#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEngineView>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/base/settings_store.h"
#include "core/mail/check_mail_worker.h"
#include "core/mail/mail_accounts.h"
#include "core/mail/mail_store.h"
#include "mail_peers.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_profile.h"
#include "ui/mail/mail_doc.h"
#include "ui/mail/mail_frame.h"
#include "ui/mail/message_list_model.h"
#include "ui/mail/message_pane.h"
#include "ui/mail/progress_panel.h"

using namespace sky;
using namespace sky::ui;

namespace {

std::string Inbox() {
    return GetMailFolderPath("InBox");
}

std::string Store(const std::string& folder, const std::string& name, const std::string& text) {
    std::string path = GetMailFolderPath(folder) + name;
    test::WriteFile(path, text);
    return path;
}

QStringList Column(MessageListModel* m, int column) {
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) out << m->data(m->index(r, column), Qt::DisplayRole).toString();
    return out;
}

// Calls `seen` for each event of `type` that `target` gets.
class EventWatch : public QObject {
public:
    EventWatch(QObject* target, QEvent::Type type, std::function<void()> seen)
        : type_(type), seen_(std::move(seen)) {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_) seen_();
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> seen_;
};

}  // namespace

class MailWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<SettingsStore> settings_;
    QStringList boxes_;
    QList<QUrl> links_;

    std::unique_ptr<CK7EmailFrame> Open(MailWindowHost host = {}) {
        host.openLink = [this](const QUrl& url) { links_ << url; };
        auto frame = std::make_unique<CK7EmailFrame>(*settings_, std::move(host));
        frame->resize(1000, 700);
        frame->show();
        return frame;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        settings_ = std::make_unique<SettingsStore>(sandbox_->path("skyharbor.ini"));
        boxes_.clear();
        links_.clear();
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            boxes_ << title + QLatin1Char('|') + text;
            return true;
        });
    }
    void cleanup() {
        SetMessageHook({});
        settings_.reset();
        sandbox_.reset();
    }

    void firstOpeningShowsAnEmptyInBox() {
        QVERIFY(!std::filesystem::exists(GetMailFolderPath("") + "InBox"));
        auto frame = Open();
        QVERIFY(std::filesystem::is_directory(Inbox()));
        QCOMPARE(frame->model()->rowCount(), 0);
        QCOMPARE(frame->statusText(), QStringLiteral("0 messages in InBox"));
        QCOMPARE(frame->folders()->tree()->currentItem()->text(0), QStringLiteral("InBox"));
        QTRY_VERIFY(frame->pane()->web()->url().toLocalFile().endsWith(QStringLiteral("index.htm")));
    }

    // Unread rows stay above read ones whatever the column; invalid dates go last.
    void sortKeepsUnreadFirst() {
        Store("InBox", "S1.mail",
              "Subject: beta\r\nFrom: zed\r\nDate: Mon, 12 Jan 1998 10:20:30 -0500\r\n\r\n");
        Store("InBox", "S2.mail",
              "Subject: Alpha\r\nFrom: amy\r\nX-SkyStatus: Read      \r\nDate: Tue, 13 Jan 1998 10:20:30 "
              "-0500\r\n\r\n");
        Store("InBox", "S3.mail", "Subject: gamma\r\nFrom: Bob\r\nDate: whenever\r\n\r\n");
        Store("InBox", "S4.mail",
              "Subject: delta\r\nFrom: cat\r\nDate: Wed, 14 Jan 1998 09:00:00 -0500\r\n\r\n");
        auto frame = Open();
        MessageListModel* m = frame->model();
        QCOMPARE(m->rowCount(), 4);
        m->sort(MessageListModel::Subject);
        QCOMPARE(Column(m, 0), (QStringList{"beta", "delta", "gamma", "Alpha"}));
        m->sort(MessageListModel::From);
        QCOMPARE(Column(m, 1), (QStringList{"Bob", "cat", "zed", "amy"}));
        m->sort(MessageListModel::Received);
        QCOMPARE(Column(m, 0), (QStringList{"delta", "beta", "gamma", "Alpha"}));
        QCOMPARE(Column(m, 2).at(1), QStringLiteral("12 Jan 1998 [10:20 1998 - Monday]"));

        // The filter narrows by subject and sender.
        frame->filter()->setText(QStringLiteral("B"));
        QCOMPARE(Column(m, 0), (QStringList{"beta", "gamma"}));
        frame->filter()->clear();
        QCOMPARE(m->rowCount(), 4);
    }

    // Choosing a row marks it read. Delete selects the row that took the place
    // of the last one deleted (the one before, at the end); deleting the only
    // message shows the welcome page.
    void selectMarksReadAndDeleteShowsWelcome() {
        std::string path = Store("InBox", "S1.mail", "Subject: a\r\nFrom: a@b\r\n\r\nthe body\r\n");
        for (const char* subject : {"b", "c", "d"})
            Store("InBox", std::string("S") + subject + ".mail",
                  std::string("Subject: ") + subject + "\r\n\r\n");
        const QByteArray data("\x00\x01\xFFhello\r\n", 9);
        Store("InBox", "Se.mail",
              "Subject: e\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"BB\"\r\n\r\n"
              "--BB\r\nContent-Type: text/plain\r\n\r\nsee the file\r\n--BB\r\nContent-Type: "
              "application/octet-stream; name=\"data.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                  data.toBase64().toStdString() + "\r\n--BB--\r\n");
        auto frame = Open();
        MessageListModel* m = frame->model();
        m->sort(MessageListModel::Subject);
        QCOMPARE(Column(m, 0), (QStringList{"a", "b", "c", "d", "e[**]"}));
        QCOMPARE(m->summary(0).iconIndex(), 2);
        frame->list()->setFocus();
        frame->list()->setCurrentIndex(m->index(0, 0));
        QCOMPARE(m->summary(0).iconIndex(), 0);
        QVERIFY(test::ReadFile(path).find("X-SkyStatus: Read") != std::string::npos);
        QCOMPARE(frame->document()->currentMessage(), QString::fromStdString(path));
        QTRY_VERIFY_WITH_TIMEOUT(
            frame->pane()->web()->url().toLocalFile().endsWith(QStringLiteral("PlainText.htm")), 20000);

        auto current = [&] { return m->data(frame->list()->currentIndex(), Qt::DisplayRole).toString(); };
        auto select = [&](std::initializer_list<int> rows) {
            frame->list()->clearSelection();
            for (int r : rows)
                frame->list()->selectionModel()->select(
                    m->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        };
        select({1, 3});
        QTest::keyClick(frame->list(), Qt::Key_Delete);
        QCOMPARE(Column(m, 0), (QStringList{"a", "c", "e[**]"}));
        QVERIFY(!std::filesystem::exists(Inbox() + "Sb.mail") &&
                !std::filesystem::exists(Inbox() + "Sd.mail"));
        QCOMPARE(current(), QStringLiteral("e[**]"));

        // Save As gives the attachment's bytes, not its transfer encoding.
        QListWidget* strip = frame->pane()->attachments();
        QTRY_VERIFY_WITH_TIMEOUT(!strip->findItems(QStringLiteral("data.bin"), Qt::MatchExactly).isEmpty(),
                                 20000);
        const QString saved = QString::fromStdString(sandbox_->path("saved.bin"));
        QVERIFY(frame->pane()->SaveAttachment(
            strip->row(strip->findItems(QStringLiteral("data.bin"), Qt::MatchExactly).first()), saved));
        QCOMPARE(QByteArray::fromStdString(test::ReadFile(saved.toStdString())), data);

        select({1});
        QTest::keyClick(frame->list(), Qt::Key_Delete);
        QCOMPARE(current(), QStringLiteral("e[**]"));
        select({1});
        QTest::keyClick(frame->list(), Qt::Key_Delete);
        QCOMPARE(current(), QStringLiteral("a"));

        QTest::keyClick(frame->list(), Qt::Key_Delete);
        QVERIFY(!std::filesystem::exists(path));
        QCOMPARE(m->rowCount(), 0);
        QCOMPARE(frame->document()->currentMessage(), QString::fromLatin1(CK7EmailDoc::kWelcome));
        QTRY_VERIFY(frame->pane()->web()->url().toLocalFile().endsWith(QStringLiteral("index.htm")));
        QCOMPARE(frame->statusText(), QStringLiteral("0 messages in InBox"));
    }

    // Rows dragged onto a folder move their files there.
    void draggedRowsMoveToAFolder() {
        Store("InBox", "S1.mail", "Subject: one\r\n\r\n");
        Store("InBox", "S2.mail", "Subject: two\r\n\r\n");
        GetMailFolderPath("Saved");
        auto frame = Open();
        QCOMPARE(frame->model()->rowCount(), 2);
        frame->list()->selectAll();
        std::unique_ptr<QMimeData> mime(
            frame->model()->mimeData(frame->list()->selectionModel()->selectedIndexes()));
        QCOMPARE(mime->urls().size(), 2);
        QTreeWidget* tree = frame->folders()->tree();
        QTreeWidgetItem* saved = tree->findItems(QStringLiteral("Saved"), Qt::MatchRecursive).value(0);
        QVERIFY(saved);
        QPointF at = tree->visualItemRect(saved).center();
        QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &enter);
        QDropEvent drop(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &drop);
        QCOMPARE(frame->model()->rowCount(), 0);
        QVERIFY(std::filesystem::exists(GetMailFolderPath("Saved") + "S1.mail"));
        QVERIFY(std::filesystem::exists(GetMailFolderPath("Saved") + "S2.mail"));
        QVERIFY(!std::filesystem::exists(Inbox() + "S1.mail"));
    }

    // New mail is listed as it arrives, whatever folder is shown.
    void fetchAddsRowsToTheFolderShown() {
        test::Dovecot dovecot;
        QVERIFY(dovecot.ok());
        dovecot.AddMessage("From: a@example\r\nSubject: first\r\n\r\none\r\n");
        dovecot.AddMessage("From: b@example\r\nSubject: second\r\n\r\ntwo\r\n");
        GetMailFolderPath("Saved");
        MailWindowHost host;
        int port = dovecot.port();
        host.makeFetch = [&port](MailWorkerListener* listener) {
            MailAccount a;
            a.pop = "127.0.0.1:" + std::to_string(port);
            a.username = "jane";
            a.password = "secret";
            return std::make_unique<CheckMailWorker>(listener, a);
        };
        auto frame = Open(std::move(host));
        QTreeWidget* tree = frame->folders()->tree();
        tree->setCurrentItem(tree->findItems(QStringLiteral("Saved"), Qt::MatchRecursive).value(0));
        QCOMPARE(frame->statusText(), QStringLiteral("0 messages in Saved"));
        int inserted = 0;
        connect(frame->model(), &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex&, int first, int last) { inserted += last - first + 1; });
        frame->CheckMail();
        QVERIFY(frame->progress()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!frame->fetching() && !frame->progress()->isVisible(), 30000);
        QCOMPARE(inserted, 2);
        QVERIFY(frame->progress()->lines().size() > 0);
        // Done: the folder shown is read again, and the mail is in InBox.
        QCOMPARE(frame->model()->rowCount(), 0);
        QCOMPARE(static_cast<int>(LoadFolder(Inbox()).size()), 2);

        // Cancel ends a fetch that hangs, and the folder shown is read again.
        test::ScriptedPeer hangs("+OK hi\r\n", [](const std::string& l) -> std::optional<std::string> {
            return l == "STAT\r\n" ? std::string() : std::string("+OK\r\n");
        });
        port = hangs.port();
        frame->CheckMail();
        QTRY_VERIFY_WITH_TIMEOUT(
            frame->progress()->lines().contains(QStringLiteral("Connected OK. Checking for new mail.")),
            10000);
        Store("Saved", "S9.mail", "Subject: put here meanwhile\r\n\r\n");
        frame->progress()->cancelButton()->click();
        QVERIFY(frame->progress()->lines().contains(QString::fromLatin1(ProgressPanel::kCancelLine)));
        QTRY_VERIFY_WITH_TIMEOUT(!frame->fetching() && !frame->progress()->isVisible(), 5000);
        QCOMPARE(Column(frame->model(), 0), QStringList{QStringLiteral("put here meanwhile")});
    }

    // Pictures from the network wait until the user asks for them.
    void remoteContentWaitsForTheUser() {
        QTcpServer web;
        QVERIFY(web.listen(QHostAddress::LocalHost));
        int requests = 0;
        connect(&web, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* s = web.nextPendingConnection()) {
                ++requests;
                s->write("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
                s->disconnectFromHost();
            }
        });
        std::string boundary = "b1";
        Store("InBox", "S1.mail",
              "Subject: pictures\r\nFrom: a@b\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; "
              "boundary=\"b1\"\r\n\r\n--b1\r\nContent-Type: text/plain\r\n\r\nplain\r\n--b1\r\nContent-Type: "
              "text/html\r\n\r\n<html><body>look <img src=\"http://127.0.0.1:" +
                  std::to_string(web.serverPort()) +
                  "/pic.png\"> <a href=\"http://sky.example/page\">page</a></body></html>\r\n--b1--\r\n");
        auto frame = Open();
        frame->list()->setCurrentIndex(frame->model()->index(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(
            frame->pane()->web()->url().toLocalFile().endsWith(QStringLiteral("Enhanced.htm")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(frame->pane()->remoteBar()->isVisible(), 20000);
        QCOMPARE(requests, 0);
        QCOMPARE(frame->pane()->attachments()->count(), 2);
        QSignalSpy loaded(frame->pane()->web(), &QWebEngineView::loadFinished);
        frame->pane()->ShowRemoteContent();
        QTRY_VERIFY_WITH_TIMEOUT(requests > 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
        if (qEnvironmentVariableIsSet("SKYHARBOR_SHOTS")) {
            frame->screen()
                ->grabWindow(frame->winId())
                .save(qEnvironmentVariable("SKYHARBOR_SHOTS") + QStringLiteral("/mail-window.png"));
        }
        // The columns share the list's width.
        int width = frame->list()->viewport()->width();
        QVERIFY(qAbs(frame->list()->header()->sectionSize(0) - width * 40 / 100) <= 1);
        QVERIFY(!frame->pane()->remoteBar()->isVisible());
        // A link leaves the pane for the browser.
        frame->pane()->web()->setUrl(QUrl(QStringLiteral("http://sky.example/page")));
        QTRY_COMPARE_WITH_TIMEOUT(links_.value(0), QUrl(QStringLiteral("http://sky.example/page")), 10000);
    }

    // A further account's InBox has a place of its own in the tree, kept
    // across the accounts dialog while the account is.
    void everyAccountHasItsFolders() {
        WriteAccountList(*settings_, {"DefaultUser", "work"});
        test::WriteFile(GetMailFolderPath("InBox", "work") + "W1.mail", "Subject: from work\r\n\r\n");
        MailWindowHost host;
        std::vector<std::string> accountsAfter = {"DefaultUser", "work"};
        host.accountList = [&](QWidget*) { WriteAccountList(*settings_, accountsAfter); };
        auto frame = Open(std::move(host));
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QStringList painted;
        EventWatch paints(frame->statusBar(), QEvent::Paint, [&] { painted << frame->statusText(); });
        QTreeWidget* tree = frame->folders()->tree();
        QCOMPARE(tree->topLevelItemCount(), 2);
        QTreeWidgetItem* work = tree->topLevelItem(1);
        QCOMPARE(work->text(0), QStringLiteral("work"));
        QCOMPARE(work->child(0)->text(0), QStringLiteral("InBox"));
        tree->setCurrentItem(work->child(0));
        QCOMPARE(Column(frame->model(), 0), QStringList{QStringLiteral("from work")});
        QCOMPARE(frame->statusText(), QStringLiteral("1 messages in InBox"));
        // Seen before the folder is read, not only set.
        QVERIFY(painted.contains(QStringLiteral("Loading InBox ...")));

        QToolButton* accounts = nullptr;
        for (QToolButton* b : frame->findChildren<QToolButton*>())
            if (b->text() == QLatin1String("Accounts...")) accounts = b;
        QVERIFY(accounts);
        accounts->click();
        QCOMPARE(tree->currentItem()->parent()->text(0), QStringLiteral("work"));
        QCOMPARE(Column(frame->model(), 0), QStringList{QStringLiteral("from work")});
        accountsAfter = {"DefaultUser"};
        accounts->click();
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("InBox"));
        QCOMPARE(frame->statusText(), QStringLiteral("0 messages in InBox"));
    }

    // The splitter sizes come from the profile and go back to it.
    void splitterSizesAreKept() {
        settings_->WriteInt("EMAIL", "left_main_cycur", 230);
        auto frame = Open();
        auto* columns = qobject_cast<QSplitter*>(frame->centralWidget());
        QVERIFY(columns);
        QCOMPARE(columns->sizes().value(0), 230);
        columns->setSizes({300, 600});
        frame->resize(1010, 700);
        QTRY_COMPARE_WITH_TIMEOUT(settings_->GetInt("EMAIL", "left_main_cycur", 0), 300, 5000);
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    QApplication app(argc, argv);
    MailWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mail_window_test.moc"
