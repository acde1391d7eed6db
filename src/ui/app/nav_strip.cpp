#include "ui/app/nav_strip.h"

#include <QFile>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "core/base/paths.h"
#include "core/base/settings_store.h"

namespace sky::ui {

namespace {

struct Range {
    int from, to;
};
constexpr Range kRanges[NavStrip::kButtons] = {{1, 34},    {37, 74},   {76, 133},  {133, 198}, {192, 254},
                                               {254, 313}, {313, 382}, {382, 442}, {442, 513}, {513, 614}};
const char* const kNames[NavStrip::kButtons] = {"Back", "Forward", "Stop",  "Refresh",  "Home",
                                                "Zoom", "Search",  "Print", "Channels", "Control Panel"};

// Where a button is drawn: its range, cut where the next one starts.
QRect DrawnRect(int b) {
    int to = kRanges[b].to;
    if (b + 1 < NavStrip::kButtons && kRanges[b + 1].from <= to) to = kRanges[b + 1].from - 1;
    return QRect(kRanges[b].from, 1, to - kRanges[b].from + 1, NavStrip::kHeight - 2);
}

void DrawGlyph(QPainter& p, int b, const QRectF& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(255, 255, 255), 1.6);
    p.setPen(pen);
    QPointF c = box.center();
    double r = box.height() / 2.0 - 1;
    QPainterPath path;
    switch (b) {
        case NavStrip::Back:
            path.moveTo(c.x() + r * 0.5, c.y() - r);
            path.lineTo(c.x() - r * 0.6, c.y());
            path.lineTo(c.x() + r * 0.5, c.y() + r);
            p.setBrush(QColor(120, 200, 255));
            path.closeSubpath();
            p.drawPath(path);
            break;
        case NavStrip::Forward:
            path.moveTo(c.x() - r * 0.5, c.y() - r);
            path.lineTo(c.x() + r * 0.6, c.y());
            path.lineTo(c.x() - r * 0.5, c.y() + r);
            p.setBrush(QColor(120, 200, 255));
            path.closeSubpath();
            p.drawPath(path);
            break;
        case NavStrip::Stop:
            p.setBrush(QColor(220, 60, 60));
            p.drawEllipse(c, r, r);
            p.drawLine(QPointF(c.x() - r * 0.45, c.y() - r * 0.45),
                       QPointF(c.x() + r * 0.45, c.y() + r * 0.45));
            p.drawLine(QPointF(c.x() + r * 0.45, c.y() - r * 0.45),
                       QPointF(c.x() - r * 0.45, c.y() + r * 0.45));
            break;
        case NavStrip::Refresh:
            p.setPen(QPen(QColor(140, 230, 140), 2));
            p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 60 * 16, 280 * 16);
            break;
        case NavStrip::Home:
            p.setBrush(QColor(250, 210, 110));
            path.moveTo(c.x(), c.y() - r);
            path.lineTo(c.x() + r, c.y());
            path.lineTo(c.x() + r * 0.7, c.y());
            path.lineTo(c.x() + r * 0.7, c.y() + r);
            path.lineTo(c.x() - r * 0.7, c.y() + r);
            path.lineTo(c.x() - r * 0.7, c.y());
            path.lineTo(c.x() - r, c.y());
            path.closeSubpath();
            p.drawPath(path);
            break;
        case NavStrip::Zoom:
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(c.x() - r, c.y() - r * 0.8, 2 * r, 1.6 * r));
            p.drawLine(QPointF(c.x() - r * 0.5, c.y()), QPointF(c.x() + r * 0.5, c.y()));
            break;
        case NavStrip::Search:
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(c.x() - r * 0.2, c.y() - r * 0.2), r * 0.6, r * 0.6);
            p.setPen(QPen(QColor(255, 255, 255), 2.4));
            p.drawLine(QPointF(c.x() + r * 0.25, c.y() + r * 0.25),
                       QPointF(c.x() + r * 0.9, c.y() + r * 0.9));
            break;
        case NavStrip::Print:
            p.setBrush(QColor(200, 200, 210));
            p.drawRect(QRectF(c.x() - r, c.y() - r * 0.2, 2 * r, r));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(c.x() - r * 0.6, c.y() - r, 1.2 * r, r * 0.8));
            break;
        case NavStrip::Channels:
            p.setBrush(QColor(120, 200, 255));
            for (int i = 0; i < 3; ++i)
                p.drawRect(QRectF(c.x() - r, c.y() - r + i * r * 0.75, 2 * r, r * 0.45));
            break;
        case NavStrip::ControlPanel:
            p.setBrush(QColor(190, 190, 200));
            p.drawEllipse(c, r * 0.8, r * 0.8);
            p.setBrush(QColor(40, 60, 110));
            p.drawEllipse(c, r * 0.3, r * 0.3);
            break;
    }
    p.restore();
}

}  // namespace

NavStrip::NavStrip(QWidget* parent) : QWidget(parent), strip_(BuiltInStrip()) {
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
    setToolTip(QString());
}

NavStrip::NavStrip(const SettingsStore& settings, QWidget* parent) : NavStrip(parent) {
    LoadScheme(settings);
}

int NavStrip::ButtonAt(int x) {
    for (int b = 0; b < kButtons; ++b)
        if (x >= kRanges[b].from && x <= kRanges[b].to) return b;
    return -1;
}

const char* NavStrip::ButtonName(int button) {
    return (button >= 0 && button < kButtons) ? kNames[button] : "";
}

void NavStrip::LoadScheme(const SettingsStore& settings) {
    std::string dir = settings.GetString("bitmaps", "schemedir");
    QPixmap scheme;
    if (!dir.empty()) scheme.load(QString::fromStdString(JoinPath(dir, "toolbar.bmp")));
    builtIn_ = scheme.isNull();
    strip_ = builtIn_ ? BuiltInStrip() : scheme;
    update();
}

QPixmap NavStrip::BuiltInStrip() {
    QPixmap pm(kWidth, kHeight);
    QPainter p(&pm);
    QLinearGradient bg(0, 0, 0, kHeight);
    bg.setColorAt(0, QColor(52, 84, 150));
    bg.setColorAt(1, QColor(22, 40, 88));
    p.fillRect(pm.rect(), bg);
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    for (int b = 0; b < kButtons; ++b) {
        QRect r = DrawnRect(b);
        p.setPen(QColor(90, 125, 190));
        p.drawLine(r.topRight(), r.bottomRight());
        const QString label = QString::fromLatin1(b == ControlPanel ? "Control" : kNames[b]);
        int glyph = 13;
        // A label too wide in bold tries plain; narrower still shows only its picture.
        QFont use = f;
        int textW = QFontMetrics(use).horizontalAdvance(label);
        if (glyph + 2 + textW > r.width() - 2) {
            use.setBold(false);
            textW = QFontMetrics(use).horizontalAdvance(label);
        }
        int total = glyph + 2 + textW;
        bool withText = total <= r.width() - 2;
        p.setFont(use);
        int x0 = r.left() + (r.width() - (withText ? total : glyph)) / 2;
        DrawGlyph(p, b, QRectF(x0, r.center().y() - glyph / 2.0, glyph, glyph));
        if (withText) {
            p.setPen(Qt::white);
            p.drawText(QRect(x0 + glyph + 2, r.top(), textW + 2, r.height()),
                       Qt::AlignVCenter | Qt::AlignLeft, label);
        }
    }
    return pm;
}

void NavStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), strip_);
    int b = pressed_ >= 0 ? pressed_ : hover_;
    if (b >= 0) {
        QRect r = DrawnRect(b);
        p.fillRect(r, pressed_ >= 0 ? QColor(0, 0, 0, 70) : QColor(255, 255, 255, 45));
    }
}

void NavStrip::mouseMoveEvent(QMouseEvent* e) {
    int b = ButtonAt(e->position().toPoint().x());
    if (b != hover_) {
        hover_ = b;
        setToolTip(b >= 0 ? QString::fromLatin1(kNames[b]) : QString());
        update();
    }
}

void NavStrip::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    pressed_ = ButtonAt(e->position().toPoint().x());
    update();
}

void NavStrip::mouseReleaseEvent(QMouseEvent* e) {
    int b = ButtonAt(e->position().toPoint().x());
    int was = pressed_;
    pressed_ = -1;
    update();
    if (e->button() == Qt::LeftButton && b >= 0 && b == was) emit buttonClicked(b);
}

void NavStrip::leaveEvent(QEvent*) {
    hover_ = -1;
    update();
}

}  // namespace sky::ui
