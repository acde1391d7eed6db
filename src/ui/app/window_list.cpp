#include "ui/app/window_list.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "core/base/settings_store.h"
#include "ui/base/tool_registry.h"

namespace sky::ui {

namespace {

const char* const kTabsSection = "Windows";
const char* const kTabsKey = "Tabs";

// The smallest size a window keeps when placed or cascaded: two thirds of the
// area, never less than a page needs unless the area itself is smaller.
QSize Smallest(const QSize& area) {
    return QSize(std::min(area.width(), std::max(400, area.width() * 2 / 3)),
                 std::min(area.height(), std::max(300, area.height() * 2 / 3)));
}

QRect FitInside(QRect r, const QRect& area) {
    r.setSize(r.size().boundedTo(area.size()));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
    return r;
}

int CascadeStep(const QWidget* w) {
    return w->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
}

}  // namespace

WindowList::WindowList(QMdiArea* mdi, ToolRegistry& registry, SettingsStore& settings, QObject* parent)
    : QObject(parent), mdi_(mdi), registry_(registry), settings_(settings) {
    const QString window = QStringLiteral("&Window");
    registry.AddCommand({QStringLiteral("window.cascade"), window, QStringLiteral("&Cascade"), {}, 1},
                        [this] { Cascade(); });
    registry.AddCommand({QStringLiteral("window.tile"), window, QStringLiteral("&Tile"), {}, 2},
                        [this] { mdi_->tileSubWindows(); });
    registry.AddCommand({QStringLiteral("window.closeAll"), window, QStringLiteral("Close &All"), {}, 3},
                        [this] { mdi_->closeAllSubWindows(); });
    registry.AddCommand({QStringLiteral("window.close"), window, QStringLiteral("C&lose"),
                         QKeySequence(Qt::CTRL | Qt::Key_W), 4},
                        [this] {
                            if (QMdiSubWindow* w = mdi_->activeSubWindow()) w->close();
                        });
    QAction* tabs = registry.AddCommand({QStringLiteral("view.tabs"),
                                         QStringLiteral("&View"),
                                         QStringLiteral("Show windows as tabs"),
                                         {},
                                         18},
                                        [this] {
                                            bool on =
                                                registry_.action(QStringLiteral("view.tabs"))->isChecked();
                                            SetTabbed(on);
                                            settings_.WriteInt(kTabsSection, kTabsKey, on ? 1 : 0);
                                        });
    tabs->setCheckable(true);
    // A tab shows its window whole; DontMaximizeSubWindowOnActivation is for the windowed view.
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (w && mdi_->viewMode() == QMdiArea::TabbedView && !w->isMaximized()) w->showMaximized();
    });
    SetTabbed(settings.GetInt(kTabsSection, kTabsKey, 0) != 0);
}

void WindowList::SetTabbed(bool tabbed) {
    mdi_->setViewMode(tabbed ? QMdiArea::TabbedView : QMdiArea::SubWindowView);
    if (tabbed) {
        mdi_->setTabsClosable(true);
        mdi_->setTabsMovable(true);
        mdi_->setDocumentMode(true);
        if (QMdiSubWindow* w = mdi_->activeSubWindow()) w->showMaximized();
    }
    registry_.action(QStringLiteral("view.tabs"))->setChecked(tabbed);
}

void WindowList::Place(QMdiSubWindow* sub) const {
    // Ctrl+W is the Window menu's, wherever the focus is; the window's own
    // menu would make it ambiguous.
    if (QMenu* own = sub->systemMenu())
        for (QAction* a : own->actions())
            if (a->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_W))) a->setShortcuts({});
    if (!mdi_->isVisible()) {
        // The area has no size before the frame is first shown: place it then.
        QPointer<QMdiSubWindow> later = sub;
        QTimer::singleShot(0, this, [this, later] {
            if (later && !later->isMaximized()) Place(later);
        });
        return;
    }
    QRect area = mdi_->viewport()->rect();
    QSize smallest = Smallest(area.size());
    if (sub->width() >= smallest.width() && sub->height() >= smallest.height()) {
        sub->setGeometry(FitInside(sub->geometry(), area));
        return;
    }
    // Cascaded from the active window (a maximised one counts as the whole area).
    QMdiSubWindow* from = mdi_->activeSubWindow();
    if (from == sub) from = nullptr;
    QRect base = from && !from->isMaximized() && !from->isMinimized() ? from->geometry() : area;
    int step = CascadeStep(sub);
    QRect r(base.topLeft() + QPoint(step, step), base.size().expandedTo(smallest));
    if (r.right() > area.right()) r.setWidth(std::max(smallest.width(), area.right() + 1 - r.left()));
    if (r.bottom() > area.bottom()) r.setHeight(std::max(smallest.height(), area.bottom() + 1 - r.top()));
    // No room left to step further: start again at the top left.
    if (r.right() > area.right() || r.bottom() > area.bottom()) r.moveTopLeft(area.topLeft());
    sub->setGeometry(FitInside(r, area));
}

void WindowList::Cascade() const {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::StackingOrder))
        if (!w->isHidden() && !w->isMinimized()) windows.append(w);
    if (windows.isEmpty()) return;
    QRect area = mdi_->viewport()->rect();
    QSize smallest = Smallest(area.size());
    int step = CascadeStep(windows.first());
    int n = static_cast<int>(windows.size());
    QSize size = (area.size() - QSize(step, step) * (n - 1)).expandedTo(smallest);
    // How many steps fit before a window would leave the area.
    int places = std::max(
        1, std::min((area.width() - size.width()) / step, (area.height() - size.height()) / step) + 1);
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized()) w->showNormal();
        int offset = step * (i % places);
        w->setGeometry(QRect(area.topLeft() + QPoint(offset, offset), size));
        w->raise();
    }
}

void WindowList::AttachMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillMenu(menu); });
}

void WindowList::FillMenu(QMenu* menu) {
    for (QAction* a : listed_) {
        menu->removeAction(a);
        a->deleteLater();
    }
    listed_.clear();
    QList<QMdiSubWindow*> windows = mdi_->subWindowList();
    if (windows.isEmpty()) return;
    listed_.append(menu->addSeparator());
    QMdiSubWindow* active = mdi_->activeSubWindow();
    int number = 0;
    for (QMdiSubWindow* w : windows) {
        ++number;
        QString title = w->windowTitle();
        title.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* a = menu->addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                                 : QStringLiteral("%1 %2").arg(number).arg(title));
        a->setCheckable(true);
        a->setChecked(w == active);
        QPointer<QMdiSubWindow> target = w;
        connect(a, &QAction::triggered, this, [this, target] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            mdi_->setActiveSubWindow(target);
        });
        listed_.append(a);
    }
}

}  // namespace sky::ui
