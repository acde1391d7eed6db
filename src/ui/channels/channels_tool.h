#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QMdiSubWindow;

namespace sky::ui {

class AppContext;
class CChannelBar;
class CK7View;
class CSubChannelView;
class ToolRegistry;

// The channels tool: the channel bar's content, the "Channel Viewer" and
// "Local Web Sites" windows, the designer, import and export, the local
// channel sheet and the favorites pane.
class ChannelsTool : public QObject {
    Q_OBJECT
public:
    explicit ChannelsTool(AppContext& context);
    ~ChannelsTool() override;

    CChannelBar* bar() const;
    // A place of the channel bar: 0 the main browser, 1 "Local Web Sites",
    // 4 + i channel i in the "Channel Viewer".
    void OnChannelPlace(int place);
    // The "Channel Viewer" or "Local Web Sites" window, made when missing.
    QMdiSubWindow* ChannelWindow(bool local, bool create = true);
    static CSubChannelView* SubChannelViewOf(QMdiSubWindow* window);
    // After an import or the designer: the list is saved when `saved` is
    // false, and the bar and the channel rows show it again.
    void ChannelsChanged(bool saved);
    void OpenChannelDesigner();

    // The channel question of closing and "Save Settings".
    void SetSetupChanged(bool changed) { setupChanged_ = changed; }
    bool setupChanged() const { return setupChanged_; }
    // Saves the main channel list ("skychan1.sky"); tests put their own.
    void SetChannelSaver(std::function<bool()> saver) { saver_ = std::move(saver); }

private:
    void Register(ToolRegistry& registry);
    QWidget* MakeBar(QWidget* parent);
    void ApplyColours();
    void ShowNoLocalChannel(CK7View* view);
    void ToggleFavorites();
    void RunLocalSettings();
    void AskToSave();
    bool SaveNow();
    void OnWindowActivated(QMdiSubWindow* window);

    AppContext& context_;
    QPointer<CChannelBar> bar_;
    QPointer<QMdiSubWindow> channelViewer_, localSites_;
    bool favoritesConnected_ = false;
    bool setupChanged_ = false;
    std::function<bool()> saver_;

    friend void RegisterChannelsTool(ToolRegistry& registry, AppContext& context);
};

// Registers the channel bar, the channel windows and the channel commands.
void RegisterChannelsTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
