#include "ui/httpsvr/httpsvr_tool.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/tool_registry.h"
#include "ui/httpsvr/httpsvr_doc.h"
#include "ui/httpsvr/httpsvr_view.h"
#include "ui/httpsvr/server_options_dialog.h"
#include "ui/service/member_session.h"

namespace sky::ui {

namespace {

QMdiSubWindow* FindServerWindow(FrameHost& frame) {
    for (QMdiSubWindow* w : frame.mdiArea()->subWindowList())
        if (qobject_cast<CHttpSvrView*>(w->widget())) return w;
    return nullptr;
}

// The account paragraph of "/~SYSTEM" follows the session.
void UpdateSystemInfo(AppContext& context) {
    httpsvr::SystemPageInfo info;
    info.account = context.session().account().toStdString();
    info.installCookie = context.session().installCookie().toStdString();
    info.version = kVersionString;
    info.engineVersion = context.session().engineBuild().toStdString();
    context.webServer().SetSystemInfo(info);
}

// One server per copy: a second request brings its window forward.
QMdiSubWindow* OpenServerWindow(AppContext& context) {
    FrameHost* frame = context.frame();
    if (!frame) return nullptr;
    if (QMdiSubWindow* existing = FindServerWindow(*frame)) {
        existing->show();
        frame->mdiArea()->setActiveSubWindow(existing);
        return existing;
    }
    QMdiSubWindow* sub = frame->OpenDocument(TemplateId::HttpSvr, QStringLiteral("Server Status"));
    auto* view = sub ? qobject_cast<CHttpSvrView*>(sub->widget()) : nullptr;
    if (!view) return sub;
    QObject::connect(view, &CHttpSvrView::titleChanged, sub, &QMdiSubWindow::setWindowTitle);
    UpdateSystemInfo(context);
    QMdiArea* mdi = frame->mdiArea();
    // Whole inside the area: moved back from the right and bottom edges. Before
    // the frame is first shown the area has no size; the frame fits it in then.
    QRect area = mdi->viewport()->rect();
    QRect r(sub->pos(), QSize(820, 420));
    if (mdi->isVisible()) {
        r.setSize(r.size().boundedTo(area.size()));
        r.moveTo(std::max(0, std::min(r.x(), area.width() - r.width())),
                 std::max(0, std::min(r.y(), area.height() - r.height())));
    }
    sub->setGeometry(r);
    // The server keeps running when its window closes; opening it again only shows it.
    if (!view->document()->listening()) view->OpenServer();
    sub->setWindowTitle(view->document()->Title());
    return sub;
}

void StartServerDialogFlow(AppContext& context) {
    MemberSession& session = context.session();
    StartServerDialog dialog(context.settings(), session.account(), session.loggedIn(),
                             context.frame()->window());
    dialog.onOptions = [&context, &dialog] {
        CHttpSvrDoc& server = context.webServer();
        ServerOptionsDialog options(server.settings(), &dialog);
        if (options.exec() != QDialog::Accepted) return;
        if (server.listening())
            server.ApplySettings(options.settings());
        else
            options.settings().Save(context.settings());
    };
    dialog.onLogin = [&session] { return session.RunLogin(); };
    dialog.exec();
    if (dialog.startChosen()) OpenServerWindow(context);
}

}  // namespace

void RegisterHttpSvrTool(ToolRegistry& registry, AppContext& context) {
    registry.AddWindow(TemplateId::HttpSvr,
                       [&context] { return static_cast<QWidget*>(new CHttpSvrView(context.webServer())); });
    registry.AddCommand(
        {QStringLiteral("httpsvr.open"), QStringLiteral("&Tools"), QStringLiteral("&Web Server"), {}, 21},
        [&context] { OpenServerWindow(context); });
    registry.ClaimTypedAction(TypedAction::StartServer, [&context](const TypedCommand& c) {
        StartServerDialogFlow(context);
        context.frame()->HandleAddress(QString::fromStdString(c.address), true);
    });
    QObject::connect(&context.session(), &MemberSession::accountChanged, &registry,
                     [&context] { UpdateSystemInfo(context); });
    // Remote commands reach the tool that claims their type; others are dropped.
    QObject::connect(&context.webServer(), &CHttpSvrDoc::remoteCommandReceived, &registry,
                     [&registry](int type, const QByteArray& record, const QString& peer) {
                         registry.DispatchRemoteCommand(type, record, peer);
                     });
    // After the main browser is open; it stays the active window.
    registry.AddStartStep(20, [&context](const QString&) {
        if (context.settings().GetInt("Server", "StartAtStartup", 0) == 0) return;
        QMdiArea* mdi = context.frame()->mdiArea();
        QMdiSubWindow* active = mdi->activeSubWindow();
        OpenServerWindow(context);
        if (active) mdi->setActiveSubWindow(active);
    });
}

}  // namespace sky::ui
