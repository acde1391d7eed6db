#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

class QComboBox;
class QTabBar;

namespace sky {
class CChannelList;
struct CChannelItem;
}  // namespace sky

namespace sky::ui {

class BrowserHost;

// The hint under the page row while the channel introduction page shows.
// Every repaint moves one counter shared by all views through five states.
class ChannelHintLine : public QWidget {
    Q_OBJECT
public:
    explicit ChannelHintLine(QWidget* parent = nullptr);
    static constexpr int kIntervalMs = 5000;
    void SetTextColour(const QColor& c) { textColour_ = c; }
    // The text and colour of the last repaint.
    QString lastText() const { return lastText_; }
    QColor lastColour() const { return lastColour_; }
    static int counter();

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QTimer timer_;
    QColor textColour_ = Qt::white;
    QString lastText_;
    QColor lastColour_;
};

// The channel rows at the top of the "Channel Viewer" and "Local Web Sites"
// windows: the entries of the chosen channel and the pages of the chosen
// folder, each as tabs and as a list. It remembers where the user was in each
// channel and asks its window to open the chosen page.
class CSubChannelView : public QWidget {
    Q_OBJECT
public:
    // `host` (may be null) gives the channel introduction option and what the
    // introduction address is built from.
    explicit CSubChannelView(BrowserHost* host, QWidget* parent = nullptr);

    void SetLists(CChannelList* mainList, CChannelList* localList);
    // -1 hides the rows; -3 shows the local channel in local mode.
    void ShowChannel(int index);
    // The rows again after the list changed, without opening anything.
    void Reshow();
    // Before another channel is shown: the address the window shows now.
    void RememberLeaving(const QString& currentAddress);

    void ChooseEntry(int index, bool returnToChannel);
    void ChoosePage(int index, bool returnToChannel);

    int currentChannel() const { return channel_; }
    bool localMode() const { return localMode_; }
    CChannelList* list() const { return list_; }
    QTabBar* entryTabs() const { return entries_; }
    QTabBar* pageTabs() const { return pages_; }
    QComboBox* entryList() const { return entryList_; }
    QComboBox* pageList() const { return pageList_; }
    ChannelHintLine* hintLine() const { return hint_; }

    void SetColours(const QColor& navBack, const QColor& navText, const QColor& subBack,
                    const QColor& subText);
    // The window shows (or left) the channel introduction page.
    void SetIntroShown(bool shown);

signals:
    // The window is to open this address.
    void openAddress(const QString& address);
    // The rows changed size; the frame lays out its bars again.
    void rowsChanged();

private:
    CChannelItem* Channel() const;
    void FillPages(CChannelItem* folder);
    // The page's address, the last address on a return, or the introduction.
    void Open(QString address, CChannelItem* channel, bool returnToChannel);
    void SetRowsVisible(bool entries, bool pages);

    BrowserHost* host_;
    CChannelList* main_ = nullptr;
    CChannelList* local_ = nullptr;
    CChannelList* list_ = nullptr;
    bool localMode_ = false;
    int channel_ = -1;
    int entry_ = -1;
    bool filling_ = false;
    bool quiet_ = false;  // fill the rows, open nothing
    QWidget* entryRow_;
    QWidget* pageRow_;
    QTabBar* entries_;
    QTabBar* pages_;
    QComboBox* entryList_;
    QComboBox* pageList_;
    ChannelHintLine* hint_;
};

}  // namespace sky::ui
