#include "ui/channels/channel_icons.h"

#include <QPainter>
#include <QPixmap>

namespace sky::ui {

QIcon FolderIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(150, 110, 20));
    p.setBrush(QColor(240, 200, 80));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1.5, 1.5);
    p.drawRect(QRectF(1.5, 2.5, 6, 2));
    return QIcon(pm);
}

QIcon PageIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawRect(3, 1, 10, 14);
    p.setPen(QColor(60, 110, 200));
    for (int y = 4; y <= 12; y += 3) p.drawLine(5, y, 11, y);
    return QIcon(pm);
}

}  // namespace sky::ui
