#pragma once

#include <QWidget>

class QPushButton;

namespace sky::ui {

class AddressBox;
class LinkDragButton;
class NavStrip;

// The navigation bar: the picture strip, the address box, a small go button
// and the channel bar toggle.
class NavBar : public QWidget {
    Q_OBJECT
public:
    explicit NavBar(QWidget* parent = nullptr);

    NavStrip* strip() const { return strip_; }
    AddressBox* addressBox() const { return address_; }
    QPushButton* channelToggle() const { return toggle_; }
    LinkDragButton* goButton() const { return go_; }

    void SetChannelBarVisible(bool visible);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void Layout();
    NavStrip* strip_;
    AddressBox* address_;
    LinkDragButton* go_;
    QPushButton* toggle_;
    bool channelsVisible_ = true;
};

}  // namespace sky::ui
