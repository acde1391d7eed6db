// Two copies of the program chat with each other: this process is one, a
// second process running this same binary with --peer is the other. Each has
// its own SKYHARBOR_HOME and listens on its own loopback address.
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <memory>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "core/chat/remote_command.h"
#include "support/sandbox.h"
#include "ui/app/address_box.h"
#include "ui/app/address_dialogs.h"
#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/default_browser.h"
#include "ui/app/main_frame.h"
#include "ui/base/desktop_notifier.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_profile.h"
#include "ui/chat/chat_dialogs.h"
#include "ui/chat/chat_frame.h"
#include "ui/chat/chat_tool.h"
#include "ui/chat/chat_view.h"
#include "ui/httpsvr/httpsvr_doc.h"

using namespace sky;
using namespace sky::ui;

namespace {

class NoDefaultBrowserQuestion : public DefaultBrowser {
public:
    std::optional<bool> IsDefault() override { return true; }
    bool MakeDefault(QString*) override { return true; }
};

SettingsStore& S() {
    return SettingsStore::App();
}

// A home in which the program starts without first-run sheets, its server
// on `listen`:`port`, started with the program.
void PrepareHome(const std::string& listen, int port) {
    S().WriteString("local", "zip", "10001");
    test::WriteFile(MainChannelFilePath(), "\r\n~CH:Mine\r\n~FN:a\r\n~FU:http://a.example/\r\n");
    S().WriteInt("Service", "EmbeddedPort", 0);
    std::string root = DataRoot() + "/PublicFiles";
    std::filesystem::create_directories(root);
    S().Edit([&](SettingsEdit& e) {
        e.Set("Server", "Root", root);
        e.Set("Server", "ListenAddress", listen);
        e.SetInt("Server", "Port", port);
        e.SetInt("Server", "StartAtStartup", 1);
        e.Set("chat", "nickname", listen == "127.0.0.2" ? "alice" : "bob");
    });
}

std::unique_ptr<CK7App> StartApp(DefaultBrowser* browser) {
    // Registration has tests of its own.
    SetDialogHook([](QDialog& dialog) {
        return dialog.objectName() == QLatin1String("CRegPropertySheet") ? int(QDialog::Rejected) : -1;
    });
    auto app =
        std::make_unique<CK7App>(QStringList{QStringLiteral("skyharbor")}, CK7App::Options{false, browser});
    if (!app->InitInstance()) return nullptr;
    return app;
}

QList<CChatFrame*> ChatWindows(CMainFrame* frame) {
    QList<CChatFrame*> out;
    for (QMdiSubWindow* sub : frame->mdiArea()->subWindowList())
        if (auto* w = qobject_cast<CChatFrame*>(sub->widget())) out << w;
    return out;
}

QStringList Lines(CChatFrame* w) {
    QStringList out;
    for (int i = 0; i < w->view()->lines()->count(); ++i) out << w->view()->lines()->item(i)->text();
    return out;
}

bool AnyLineContains(CChatFrame* w, const QString& part) {
    for (const QString& line : Lines(w))
        if (line.contains(part)) return true;
    return false;
}

// --- the second copy --------------------------------------------------------

// Answers every question Yes, tells its parent what it shows, and does
// what the parent writes on its standard input.
int RunPeer(int argc, char** argv) {
    QApplication qapp(argc, argv);
    PrepareHome("127.0.0.3", std::atoi(argv[2]));
    SetMessageHook([](MessageKind, const QString& title, const QString& text) {
        std::cout << "BOX " << title.toStdString() << "|" << QString(text).replace('\n', "\\n").toStdString()
                  << std::endl;
        return true;
    });
    NoDefaultBrowserQuestion browser;
    std::unique_ptr<CK7App> app = StartApp(&browser);
    if (!app) return 1;
    CMainFrame* frame = app->frame();
    if (!test::WaitFor([&] {
            QCoreApplication::processEvents();
            return app->context()->webServer().listening();
        }))
        return 1;
    std::cout << "READY" << std::endl;
    SetDialogHook([](QDialog& dialog) {
        auto* offer = qobject_cast<ChatFileDialog*>(&dialog);
        if (!offer) return -1;
        offer->descriptionEdit()->setText(QStringLiteral("from bob"));
        offer->accept();
        return dialog.result();
    });

    QMap<CChatFrame*, int> shown;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        for (CChatFrame* w : ChatWindows(frame)) {
            QStringList lines = Lines(w);
            for (int i = shown.value(w, 0); i < lines.size(); ++i)
                std::cout << "LINE " << QString(lines[i]).replace('\n', "\\n").toStdString() << std::endl;
            shown[w] = lines.size();
        }
    });
    report.start(20);

    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            qapp.quit();
            return;
        }
        QList<CChatFrame*> windows = ChatWindows(frame);
        if (line.rfind("TYPE ", 0) == 0 && !windows.isEmpty()) {
            QLineEdit* edit = windows.first()->view()->input();
            QTest::keyClicks(edit, QString::fromStdString(line.substr(5)));
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (line.rfind("OFFER ", 0) == 0 && !windows.isEmpty()) {
            windows.first()->OfferFiles({QString::fromStdString(line.substr(6))});
        } else if (line.rfind("SHOT ", 0) == 0) {
            frame->grab().save(QString::fromStdString(line.substr(5)));
            std::cout << "SHOT done" << std::endl;
        } else if (line == "QUIT") {
            qapp.quit();
        }
    });
    qapp.exec();
    app->ExitInstance();
    return 0;
}

}  // namespace

class UiChatTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    NoDefaultBrowserQuestion browser_;
    QStringList boxes_;
    QProcess* peer_ = nullptr;
    QStringList peerOut_;
    int port_ = 0;

    void StartPeer() {
        // Its home is a folder of its own.
        std::string home = sandbox_->path("peer");
        std::filesystem::create_directories(home);
        peer_ = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SKYHARBOR_HOME"), QString::fromStdString(home));
        peer_->setProcessEnvironment(env);
        peer_->setProcessChannelMode(QProcess::SeparateChannels);
        peer_->setReadChannel(QProcess::StandardOutput);
        connect(peer_, &QProcess::readyReadStandardOutput, this, [this] {
            while (peer_->canReadLine()) peerOut_ << QString::fromUtf8(peer_->readLine()).trimmed();
        });
        connect(peer_, &QProcess::readyReadStandardError, this,
                [this] { std::cerr << peer_->readAllStandardError().toStdString(); });
        peer_->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--peer"), QString::number(port_)});
    }
    int PeerCount(const QString& part) const {
        int n = 0;
        for (const QString& line : peerOut_) n += line.contains(part);
        return n;
    }
    bool PeerSaid(const QString& part) const { return PeerCount(part) > 0; }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        boxes_.clear();
        peerOut_.clear();
        port_ = test::FreePort();
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            boxes_ << title + QLatin1Char('|') + text;
            return true;
        });
    }
    void cleanup() {
        if (peer_) {
            peer_->write("QUIT\n");
            if (!peer_->waitForFinished(15000)) peer_->kill();
            delete peer_;
            peer_ = nullptr;
        }
        SetMessageHook({});
        SetDialogHook({});
        SetNotifyHook({});
        sandbox_.reset();
    }

    // Two copies: a call typed in one, accepted in the other, lines both ways,
    // three dropped files of which the second is cancelled.
    void twoCopiesChat() {
        StartPeer();
        QTRY_VERIFY_WITH_TIMEOUT(PeerSaid(QStringLiteral("READY")), 60000);

        PrepareHome("127.0.0.2", port_);
        auto app = StartApp(&browser_);
        QVERIFY(app);
        CMainFrame* frame = app->frame();
        QTRY_VERIFY_WITH_TIMEOUT(app->context()->webServer().listening(), 20000);

        QLineEdit* address = frame->addressBox()->lineEdit();
        address->clear();
        QTest::keyClicks(address, QStringLiteral("startchat 127.0.0.3:%1").arg(port_));
        QTest::keyClick(address, Qt::Key_Return);

        // The caller's window exists at once; the acceptance finds it.
        QTRY_COMPARE_WITH_TIMEOUT(ChatWindows(frame).size(), 1, 5000);
        CChatFrame* chat = ChatWindows(frame).first();
        QTRY_VERIFY_WITH_TIMEOUT(PeerSaid(QStringLiteral("BOX Are You Sure ?|alice wants to chat.")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(AnyLineContains(chat, QStringLiteral("bob [127.0.0.3] will talk to you !")),
                                 20000);
        QCOMPARE(chat->windowTitle(), QStringLiteral("SkyChat: bob"));
        QTRY_VERIFY_WITH_TIMEOUT(PeerSaid(QStringLiteral("You have answered alice [127.0.0.2]")), 5000);

        QTest::keyClicks(chat->view()->input(), QStringLiteral("hello from alice"));
        QTest::keyClick(chat->view()->input(), Qt::Key_Return);
        QVERIFY(chat->view()->input()->text().isEmpty());
        QVERIFY(AnyLineContains(chat, QStringLiteral("Me: hello from alice")));
        QTRY_VERIFY_WITH_TIMEOUT(PeerSaid(QStringLiteral("LINE alice: hello from alice")), 20000);
        QCOMPARE(PeerCount(QStringLiteral("You have answered")), 1);

        peer_->write("TYPE hi alice, bob here\n");
        QTRY_VERIFY_WITH_TIMEOUT(AnyLineContains(chat, QStringLiteral("bob: hi alice, bob here")), 20000);

        // Three files dropped; the second description dialog is cancelled.
        QStringList files;
        for (int i = 1; i <= 3; ++i) {
            std::string path = sandbox_->path("drop" + std::to_string(i) + ".txt");
            test::WriteFile(path, "file " + std::to_string(i));
            files << QString::fromStdString(path);
        }
        QStringList asked;
        SetDialogHook([&](QDialog& dialog) {
            auto* d = qobject_cast<ChatFileDialog*>(&dialog);
            if (!d) return -1;
            asked << d->path();
            if (asked.size() == 2) return int(QDialog::Rejected);
            d->descriptionEdit()->setText(QStringLiteral("first file"));
            d->accept();
            return dialog.result();
        });
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& f : files) urls << QUrl::fromLocalFile(f);
        mime.setUrls(urls);
        QPointF at(chat->width() / 2.0, chat->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(chat, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(chat, &drop);
        QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 2, 5000);
        QCOMPARE(asked, files.mid(0, 2));
        QTRY_VERIFY_WITH_TIMEOUT(PeerSaid(QStringLiteral("I have sent you a file")), 20000);
        QVERIFY(AnyLineContains(chat, QStringLiteral("File Sent [") + files[0]));
        QVERIFY(!AnyLineContains(chat, files[1]));
        QCOMPARE(asked.size(), 2);

        // A file bob offers is fetched from his server through the downloads.
        std::string offered = sandbox_->path("peer/offered.txt");
        test::WriteFile(offered, "bob's file");
        peer_->write(QStringLiteral("OFFER %1\n").arg(QString::fromStdString(offered)).toUtf8());
        QTRY_COMPARE_WITH_TIMEOUT(chat->view()->items()->count(), 1, 20000);
        QString saved = QString::fromStdString(sandbox_->path("fetched.txt"));
        SetDialogHook([&](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files) return -1;
            files->selectFile(saved);
            return int(QDialog::Accepted);
        });
        chat->view()->items()->setCurrentRow(0);
        QTest::keyClick(chat->view()->items(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(saved), 20000);
        QCOMPARE(test::ReadFile(saved.toStdString()), std::string("bob's file"));

        QString transcript = QString::fromStdString(sandbox_->path("conversation.txt"));
        QVERIFY(chat->SaveConversationTo(transcript));
        std::string text = test::ReadFile(transcript.toStdString());
        QVERIFY(text.find("Me: hello from alice\n") != std::string::npos);
        QVERIFY(text.find("bob: hi alice, bob here\n") != std::string::npos);

        // Pictures of both sides, for a person to look at.
        if (qEnvironmentVariableIsSet("SKYHARBOR_SHOTS")) {
            QString dir = qEnvironmentVariable("SKYHARBOR_SHOTS");
            frame->grab().save(dir + QStringLiteral("/chat-alice.png"));
            peer_->write(QStringLiteral("SHOT %1/chat-bob.png\n").arg(dir).toUtf8());
            QTRY_VERIFY_WITH_TIMEOUT(PeerSaid(QStringLiteral("SHOT done")), 10000);
        }

        // Closing the window hangs up: the other side is told.
        chat->parentWidget()->close();
        QTRY_VERIFY_WITH_TIMEOUT(PeerSaid(QStringLiteral("alice has hung up!")), 20000);
        app->frame()->close();
        app->ExitInstance();
    }

    // The terminal chat talks to the window as another window would.
    void terminalChatTalksToWindow() {
        QProcess cli;
        cli.setProcessChannelMode(QProcess::SeparateChannels);
        QStringList out;
        connect(&cli, &QProcess::readyReadStandardOutput, this, [&] {
            while (cli.canReadLine()) out << QString::fromUtf8(cli.readLine()).trimmed();
        });
        auto said = [&](const QString& part) {
            for (const QString& line : out)
                if (line.contains(part)) return true;
            return false;
        };
        cli.start(QStringLiteral(SKYHARBOR_CLI_PATH),
                  {QStringLiteral("chat"), QStringLiteral("--accept"), QStringLiteral("--listen"),
                   QStringLiteral("127.0.0.3"), QStringLiteral("--port"), QString::number(port_),
                   QStringLiteral("--name"), QStringLiteral("carol")});
        QTRY_VERIFY_WITH_TIMEOUT(said(QStringLiteral("listening on 127.0.0.3")), 10000);

        PrepareHome("127.0.0.2", port_);
        auto app = StartApp(&browser_);
        QVERIFY(app);
        QTRY_VERIFY_WITH_TIMEOUT(app->context()->webServer().listening(), 20000);
        app->frame()->HandleAddress(QStringLiteral("startchat 127.0.0.3:%1").arg(port_), true);
        QCOMPARE(ChatWindows(app->frame()).size(), 1);
        CChatFrame* chat = ChatWindows(app->frame()).first();
        QTRY_VERIFY_WITH_TIMEOUT(
            AnyLineContains(chat, QStringLiteral("carol [127.0.0.3] will talk to you !")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(said(QStringLiteral("* You have answered alice [127.0.0.2]")), 5000);

        QTest::keyClicks(chat->view()->input(), QStringLiteral("hello terminal"));
        QTest::keyClick(chat->view()->input(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(said(QStringLiteral("alice: hello terminal")), 20000);
        cli.write("hello window\n");
        QTRY_VERIFY_WITH_TIMEOUT(AnyLineContains(chat, QStringLiteral("carol: hello window")), 20000);

        // End of input hangs up.
        cli.closeWriteChannel();
        QTRY_VERIFY_WITH_TIMEOUT(AnyLineContains(chat, QStringLiteral("carol has hung up!")), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 15000);
        QCOMPARE(cli.exitCode(), 0);
        app->frame()->close();
        app->ExitInstance();
    }

    // The send-message dialog calls with its message as the subject.
    void sendMessageCalls() {
        QProcess cli;
        QByteArray out;
        connect(&cli, &QProcess::readyReadStandardOutput, this, [&] { out += cli.readAllStandardOutput(); });
        cli.start(QStringLiteral(SKYHARBOR_CLI_PATH),
                  {QStringLiteral("chat"), QStringLiteral("--accept"), QStringLiteral("--listen"),
                   QStringLiteral("127.0.0.3"), QStringLiteral("--port"), QString::number(port_),
                   QStringLiteral("--name"), QStringLiteral("carol")});
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("listening on 127.0.0.3"), 10000);
        PrepareHome("127.0.0.2", port_);
        auto app = StartApp(&browser_);
        QVERIFY(app);
        SetDialogHook([&](QDialog& dialog) {
            auto* send = qobject_cast<SendMessageDialog*>(&dialog);
            if (!send) return -1;
            send->addressEdit()->setText(QStringLiteral("127.0.0.3:%1").arg(port_));
            send->messageEdit()->setPlainText(QStringLiteral("meet at noon?"));
            send->accept();
            return dialog.result();
        });
        app->frame()->HandleAddress(QStringLiteral("sendmessage"), true);
        QTRY_VERIFY_WITH_TIMEOUT(
            out.contains("Nicname wants to chat.\n\nSubject: meet at noon?\n\n\n\nYou want to ?"), 20000);
        QCOMPARE(ChatWindows(app->frame()).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(AnyLineContains(ChatWindows(app->frame()).first(),
                                                 QStringLiteral("carol [127.0.0.3] will talk to you !")),
                                 20000);
        cli.closeWriteChannel();
        QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 15000);
        app->frame()->close();
        app->ExitInstance();
    }

    // The offer dialogs keep an incomplete offer open and say what is missing.
    void offerDialogsRefuseIncompleteInput() {
        ChatFileDialog dropped(nullptr, QStringLiteral("relative/name.txt"));
        dropped.accept();
        QCOMPARE(dropped.result(), int(QDialog::Rejected));
        dropped.descriptionEdit()->setText(QStringLiteral("notes"));
        dropped.accept();
        QCOMPARE(dropped.result(), int(QDialog::Rejected));
        std::string real = sandbox_->path("real.txt");
        test::WriteFile(real, "x");
        dropped.pathEdit()->setText(QString::fromStdString(real));
        dropped.accept();
        QCOMPARE(dropped.result(), int(QDialog::Accepted));

        ChatLinkDialog link;
        link.descriptionEdit()->setText(QStringLiteral("a page"));
        link.accept();
        ChatLinkDialog url(nullptr, QStringLiteral("http://sky.example/"));
        url.accept();
        QCOMPARE(
            boxes_,
            (QStringList{
                QStringLiteral("Chat: File Description|Please include the File Description ."),
                QStringLiteral("Chat: File Description|You must supply a full path to the file."),
                QStringLiteral("Chat: Send Hot Link|Please include the Hot Link Description and the URL."),
                QStringLiteral("Chat: Hot Link Description|Please include the hot link Description .")}));
        QCOMPARE(link.result(), int(QDialog::Rejected));
        QCOMPARE(url.result(), int(QDialog::Rejected));
    }

    // A partner's line notifies the desktop only when its window is not the
    // active one, and a burst of lines does not become a burst of pop-ups.
    void linesNotifyWhenTheWindowIsNotActive() {
        PrepareHome("127.0.0.2", port_);
        auto app = StartApp(&browser_);
        QVERIFY(app);
        ChatTool* tool = app->context()->chat;
        CMainFrame* frame = app->frame();
        QStringList notes;
        SetNotifyHook([&](const QString& summary, const QString& body) { notes << summary + '|' + body; });
        auto from = [&](const char* address, int type, const std::string& text = {}) {
            chat::RemoteCommand r;
            r.type = type;
            r.senderName = address == std::string("127.0.0.9") ? "dan" : "eve";
            r.data = text + '\0';
            tool->Receive(QByteArray::fromStdString(r.Encode()), QString::fromLatin1(address));
        };
        CChatFrame* quiet = tool->StartChat(QStringLiteral("127.0.0.9:%1").arg(port_));
        CChatFrame* talking = tool->StartChat(QStringLiteral("127.0.0.10:%1").arg(port_));
        QVERIFY(quiet && talking);
        from("127.0.0.9", chat::kCmdChatAccepted);
        from("127.0.0.10", chat::kCmdChatAccepted);
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(talking->parentWidget()));

        from("127.0.0.10", chat::kCmdChatText, "seen");
        QVERIFY(AnyLineContains(talking, QStringLiteral("eve: seen")));
        from("127.0.0.9", chat::kCmdChatText, "unseen");
        QCOMPARE(notes, QStringList{QStringLiteral("SkyChat: dan|dan: unseen")});

        for (int i = 1; i <= 20; ++i) from("127.0.0.9", chat::kCmdChatText, "burst " + std::to_string(i));
        QVERIFY(AnyLineContains(quiet, QStringLiteral("dan: burst 20")));
        QTRY_VERIFY_WITH_TIMEOUT(notes.last().contains(QStringLiteral("dan: burst 20")), 5000);
        QVERIFY2(notes.size() <= 3, qPrintable(notes.join(QLatin1Char('\n'))));
        app->frame()->close();
        app->ExitInstance();
    }

    // The size of a resized window is the next one's; minimising changes nothing.
    void windowSizeIsKept() {
        PrepareHome("127.0.0.2", port_);
        auto app = StartApp(&browser_);
        QVERIFY(app);
        ChatTool* tool = app->context()->chat;
        QVERIFY(tool);
        CChatFrame* first = tool->StartChat(QStringLiteral("127.0.0.9:%1").arg(port_));
        QVERIFY(first);
        auto* sub = qobject_cast<QMdiSubWindow*>(first->parentWidget());
        QCOMPARE(sub->size(), QSize(350, 400));
        QVERIFY(sub->windowFlags() & Qt::WindowStaysOnTopHint);
        sub->resize(420, 300);
        QTRY_COMPARE_WITH_TIMEOUT(S().GetInt("chat", "defwidth", 0), 420, 5000);
        QCOMPARE(S().GetInt("chat", "defheight", 0), 300);
        sub->showMinimized();
        QCoreApplication::processEvents();
        QCOMPARE(tool->defaultSize(), QSize(420, 300));
        app->context()->registry().SaveSettings();
        QCOMPARE(S().GetInt("chat", "defwidth", 0), 420);
        CChatFrame* second = tool->StartChat(QStringLiteral("127.0.0.10:%1").arg(port_));
        QVERIFY(second);
        QCOMPARE(second->parentWidget()->size(), QSize(420, 300));

        first->topMostAction()->trigger();
        QCOMPARE(S().GetInt("chat", "TopMost", 1), 0);
        QVERIFY(!(second->parentWidget()->windowFlags() & Qt::WindowStaysOnTopHint));
        app->frame()->close();
        app->ExitInstance();
    }
};

int main(int argc, char** argv) {
    sky::ui::RegisterCommandSchemes();
    if (argc > 2 && std::string(argv[1]) == "--peer") return RunPeer(argc, argv);
    QApplication app(argc, argv);
    UiChatTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_chat_test.moc"
