#pragma once

#include <QPixmap>
#include <QWidget>

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// The navigation bar's strip of ten picture buttons, drawn from one picture.
// The buttons are horizontal pixel ranges of the 617 x 26 strip.
class NavStrip : public QWidget {
    Q_OBJECT
public:
    enum Button { Back, Forward, Stop, Refresh, Home, Zoom, Search, Print, Channels, ControlPanel };
    static constexpr int kWidth = 617;
    static constexpr int kHeight = 26;
    static constexpr int kButtons = 10;

    // The built-in strip until LoadScheme.
    explicit NavStrip(QWidget* parent = nullptr);
    explicit NavStrip(const SettingsStore& settings, QWidget* parent = nullptr);

    // "toolbar.bmp" from the colour scheme folder ("bitmaps"/"schemedir"), else the built-in strip.
    void LoadScheme(const SettingsStore& settings);
    bool usingBuiltIn() const { return builtIn_; }

    // The button under x, or -1. Where two ranges meet, the first one wins.
    static int ButtonAt(int x);
    static const char* ButtonName(int button);

    QSize sizeHint() const override { return {kWidth, kHeight}; }

signals:
    void buttonClicked(int button);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;

private:
    static QPixmap BuiltInStrip();
    QPixmap strip_;
    bool builtIn_ = true;
    int hover_ = -1;
    int pressed_ = -1;
};

}  // namespace sky::ui
