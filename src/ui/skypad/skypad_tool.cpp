#include "ui/skypad/skypad_tool.h"

#include <QMdiSubWindow>

#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/tool_registry.h"
#include "ui/skypad/skypad_frame.h"

namespace sky::ui {

void RegisterSkyPadTool(ToolRegistry& registry, AppContext& context) {
    registry.AddWindow(TemplateId::SkyPad, [] { return static_cast<QWidget*>(new CSkyPadFrame()); });
    registry.AddCommand(
        {QStringLiteral("tools.skyPad"), QStringLiteral("&Tools"), QStringLiteral("Sky&Pad"), {}, 24},
        [&context] { OpenInSkyPad(context, {}); });
}

namespace {

CSkyPadFrame* OpenWindow(AppContext& context, const QString& path, bool readOnly) {
    FrameHost* frame = context.frame();
    if (!frame) return nullptr;
    QMdiSubWindow* sub = frame->OpenDocument(TemplateId::SkyPad, QStringLiteral("Untitled"));
    auto* pad = sub ? qobject_cast<CSkyPadFrame*>(sub->widget()) : nullptr;
    if (!pad) return nullptr;
    QObject::connect(pad, &CSkyPadFrame::titleChanged, sub, &QMdiSubWindow::setWindowTitle);
    AppContext* ctx = &context;
    pad->openWindow = [ctx](const QString& other) { OpenInSkyPad(*ctx, other); };
    if (!path.isEmpty() && !(readOnly ? pad->OpenReadOnly(path) : pad->Open(path))) {
        sub->close();
        return nullptr;
    }
    sub->setWindowTitle(pad->Title());
    return pad;
}

}  // namespace

CSkyPadFrame* OpenInSkyPad(AppContext& context, const QString& path) {
    return OpenWindow(context, path, false);
}

CSkyPadFrame* OpenReadOnlyInSkyPad(AppContext& context, const QString& path) {
    return OpenWindow(context, path, true);
}

}  // namespace sky::ui
