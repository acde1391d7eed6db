#pragma once

#include <QMimeData>
#include <QToolButton>
#include <QUrl>
#include <functional>

namespace sky::ui {

// Drags a link out of the program: a desktop or file manager that takes the
// drop makes a link named after the description.
class CLinkDragSource {
public:
    static constexpr const char* kDefaultDescription = "Skyharbor the alternative web browser";

    // Without a description the program's own is used.
    CLinkDragSource(QUrl url = {}, QString description = {});
    QMimeData* MakeMimeData() const;
    // Starts the drag with the copy effect.
    Qt::DropAction DoDrag(QWidget* source) const;

    const QUrl& url() const { return url_; }
    const QString& description() const { return description_; }

private:
    QUrl url_;
    QString description_;
};

// A small button that acts when clicked and drags its link when dragged.
class LinkDragButton : public QToolButton {
    Q_OBJECT
public:
    explicit LinkDragButton(QWidget* parent = nullptr);
    // The link to drag: URL and description, asked for when a drag starts.
    std::function<CLinkDragSource()> link;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    QPoint pressAt_;
    bool pressed_ = false;
};

}  // namespace sky::ui
