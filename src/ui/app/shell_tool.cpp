#include "ui/app/shell_tool.h"

#include <QProcess>
#include <QStandardPaths>

#include "ui/app/address_dialogs.h"
#include "ui/app/app_context.h"
#include "ui/app/browser_settings_dialog.h"
#include "ui/app/default_browser.h"
#include "ui/app/main_frame.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_tool.h"
#include "ui/chat/chat_tool.h"
#include "ui/service/member_session.h"
#include "ui/skypad/skypad_tool.h"
#include "ui/webspace/web_space_transfer.h"

namespace sky::ui {

namespace {

QWidget* Parent(AppContext& context) {
    return context.frame() ? context.frame()->window() : nullptr;
}

void StartTerminalProgram(QWidget* parent, const QString& program) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        ShowMessage(parent, QStringLiteral("The program \"%1\" is not installed.").arg(program));
        return;
    }
    QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (terminal.isEmpty()) {
        ShowMessage(parent, QStringLiteral("No terminal program was found to run \"%1\" in.").arg(program));
        return;
    }
    QProcess::startDetached(terminal, {QStringLiteral("-e"), program});
}

void OfferOwnMail(AppContext* ctx, const QString& why) {
    if (AskYesNo(Parent(*ctx), QStringLiteral("Could not start your E-Mail program.\n\n") + why +
                                   QStringLiteral("\n\nDo you want to use SkyHarbor's E-Mail instead?")))
        ctx->registry().Invoke(QStringLiteral("tools.email"));
}

// Through xdg-email, whose exit code says whether a mail program took the
// address (opening "mailto:" only says that xdg-open started).
void StartEmailProgram(AppContext* ctx) {
    // When the desktop's mail program is SkyHarbor, it is this window, not a second copy.
    QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!mime.isEmpty()) {
        QProcess query;
        query.start(mime, {QStringLiteral("query"), QStringLiteral("default"),
                           QStringLiteral("x-scheme-handler/mailto")});
        if (query.waitForFinished(3000) && QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed() ==
                                               QLatin1String(XdgDefaultBrowser::kDesktopFile)) {
            ctx->registry().Invoke(QStringLiteral("tools.email"));
            return;
        }
    }
    QString exe = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (exe.isEmpty()) {
        OfferOwnMail(ctx, QStringLiteral("xdg-email is not installed (package xdg-utils)."));
        return;
    }
    // No parent: a mail program still open when SkyHarbor ends is left running.
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(process, &QProcess::finished, [ctx, process](int code, QProcess::ExitStatus status) {
        // Its last line is the summary ("no method available for opening 'mailto:'").
        QStringList lines = QString::fromLocal8Bit(process->readAllStandardError())
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        process->deleteLater();
        if (status == QProcess::NormalExit && code == 0) return;
        OfferOwnMail(ctx, lines.isEmpty() ? QStringLiteral("xdg-email ended with exit code %1.").arg(code)
                                          : lines.last().trimmed());
    });
    QObject::connect(process, &QProcess::errorOccurred, [ctx, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        QString why = process->errorString();
        process->deleteLater();
        OfferOwnMail(ctx, why);
    });
    process->start(exe, {QStringLiteral("mailto:")});
}

}  // namespace

void RegisterShellTool(ToolRegistry& registry, AppContext& context, DefaultBrowser* defaultBrowser) {
    AppContext* ctx = &context;
    const QString tools = QStringLiteral("&Tools"), settings = QStringLiteral("&Settings");
    registry.AddCommand({QStringLiteral("shell.open"), QStringLiteral("&File"), QStringLiteral("&Open..."),
                         QKeySequence::Open, 1},
                        [ctx] {
                            OpenAddressDialog dialog(Parent(*ctx));
                            if (dialog.exec() == QDialog::Accepted)
                                ctx->frame()->HandleAddress(dialog.address(), false);
                        });
    registry.AddCommand(
        {QStringLiteral("shell.emailProgram"), tools, QStringLiteral("System E-Mail &Program"), {}, 29},
        [ctx] { StartEmailProgram(ctx); });
    registry.AddCommand({QStringLiteral("shell.ftp"), tools, QStringLiteral("System F&TP"), {}, 30},
                        [ctx] { StartTerminalProgram(Parent(*ctx), QStringLiteral("ftp")); });
    registry.AddCommand({QStringLiteral("shell.telnet"), tools, QStringLiteral("&Telnet"), {}, 31},
                        [ctx] { StartTerminalProgram(Parent(*ctx), QStringLiteral("telnet")); });
    registry.AddCommand(
        {QStringLiteral("shell.browserSettings"), settings, QStringLiteral("&Browser Settings..."), {}, 43},
        [ctx] {
            BrowserSettingsDialog dialog(*ctx->browser, Parent(*ctx));
            dialog.exec();
        });
    registry.AddCommand({QStringLiteral("shell.defaultBrowser"),
                         settings,
                         QStringLiteral("Make SkyHarbor the &Default Browser"),
                         {},
                         44},
                        [ctx, defaultBrowser] {
                            if (defaultBrowser)
                                RunDefaultBrowserCheck(Parent(*ctx), ctx->settings(), *defaultBrowser, false);
                        });
    registry.AddCommand(
        {QStringLiteral("shell.about"), QStringLiteral("&Help"), QStringLiteral("&About SkyHarbor"), {}, 45},
        [ctx] {
            ShowMessage(Parent(*ctx),
                        CMainFrame::BaseTitle() +
                            QStringLiteral("\n\nAn Internet suite: browser, channels, e-mail, a "
                                           "personal web server, chat and home pages.\n\nWeb engine: ") +
                            ctx->session().engineBuild(),
                        QStringLiteral("About SkyHarbor"));
        });
    registry.ClaimLinkWord(LinkCommand::BrowserSettings, QStringLiteral("shell.browserSettings"));

    registry.ClaimTypedAction(TypedAction::SendMessage, [ctx](const TypedCommand&) {
        SendMessageDialog dialog(ctx->hosts().web, Parent(*ctx));
        dialog.onSend = [ctx](const QString& address, const QString& message) {
            if (ctx->chat) ctx->chat->SendMessage(address, message);
        };
        ExecDialog(dialog);
    });
    registry.ClaimTypedAction(TypedAction::SendFile, [ctx](const TypedCommand&) {
        SendFileDialog dialog(Parent(*ctx));
        dialog.exec();
    });
    registry.ClaimTypedAction(TypedAction::Post, [ctx](const TypedCommand&) {
        MemberSession& session = ctx->session();
        PostDialog dialog(session.account(), Parent(*ctx));
        dialog.onLogin = [&session] { return session.RunLogin() ? session.account() : QString(); };
        dialog.onPost = [ctx, &dialog](const QString& local, const QString& remote) {
            webspace::ServerTarget target = MemberTarget(*ctx, true);
            bool loggedIn = ctx->session().loggedIn();
            std::string l = local.toStdString(), r = remote.toStdString();
            return RunTransfer(
                &dialog, QStringLiteral("Post to the Public Space"),
                [target, loggedIn, l, r](webspace::TransferListener& listener, std::stop_token stop) {
                    return webspace::PostToPublicSpace(target, loggedIn, l, r, listener, stop);
                });
        };
        dialog.onEdit = [ctx](const QString& local) { OpenInSkyPad(*ctx, local); };
        ExecDialog(dialog);
    });
}

}  // namespace sky::ui
