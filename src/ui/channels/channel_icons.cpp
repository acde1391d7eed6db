#include "ui/channels/channel_icons.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>

namespace sky::ui {

// Three 16-pixel pictures side by side on magenta, the colour that becomes transparent.
QPixmap ChannelImageStrip() {
    QPixmap strip(48, 16);
    if (strip.isNull()) return strip;
    strip.fill(Qt::magenta);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Channel: a small screen on a stand.
    p.setPen(QColor(20, 40, 90));
    p.setBrush(QColor(60, 110, 200));
    p.drawRect(1, 2, 13, 9);
    p.setBrush(QColor(170, 210, 255));
    p.drawRect(3, 4, 9, 5);
    p.setPen(QColor(60, 60, 60));
    p.drawLine(7, 12, 7, 13);
    p.drawLine(4, 14, 11, 14);
    // Folder.
    p.translate(16, 0);
    p.setPen(QColor(140, 100, 10));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(1, 3, 6, 2);
    p.drawRect(1, 5, 13, 9);
    p.setPen(QColor(255, 235, 160));
    p.drawLine(2, 6, 13, 6);
    // Page with a folded corner and lines of text.
    p.translate(16, 0);
    QPainterPath page;
    page.moveTo(3, 1);
    page.lineTo(10, 1);
    page.lineTo(13, 4);
    page.lineTo(13, 14);
    page.lineTo(3, 14);
    page.closeSubpath();
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(QColor(70, 120, 200));
    for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, 11, y);
    p.end();
    strip.setMask(strip.createMaskFromColor(Qt::magenta));
    return strip;
}

QIcon FolderIcon() {
    return QIcon(ChannelImageStrip().copy(16, 0, 16, 16));
}

QIcon PageIcon() {
    return QIcon(ChannelImageStrip().copy(32, 0, 16, 16));
}

}  // namespace sky::ui
