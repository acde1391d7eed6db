#include "ui/app/nav_bar.h"

#include <QLineEdit>
#include <QPushButton>

#include "ui/app/address_box.h"
#include "ui/app/nav_strip.h"
#include "ui/browser/link_drag.h"

namespace sky::ui {

namespace {
constexpr int kAddressLeft = 2 + NavStrip::kWidth + 8;
constexpr int kAddressRightGap = 120;
constexpr int kMinAddressWidth = 160;
}  // namespace

NavBar::NavBar(QWidget* parent) : QWidget(parent) {
    strip_ = new NavStrip(this);
    address_ = new AddressBox(this);
    go_ = new LinkDragButton(this);
    go_->setText(QStringLiteral("Go"));
    toggle_ = new QPushButton(this);
    toggle_->setFocusPolicy(Qt::NoFocus);
    connect(go_, &QToolButton::clicked, this,
            [this] { emit address_->addressEntered(address_->currentText()); });
    SetChannelBarVisible(true);
}

QSize NavBar::sizeHint() const {
    return {kAddressLeft + 600 + kAddressRightGap, NavStrip::kHeight + 6};
}

QSize NavBar::minimumSizeHint() const {
    return {kAddressLeft + kMinAddressWidth + kAddressRightGap, NavStrip::kHeight + 6};
}

void NavBar::SetChannelBarVisible(bool visible) {
    channelsVisible_ = visible;
    toggle_->setText(visible ? QStringLiteral("Channels >>") : QStringLiteral("Channels <<"));
}

void NavBar::resizeEvent(QResizeEvent*) {
    Layout();
}

void NavBar::Layout() {
    strip_->move(2, 2);
    const int h = NavStrip::kHeight;
    int right = std::max(kAddressLeft + kMinAddressWidth, width() - kAddressRightGap);
    address_->setGeometry(kAddressLeft, 2, right - kAddressLeft, h);
    go_->setGeometry(right + 3, 2, 27, h);
    toggle_->setGeometry(right + 33, 2, std::max(40, width() - 3 - (right + 33)), h);
    SetChannelBarVisible(channelsVisible_);
}

}  // namespace sky::ui
