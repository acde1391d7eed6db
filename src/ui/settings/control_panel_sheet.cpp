#include "ui/settings/control_panel_sheet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

#include "core/base/settings_store.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_tool.h"

namespace sky::ui {

namespace {

struct CommandButton {
    const char* id;
    const char* text;
};

// A grid of buttons, one per command some tool registered.
QWidget* CommandGrid(CControlPanelSheet& sheet, AppContext& context, const QString& title,
                     std::initializer_list<CommandButton> commands, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(group);
    int n = 0;
    ToolRegistry& registry = context.registry();
    for (const CommandButton& c : commands) {
        QString id = QString::fromLatin1(c.id);
        if (!registry.action(id)) continue;
        auto* b = new QPushButton(QString::fromLatin1(c.text), group);
        QObject::connect(b, &QPushButton::clicked, &sheet, [&sheet, &registry, id] {
            sheet.CloseAndRun([&registry, id] { registry.Invoke(id); });
        });
        grid->addWidget(b, n / 2, n % 2);
        ++n;
    }
    return group;
}

QVBoxLayout* PageLayout(QWidget* page, const QString& intro) {
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(intro, page);
    label->setWordWrap(true);
    layout->addWidget(label);
    return layout;
}

}  // namespace

ControlPanelPage1::ControlPanelPage1(CControlPanelSheet& sheet, AppContext& context) {
    QVBoxLayout* layout =
        PageLayout(this, QStringLiteral("Choose what you want to do. The control panel closes "
                                        "and SkyHarbor does it."));
    layout->addWidget(CommandGrid(sheet, context, QStringLiteral("Browsing"),
                                  {{"channels.customize", "&Customize Channels..."},
                                   {"browser.print", "&Print..."},
                                   {"browser.search", "&Search the Web..."},
                                   {"browser.new", "&New Browser Window"},
                                   {"channels.favorites", "&Favorites"}},
                                  this));
    auto* windows = new QGroupBox(QStringLiteral("Windows"), this);
    auto* row = new QHBoxLayout(windows);
    auto* maximise = new QPushButton(QStringLiteral("&Maximize"), windows);
    row->addWidget(maximise);
    connect(maximise, &QPushButton::clicked, &sheet, [&sheet, &context] {
        sheet.CloseAndRun([&context] {
            QMdiArea* mdi = context.frame() ? context.frame()->mdiArea() : nullptr;
            if (QMdiSubWindow* active = mdi ? mdi->activeSubWindow() : nullptr) active->showMaximized();
        });
    });
    for (auto [id, text] : {std::pair{"window.cascade", "C&ascade"}, std::pair{"window.tile", "&Tile"}}) {
        if (!context.registry().action(QString::fromLatin1(id))) continue;
        auto* b = new QPushButton(QString::fromLatin1(text), windows);
        row->addWidget(b);
        QString command = QString::fromLatin1(id);
        connect(b, &QPushButton::clicked, &sheet, [&sheet, &context, command] {
            sheet.CloseAndRun([&context, command] { context.registry().Invoke(command); });
        });
    }
    layout->addWidget(windows);
    layout->addStretch(1);
}

ControlPanelPage2::ControlPanelPage2(CControlPanelSheet& sheet, AppContext& context) {
    QVBoxLayout* layout = PageLayout(this, QStringLiteral("Open one of SkyHarbor's tools."));
    layout->addWidget(CommandGrid(sheet, context, QStringLiteral("Tools"),
                                  {{"tools.email", "&E-Mail"},
                                   {"tools.chat", "&Chat"},
                                   {"httpsvr.open", "&Web Server"},
                                   {"tools.webSpace", "Web &Space"},
                                   {"tools.ftp", "&FTP"},
                                   {"tools.skyPad", "Sky&Pad"}},
                                  this));
    layout->addWidget(CommandGrid(sheet, context, QStringLiteral("SkyHarbor"),
                                  {{"shell.browserSettings", "&Browser Settings..."},
                                   {"frame.saveSettings", "Save Se&ttings"},
                                   {"member.update", "&Update Software"},
                                   {"shell.defaultBrowser", "&Default Browser"}},
                                  this));
    layout->addStretch(1);
}

ControlPanelPage3::ControlPanelPage3(AppContext& context) : context_(context) {
    QVBoxLayout* layout =
        PageLayout(this, QStringLiteral("Your SkyHarbor membership and your local channel."));
    auto* form = new QFormLayout;
    account_ = new QLineEdit(this);
    account_->setReadOnly(true);
    zip_ = new QLineEdit(this);
    zip_->setReadOnly(true);
    form->addRow(QStringLiteral("Member name:"), account_);
    form->addRow(QStringLiteral("Postal code:"), zip_);
    layout->addLayout(form);

    login_ = new QPushButton(QStringLiteral("&Login..."), this);
    forgot_ = new QPushButton(QStringLiteral("&Forgot your password?"), this);
    register_ = new QPushButton(QStringLiteral("&Register..."), this);
    local_ = new QPushButton(QStringLiteral("Local &Settings..."), this);
    auto* grid = new QGridLayout;
    grid->addWidget(login_, 0, 0);
    grid->addWidget(forgot_, 0, 1);
    grid->addWidget(register_, 1, 0);
    grid->addWidget(local_, 1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);

    auto run = [this](const char* id) {
        return [this, id] {
            // member.login says "Login was successful !" itself.
            context_.registry().Invoke(QString::fromLatin1(id));
            Reload();
        };
    };
    connect(login_, &QPushButton::clicked, this, run("member.login"));
    connect(register_, &QPushButton::clicked, this, run("member.register"));
    connect(local_, &QPushButton::clicked, this, run("channels.local"));
    connect(forgot_, &QPushButton::clicked, this, [this] {
        ShowMessage(this,
                    QStringLiteral("If you forgot your password...\n\nTry to Login with a blank password "
                                   "\nand the prompt for your password hint\nwill be displayed."));
        Reload();
    });
    Reload();
}

void ControlPanelPage3::Reload() {
    account_->setText(QString::fromStdString(context_.settings().GetString("Misc", "Account")));
    zip_->setText(QString::fromStdString(context_.settings().GetString("local", "zip")));
}

ControlPanelPage4::ControlPanelPage4(AppContext& context) {
    QVBoxLayout* layout =
        PageLayout(this, QStringLiteral("A channel can introduce itself when you open it."));
    intro_ = new QCheckBox(QStringLiteral("Show the &introduction of a channel"), this);
    intro_->setChecked(context.browser && context.browser->ChannelIntroOption());
    layout->addWidget(intro_);
    layout->addStretch(1);
}

ControlPanelPage5::ControlPanelPage5(AppContext& context) : context_(context) {
    QVBoxLayout* layout =
        PageLayout(this, QStringLiteral("The bars change at once; the pop-up choices when you "
                                        "press OK."));
    auto* bars = new QGroupBox(QStringLiteral("Window"), this);
    zoom_ = new QCheckBox(QStringLiteral("&Zoom mode"), bars);
    channelBar_ = new QCheckBox(QStringLiteral("&Channel bar"), bars);
    statusBar_ = new QCheckBox(QStringLiteral("&Status bar"), bars);
    auto* barLayout = new QVBoxLayout(bars);
    barLayout->addWidget(zoom_);
    barLayout->addWidget(channelBar_);
    barLayout->addWidget(statusBar_);
    auto* pops = new QGroupBox(QStringLiteral("Pop-ups"), this);
    popup_ = new QCheckBox(QStringLiteral("Let pages open &pop-up windows"), pops);
    statusPopup_ = new QCheckBox(QStringLiteral("Show the &Accessing Internet pop-up"), pops);
    auto* popLayout = new QVBoxLayout(pops);
    popLayout->addWidget(popup_);
    popLayout->addWidget(statusPopup_);
    layout->addWidget(bars);
    layout->addWidget(pops);
    layout->addStretch(1);

    if (context_.browser) {
        popup_->setChecked(context_.browser->popupOption());
        statusPopup_->setChecked(context_.browser->statusPopupOption());
    }
    FrameHost* frame = context_.frame();
    connect(zoom_, &QCheckBox::clicked, this,
            [this, frame](bool on) { Toggle(QStringLiteral("frame.zoom"), on, frame && frame->IsZoomed()); });
    connect(channelBar_, &QCheckBox::clicked, this, [this, frame](bool on) {
        Toggle(QStringLiteral("frame.channelBar"), on, frame && frame->SideBarShown());
    });
    connect(statusBar_, &QCheckBox::clicked, this,
            [this](bool on) { Toggle(QStringLiteral("frame.statusBar"), on, StatusBarShown()); });
    Refresh();
}

void ControlPanelPage5::Toggle(const QString& command, bool wanted, bool shown) {
    if (wanted != shown) context_.registry().Invoke(command);
    Refresh();
}

bool ControlPanelPage5::StatusBarShown() const {
    auto* main = context_.frame() ? qobject_cast<QMainWindow*>(context_.frame()->window()) : nullptr;
    auto* bar = main ? main->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return bar && !bar->isHidden();
}

void ControlPanelPage5::Refresh() {
    FrameHost* frame = context_.frame();
    const QSignalBlocker b1(zoom_), b2(channelBar_), b3(statusBar_);
    zoom_->setChecked(frame && frame->IsZoomed());
    channelBar_->setChecked(frame && frame->SideBarShown());
    statusBar_->setChecked(StatusBarShown());
    zoom_->setEnabled(frame);
    channelBar_->setEnabled(frame);
    statusBar_->setEnabled(frame);
}

CControlPanelSheet::CControlPanelSheet(AppContext& context, int page, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Control Panel"));
    tabs_ = new QTabWidget(this);
    // All five tabs in sight: the sheet widens rather than scrolls its tabs.
    tabs_->setUsesScrollButtons(false);
    page3_ = new ControlPanelPage3(context);
    page4_ = new ControlPanelPage4(context);
    page5_ = new ControlPanelPage5(context);
    tabs_->addTab(new ControlPanelPage1(*this, context), QStringLiteral("Quick Start"));
    tabs_->addTab(new ControlPanelPage2(*this, context), QStringLiteral("Tools"));
    tabs_->addTab(page3_, QStringLiteral("Membership"));
    tabs_->addTab(page4_, QStringLiteral("Channels"));
    tabs_->addTab(page5_, QStringLiteral("Window"));
    tabs_->setCurrentIndex(page >= 1 && page <= tabs_->count() ? page - 1 : 0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

void CControlPanelSheet::CloseAndRun(std::function<void()> action) {
    pending_ = std::move(action);
    accept();
}

void CControlPanelSheet::accept() {
    if (BrowserTool* browser = context_.browser) {
        browser->SetPopupOption(page5_->popup()->isChecked());
        browser->SetStatusPopupOption(page5_->statusPopup()->isChecked());
        browser->SetChannelIntroOption(page4_->intro()->isChecked());
    }
    QDialog::accept();
}

}  // namespace sky::ui
