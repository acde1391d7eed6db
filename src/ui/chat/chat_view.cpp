#include "ui/chat/chat_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "core/base/settings_store.h"
#include "core/channels/channel_nav.h"
#include "ui/base/text.h"

namespace sky::ui {

namespace {

QColor FromBgr(unsigned bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QColor StyleColour(chat::LineStyle style) {
    switch (style) {
        case chat::LineStyle::Me:
            return QColor(255, 255, 0);
        case chat::LineStyle::Partner:
            return QColor(64, 255, 64);
        case chat::LineStyle::System:
            break;
    }
    return QColor(240, 160, 160);
}

QFont ListFont(bool underline) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(15);
    f.setUnderline(underline);
    return f;
}

QListWidget* MakeList(QWidget* parent, bool underline) {
    auto* list = new QListWidget(parent);
    list->setFont(ListFont(underline));
    list->setWordWrap(true);
    list->setTextElideMode(Qt::ElideNone);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

}  // namespace

CChatView::CChatView(const SettingsStore& settings, QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    lines_ = MakeList(this, false);
    lines_->setAccessibleName(QStringLiteral("Conversation"));
    items_ = MakeList(this, true);
    items_->setAccessibleName(QStringLiteral("Files / Links"));
    items_->setToolTip(QStringLiteral("Double-click a link to open it, a file to download it"));
    ApplyColours(settings, 1 << 24);
    auto* itemsLabel = new QLabel(QStringLiteral("Files / Links"), this);
    itemsLabel->setBuddy(items_);
    input_ = new QLineEdit(this);
    input_->setAccessibleName(QStringLiteral("Message"));
    input_->setPlaceholderText(QStringLiteral("Type a line, or a /command"));
    send_ = new QPushButton(QStringLiteral("Send Message"), this);
    send_->setDefault(true);

    auto* lower = new QWidget(this);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(itemsLabel);
    lowerLayout->addWidget(items_);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(lines_);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);

    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(input_, 1);
    inputRow->addWidget(send_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(split, 1);
    layout->addLayout(inputRow);

    auto send = [this] { emit sendRequested(input_->text()); };
    connect(send_, &QPushButton::clicked, this, send);
    connect(input_, &QLineEdit::returnPressed, this, send);
    connect(items_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { emit itemChosen(items_->row(item)); });
    input_->setFocus();
}

void CChatView::ApplyColours(const SettingsStore& settings, int colourCount) {
    ChannelColours colours = ReadChannelColours(settings, colourCount);
    QColor back = FromBgr(colours.channelBack), text = FromBgr(colours.channelText);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    setPalette(pal);
    const QString sheet = QStringLiteral("QListWidget { background: %1; }").arg(back.darker(160).name());
    lines_->setStyleSheet(sheet);
    items_->setStyleSheet(sheet);
}

void CChatView::AddLine(const chat::ChatLine& line) {
    // The same bound as the conversation's: the oldest line goes first.
    while (lines_->count() >= static_cast<int>(chat::Conversation::kMaxLines)) delete lines_->takeItem(0);
    auto* item =
        new QListWidgetItem(Q(line.sender) + QStringLiteral(": ") + Q(line.text).remove(QLatin1Char('\r')));
    item->setForeground(StyleColour(line.style));
    item->setData(Qt::UserRole, Q(line.sender));
    item->setData(Qt::UserRole + 1, Q(line.text));
    lines_->addItem(item);
    lines_->scrollToBottom();
}

void CChatView::SetItems(const std::vector<chat::OfferedItem>& items) {
    items_->clear();
    for (const chat::OfferedItem& it : items) {
        bool link = it.type == chat::kCmdHotLink;
        auto* row = new QListWidgetItem(Q(it.description.empty() ? it.target : it.description), items_);
        row->setForeground(link ? QColor(0, 255, 255) : QColor(255, 255, 0));
        row->setToolTip(Q(it.target));
    }
}

void CChatView::ClearInput() {
    input_->clear();
}

QString CChatView::Transcript() const {
    QString out;
    for (int i = 0; i < lines_->count(); ++i) {
        const QListWidgetItem* item = lines_->item(i);
        QString text = item->data(Qt::UserRole + 1).toString().remove(QLatin1Char('\r'));
        out += item->data(Qt::UserRole).toString() + QStringLiteral(": ") + text + QLatin1Char('\n');
    }
    return out;
}

}  // namespace sky::ui
