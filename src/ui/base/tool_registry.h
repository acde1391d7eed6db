#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "core/app/command_dispatch.h"
#include "core/app/typed_commands.h"
#include "ui/base/doc_templates.h"

class QAction;
class QMdiSubWindow;
class QByteArray;
class QUrl;
class QWidget;

namespace sky::ui {

// Where a command shows besides being callable by its id.
struct CommandSpec {
    // A command with no menu entry, reached by links, buttons and other tools.
    CommandSpec(QString id_) : id(std::move(id_)) {}
    CommandSpec(QString id_, QString menu_, QString text_, QKeySequence key_ = {}, int order_ = 0,
                bool separatorBefore_ = false, QString toolbarText_ = {},
                std::vector<std::pair<QString, int>> alsoIn_ = {})
        : id(std::move(id_)),
          menu(std::move(menu_)),
          text(std::move(text_)),
          key(std::move(key_)),
          order(order_),
          separatorBefore(separatorBefore_),
          toolbarText(std::move(toolbarText_)),
          alsoIn(std::move(alsoIn_)) {}

    QString id;        // "browser.new": unique, what links and buttons name
    QString menu;      // "&File"; empty: no menu entry
    QString text;      // the menu text, "&New Browser Window"
    QKeySequence key;  // shortcut, if any
    int order = 0;     // place inside its menu, smaller first
    bool separatorBefore = false;
    QString toolbarText;  // non-empty: also on the frame's toolbar
    // Further places in other menus: menu title and order there.
    std::vector<std::pair<QString, int>> alsoIn;
};

// What each tool registers: its window factory, its commands as QActions,
// the command-link and typed words it claims, the remote-command types it
// handles and the settings it saves. The frame's menus, toolbar, command
// links and the address box all look commands up here.
class ToolRegistry : public QObject {
    Q_OBJECT
public:
    using Run = std::function<void(const QString& argument)>;
    using TypedHandler = std::function<void(const TypedCommand& command)>;
    using RemoteHandler = std::function<void(const QByteArray& record, const QString& peerAddress)>;

    explicit ToolRegistry(QObject* parent = nullptr);
    ~ToolRegistry() override;

    DocTemplates& templates() { return templates_; }
    void AddWindow(TemplateId id, std::function<QWidget*()> factory);

    // The command's action, made once; `run` gets the argument of Invoke (a
    // menu or the toolbar pass none).
    QAction* AddCommand(const CommandSpec& spec, Run run);
    QAction* AddCommand(const CommandSpec& spec, std::function<void()> run);
    QAction* action(const QString& id) const;
    const std::vector<CommandSpec>& commands() const { return specs_; }
    // Runs a command by id; false when no tool registered it.
    bool Invoke(const QString& id, const QString& argument = {}) const;

    // A "_skycmd" link word leads to the command `id`; `page` is passed as its argument.
    void ClaimLinkWord(LinkCommand word, const QString& id);
    QString CommandOfLink(LinkCommand word) const;
    bool InvokeLink(LinkCommand word, int page) const;
    // Words of no frame command are offered to these claims in turn; a claim
    // returns true when it takes the word and acts after the navigation
    // event returns. `navigateCarrier` loads an address in the browser that
    // carried the link (a no-op once that browser is gone).
    using NavigateCarrier = std::function<void(const QUrl& url)>;
    using OtherLinkWordClaim = std::function<bool(const QString& word, NavigateCarrier navigateCarrier)>;
    void ClaimOtherLinkWords(OtherLinkWordClaim claim);
    bool OfferOtherLinkWord(const QString& word, const NavigateCarrier& navigateCarrier) const;

    // Typed address words (everything ParseTypedAddress knows but plain addresses).
    void ClaimTypedAction(TypedAction action, TypedHandler handler);
    // Plain addresses: the browser's.
    using Navigator = std::function<void(const QString& address, bool useMainBrowser)>;
    void SetNavigator(Navigator navigator) { navigator_ = std::move(navigator); }
    // Parses and runs `text` as the address box does. `webHost` is the service's.
    void HandleAddress(const QString& text, bool useMainBrowser, const std::string& webHost) const;

    // kOtherRemoteCommands claims every type no tool claims.
    static constexpr int kOtherRemoteCommands = -1;
    void ClaimRemoteCommand(int type, RemoteHandler handler);
    // False when no tool handles the record's type: the record is dropped.
    bool DispatchRemoteCommand(int type, const QByteArray& record, const QString& peerAddress) const;

    // A tool's settings step of closing and of "Save Settings", in registration order.
    void AddSettingsSaver(std::function<void()> save);
    void SaveSettings() const;

    // The widget in the frame's side bar (the channel bar).
    void SetSideBar(std::function<QWidget*(QWidget* parent)> factory) { sideBar_ = std::move(factory); }
    QWidget* MakeSideBar(QWidget* parent) const { return sideBar_ ? sideBar_(parent) : nullptr; }

    // The browsing windows zoom mode brings back first when it ends: the main
    // browser, then the local sites window.
    using BrowsingWindows = std::function<std::pair<QMdiSubWindow*, QMdiSubWindow*>()>;
    void SetBrowsingWindows(BrowsingWindows windows) { browsingWindows_ = std::move(windows); }
    std::pair<QMdiSubWindow*, QMdiSubWindow*> browsingWindows() const {
        return browsingWindows_ ? browsingWindows_() : std::pair<QMdiSubWindow*, QMdiSubWindow*>{};
    }

    // Steps of the first navigation, smaller order first; `file` is the one
    // named on the command line.
    void AddStartStep(int order, std::function<void(const QString& file)> step);
    void RunStartSteps(const QString& file) const;

    // The frame made a tool window; tools wire their views to the chrome here.
    void NotifyWindowOpened(TemplateId id, QMdiSubWindow* sub, const QString& title) {
        emit windowOpened(id, sub, title);
    }
    // The frame's active window changed (null: none).
    void NotifyWindowActivated(QMdiSubWindow* sub) { emit windowActivated(sub); }
    // The colour scheme in the settings changed; windows that paint with it repaint.
    void NotifySchemeChanged() { emit schemeChanged(); }

signals:
    void windowOpened(sky::ui::TemplateId id, QMdiSubWindow* sub, const QString& title);
    void windowActivated(QMdiSubWindow* sub);
    void schemeChanged();

private:
    bool RunCommand(const QString& id, const QString& argument) const;

    DocTemplates templates_;
    std::vector<CommandSpec> specs_;
    std::map<QString, QAction*> actions_;
    std::map<QString, Run> runs_;
    std::map<LinkCommand, QString> links_;
    std::vector<OtherLinkWordClaim> otherLinkWords_;
    std::map<TypedAction, TypedHandler> typed_;
    std::map<int, RemoteHandler> remote_;
    std::vector<std::function<void()>> savers_;
    Navigator navigator_;
    std::function<QWidget*(QWidget*)> sideBar_;
    BrowsingWindows browsingWindows_;
    std::multimap<int, std::function<void(const QString&)>> startSteps_;
};

}  // namespace sky::ui
