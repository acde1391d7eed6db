#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

#include "core/channels/channel_list.h"

class QButtonGroup;
class QLabel;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace sky::ui {

class CFavoritesView;

// The bar at the side of the main frame: the three places ("Browse",
// "Local", "Favorites") and one tab per channel of the main list. It shows
// the lists it is given (the program's, which outlive it), else its own.
class CChannelBar : public QWidget {
    Q_OBJECT
public:
    // Place numbers handed to the frame.
    static constexpr int kPlaceBrowse = 0;
    static constexpr int kPlaceLocal = 1;
    static constexpr int kPlaceFirstChannel = 4;

    explicit CChannelBar(QWidget* parent = nullptr, CChannelList* mainList = nullptr,
                         CChannelList* localList = nullptr);
    ~CChannelBar() override;

    CChannelList& mainList() { return main_; }
    CChannelList& localList() { return local_; }

    // Loads "skychan1.sky" and "local.sky" and fills the channel tabs.
    void Fill();
    // Rebuilds the channel tabs from the main list, keeping the selection.
    void Refresh();
    // Reads "local.sky" again.
    void ReloadLocal();
    // Marks the place the active window stands for, without acting on it.
    void SelectPlace(int place);
    int selectedChannel() const;
    int channelTabCount() const;
    QToolButton* channelTab(int i) const;
    QToolButton* placeTab(int place) const;  // 0 Browse, 1 Local, 2 Favorites
    // Moves the channel tabs by one.
    void ScrollTabs(int by);
    int firstVisibleTab() const;

    QLabel* activityIndicator() const { return activity_; }
    void SetColours(const QColor& back, const QColor& text);

    // The favorites pane in place of the channel tabs; shown when asked for.
    void ShowFavorites(bool shown);
    bool favoritesShown() const;
    CFavoritesView* favorites();

signals:
    void placeChosen(int place);
    void favoritesChosen();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QToolButton* MakeTab(const QString& text, QWidget* parent);
    void UpdateScrollButtons();

    CChannelList ownMain_, ownLocal_;
    CChannelList& main_;
    CChannelList& local_;
    QLabel* activity_;
    QButtonGroup* places_;
    QButtonGroup* channels_;
    QStackedWidget* stack_;
    QWidget* tabsPage_;
    QScrollArea* scroller_;
    QWidget* tabsHolder_;
    QVBoxLayout* tabsLayout_;
    QToolButton* up_;
    QToolButton* down_;
    CFavoritesView* favorites_ = nullptr;
    int lastPlace_ = kPlaceBrowse;  // the place lit again when the favorites pane closes
    QColor back_ = QColor(0, 128, 192), text_ = Qt::white;
};

}  // namespace sky::ui
