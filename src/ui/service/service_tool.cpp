#include "ui/service/service_tool.h"

#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/service/download_manager.h"
#include "ui/service/member_session.h"

namespace sky::ui {

void RegisterServiceTool(ToolRegistry& registry, AppContext& context) {
    const QString member = QStringLiteral("&Member");
    MemberSession& session = context.session();
    DownloadManager& downloads = context.downloads();
    registry.AddCommand({QStringLiteral("member.login"), member, QStringLiteral("&Login..."), {}, 38},
                        [&session, &context] {
                            if (session.RunLogin())
                                ShowMessage(context.frame() ? context.frame()->window() : nullptr,
                                            QStringLiteral("Login was successful !"));
                        });
    registry.AddCommand({QStringLiteral("member.logout"), member, QStringLiteral("Log&out"), {}, 39},
                        [&session] { session.Logout(); });
    registry.AddCommand({QStringLiteral("member.register"), member, QStringLiteral("&Register..."), {}, 40},
                        [&session] { session.RunRegistration(); });
    registry.AddCommand({QStringLiteral("member.update"), member, QStringLiteral("&Update Software"), {}, 41},
                        [&downloads] { downloads.UpdateSoftware(); });
    registry.AddCommand(
        {QStringLiteral("channels.importPublic")},
        ToolRegistry::Run([&downloads](const QString& url) { downloads.ImportPublicChannel(url); }));
    registry.AddCommand(
        {QStringLiteral("channels.replace")},
        ToolRegistry::Run([&downloads](const QString& source) { downloads.ReplaceChannels(source); }));
    registry.ClaimLinkWord(LinkCommand::Login, QStringLiteral("member.login"));
    registry.ClaimLinkWord(LinkCommand::Register, QStringLiteral("member.register"));
    registry.ClaimLinkWord(LinkCommand::UpdateSoftware, QStringLiteral("member.update"));
}

}  // namespace sky::ui
