#pragma once

#include <QList>
#include <QTextDocument>
#include <QTextEdit>

class QAction;
class QMenu;
class QMenuBar;

namespace sky::ui {

// The text of a SkyPad window with its "&Edit" and "F&ormat" menus.
class CSkyPadView : public QTextEdit {
    Q_OBJECT
public:
    explicit CSkyPadView(QWidget* parent = nullptr);

    void AddMenus(QMenuBar* bar);
    QMenu* editMenu() const { return editMenu_; }
    QMenu* formatMenu() const { return formatMenu_; }

    // From the cursor on, wrapping once to the start; false when absent.
    bool FindNext(const QString& text, bool matchCase);
    // Replaces the selection when it is `text`, then finds the next one.
    bool ReplaceNext(const QString& text, const QString& with, bool matchCase);
    int ReplaceAll(const QString& text, const QString& with, bool matchCase);
    // Besides the widget's own flag, turns off the menu commands that change the text.
    void SetReadOnly(bool readOnly);

signals:
    void findRequested();
    void findNextRequested();
    void replaceRequested();

private:
    void ToggleFormat(int which);

    QMenu* editMenu_ = nullptr;
    QMenu* formatMenu_ = nullptr;
    QList<QAction*> editing_;
};

}  // namespace sky::ui
