#pragma once

#include <QIcon>
#include <QWidget>

#include "core/channels/favorites.h"

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

    QTreeWidget* tree() const { return tree_; }
    static QString ItemPath(const QTreeWidgetItem* item);
    static bool IsFolderItem(const QTreeWidgetItem* item);

signals:
    // Open as if typed in the address field.
    void openAddress(const QString& url);
    // The frame asks the user for a name and calls AddPage.
    void addCurrentPageRequested();

private:
    void AddNodes(QTreeWidgetItem* parent, const FavoriteNode& folder);
    QTreeWidgetItem* NewItem(const QString& name, const QString& path, bool folder);
    void ChooseBookmarksFile();

    QTreeWidget* tree_;
    QIcon folderIcon_;
    QIcon shortcutIcon_;
};

}  // namespace sky::ui
