#pragma once

#include <QIcon>
#include <QWidget>
#include <functional>
#include <optional>

#include "core/channels/favorites.h"

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace sky::ui {

// The Favorites folder of ".url" shortcuts as a tree the user can open and extend.
class CFavoritesView : public QWidget {
    Q_OBJECT
public:
    explicit CFavoritesView(QWidget* parent = nullptr);

    // Reads the Favorites folder again.
    void Fill();
    // Opens the item's address, if it has one.
    void OpenItem(QTreeWidgetItem* item);
    // Writes a shortcut into the selected folder (or the selected shortcut's
    // folder, or the Favorites folder) and selects it.
    bool AddPage(const QString& url, const QString& name);
    // Copies a browser's bookmarks file into the Favorites folder.
    bool ImportBookmarksFile(const QString& path);
    // The item's menu: Open, Open in New Window, Rename, Delete.
    QMenu* MakeContextMenu(QTreeWidgetItem* item, QWidget* parent);
    bool RenameItem(QTreeWidgetItem* item);
    // Asks first; removes a folder with its shortcuts.
    bool DeleteItem(QTreeWidgetItem* item);

    // Answers the rename prompt instead of a person when set.
    std::function<std::optional<QString>(const QString& current)> renameHook;

    QTreeWidget* tree() const { return tree_; }
    static QString ItemPath(const QTreeWidgetItem* item);
    static bool IsFolderItem(const QTreeWidgetItem* item);

signals:
    // Open as if typed in the address field.
    void openAddress(const QString& url);
    void openInNewWindow(const QString& url);
    // The frame asks the user for a name and calls AddPage.
    void addCurrentPageRequested();

protected:
    // The Delete key deletes the selected item.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddNodes(QTreeWidgetItem* parent, const FavoriteNode& folder);
    QTreeWidgetItem* NewItem(const QString& name, const QString& path, bool folder);
    void ChooseBookmarksFile();
    QString ItemUrl(QTreeWidgetItem* item) const;

    QTreeWidget* tree_;
    QIcon folderIcon_;
    QIcon shortcutIcon_;
};

}  // namespace sky::ui
