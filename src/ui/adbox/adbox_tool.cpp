#include "ui/adbox/adbox_tool.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QPointer>

#include "core/app/ad_box.h"
#include "core/base/settings_store.h"
#include "ui/adbox/info_box.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/tool_registry.h"

namespace sky::ui {

namespace {

struct AdBoxState : QObject {
    using QObject::QObject;
    QAction* toggle = nullptr;
    QPointer<QDockWidget> dock;
    QPointer<CInfoBox> box;
    bool hasAd = false;  // the pane stays hidden until it has something to show

    void Apply() {
        if (dock) dock->setVisible(hasAd && toggle->isChecked());
    }
};

void CreatePane(AppContext& context, AdBoxState* state) {
    auto* main = context.frame() ? qobject_cast<QMainWindow*>(context.frame()->window()) : nullptr;
    if (!main || state->dock) return;
    auto* dock = new QDockWidget(QStringLiteral("Ad Box"), main);
    dock->setObjectName(QStringLiteral("AdBox"));
    // Hidden from the View menu only, so the menu's check always tells the truth.
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    AppContext* ctx = &context;
    auto* box = new CInfoBox(
        context.hosts().ad,
        [ctx](const QString& url) {
            if (ctx->frame()) ctx->frame()->HandleAddress(url, true);
        },
        dock);
    dock->setWidget(box);
    main->addDockWidget(Qt::RightDockWidgetArea, dock);
    if (auto* channels =
            main->findChild<QDockWidget*>(QStringLiteral("ChannelBar"), Qt::FindDirectChildrenOnly))
        main->splitDockWidget(channels, dock, Qt::Vertical);
    main->resizeDocks({dock}, {200}, Qt::Vertical);
    dock->hide();
    state->dock = dock;
    state->box = box;
    QObject::connect(box, &CInfoBox::firstAdShown, state, [state] {
        state->hasAd = true;
        state->Apply();
    });
    SettingsStore& s = context.settings();
    box->Start(AdRotationOf(s.GetInt("infobox", "rotate", 1), s.GetInt("infobox", "delay", 60)));
}

}  // namespace

void RegisterAdBoxTool(ToolRegistry& registry, AppContext& context) {
    auto* state = new AdBoxState(&registry);
    state->toggle = registry.AddCommand(
        {QStringLiteral("adbox.toggle"), QStringLiteral("&View"), QStringLiteral("&Ad Box"), {}, 18},
        [state] { state->Apply(); });
    state->toggle->setCheckable(true);
    state->toggle->setChecked(context.settings().GetInt("infobox", "show", 1) != 0);
    AppContext* ctx = &context;
    registry.AddStartStep(30, [ctx, state](const QString&) { CreatePane(*ctx, state); });
    registry.AddSettingsSaver(
        [ctx, state] { ctx->settings().WriteInt("infobox", "show", state->toggle->isChecked() ? 1 : 0); });
}

}  // namespace sky::ui
