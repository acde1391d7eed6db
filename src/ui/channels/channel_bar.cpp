#include "ui/channels/channel_bar.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/channels/favorites_view.h"

namespace sky::ui {

namespace {
constexpr int kTabHeight = 26;
}

CChannelBar::CChannelBar(QWidget* parent, CChannelList* mainList, CChannelList* localList)
    : QWidget(parent), main_(mainList ? *mainList : ownMain_), local_(localList ? *localList : ownLocal_) {
    setObjectName(QStringLiteral("ChannelBarContent"));
    setAutoFillBackground(true);
    setMinimumWidth(168);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);

    activity_ = new QLabel(this);
    activity_->setObjectName(QStringLiteral("ActivityIndicator"));
    activity_->setAlignment(Qt::AlignRight);
    activity_->setProperty("busy", false);
    activity_->setMinimumHeight(fontMetrics().height());
    layout->addWidget(activity_);

    auto* placeRow = new QHBoxLayout;
    placeRow->setSpacing(2);
    places_ = new QButtonGroup(this);
    places_->setExclusive(false);
    const char* names[] = {"Browse", "Local", "Favorites"};
    for (int i = 0; i < 3; ++i) {
        QToolButton* b = MakeTab(QString::fromLatin1(names[i]), this);
        b->setObjectName(QStringLiteral("Place%1").arg(i));
        places_->addButton(b, i);
        placeRow->addWidget(b);
    }
    layout->addLayout(placeRow);
    // Never narrower than the three place tabs, whatever shares the dock area.
    setMinimumWidth(std::max(168, placeRow->sizeHint().width() + 8));

    stack_ = new QStackedWidget(this);
    tabsPage_ = new QWidget(stack_);
    auto* tabsPageLayout = new QVBoxLayout(tabsPage_);
    tabsPageLayout->setContentsMargins(0, 0, 0, 0);
    tabsPageLayout->setSpacing(2);
    up_ = new QToolButton(tabsPage_);
    up_->setArrowType(Qt::UpArrow);
    up_->setObjectName(QStringLiteral("ScrollUp"));
    down_ = new QToolButton(tabsPage_);
    down_->setArrowType(Qt::DownArrow);
    down_->setObjectName(QStringLiteral("ScrollDown"));
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRaise(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setFixedHeight(16);
    }
    scroller_ = new QScrollArea(tabsPage_);
    scroller_->setFrameShape(QFrame::NoFrame);
    scroller_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller_->setWidgetResizable(true);
    // The bar's own colour behind the tabs, not the light colour of text fields.
    scroller_->setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget, QScrollArea > QWidget > QWidget "
                       "{ background: transparent; }"));
    tabsHolder_ = new QWidget(scroller_);
    tabsHolder_->setAutoFillBackground(false);
    tabsLayout_ = new QVBoxLayout(tabsHolder_);
    tabsLayout_->setContentsMargins(0, 0, 0, 0);
    tabsLayout_->setSpacing(2);
    // The holder never shrinks below its tabs, so the area scrolls instead.
    tabsLayout_->setSizeConstraint(QLayout::SetMinimumSize);
    tabsLayout_->addStretch(1);
    scroller_->setWidget(tabsHolder_);
    tabsPageLayout->addWidget(up_);
    tabsPageLayout->addWidget(scroller_, 1);
    tabsPageLayout->addWidget(down_);
    stack_->addWidget(tabsPage_);
    layout->addWidget(stack_, 1);

    channels_ = new QButtonGroup(this);
    channels_->setExclusive(true);

    connect(up_, &QToolButton::clicked, this, [this] { ScrollTabs(-1); });
    connect(down_, &QToolButton::clicked, this, [this] { ScrollTabs(1); });
    connect(places_, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == 2) {
            places_->button(2)->setChecked(favoritesShown());
            emit favoritesChosen();
            return;
        }
        SelectPlace(id);
        emit placeChosen(id);
    });
    connect(channels_, &QButtonGroup::idClicked, this, [this](int i) {
        for (QAbstractButton* b : places_->buttons()) b->setChecked(false);
        lastPlace_ = -1;
        emit placeChosen(kPlaceFirstChannel + i);
    });
    SetColours(back_, text_);
}

CChannelBar::~CChannelBar() = default;

QToolButton* CChannelBar::MakeTab(const QString& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(text);
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setFixedHeight(kTabHeight);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setProperty("channelTab", true);
    return b;
}

void CChannelBar::Fill() {
    main_.Load(MainChannelFilePath());
    local_.Load(LocalChannelFilePath());
    Refresh();
}

void CChannelBar::ReloadLocal() {
    local_.Load(LocalChannelFilePath());
}

void CChannelBar::Refresh() {
    int selected = selectedChannel();
    for (QAbstractButton* b : channels_->buttons()) {
        channels_->removeButton(b);
        delete b;
    }
    for (size_t i = 0; i < main_.size(); ++i) {
        QString name = QString::fromStdString(main_.at(i)->name);
        QToolButton* b = MakeTab(name, tabsHolder_);
        b->setObjectName(QStringLiteral("Channel%1").arg(i));
        channels_->addButton(b, static_cast<int>(i));
        tabsLayout_->insertWidget(static_cast<int>(i), b);
        b->show();
    }
    if (selected >= 0 && selected < channelTabCount()) channels_->button(selected)->setChecked(true);
    SetColours(back_, text_);
    UpdateScrollButtons();
}

void CChannelBar::SelectPlace(int place) {
    for (QAbstractButton* b : places_->buttons()) b->setChecked(false);
    if (place == kPlaceBrowse || place == kPlaceLocal) {
        // No channel tab stays chosen while a place is.
        channels_->setExclusive(false);
        for (QAbstractButton* b : channels_->buttons()) b->setChecked(false);
        channels_->setExclusive(true);
        lastPlace_ = place;
        // While the favorites pane is open its tab is the one place lit.
        places_->button(favoritesShown() ? 2 : place)->setChecked(true);
    } else if (place >= kPlaceFirstChannel && place - kPlaceFirstChannel < channelTabCount()) {
        channels_->button(place - kPlaceFirstChannel)->setChecked(true);
    }
}

int CChannelBar::selectedChannel() const {
    return channels_->checkedId();
}

int CChannelBar::channelTabCount() const {
    return static_cast<int>(channels_->buttons().size());
}

QToolButton* CChannelBar::channelTab(int i) const {
    return qobject_cast<QToolButton*>(channels_->button(i));
}

QToolButton* CChannelBar::placeTab(int place) const {
    return qobject_cast<QToolButton*>(places_->button(place));
}

void CChannelBar::ScrollTabs(int by) {
    QScrollBar* bar = scroller_->verticalScrollBar();
    int step = kTabHeight + tabsLayout_->spacing();
    int first = std::max(0, firstVisibleTab() + by);
    bar->setValue(std::min(bar->maximum(), first * step));
}

int CChannelBar::firstVisibleTab() const {
    int step = kTabHeight + tabsLayout_->spacing();
    return (scroller_->verticalScrollBar()->value() + step / 2) / step;
}

void CChannelBar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    UpdateScrollButtons();
}

void CChannelBar::UpdateScrollButtons() {
    // Only a row longer than the bar scrolls.
    // Counted rather than measured: new tabs are not laid out yet.
    bool scrolls = channelTabCount() * (kTabHeight + tabsLayout_->spacing()) > scroller_->height();
    up_->setEnabled(scrolls);
    down_->setEnabled(scrolls);
}

void CChannelBar::SetColours(const QColor& back, const QColor& text) {
    back_ = back;
    text_ = text;
    // Tabs look pressable; the chosen one stands out lighter and framed.
    QColor lit = back.lighter(150), edge = back.lighter(125), shade = back.darker(115);
    setStyleSheet(
        QStringLiteral("QToolButton[channelTab=\"true\"] { color: %1; background: %4; border: 1px solid %3;"
                       " border-radius: 3px; padding: 2px 6px; }"
                       "QToolButton[channelTab=\"true\"]:hover { border-color: %1; }"
                       "QToolButton[channelTab=\"true\"]:checked { background: %2; border-color: %1;"
                       " font-weight: bold; }")
            .arg(text.name(), lit.name(), edge.name(), shade.name()));
    // After the style sheet: a new sheet puts back the palette the widget had
    // when it was first styled, which would undo a colour change.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::ButtonText, text);
    setPalette(pal);
}

CFavoritesView* CChannelBar::favorites() {
    if (!favorites_) {
        favorites_ = new CFavoritesView(stack_);
        favorites_->setAutoFillBackground(true);
        favorites_->setPalette(QApplication::palette());
        // The pane fits the bar; the bar is not widened for it.
        favorites_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        favorites_->setMinimumWidth(0);
        stack_->addWidget(favorites_);
    }
    return favorites_;
}

void CChannelBar::ShowFavorites(bool shown) {
    if (shown) {
        CFavoritesView* f = favorites();
        f->Fill();
        stack_->setCurrentWidget(f);
    } else {
        stack_->setCurrentWidget(tabsPage_);
    }
    // One place lit at a time: the pane, or the place it was opened over.
    for (QAbstractButton* b : places_->buttons()) b->setChecked(false);
    if (shown)
        places_->button(2)->setChecked(true);
    else if (lastPlace_ >= 0 && selectedChannel() < 0)
        places_->button(lastPlace_)->setChecked(true);
}

bool CChannelBar::favoritesShown() const {
    return favorites_ && stack_->currentWidget() == favorites_;
}

}  // namespace sky::ui
