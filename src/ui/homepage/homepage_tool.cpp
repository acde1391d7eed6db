#include "ui/homepage/homepage_tool.h"

#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/homepage/home_page_wizard.h"
#include "ui/homepage/simple_wizard_sheet.h"
#include "ui/service/member_session.h"
#include "ui/webspace/web_space_transfer.h"

namespace sky::ui {

namespace {

QWidget* Parent(AppContext& context) {
    return context.frame() ? context.frame()->window() : nullptr;
}

WizardEnv EnvOf(AppContext& context) {
    AppContext* ctx = &context;
    WizardEnv env;
    env.webHost = context.hosts().web;
    env.account = context.session().account();
    env.profile = context.browserProfile();
    env.loggedIn = [ctx] { return ctx->session().loggedIn(); };
    env.login = [ctx] { ctx->session().RunLogin(); };
    env.target = [ctx] { return MemberTarget(*ctx); };
    env.openInEditor = [ctx](const QString& path, const QString& remote) {
        // The page editor registers this command; without it the page stays written.
        if (!ctx->registry().Invoke(QStringLiteral("homepage.editPage"), path + QLatin1Char('\n') + remote))
            ShowMessage(Parent(*ctx), QStringLiteral("Sorry.  Not yet available"));
    };
    return env;
}

}  // namespace

void RegisterHomePageTool(ToolRegistry& registry, AppContext& context) {
    AppContext* ctx = &context;
    const QString tools = QStringLiteral("&Tools");
    registry.AddCommand({QStringLiteral("homepage.simpleWizard"),
                         tools,
                         QStringLiteral("&Simple Home Page Wizard..."),
                         {},
                         27,
                         true},
                        [ctx] {
                            CSimpleWizardSheet sheet(EnvOf(*ctx), Parent(*ctx));
                            ExecDialog(sheet);
                        });
    registry.AddCommand(
        {QStringLiteral("homepage.wizard"), tools, QStringLiteral("&Home Page Wizard..."), {}, 28},
        [ctx] { CHomePageWizard::Open(EnvOf(*ctx), CHomePageWizard::Mode::Wizard, Parent(*ctx)); });
}

}  // namespace sky::ui
