#include "ui/browser/link_drag.h"

#include <QApplication>
#include <QDrag>
#include <QMouseEvent>
#include <QPainter>

namespace sky::ui {

CLinkDragSource::CLinkDragSource(QUrl url, QString description)
    : url_(std::move(url)),
      description_(description.isEmpty() ? QString::fromLatin1(kDefaultDescription) : description) {}

QMimeData* CLinkDragSource::MakeMimeData() const {
    auto* data = new QMimeData;
    data->setUrls({url_});
    data->setText(url_.toString(QUrl::FullyEncoded));
    // URL and title, one a line, in UTF-16: what browsers offer for a link.
    QString moz = url_.toString(QUrl::FullyEncoded) + QLatin1Char('\n') + description_.left(255);
    QByteArray bytes(reinterpret_cast<const char*>(moz.utf16()), moz.size() * 2);
    data->setData(QStringLiteral("text/x-moz-url"), bytes);
    return data;
}

Qt::DropAction CLinkDragSource::DoDrag(QWidget* source) const {
    auto* drag = new QDrag(source);
    drag->setMimeData(MakeMimeData());
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 80, 160), 2));
    p.drawEllipse(QRectF(1.5, 4.5, 8, 7));
    p.drawEllipse(QRectF(6.5, 4.5, 8, 7));
    p.end();
    drag->setPixmap(pm);
    return drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
}

LinkDragButton::LinkDragButton(QWidget* parent) : QToolButton(parent) {
    setToolTip(QStringLiteral("Go to the address; drag to make a link to this page"));
}

void LinkDragButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        pressAt_ = e->position().toPoint();
        pressed_ = true;
    }
    QToolButton::mousePressEvent(e);
}

void LinkDragButton::mouseMoveEvent(QMouseEvent* e) {
    if (pressed_ && link && (e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - pressAt_).manhattanLength() >= QApplication::startDragDistance()) {
        pressed_ = false;
        setDown(false);
        link().DoDrag(this);
        return;
    }
    QToolButton::mouseMoveEvent(e);
}

}  // namespace sky::ui
