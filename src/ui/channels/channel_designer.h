#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <functional>
#include <optional>

#include "core/channels/channel_list.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace sky::ui {

// Edits the main channel list as a tree: channels, their entries (pages and
// folders), the pages of a folder. The list changes only on OK.
class CChannelDesigner : public QDialog {
    Q_OBJECT
public:
    enum Level { kChannel = 0, kEntry = 1, kPageInFolder = 2 };
    // The limits the name prompts announce.
    static constexpr int kChannelNameMax = 15;
    static constexpr int kFolderNameMax = 20;

    CChannelDesigner(CChannelList& mainList, const QString& pageTitle, const QString& pageUrl,
                     QWidget* parent = nullptr);

    // Fills the tree from the main list and selects the given item, if any.
    void Open(int channel = -1, int entry = -1, int page = -1);

    void AddChannel();
    void AddFolder();
    void AddPage();
    void UpdateItem();
    void DeleteItem();

    // Moves `dragged` with its subtree to its place by `target`; false (after
    // saying why, where there is a reason to give) when the move is refused.
    bool DropItem(QTreeWidgetItem* dragged, QTreeWidgetItem* target);

    // Rebuilds the main list from the tree and writes it.
    void accept() override;
    // False when OK could not write the channel file.
    bool saved() const { return saved_; }

    QTreeWidget* tree() const { return tree_; }
    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* urlEdit() const { return url_; }
    QLabel* nameLabel() const { return nameLabel_; }

    static int LevelOf(const QTreeWidgetItem* item);
    // The name and URL an item carries; nullopt for an item without them.
    static std::optional<CChannelItem> ItemData(const QTreeWidgetItem* item);

    // Answer the name prompts and the page dialog instead of a person when set.
    std::function<std::optional<QString>(const QString& prompt)> promptHook;
    std::function<bool(QString& title, QString& url)> pageDialogHook;

private:
    QTreeWidgetItem* NewItem(const QString& name, const QString& url);
    void SetItemData(QTreeWidgetItem* item, const QString& name, const QString& url);
    void RefreshIcon(QTreeWidgetItem* item);
    void RefreshIcons();
    void ShowSelection();
    void MakeFolder(QTreeWidgetItem* entry);
    void MoveItem(QTreeWidgetItem* dragged, QTreeWidgetItem* newParent, int index);
    std::optional<QString> AskName(const QString& prompt, int maxLength);
    bool AskPage(QString& title, QString& url);
    bool BuildImages();

    CChannelList& list_;
    QString pageTitle_;
    QString pageUrl_;
    bool saved_ = false;
    QIcon channelIcon_;
    QIcon folderIcon_;
    QIcon pageIcon_;
    QTreeWidget* tree_;
    QLabel* nameLabel_;
    QLabel* urlLabel_;
    QLineEdit* name_;
    QLineEdit* url_;
};

}  // namespace sky::ui
