#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

class ToolRegistry;

// The frame's window management: the Window menu and its list of open
// windows, where new windows go, a cascade that keeps windows readable and
// the tabbed view ("Show windows as tabs", kept in the settings).
class WindowList : public QObject {
    Q_OBJECT
public:
    WindowList(QMdiArea* mdi, ToolRegistry& registry, SettingsStore& settings, QObject* parent);

    // Gives a new window a usable size inside the area (the active window's,
    // cascaded from it, when its own would be a stub) and leaves Ctrl+W to the menu.
    void Place(QMdiSubWindow* sub) const;
    void Cascade() const;
    void SetTabbed(bool tabbed);
    // The open windows, appended to `menu` each time it opens.
    void AttachMenu(QMenu* menu);

private:
    void FillMenu(QMenu* menu);

    QMdiArea* mdi_;
    ToolRegistry& registry_;
    SettingsStore& settings_;
    QList<QAction*> listed_;
};

}  // namespace sky::ui
