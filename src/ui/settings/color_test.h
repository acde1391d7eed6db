#pragma once

#include <QColor>
#include <QWidget>

namespace sky::ui {

// A colour swatch: its background with "Color Test" centred in its text colour.
class CColorTest : public QWidget {
    Q_OBJECT
public:
    explicit CColorTest(QWidget* parent = nullptr);

    void SetColours(const QColor& text, const QColor& back);
    QColor textColour() const { return text_; }
    QColor backColour() const { return back_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor text_ = Qt::black;
    QColor back_ = Qt::white;
};

}  // namespace sky::ui
