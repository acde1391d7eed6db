#pragma once

#include <QString>
#include <QTreeWidget>
#include <string>

#include "core/addressbook/contact.h"

class QLineEdit;
class QMimeData;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// The address book pane: folders and contacts under the address book root.
class CAddressBookView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr const char* kMimeType = "application/x-skyharbor-abentry";
    // The dragged contact's own file, so a move can remove it.
    static constexpr const char* kSourceMimeType = "application/x-skyharbor-abentry-file";
    enum Role { PathRole = Qt::UserRole, FolderRole };

    CAddressBookView(SettingsStore& settings, std::string webHost, QWidget* parent = nullptr);

    const std::string& root() const { return root_; }
    // The contact behind an item; false for a folder or a file gone bad.
    bool EntryOf(const QTreeWidgetItem* item, addressbook::CABEntry* out) const;
    QTreeWidgetItem* ItemForPath(const QString& path) const;
    // The drag data of a contact item.
    QMimeData* MimeDataFor(const QTreeWidgetItem* item) const;
    // Saves a dropped contact into `folderItem` (the root when null); with a
    // move, the dragged file goes. The new file's path, empty when nothing was saved.
    QString DropContact(const QMimeData* data, QTreeWidgetItem* folderItem, Qt::DropAction action);

    // A contact dropped on a To or CC field: ", " and its address appended. False when none.
    static bool AppendDroppedContact(QLineEdit* field, const QMimeData* data);

public slots:
    void Reload();
    void AddContact();
    void EditSelected();
    void DeleteSelected();
    void AddFolder();
    void SendMail();
    void Chat();

signals:
    void sendMailRequested(QString address);
    void openPageRequested(QString url, QString target);
    void startChatRequested(QString hostPort);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supported) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The folder a new item goes in: the selection when a folder, else its parent, else the root.
    std::string TargetFolder() const;
    QTreeWidgetItem* TargetFolderItem(QTreeWidgetItem* at) const;
    // Asks for a folder name until it passes the rule; false when cancelled.
    bool PromptFolderName(const QString& prompt, QString* name);
    void Select(const QString& path);

    SettingsStore& settings_;
    std::string webHost_;
    std::string root_;
};

}  // namespace sky::ui
