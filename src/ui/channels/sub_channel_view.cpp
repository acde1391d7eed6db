#include "ui/channels/sub_channel_view.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QTabBar>
#include <QVBoxLayout>

#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "core/channels/channel_nav.h"
#include "ui/base/text.h"
#include "ui/browser/browser_host.h"
#include "ui/channels/channel_icons.h"

namespace sky::ui {

namespace {

int g_hintCounter = 0;

struct HintState {
    const char* text;
    QColor colour;  // invalid: the view's text colour
};
const HintState kHints[5] = {
    {"Click above to browse the pages in this channel !", QColor()},
    {"Click above for pages !", QColor(255, 64, 64)},
    {"CLICK UP HERE!", QColor(64, 255, 64)},
    {"Click above to browse the pages in this channel !", QColor(64, 255, 255)},
    {"Click-ay Up-ay Ere-hay !", QColor(64, 64, 255)},
};

QTabBar* MakeTabBar(QWidget* parent) {
    auto* bar = new QTabBar(parent);
    bar->setExpanding(false);
    bar->setUsesScrollButtons(true);
    bar->setDrawBase(false);
    bar->setElideMode(Qt::ElideRight);
    bar->setIconSize(QSize(16, 16));
    return bar;
}

void ClearRow(QTabBar* tabs, QComboBox* list) {
    while (tabs->count()) tabs->removeTab(0);
    list->clear();
}

// Each row offers its items twice: as tabs and as a list.
void AddToRow(QTabBar* tabs, QComboBox* list, const QIcon& icon, const QString& text) {
    tabs->addTab(icon, text);
    list->addItem(icon, text);
}

}  // namespace

ChannelHintLine::ChannelHintLine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ChannelHint"));
    setFixedHeight(fontMetrics().height() + 6);
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

int ChannelHintLine::counter() {
    return g_hintCounter;
}

void ChannelHintLine::paintEvent(QPaintEvent*) {
    const HintState& s = kHints[g_hintCounter];
    g_hintCounter = (g_hintCounter + 1) % 5;
    lastText_ = QString::fromLatin1(s.text);
    lastColour_ = s.colour.isValid() ? s.colour : textColour_;
    QPainter p(this);
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(lastColour_);
    p.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, lastText_);
}

void ChannelHintLine::showEvent(QShowEvent*) {
    timer_.start();
}

void ChannelHintLine::hideEvent(QHideEvent*) {
    timer_.stop();
}

CSubChannelView::CSubChannelView(BrowserHost* host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("SubChannelView"));
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto makeRow = [this, layout](QTabBar*& tabs, QComboBox*& list, const QString& name) {
        auto* row = new QWidget(this);
        row->setObjectName(name);
        row->setAutoFillBackground(true);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(4, 2, 4, 2);
        tabs = MakeTabBar(row);
        list = new QComboBox(row);
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        list->setMaximumWidth(220);
        list->setIconSize(QSize(16, 16));
        h->addWidget(tabs, 1);
        h->addWidget(list);
        layout->addWidget(row);
        return row;
    };
    entryRow_ = makeRow(entries_, entryList_, QStringLiteral("EntryRow"));
    pageRow_ = makeRow(pages_, pageList_, QStringLiteral("PageRow"));
    entryList_->setToolTip(QStringLiteral("The pages and folders of this channel"));
    pageList_->setToolTip(QStringLiteral("The pages of this folder"));
    hint_ = new ChannelHintLine(this);
    layout->addWidget(hint_);
    hint_->hide();

    connect(entries_, &QTabBar::tabBarClicked, this, [this](int i) {
        if (!filling_ && i >= 0) ChooseEntry(i, false);
    });
    connect(pages_, &QTabBar::tabBarClicked, this, [this](int i) {
        if (!filling_ && i >= 0) ChoosePage(i, false);
    });
    connect(entryList_, qOverload<int>(&QComboBox::activated), this, [this](int i) {
        if (filling_) return;
        // The list always brings the channel's introduction back.
        if (CChannelItem* c = Channel()) c->introPending = true;
        ChooseEntry(i, true);
    });
    connect(pageList_, qOverload<int>(&QComboBox::activated), this, [this](int i) {
        if (!filling_) ChoosePage(i, false);
    });
    SetColours(QColor(119, 119, 119), Qt::white, Qt::black, Qt::white);
    SetRowsVisible(false, false);
}

void CSubChannelView::SetLists(CChannelList* mainList, CChannelList* localList) {
    main_ = mainList;
    local_ = localList;
    if (!localMode_)
        list_ = main_;
    else
        list_ = local_;
}

CChannelItem* CSubChannelView::Channel() const {
    return list_ && channel_ >= 0 ? list_->at(static_cast<size_t>(channel_)) : nullptr;
}

void CSubChannelView::SetRowsVisible(bool entries, bool pages) {
    entryRow_->setVisible(entries);
    pageRow_->setVisible(pages);
    emit rowsChanged();
}

void CSubChannelView::RememberLeaving(const QString& currentAddress) {
    // The first channel never remembers where the user was.
    CChannelItem* c = Channel();
    if (!c || channel_ == 0) return;
    if (IsLocalFileAddress(currentAddress.toStdString()))
        c->lastAddress.clear();
    else
        c->lastAddress = currentAddress.toStdString();
}

void CSubChannelView::Reshow() {
    if (!list_ || channel_ < 0 || static_cast<size_t>(channel_) >= list_->size()) {
        ShowChannel(-1);
        return;
    }
    quiet_ = true;
    ShowChannel(channel_);
    quiet_ = false;
}

void CSubChannelView::ShowChannel(int index) {
    if (index == -3) {
        localMode_ = true;
        list_ = local_;
        index = 0;
    }
    if (index == -1) {
        channel_ = -1;
        entry_ = -1;
        SetRowsVisible(false, false);
        return;
    }
    if (!list_ || index < 0 || static_cast<size_t>(index) >= list_->size()) return;
    channel_ = index;
    entry_ = -1;
    CChannelItem* c = Channel();
    filling_ = true;
    ClearRow(entries_, entryList_);
    ClearRow(pages_, pageList_);
    const QIcon folderIcon = FolderIcon(), pageIcon = PageIcon();
    for (const auto& e : c->children)
        AddToRow(entries_, entryList_, e->ShownAsFolder() ? folderIcon : pageIcon, Q(e->name));
    filling_ = false;
    SetRowsVisible(!c->children.empty(), false);
    if (c->children.empty()) return;
    int pos = c->lastPosition;
    if (pos < 0 || static_cast<size_t>(pos) >= c->children.size()) pos = 0;
    ChooseEntry(pos, true);
}

void CSubChannelView::ChooseEntry(int index, bool returnToChannel) {
    CChannelItem* c = Channel();
    if (!c || index < 0 || static_cast<size_t>(index) >= c->children.size()) return;
    c->lastPosition = index;
    entry_ = index;
    filling_ = true;
    entries_->setCurrentIndex(index);
    entryList_->setCurrentIndex(index);
    filling_ = false;
    CChannelItem* e = c->children[static_cast<size_t>(index)].get();
    if (e->ShownAsFolder()) {
        FillPages(e);
        SetRowsVisible(true, true);
        if (e->children.empty()) return;
        ChoosePage(e->lastPosition, returnToChannel);
        return;
    }
    filling_ = true;
    ClearRow(pages_, pageList_);
    filling_ = false;
    SetRowsVisible(true, false);
    Open(Q(e->url), c, returnToChannel);
}

void CSubChannelView::FillPages(CChannelItem* folder) {
    filling_ = true;
    ClearRow(pages_, pageList_);
    if (folder->children.empty()) AddToRow(pages_, pageList_, QIcon(), QStringLiteral("Empty !"));
    const QIcon pageIcon = PageIcon();
    for (const auto& p : folder->children) AddToRow(pages_, pageList_, pageIcon, Q(p->name));
    filling_ = false;
}

void CSubChannelView::ChoosePage(int index, bool returnToChannel) {
    CChannelItem* c = Channel();
    if (!c || entry_ < 0) return;
    CChannelItem* folder = c->children[static_cast<size_t>(entry_)].get();
    if (folder->children.empty()) return;
    if (index < 0 || static_cast<size_t>(index) >= folder->children.size()) index = 0;
    folder->lastPosition = index;
    filling_ = true;
    pages_->setCurrentIndex(index);
    pageList_->setCurrentIndex(index);
    filling_ = false;
    Open(Q(folder->children[static_cast<size_t>(index)]->url), c, returnToChannel);
}

void CSubChannelView::Open(QString address, CChannelItem* channel, bool returnToChannel) {
    if (quiet_) return;
    // Coming back to a channel goes to where the user left it.
    if (returnToChannel && !channel->lastAddress.empty()) address = Q(channel->lastAddress);
    if (host_ && host_->ChannelIntroOption() && channel->introPending) {
        std::string cookie = host_->Settings().GetString("Misc", "Cook");
        address =
            Q(ChannelIntroQuery(host_->WebHost(), cookie, host_->Account().toStdString(), channel->name));
        channel->introPending = false;
    }
    if (!address.isEmpty()) emit openAddress(address);
}

void CSubChannelView::SetColours(const QColor& navBack, const QColor& navText, const QColor& subBack,
                                 const QColor& subText) {
    auto paint = [](QWidget* w, const QColor& back, const QColor& text) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, back);
        // Tabs draw with the window text; the lists keep the desktop's button colours.
        pal.setColor(QPalette::WindowText, text);
        w->setPalette(pal);
    };
    paint(entryRow_, navBack, navText);
    paint(pageRow_, subBack, subText);
    paint(this, subBack, subText);
    hint_->SetTextColour(subText);
}

void CSubChannelView::SetIntroShown(bool shown) {
    hint_->setVisible(shown && channel_ >= 0);
    emit rowsChanged();
}

}  // namespace sky::ui
