#include "ui/settings/color_test.h"

#include <QPainter>

namespace sky::ui {

CColorTest::CColorTest(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CColorTest::SetColours(const QColor& text, const QColor& back) {
    text_ = text;
    back_ = back;
    update();
}

QSize CColorTest::sizeHint() const {
    return {QFontMetrics(font()).horizontalAdvance(QStringLiteral("Color Test")) + 24,
            QFontMetrics(font()).height() + 10};
}

void CColorTest::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), back_);
    p.setPen(text_);
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("Color Test"));
}

}  // namespace sky::ui
