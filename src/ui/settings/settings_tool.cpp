#include "ui/settings/settings_tool.h"

#include "core/httpsvr/server_settings.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/httpsvr/httpsvr_doc.h"
#include "ui/settings/control_panel_sheet.h"
#include "ui/settings/page_general.h"
#include "ui/settings/settings_sheet.h"

namespace sky::ui {

namespace {

QWidget* Parent(AppContext& context) {
    return context.frame() ? context.frame()->window() : nullptr;
}

void OpenSettingsSheet(AppContext& context) {
    CSettingsSheet sheet(context.settings(), Parent(context));
    QObject::connect(&sheet, &CSettingsSheet::schemeWritten, &context.registry(),
                     &ToolRegistry::NotifySchemeChanged);
    sheet.general()->setServerAtStart = [&context](bool on) {
        // The running server writes its whole section back later; tell it, not the file.
        httpsvr::ServerSettings next = context.webServer().settings();
        next.startAtStartup = on;
        context.webServer().ApplySettings(next);
    };
    ExecDialog(sheet);
}

void OpenControlPanel(AppContext& context, int page) {
    CControlPanelSheet sheet(context, page, Parent(context));
    ExecDialog(sheet);
    if (auto run = sheet.TakePending()) run();
}

}  // namespace

void RegisterSettingsTool(ToolRegistry& registry, AppContext& context) {
    AppContext* ctx = &context;
    const QString settings = QStringLiteral("&Settings");
    registry.AddCommand(
        {QStringLiteral("settings.settings"), settings, QStringLiteral("&Settings..."), {}, 41},
        [ctx] { OpenSettingsSheet(*ctx); });
    registry.AddCommand(
        {QStringLiteral("settings.controlPanel"),
         settings,
         QStringLiteral("&Control Panel..."),
         {},
         42,
         false,
         QStringLiteral("Control Panel")},
        ToolRegistry::Run([ctx](const QString& page) { OpenControlPanel(*ctx, page.toInt()); }));
    registry.ClaimLinkWord(LinkCommand::ControlPanel, QStringLiteral("settings.controlPanel"));
    registry.ClaimLinkWord(LinkCommand::LookAndFeel, QStringLiteral("settings.settings"));
}

}  // namespace sky::ui
