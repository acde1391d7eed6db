#include "ui/ftp/ftp_tool.h"

#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/ftp/ftp_dialogs.h"
#include "ui/ftp/ftp_view.h"

namespace sky::ui {

void RegisterFtpTool(ToolRegistry& registry, AppContext& context) {
    registry.AddWindow(TemplateId::Ftp, [&context] { return static_cast<QWidget*>(new CFTPView(context)); });
    auto open = [&context] {
        if (context.frame()) context.frame()->OpenDocument(TemplateId::Ftp, QStringLiteral("SkyFTP"));
    };
    registry.AddCommand(
        {QStringLiteral("tools.ftp"), QStringLiteral("&Tools"), QStringLiteral("&FTP Client"), {}, 25}, open);
    registry.ClaimTypedAction(TypedAction::SkyFtp, [open](const TypedCommand&) { open(); });
    registry.ClaimTypedAction(TypedAction::FtpUpload, [&context](const TypedCommand&) {
        FtpUploadDialog dialog(context.frame() ? context.frame()->window() : nullptr);
        ExecDialog(dialog);
    });
}

}  // namespace sky::ui
