#include <sys/stat.h>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTest>
#include <memory>

#include "core/ftp/ftp_client.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/skypad/skypad_view.h"

using namespace sky;
using namespace sky::ui;

class UiSkyPadTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    QStringList dialogs_;    // what each dialog asked, in order
    QList<int> answers_;     // message box answers, in order
    QStringList savePaths_;  // names typed into file dialogs, in order

    QString Path(const char* name) const { return QString::fromStdString(sandbox_->path(name)); }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        dialogs_.clear();
        answers_.clear();
        savePaths_.clear();
        SetDialogHook([this](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                dialogs_ << box->windowTitle() + QStringLiteral(": ") + box->text();
                return answers_.isEmpty() ? int(QMessageBox::Cancel) : answers_.takeFirst();
            }
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
                dialogs_ << QStringLiteral("file dialog");
                if (savePaths_.isEmpty()) return int(QDialog::Rejected);
                files->selectFile(savePaths_.takeFirst());
                return int(QDialog::Accepted);
            }
            return -1;
        });
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            dialogs_ << title + QStringLiteral(": ") + text;
            return false;
        });
    }
    void cleanup() {
        SetDialogHook({});
        SetMessageHook({});
        sandbox_.reset();
    }

    // Typing marks the document; Save As proposes ".htm"; the saved file opens again.
    void editSaveOpen() {
        CSkyPadFrame pad;
        QCOMPARE(pad.Title(), QStringLiteral("Untitled"));
        QTest::keyClicks(pad.view(), QStringLiteral("<p>harbour</p>"));
        QVERIFY(pad.document().modified());
        QCOMPARE(pad.windowTitle(), QStringLiteral("Untitled *"));

        savePaths_ << Path("page");
        QVERIFY(pad.Save());
        const QString saved = Path("page.htm");
        QVERIFY(QFileInfo::exists(saved));
        QCOMPARE(QString::fromStdString(test::ReadFile(saved.toStdString())),
                 QStringLiteral("<p>harbour</p>"));
        QVERIFY(!pad.document().modified());
        QCOMPARE(pad.windowTitle(), QStringLiteral("page.htm"));

        // A second save writes in place without asking.
        pad.view()->moveCursor(QTextCursor::End);
        QTest::keyClicks(pad.view(), QStringLiteral("!"));
        QVERIFY(pad.Save());
        QCOMPARE(dialogs_.count(QStringLiteral("file dialog")), 1);

        CSkyPadFrame other;
        QVERIFY(other.Open(saved));
        QCOMPARE(other.view()->toPlainText(), QStringLiteral("<p>harbour</p>!"));
        QVERIFY(!other.document().modified());
        QVERIFY(!other.Open(Path("missing.htm")));
        QCOMPARE(other.document().path(), saved);
    }

    // Cancel keeps the window, No drops the changes, Yes saves first (and a
    // save that is cancelled keeps the window too).
    void closeDocumentQuestion() {
        auto pad = std::make_unique<CSkyPadFrame>();
        pad->show();
        QVERIFY(pad->close());  // unmodified: no question
        QVERIFY(dialogs_.isEmpty());

        pad = std::make_unique<CSkyPadFrame>();
        pad->show();
        QTest::keyClicks(pad->view(), QStringLiteral("draft"));
        answers_ << QMessageBox::Cancel;
        QVERIFY(!pad->close());
        QVERIFY(pad->isVisible());
        QCOMPARE(dialogs_.size(), 1);
        QVERIFY(dialogs_[0].startsWith(QStringLiteral("Close Document: ")));
        QVERIFY(dialogs_[0].contains(QStringLiteral("Untitled")));

        answers_ << QMessageBox::Yes;  // and the save dialog is cancelled
        QVERIFY(!pad->close());
        QVERIFY(pad->isVisible());

        answers_ << QMessageBox::Yes;
        savePaths_ << Path("kept.htm");
        QVERIFY(pad->close());
        QCOMPARE(test::ReadFile(sandbox_->path("kept.htm")), std::string("draft"));

        pad = std::make_unique<CSkyPadFrame>();
        QVERIFY(pad->Open(Path("kept.htm")));
        pad->show();
        QTest::keyClicks(pad->view(), QStringLiteral("lost "));
        answers_ << QMessageBox::No;
        QVERIFY(pad->close());
        QVERIFY(dialogs_.last().contains(QStringLiteral("kept.htm")));
        QCOMPARE(test::ReadFile(sandbox_->path("kept.htm")), std::string("draft"));
    }

    void findReplace() {
        CSkyPadFrame pad;
        CSkyPadView* view = pad.view();
        view->setPlainText(QStringLiteral("one two One\nbone"));
        QVERIFY(view->FindNext(QStringLiteral("one"), true));
        QCOMPARE(view->textCursor().selectionStart(), 0);
        QVERIFY(view->FindNext(QStringLiteral("one"), true));
        QCOMPARE(view->textCursor().selectionStart(), 13);  // skips "One"
        QVERIFY(view->FindNext(QStringLiteral("one"), true));
        QCOMPARE(view->textCursor().selectionStart(), 0);  // wrapped round
        QVERIFY(!view->FindNext(QStringLiteral("three"), false));

        // Replace changes the found text only, then moves on.
        view->moveCursor(QTextCursor::Start);
        QVERIFY(view->ReplaceNext(QStringLiteral("two"), QStringLiteral("2"), false));
        QVERIFY(view->ReplaceNext(QStringLiteral("two"), QStringLiteral("2"), false) == false);
        QCOMPARE(view->toPlainText(), QStringLiteral("one 2 One\nbone"));

        // A replacement that contains the text it replaces does not run away,
        // and the whole replacement is one undo step.
        QCOMPARE(view->ReplaceAll(QStringLiteral("one"), QStringLiteral("oneone"), false), 3);
        QCOMPARE(view->toPlainText(), QStringLiteral("oneone 2 oneone\nboneone"));
        view->undo();
        QCOMPARE(view->toPlainText(), QStringLiteral("one 2 One\nbone"));
        QCOMPARE(view->ReplaceAll(QStringLiteral("ONE"), QStringLiteral("1"), true), 0);
    }

    // Only the first 24,000 bytes of an FTP file are loaded, and such a file
    // is never put back (it would lose its end).
    void ftpFileLimit() {
        std::string big(30000, 'x');
        big.replace(23990, 10, "0123456789");
        test::WriteFile(sandbox_->path("__big.htm"), big);
        CSkyPadFrame pad;
        QVERIFY(pad.Open(Path("__big.htm")));
        QCOMPARE(pad.view()->toPlainText().size(), 30000);
        ftp::FtpSite site;
        site.host = "127.0.0.1";
        site.port = test::FreePort();
        pad.SetFtpOrigin(site, "/big.htm", big.size(), 0);
        QVERIFY(pad.fromFtp());
        QVERIFY(pad.truncated());
        const QString text = pad.view()->toPlainText();
        QCOMPARE(text.size(), 24000);
        QVERIFY(text.endsWith(QStringLiteral("0123456789")));

        pad.view()->moveCursor(QTextCursor::Start);
        QTest::keyClicks(pad.view(), QStringLiteral("y"));
        QVERIFY(pad.Save());
        QVERIFY(!pad.puttingBack());
        QVERIFY(pad.statusBar()->currentMessage().contains(QStringLiteral("24000")));

        // A small file is loaded whole.
        test::WriteFile(sandbox_->path("__small.htm"), "small");
        CSkyPadFrame small;
        QVERIFY(small.Open(Path("__small.htm")));
        small.SetFtpOrigin(site, "/small.htm", 5, 0);
        QVERIFY(!small.truncated());
        QCOMPARE(small.view()->toPlainText(), QStringLiteral("small"));
    }

    // A never-saved document goes up from a private temporary file as
    // index.htm; a saved one is saved first and keeps its remote name.
    void upload() {
        CSkyPadFrame pad;
        QString local, remote, content;
        pad.upload = [&](const QString& l, const QString& r) {
            local = l;
            remote = r;
            content = QString::fromStdString(test::ReadFile(l.toStdString()));
        };
        pad.view()->setPlainText(QStringLiteral("<h1>new</h1>"));
        pad.Upload();
        QCOMPARE(remote, QStringLiteral("index.htm"));
        QCOMPARE(content, QStringLiteral("<h1>new</h1>"));
        QVERIFY(QFileInfo(local).fileName().startsWith(QStringLiteral("sky")));
        QVERIFY(dialogs_.isEmpty());  // no save dialog for a temporary copy
        QVERIFY(pad.document().path().isEmpty());

        test::WriteFile(sandbox_->path("about.htm"), "old");
        CSkyPadFrame fetched;
        fetched.upload = pad.upload;
        QVERIFY(fetched.Open(Path("about.htm")));
        fetched.SetRemoteName(QStringLiteral("about.htm"));
        fetched.view()->setPlainText(QStringLiteral("changed"));
        fetched.Upload();
        QCOMPARE(remote, QStringLiteral("about.htm"));
        QCOMPARE(local, Path("about.htm"));
        QCOMPARE(content, QStringLiteral("changed"));
        QVERIFY(!fetched.document().modified());
    }
    // Saving a file fetched from a server puts it back there; a file that
    // changed on the server meanwhile is overwritten only when the user says so.
    void ftpPutBack() {
        const std::string root = sandbox_->path("ftproot");
        test::WriteFile(root + "/page.htm", "old");
        ::chmod(root.c_str(), 0777);
        test::WriteFile(sandbox_->path("empty/.keep"), "");
        const int port = test::FreePort();
        test::WriteFile(sandbox_->path("vsftpd.conf"),
                        "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(port) +
                            "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\n"
                            "no_anon_password=YES\nanon_root=" +
                            root +
                            "\nlocal_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\n"
                            "anon_other_write_enable=YES\nanon_world_readable_only=NO\nseccomp_sandbox=NO\n"
                            "pasv_enable=YES\npasv_address=127.0.0.1\nsecure_chroot_dir=" +
                            sandbox_->path("empty") + "\n");
        QProcess server;
        server.start(QStringLiteral("vsftpd"), {Path("vsftpd.conf")});
        if (!server.waitForStarted(5000)) QSKIP("vsftpd is not installed");
        QVERIFY(test::WaitFor([port] {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), port);
            return probe.waitForConnected(200);
        }));

        // The local copy, as the FTP window fetches it.
        test::WriteFile(sandbox_->path("__page.htm"), "old");
        struct stat fetched {};
        QCOMPARE(::stat((root + "/page.htm").c_str(), &fetched), 0);
        ftp::FtpSite site;
        site.host = "127.0.0.1";
        site.port = port;
        CSkyPadFrame pad;
        QVERIFY(pad.Open(Path("__page.htm")));
        // vsftpd run as its launcher does not confine the anonymous user: the
        // remote path is the real one.
        pad.SetFtpOrigin(site, root + "/page.htm", 3, fetched.st_mtime);
        auto status = [&pad] { return pad.statusBar()->currentMessage(); };

        pad.view()->setPlainText(QStringLiteral("new text"));
        QVERIFY(pad.Save());
        QTRY_VERIFY_WITH_TIMEOUT(!pad.puttingBack() && status().startsWith(QStringLiteral("Put back")),
                                 20000);
        QCOMPARE(test::ReadFile(root + "/page.htm"), std::string("new text"));
        QVERIFY(dialogs_.isEmpty());  // unchanged on the server: no question

        // Someone else changes it; "No" leaves their version alone.
        test::WriteFile(root + "/page.htm", "their version");
        pad.view()->setPlainText(QStringLiteral("mine"));
        QVERIFY(pad.Save());
        QTRY_VERIFY_WITH_TIMEOUT(!pad.puttingBack() && status().startsWith(QStringLiteral("Not put back")),
                                 20000);
        QCOMPARE(dialogs_.size(), 1);
        QVERIFY(dialogs_[0].contains(QStringLiteral("changed on the server")));
        QCOMPARE(test::ReadFile(root + "/page.htm"), std::string("their version"));

        // "Yes" overwrites it.
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            dialogs_ << title + QStringLiteral(": ") + text;
            return true;
        });
        QVERIFY(pad.Save());
        QTRY_VERIFY_WITH_TIMEOUT(!pad.puttingBack() && status().startsWith(QStringLiteral("Put back")),
                                 20000);
        QCOMPARE(dialogs_.size(), 2);
        QCOMPARE(test::ReadFile(root + "/page.htm"), std::string("mine"));

        server.terminate();
        QVERIFY(server.waitForFinished(5000));
    }
};

QTEST_MAIN(UiSkyPadTest)
#include "ui_skypad_test.moc"
