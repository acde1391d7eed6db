#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "core/base/settings_store.h"
#include "core/mail/mail_accounts.h"
#include "core/mail/mail_store.h"
#include "mail_peers.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/base/messages.h"
#include "ui/mail/compose_window.h"
#include "ui/mail/mail_tool.h"
#include "ui/mail/progress_panel.h"

using namespace sky;
using namespace sky::ui;

namespace {

struct Boxes {
    QStringList texts;
    Boxes() {
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            texts << title + QStringLiteral(": ") + text;
            return true;
        });
    }
    ~Boxes() { SetMessageHook({}); }
};

QAction* StripAction(ComposeWindow* w, const QString& name) {
    for (QAction* a : w->attachmentStrip()->actions())
        if (a->text() == name) return a;
    return nullptr;
}

}  // namespace

class ComposeTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<AppContext> context_;

    void SetAccount(int port) {
        context_->settings().WriteString(AccountSection(kDefaultMailUser), "smtp",
                                         "127.0.0.1:" + std::to_string(port));
        context_->settings().WriteString(AccountSection(kDefaultMailUser), "emailaddress",
                                         "jane@example.org");
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        context_ = std::make_unique<AppContext>(sandbox_->path("settings.ini"));
    }
    void cleanup() {
        context_.reset();
        sandbox_.reset();
    }

    // The account comes from the settings; the window goes once the server took it.
    void sendsTwoAttachmentsAndCloses() {
        test::SmtpSink sink;
        QVERIFY2(sink.ok(), "aiosmtpd did not start");
        SetAccount(sink.port());
        test::WriteFile(sandbox_->path("report.pdf"), std::string(50000, '\x7f'));
        test::WriteFile(sandbox_->path("notes.txt"), "one\ntwo\n");
        QPointer<ComposeWindow> w = new ComposeWindow(*context_);
        w->Fill({QStringLiteral("ann@example.com"),
                 QString(),
                 QStringLiteral("the files"),
                 QStringLiteral("see both\n"),
                 {QString::fromStdString(sandbox_->path("report.pdf")),
                  QString::fromStdString(sandbox_->path("notes.txt"))}});
        w->copySelfBox()->setChecked(true);
        w->show();
        QString sentCopy;
        connect(w, &ComposeWindow::messageSent, this, [&](const QString& path) { sentCopy = path; });
        QTest::mouseClick(w->sendButton(), Qt::LeftButton);
        QVERIFY(test::WaitFor([&] {
            QCoreApplication::processEvents();
            return w.isNull();
        }));
        std::vector<std::string> got = sink.Messages();
        QCOMPARE(got.size(), size_t(1));
        QVERIFY(got[0].rfind("FROM jane@example.org\nTO ann@example.com,jane@example.org\n", 0) == 0);
        QVERIFY(got[0].find("filename=\"report.pdf\"") != std::string::npos);
        QVERIFY(got[0].find("filename=\"notes.txt\"") != std::string::npos);
        std::vector<MessageSummary> sent = LoadFolder(GetMailFolderPath("Sent"));
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(QString::fromStdString(sent[0].path), sentCopy);
        QVERIFY(sent[0].hasAttachments);
    }

    // A refusal keeps what the user wrote and says who was refused and what
    // the server said; a second Send while one runs is refused.
    void refusedRecipientKeepsTheWindow() {
        test::SmtpSink sink;
        QVERIFY(sink.ok());
        SetAccount(sink.port());
        Boxes boxes;
        QPointer<ComposeWindow> w = new ComposeWindow(*context_);
        w->Fill({QStringLiteral("refuse.me@example.com"),
                 QString(),
                 QStringLiteral("hello"),
                 QStringLiteral("a long letter\n"),
                 {}});
        w->show();
        w->Send();
        w->Send();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("SkyHarbor: Sorry. I'm too busy right now")});
        QVERIFY(test::WaitFor([&] {
            QCoreApplication::processEvents();
            return boxes.texts.size() == 2;
        }));
        QVERIFY(!w.isNull());
        QVERIFY(w->isVisible());
        QVERIFY(!w->sending());
        QVERIFY(!w->progressPanel()->isVisible());
        const QString& text = boxes.texts[1];
        QVERIFY2(text.startsWith(QStringLiteral("Mail Not Sent: ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("refuse.me@example.com")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("550 no such user here")), qPrintable(text));
        QCOMPARE(w->toEdit()->text(), QStringLiteral("refuse.me@example.com"));
        QCOMPARE(w->bodyEdit()->toPlainText(), QStringLiteral("a long letter\n"));
        QVERIFY(sink.Messages().empty());
        QVERIFY(LoadFolder(GetMailFolderPath("Sent")).empty());

        // Nobody listening: the connection is named as the step that failed.
        w->account = [] {
            MailAccount a;
            a.smtp = "127.0.0.1:" + std::to_string(test::FreePort());
            return a;
        };
        w->toEdit()->setText(QStringLiteral("ann@example.com"));
        w->Send();
        QVERIFY(test::WaitFor([&] {
            QCoreApplication::processEvents();
            return boxes.texts.size() == 3;
        }));
        QVERIFY2(boxes.texts[2].contains(QStringLiteral("no connection could be made")),
                 qPrintable(boxes.texts[2]));
        delete w;
    }

    // Cancel ends a send the server never answers; the window stays, silent.
    void cancelLeavesTheWindowOpen() {
        test::ScriptedPeer silent("", [](const std::string&) -> std::optional<std::string> { return ""; });
        SetAccount(silent.port());
        Boxes boxes;
        QPointer<ComposeWindow> w = new ComposeWindow(*context_);
        w->Fill({QStringLiteral("ann@example.com"), {}, QStringLiteral("s"), QStringLiteral("b"), {}});
        w->show();
        w->Send();
        QVERIFY(w->sending());
        QTest::mouseClick(w->progressPanel()->cancelButton(), Qt::LeftButton);
        QVERIFY(test::WaitFor([&] {
            QCoreApplication::processEvents();
            return !w->sending();
        }));
        QVERIFY(!w.isNull() && w->isVisible());
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(w->progressPanel()->lines().contains(QString::fromLatin1(ProgressPanel::kCancelLine)));
        delete w;
    }

    void stripRemovesAttachments() {
        ComposeWindow w(*context_);
        QVERIFY(w.attachmentStrip()->isHidden());
        w.AddAttachment(QStringLiteral("/tmp/first.txt"));
        w.AddAttachment(QStringLiteral("/tmp/second dir/photo.png"));
        QVERIFY(!w.attachmentStrip()->isHidden());
        QCOMPARE(w.attachmentStrip()->height(), 100);
        QCOMPARE(w.attachmentStrip()->item(1)->text(), QStringLiteral("photo.png"));
        QVERIFY(!StripAction(&w, QStringLiteral("Open"))->isEnabled());
        QVERIFY(!StripAction(&w, QStringLiteral("Save As"))->isEnabled());
        w.attachmentStrip()->setCurrentRow(0);
        StripAction(&w, QStringLiteral("Remove"))->trigger();
        QCOMPARE(w.attachments(), QStringList{QStringLiteral("/tmp/second dir/photo.png")});
        QCOMPARE(w.attachmentStrip()->count(), 1);
        QCOMPARE(w.attachmentStrip()->item(0)->text(), QStringLiteral("photo.png"));
        w.attachmentStrip()->setCurrentRow(0);
        StripAction(&w, QStringLiteral("Remove"))->trigger();
        QVERIFY(w.attachments().isEmpty());
        QVERIFY(w.attachmentStrip()->isHidden());
    }

    void pickerAndDropsAddToAddresses() {
        Boxes boxes;
        ComposeWindow w(*context_);
        QTest::mouseClick(w.toPickButton(), Qt::LeftButton);
        QCOMPARE(boxes.texts,
                 QStringList{QStringLiteral("SkyHarbor: AddressBook is unavailable in this version.")});

        w.pickAddresses = [](QWidget*) { return QStringList{"a@x.org", "Bo <b@y.org>"}; };
        w.toEdit()->setText(QStringLiteral("c@z.org"));
        QTest::mouseClick(w.toPickButton(), Qt::LeftButton);
        QTest::mouseClick(w.ccPickButton(), Qt::LeftButton);
        QCOMPARE(w.toEdit()->text(), QStringLiteral("c@z.org, a@x.org, Bo <b@y.org>"));
        QCOMPARE(w.ccEdit()->text(), QStringLiteral("a@x.org, Bo <b@y.org>"));
        auto drop = [](QLineEdit* edit, QMimeData* mime) {
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
            // Straight to the field: the application only delivers drops of a drag in progress.
            static_cast<QObject*>(edit)->event(&event);
            return event.isAccepted();
        };
        QMimeData text;
        text.setText(QStringLiteral("d@w.org\r\ne@w.org\n"));
        w.ccEdit()->clear();
        QVERIFY(drop(w.ccEdit(), &text));
        QCOMPARE(w.ccEdit()->text(), QStringLiteral("d@w.org, e@w.org"));

        QMimeData entry;
        entry.setData(QStringLiteral("application/x-skyharbor-abentry"), "bytes");
        QVERIFY(!drop(w.toEdit(), &entry));
        QLineEdit* hookedOn = nullptr;
        w.dropOnAddress = [&](QLineEdit* edit, const QMimeData* mime) {
            hookedOn = edit;
            static_cast<AddressEdit*>(edit)->AppendAddresses(
                {QString::fromLatin1(mime->data(mime->formats()[0]))});
            return true;
        };
        QVERIFY(drop(w.toEdit(), &entry));
        QCOMPARE(hookedOn, w.toEdit());
        QCOMPARE(w.toEdit()->text(), QStringLiteral("c@z.org, a@x.org, Bo <b@y.org>, bytes"));
    }

    void mailtoFields() {
        ComposeFields f = ParseMailto(QUrl(QStringLiteral(
            "mailto:ann@example.com,%20bob@example.com?Subject=Tea%20%26%20cake%3F&cc=c@x.org,d@x.org"
            "&body=line%201%0D%0Aline+2&to=eve@example.com")));
        QCOMPARE(f.to, QStringLiteral("ann@example.com, bob@example.com, eve@example.com"));
        QCOMPARE(f.cc, QStringLiteral("c@x.org, d@x.org"));
        QCOMPARE(f.subject, QStringLiteral("Tea & cake?"));
        QCOMPARE(f.body, QStringLiteral("line 1\nline+2"));

        f = ParseMailto(QUrl(QStringLiteral("mailto:?to=%22Ann%2C%20A%22%20%3Cann%40example.com%3E")));
        QCOMPARE(f.to, QStringLiteral("\"Ann, A\" <ann@example.com>"));
        f = ParseMailto(QUrl(QStringLiteral("mailto:j%C3%BCrgen@example.de")));
        QCOMPARE(f.to, QStringLiteral("jürgen@example.de"));
        QVERIFY(f.subject.isEmpty() && f.body.isEmpty());
        QVERIFY(ParseMailto(QUrl(QStringLiteral("https://example.com/?subject=x"))).subject.isEmpty());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ComposeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "compose_test.moc"
