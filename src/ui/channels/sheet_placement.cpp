#include "ui/channels/sheet_placement.h"

#include <QMenuBar>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace sky::ui {

void CentreOnWindow(QWidget* sheet) {
    QWidget* owner = sheet->parentWidget() ? sheet->parentWidget()->window() : nullptr;
    if (!owner || !owner->isVisible()) return;
    QRect area = owner->geometry();
    if (auto* menu = owner->findChild<QMenuBar*>(); menu && menu->isVisible() && menu->window() == owner)
        area.setTop(menu->mapTo(owner, QPoint(0, menu->height())).y() + owner->geometry().top());
    QRect frame = sheet->frameGeometry();
    QPoint topLeft(area.center().x() - frame.width() / 2, area.center().y() - frame.height() / 2);
    topLeft.setY(std::max(topLeft.y(), area.top()));
    if (QScreen* screen = owner->screen()) {
        QRect avail = screen->availableGeometry();
        topLeft.setX(
            std::clamp(topLeft.x(), avail.left(), std::max(avail.left(), avail.right() - frame.width())));
        topLeft.setY(std::min(topLeft.y(), std::max(area.top(), avail.bottom() - frame.height())));
    }
    sheet->move(topLeft);
}

}  // namespace sky::ui
