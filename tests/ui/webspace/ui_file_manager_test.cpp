#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/ftp/ftp_client.h"
#include "member_service/member_service.h"
#include "support/sandbox.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/service/login_dialog.h"
#include "ui/service/member_session.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/skypad/skypad_view.h"
#include "ui/webspace/file_manager_window.h"
#include "ui/webspace/local_files_panel.h"

using namespace sky;
using namespace sky::ui;

// The file manager against the member service the program embeds.
// A frame that only records the addresses handed to it.
class RecordingFrame : public FrameHost {
public:
    QStringList opened;
    QWidget* window() override { return nullptr; }
    QMdiArea* mdiArea() override { return nullptr; }
    QMdiSubWindow* OpenDocument(TemplateId, const QString&) override { return nullptr; }
    void HandleAddress(const QString& text, bool useMainBrowser) override {
        if (useMainBrowser) opened << text;
    }
    void ShowStatus(const QString&) override {}
    void ClearStatus() override {}
    void SetSecure(bool) override {}
    void UpdateTitle() override {}
    void AddressVisited(const QString&) override {}
    void ShowActiveAddress(const QString&) override {}
    bool IsZoomed() const override { return false; }
    void EnterZoomMode() override {}
    bool SideBarShown() const override { return true; }
    void SetSideBarShown(bool) override {}
    void SetSessionText(const QString&) override {}
    void CloseFrame() override {}
};

class UiFileManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<AppContext> context_;
    QStringList boxes_;
    QStringList questions_;
    // Answers a dialog by object name: fills it and accepts, or -1 to let it run.
    std::function<int(QDialog&)> onDialog_;

    std::string Space(const std::string& name = {}) {
        return JoinPath(DataRoot(), "MemberService/webspace/walker") + (name.empty() ? "" : "/" + name);
    }
    static QTreeWidgetItem* Row(FileManagerWindow& w, const QString& name) {
        const auto found = w.remoteList()->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    static QStringList Names(FileManagerWindow& w) {
        QStringList out;
        for (int i = 0; i < w.remoteList()->topLevelItemCount(); ++i)
            out << w.remoteList()->topLevelItem(i)->text(0);
        return out;
    }
    // Runs `action` and waits for the listing that follows it.
    static bool ListedAfter(FileManagerWindow& w, const std::function<void()>& action) {
        QSignalSpy listed(&w, &FileManagerWindow::listed);
        action();
        return QTest::qWaitFor([&] { return !listed.isEmpty() && !w.busy(); }, 15000);
    }
    static void Select(FileManagerWindow& w, const QStringList& names) {
        w.remoteList()->clearSelection();
        for (const QString& n : names) Row(w, n)->setSelected(true);
    }
    static QStringList MenuTexts(FileManagerWindow& w) {
        std::unique_ptr<QMenu> menu(w.MakeContextMenu());
        QStringList out;
        if (menu)
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) out << a->text();
        return out;
    }
    void LogIn() {
        onDialog_ = [](QDialog& dialog) -> int {
            auto* login = qobject_cast<CLoginDlg*>(&dialog);
            if (!login) return QDialog::Rejected;
            QTimer::singleShot(0, login, [login] {
                login->accountEdit()->setText(QStringLiteral("walker"));
                login->passwordEdit()->setText(QStringLiteral("trail-42"));
                login->accept();
            });
            return -1;
        };
        QVERIFY(context_->session().RunLogin());
        onDialog_ = {};
    }
    // Accepts the dialog named `name` with its name field set to `value` (empty: as proposed).
    void AnswerNameDialog(const QString& name, const QString& value, QString* proposed = nullptr) {
        onDialog_ = [=](QDialog& dialog) -> int {
            if (dialog.objectName() != name) return QDialog::Rejected;
            auto* edit = dialog.findChild<QLineEdit*>();
            if (proposed) *proposed = edit->text();
            if (!value.isEmpty()) edit->setText(value);
            return QDialog::Accepted;
        };
    }
    void DropUrls(QWidget* target, const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        context_ = std::make_unique<AppContext>(sandbox_->path("skyharbor.ini"));
        context_->settings().WriteInt("Service", "EmbeddedPort", 0);
        context_->StartMemberService();
        QVERIFY(context_->embeddedService());
        std::string error;
        QVERIFY2(member::AddMember(JoinPath(DataRoot(), "MemberService"), "walker", "trail-42", "walk",
                                   "w@example.org", &error),
                 error.c_str());
        boxes_.clear();
        questions_.clear();
        SetMessageHook([this](MessageKind kind, const QString&, const QString& text) {
            (kind == MessageKind::Question ? questions_ : boxes_) << text;
            return true;
        });
        SetDialogHook(
            [this](QDialog& dialog) { return onDialog_ ? onDialog_(dialog) : int(QDialog::Rejected); });
    }
    void cleanup() {
        SetMessageHook({});
        SetDialogHook({});
        onDialog_ = {};
        context_.reset();
        sandbox_.reset();
    }

    // Not logged in, the listing with its columns and menus, delete of one
    // file and of two after one question, and the busy refusal.
    void listingAndDelete() {
        FileManagerWindow w(*context_);
        w.show();
        QCOMPARE(w.accountLabel(), QStringLiteral("Unknown"));
        w.LoadRemoteList();
        QCOMPARE(Names(w), QStringList{QStringLiteral("Bad Login !")});
        w.DeleteSelected();
        QCOMPARE(boxes_, QStringList{QStringLiteral("You must be logged in !")});

        LogIn();
        std::filesystem::create_directories(Space());
        test::WriteFile(Space("index.htm"), std::string(1024, 'x'));
        test::WriteFile(Space("a.gif"), "GIF89a");
        test::WriteFile(Space("B.txt"), "b");
        QFile index(QString::fromStdString(Space("index.htm")));
        QVERIFY(index.open(QIODevice::ReadWrite));
        QVERIFY(index.setFileTime(QDateTime(QDate(1998, 4, 30), QTime(12, 0, 0)),
                                  QFileDevice::FileModificationTime));
        index.close();

        QVERIFY(ListedAfter(w, [&] { w.LoadRemoteList(); }));
        QCOMPARE(Names(w), (QStringList{"a.gif", "B.txt", "index.htm"}));
        QTreeWidgetItem* row = Row(w, "index.htm");
        QCOMPARE(row->text(FileManagerWindow::SizeColumn), QStringLiteral("1024"));
        QCOMPARE(row->text(FileManagerWindow::TypeColumn), QStringLiteral("File"));
        const QString modified = row->text(FileManagerWindow::ModifiedColumn);
        QVERIFY2(modified.contains(QLatin1String("12:00:00")) && modified.contains(QLatin1String("98")),
                 qPrintable(modified));
        QVERIFY(w.accountLabel().endsWith(QLatin1String("/~walker")));

        Select(w, {"index.htm"});
        QCOMPARE(MenuTexts(w), (QStringList{"Open index.htm in web browser", "Open index.htm...",
                                            "Edit via SkyHarbor Page Editor...", "Edit via SkyPad...",
                                            "Rename index.htm...", "Delete index.htm..."}));
        Select(w, {"a.gif"});
        QVERIFY(!MenuTexts(w).contains(QStringLiteral("Edit via SkyHarbor Page Editor...")));
        Select(w, {"a.gif", "B.txt"});
        QCOMPARE(MenuTexts(w), QStringList{QStringLiteral("Delete 2 selected files")});
        // Dragged out, the rows are their addresses on the web space.
        std::unique_ptr<QMimeData> drag(w.DragData());
        QVERIFY(drag);
        const QString base = w.accountLabel().startsWith(QLatin1String("http"))
                                 ? w.accountLabel()
                                 : QStringLiteral("http://") + w.accountLabel();
        const auto addresses = ftp::ParseRemoteFilesBlock(
            drag->data(QLatin1String(LocalFilesPanel::kRemoteFilesMime)).toStdString());
        QCOMPARE(addresses.size(), size_t{2});
        QCOMPARE(QString::fromStdString(addresses[0]), base + QStringLiteral("/a.gif"));
        QCOMPARE(QString::fromStdString(addresses[1]), base + QStringLiteral("/B.txt"));
        // Opened, a file shows in the main browser.
        RecordingFrame frame;
        context_->SetFrame(&frame);
        w.OpenInBrowser(QStringLiteral("index.htm"));
        context_->SetFrame(nullptr);
        QCOMPARE(frame.opened, QStringList{base + QStringLiteral("/index.htm")});

        // One file.
        Select(w, {"index.htm"});
        QVERIFY(ListedAfter(w, [&] { w.DeleteSelected(); }));
        QCOMPARE(questions_, QStringList{QStringLiteral("Delete index.htm")});
        QVERIFY(!std::filesystem::exists(Space("index.htm")));
        QCOMPARE(Names(w), (QStringList{"a.gif", "B.txt"}));

        // Two files, one question, both gone.
        questions_.clear();
        Select(w, {"a.gif", "B.txt"});
        QVERIFY(ListedAfter(w, [&] { w.DeleteSelected(); }));
        QCOMPARE(questions_, QStringList{QStringLiteral("Delete  2 selected files.")});
        QVERIFY(!std::filesystem::exists(Space("a.gif")));
        QVERIFY(!std::filesystem::exists(Space("B.txt")));
        QVERIFY(Names(w).isEmpty());

        // A request while one runs is refused.
        boxes_.clear();
        w.LoadRemoteList();
        QVERIFY(w.busy());
        w.LoadRemoteList();
        QCOMPARE(boxes_, QStringList{QStringLiteral("Sorry. I'm too busy right now")});
        QVERIFY(QTest::qWaitFor([&] { return !w.busy(); }, 15000));
    }

    // Upload by drop, edit in SkyPad and back, rename, download by drop.
    void transfersBothWays() {
        FileManagerWindow w(*context_);
        w.show();
        LogIn();
        QVERIFY(ListedAfter(w, [&] { w.LoadRemoteList(); }));

        const std::string local = sandbox_->path("files/notes.txt");
        test::WriteFile(local, "first words\n");
        test::WriteFile(sandbox_->path("files/index.htm"), "<p>home</p>\n");
        QString proposed;
        AnswerNameDialog(QStringLiteral("uploadConfirm"), {}, &proposed);
        QVERIFY(ListedAfter(w, [&] {
            DropUrls(w.remoteList()->viewport(), {QUrl::fromLocalFile(QString::fromStdString(local))});
        }));
        QCOMPARE(proposed, QStringLiteral("notes.txt"));
        AnswerNameDialog(QStringLiteral("uploadConfirm"), {});
        QVERIFY(
            ListedAfter(w, [&] { w.Upload({QString::fromStdString(sandbox_->path("files/index.htm"))}); }));
        QCOMPARE(test::ReadFile(Space("notes.txt")), std::string("first words\n"));
        QCOMPARE(Names(w), (QStringList{"index.htm", "notes.txt"}));

        // SkyPad gets the fetched copy; its Upload comes back here under the remote name.
        std::unique_ptr<CSkyPadFrame> pad;
        w.openInSkyPad = [&](const QString& path) {
            pad = std::make_unique<CSkyPadFrame>();
            return pad->Open(path) ? pad.get() : nullptr;
        };
        w.EditViaSkyPad(QStringLiteral("notes.txt"));
        QVERIFY(QTest::qWaitFor([&] { return pad && !w.busy(); }, 15000));
        QCOMPARE(pad->view()->toPlainText(), QStringLiteral("first words\n"));
        pad->view()->setPlainText(QStringLiteral("second words\n"));
        AnswerNameDialog(QStringLiteral("uploadConfirm"), {}, &proposed);
        QVERIFY(ListedAfter(w, [&] { pad->Upload(); }));
        QCOMPARE(proposed, QStringLiteral("notes.txt"));
        QCOMPARE(test::ReadFile(Space("notes.txt")), std::string("second words\n"));

        // The page editor gets a fetched copy and the remote name to save back to.
        QString handed;
        context_->registry().AddCommand(CommandSpec(QStringLiteral("homepage.editPage")),
                                        [&](const QString& argument) { handed = argument; });
        w.EditViaPageEditor(QStringLiteral("index.htm"));
        QVERIFY(QTest::qWaitFor([&] { return !handed.isEmpty() && !w.busy(); }, 15000));
        const QStringList parts = handed.split(QLatin1Char('\n'));
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts[1], QStringLiteral("index.htm"));
        QCOMPARE(test::ReadFile(parts[0].toStdString()), test::ReadFile(Space("index.htm")));

        // Rename onto a file that is there is refused and changes nothing.
        AnswerNameDialog(QStringLiteral("renameFile"), QStringLiteral("index.htm"));
        QVERIFY(ListedAfter(w, [&] { w.Rename(QStringLiteral("notes.txt")); }));
        QCOMPARE(boxes_.last(), QStringLiteral("index.htm is already in your web space."));
        QCOMPARE(test::ReadFile(Space("index.htm")), std::string("<p>home</p>\n"));
        QCOMPARE(test::ReadFile(Space("notes.txt")), std::string("second words\n"));
        AnswerNameDialog(QStringLiteral("renameFile"), QStringLiteral("kept.txt"));
        QVERIFY(ListedAfter(w, [&] { w.Rename(QStringLiteral("notes.txt")); }));
        QCOMPARE(Names(w), (QStringList{"index.htm", "kept.txt"}));
        QCOMPARE(test::ReadFile(Space("kept.txt")), std::string("second words\n"));
        QVERIFY(!std::filesystem::exists(Space("notes.txt")));

        // Rows dragged to the local panel are fetched into its folder.
        const QString folder = QString::fromStdString(sandbox_->path("down"));
        QDir().mkpath(folder);
        w.localPanel()->SetFolder(folder);
        auto dropRemote = [&](const std::vector<std::string>& addresses) {
            QMimeData mime;
            mime.setData(QLatin1String(LocalFilesPanel::kRemoteFilesMime),
                         QByteArray::fromStdString(ftp::RemoteFilesBlock(addresses)));
            QWidget* target = w.localPanel()->list()->viewport();
            QDragEnterEvent enter(target->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(target, &enter);
            QDropEvent drop(target->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(target, &drop);
        };
        AnswerNameDialog(QStringLiteral("downloadConfirm"), {});
        dropRemote({w.FileAddress(QStringLiteral("kept.txt")).toStdString()});
        QVERIFY2(QTest::qWaitFor(
                     [&] { return !w.busy() && QFile::exists(folder + QStringLiteral("/kept.txt")); }, 15000),
                 qPrintable(boxes_.join(QLatin1Char('|'))));
        QCOMPARE(test::ReadFile(sandbox_->path("down/kept.txt")), std::string("second words\n"));
        // An address outside this web space, or a name that leaves the folder, is not fetched.
        boxes_.clear();
        dropRemote({"http://elsewhere.example/~walker/x.txt"});
        dropRemote({w.FileAddress(QStringLiteral("..")).toStdString()});
        QCOMPARE(boxes_.size(), 2);
        QVERIFY(!w.busy());
    }
};

QTEST_MAIN(UiFileManagerTest)
#include "ui_file_manager_test.moc"
