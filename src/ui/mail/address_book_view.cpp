#include "ui/mail/address_book_view.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyle>

#include "core/addressbook/address_book.h"
#include "core/base/log.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"
#include "ui/base/messages.h"
#include "ui/mail/contact_sheet.h"

namespace sky::ui {

using addressbook::CABEntry;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

void AddNodes(QTreeWidgetItem* parent, const std::vector<addressbook::TreeNode>& nodes,
              const QIcon& folderIcon, const QIcon& contactIcon) {
    for (const auto& node : nodes) {
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, Q(node.text));
        item->setData(0, CAddressBookView::PathRole, Q(node.entry.filePath));
        item->setData(0, CAddressBookView::FolderRole, node.entry.isFolder);
        item->setIcon(0, node.entry.isFolder ? folderIcon : contactIcon);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        item->setFlags(node.entry.isFolder ? flags | Qt::ItemIsDropEnabled : flags | Qt::ItemIsDragEnabled);
        if (node.entry.isFolder) AddNodes(item, node.children, folderIcon, contactIcon);
    }
}

// A head and shoulders, for desktops whose icon theme has no contact picture.
QIcon ContactIcon() {
    QIcon themed = QIcon::fromTheme("avatar-default");
    if (!themed.isNull()) return themed;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 70, 120), 1.5));
    painter.setBrush(QColor(110, 150, 210));
    painter.drawEllipse(QRectF(10, 3, 12, 12));
    painter.drawChord(QRectF(4, 17, 24, 26), 0, 180 * 16);
    return QIcon(pixmap);
}

bool IsFolder(const QTreeWidgetItem* item) {
    return item && item->data(0, CAddressBookView::FolderRole).toBool();
}

QString RightTrimmed(QString s) {
    while (!s.isEmpty() && s.back().isSpace()) s.chop(1);
    return s;
}

}  // namespace

CAddressBookView::CAddressBookView(SettingsStore& settings, std::string webHost, QWidget* parent)
    : QTreeWidget(parent), settings_(settings), webHost_(std::move(webHost)) {
    if (webHost_.empty()) webHost_ = ServiceConfig::Load(settings_).hosts.web;
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (!IsFolder(item)) SendMail();
    });
    root_ = addressbook::AddressBookRoot();
    if (root_.empty())
        LogWarn("addressbook", "no address book folder");
    else
        addressbook::EnsureDefaultFolder(root_);
    Reload();
    if (QTreeWidgetItem* first = topLevelItem(0)) {
        setCurrentItem(first);
        first->setExpanded(true);
    }
}

void CAddressBookView::Reload() {
    QString current = currentItem() ? currentItem()->data(0, PathRole).toString() : QString();
    QStringList expanded;
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if ((*it)->isExpanded()) expanded << (*it)->data(0, PathRole).toString();
    clear();
    if (root_.empty()) return;
    AddNodes(invisibleRootItem(), addressbook::LoadTree(root_), style()->standardIcon(QStyle::SP_DirIcon),
             ContactIcon());
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if (expanded.contains((*it)->data(0, PathRole).toString())) (*it)->setExpanded(true);
    if (!current.isEmpty()) Select(current);
}

void CAddressBookView::Select(const QString& path) {
    if (QTreeWidgetItem* item = ItemForPath(path)) {
        for (QTreeWidgetItem* p = item->parent(); p; p = p->parent()) p->setExpanded(true);
        setCurrentItem(item);
    }
}

QTreeWidgetItem* CAddressBookView::ItemForPath(const QString& path) const {
    for (QTreeWidgetItemIterator it(const_cast<CAddressBookView*>(this)); *it; ++it)
        if ((*it)->data(0, PathRole).toString() == path) return *it;
    return nullptr;
}

bool CAddressBookView::EntryOf(const QTreeWidgetItem* item, CABEntry* out) const {
    if (!item || IsFolder(item)) return false;
    return addressbook::ReadContact(item->data(0, PathRole).toString().toStdString(), out);
}

QTreeWidgetItem* CAddressBookView::TargetFolderItem(QTreeWidgetItem* at) const {
    if (!at || IsFolder(at)) return at;
    return at->parent();
}

std::string CAddressBookView::TargetFolder() const {
    QTreeWidgetItem* folder = TargetFolderItem(currentItem());
    return folder ? folder->data(0, PathRole).toString().toStdString() : root_;
}

void CAddressBookView::AddContact() {
    if (root_.empty()) return;
    CABContactSheet sheet(CABEntry{}, true, this);
    if (ExecDialog(sheet) != QDialog::Accepted) return;
    CABEntry entry = sheet.entry();
    std::string error;
    if (!addressbook::SaveNewContact(TargetFolder(), &entry, &error)) {
        // Nothing usable to name the file after: the contact cannot be kept.
        ShowMessage(this, tr("The contact was not saved: %1.").arg(Q(error)), tr("Address Book"),
                    MessageKind::Warning);
        return;
    }
    Reload();
    Select(Q(entry.filePath));
}

void CAddressBookView::EditSelected() {
    QTreeWidgetItem* item = currentItem();
    if (!item) return;
    if (IsFolder(item)) {
        QString name = item->text(0);
        if (!PromptFolderName(tr("Edit folder name"), &name) || name == item->text(0)) return;
        QString from = item->data(0, PathRole).toString();
        QString to = QFileInfo(from).dir().filePath(name);
        if (QFileInfo::exists(to) || !QDir().rename(from, to)) {
            ShowMessage(this, tr("The folder could not be renamed to '%1'.").arg(name), tr("Address Book"),
                        MessageKind::Warning);
            return;
        }
        Reload();
        Select(to);
        return;
    }
    CABEntry entry;
    if (!EntryOf(item, &entry)) {
        ShowMessage(this, tr("This contact can no longer be read."), tr("Address Book"),
                    MessageKind::Warning);
        Reload();
        return;
    }
    // Its fields are not read: the sheet would show them empty and lose them.
    if (entry.version != addressbook::kContactVersion) {
        ShowMessage(this,
                    tr("This contact was written by another version of the address book (version %1). "
                       "It cannot be edited here.")
                        .arg(entry.version),
                    tr("Address Book"), MessageKind::Warning);
        return;
    }
    CABContactSheet sheet(entry, false, this);
    if (ExecDialog(sheet) != QDialog::Accepted) return;
    CABEntry edited = sheet.entry();
    edited.filePath = entry.filePath;  // an edited contact keeps its file name
    std::string error;
    if (!addressbook::WriteContact(edited, &error)) {
        ShowMessage(this, tr("The contact could not be saved: %1").arg(Q(error)), tr("Address Book"),
                    MessageKind::Warning);
        return;
    }
    Reload();
    Select(Q(edited.filePath));
}

void CAddressBookView::DeleteSelected() {
    QTreeWidgetItem* item = currentItem();
    if (!item) return;
    QString path = item->data(0, PathRole).toString();
    if (IsFolder(item)) {
        if (!AskYesNo(this, tr("Are you sure that you want to delete the folder: '%1'?").arg(item->text(0)),
                      tr("Comfirm Delete")))
            return;
        if (!QDir().rmdir(path)) {
            ShowMessage(this, tr("Make sure the folder is empty."), tr("Error deleting folder"),
                        MessageKind::Warning);
            return;
        }
    } else {
        if (!AskYesNo(this,
                      tr("Are you sure that you want to delete the Address Book entry for: '%1'?")
                          .arg(item->text(0)),
                      tr("Comfirm Delete")))
            return;
        if (!QFile::remove(path) && QFile::exists(path)) {
            ShowMessage(this, tr("The contact's file could not be deleted."), tr("Address Book"),
                        MessageKind::Warning);
            return;
        }
    }
    delete item;
}

bool CAddressBookView::PromptFolderName(const QString& prompt, QString* name) {
    for (;;) {
        QInputDialog dialog(this);
        dialog.setWindowTitle(tr("Address Book"));
        dialog.setLabelText(prompt);
        dialog.setTextValue(*name);
        if (ExecDialog(dialog) != QDialog::Accepted) return false;
        *name = dialog.textValue();
        if (addressbook::IsValidFolderName(name->toStdString())) return true;
        ShowMessage(this, QString::fromLatin1(addressbook::kBadFolderNameText),
                    QString::fromLatin1(addressbook::kBadFolderNameTitle), MessageKind::Warning);
    }
}

void CAddressBookView::AddFolder() {
    if (root_.empty()) return;
    QString name;
    if (!PromptFolderName(tr("Enter the name of the folder"), &name)) return;
    QString path = QDir(Q(TargetFolder())).filePath(name);
    if (QFileInfo::exists(path) || !QDir().mkdir(path)) {
        ShowMessage(this, tr("The folder '%1' could not be made.").arg(name), tr("Address Book"),
                    MessageKind::Warning);
        return;
    }
    Reload();
    Select(path);
}

void CAddressBookView::SendMail() {
    CABEntry entry;
    if (EntryOf(currentItem(), &entry)) emit sendMailRequested(Q(entry.email));
}

void CAddressBookView::Chat() {
    CABEntry entry;
    if (!EntryOf(currentItem(), &entry)) return;
    QString memberId = RightTrimmed(Q(entry.memberId));
    if (memberId.isEmpty()) {
        ShowMessage(this, tr("This entry does not have a SkyHarbor ID specified"));
    } else {
        emit openPageRequested(Q(addressbook::PersonLookupUrl(webHost_, memberId.toStdString())),
                               QStringLiteral("PersonLookup"));
    }
    QString chat = Q(entry.ChatAddress());
    if (!chat.isEmpty() && AskYesNo(this,
                                    tr("%1 gives a SkyHarbor address for chat: %2\n\nStart a chat there now?")
                                        .arg(Q(entry.ItemText()), chat),
                                    tr("Chat")))
        emit startChatRequested(chat);
}

void CAddressBookView::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (item) setCurrentItem(item);
    bool contact = item && !IsFolder(item);
    QMenu menu(this);
    menu.addAction(tr("&Add"), this, &CAddressBookView::AddContact);
    menu.addAction(tr("&Edit"), this, &CAddressBookView::EditSelected)->setEnabled(item != nullptr);
    menu.addAction(tr("&Delete"), this, &CAddressBookView::DeleteSelected)->setEnabled(item != nullptr);
    menu.addAction(tr("Add &Folder"), this, &CAddressBookView::AddFolder);
    menu.addSeparator();
    menu.addAction(tr("&Send Mail..."), this, &CAddressBookView::SendMail)->setEnabled(contact);
    menu.addAction(tr("&Chat..."), this, &CAddressBookView::Chat)->setEnabled(contact);
    menu.exec(event->globalPos());
}

void CAddressBookView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert) {
        AddContact();
    } else if (event->key() == Qt::Key_Delete) {
        DeleteSelected();
    } else {
        QTreeWidget::keyPressEvent(event);
    }
}

QMimeData* CAddressBookView::MimeDataFor(const QTreeWidgetItem* item) const {
    CABEntry entry;
    if (!EntryOf(item, &entry)) return nullptr;
    auto* data = new QMimeData;
    std::string bytes = entry.Serialize();
    data->setData(kMimeType, QByteArray(bytes.data(), qsizetype(bytes.size())));
    data->setData(kSourceMimeType, QFile::encodeName(Q(entry.filePath)));
    data->setText(Q(entry.email));
    return data;
}

void CAddressBookView::startDrag(Qt::DropActions supported) {
    QMimeData* data = MimeDataFor(currentItem());
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(currentItem()->icon(0).pixmap(24));
    // The drop removes a moved file itself, so nothing is left to do here.
    drag->exec(supported & (Qt::CopyAction | Qt::MoveAction), Qt::MoveAction);
}

void CAddressBookView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(kMimeType))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CAddressBookView::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->mimeData()->hasFormat(kMimeType)) {
        event->ignore();
        return;
    }
    QTreeWidgetItem* folder = TargetFolderItem(itemAt(event->position().toPoint()));
    QString source = QFile::decodeName(event->mimeData()->data(kSourceMimeType));
    QString target = folder ? folder->data(0, PathRole).toString() : Q(root_);
    // Moving a contact into the folder it is in already would only rename it.
    if (event->proposedAction() == Qt::MoveAction && !source.isEmpty() &&
        QDir::cleanPath(QFileInfo(source).absolutePath()) == QDir::cleanPath(target))
        event->ignore();
    else
        event->acceptProposedAction();
}

void CAddressBookView::dropEvent(QDropEvent* event) {
    QTreeWidgetItem* folder = TargetFolderItem(itemAt(event->position().toPoint()));
    Qt::DropAction action = event->dropAction();
    if (DropContact(event->mimeData(), folder, action).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

QString CAddressBookView::DropContact(const QMimeData* data, QTreeWidgetItem* folderItem,
                                      Qt::DropAction action) {
    if (!data || !data->hasFormat(kMimeType) || root_.empty()) return {};
    QByteArray bytes = data->data(kMimeType);
    CABEntry entry;
    std::string error;
    if (!CABEntry::Parse(std::string_view(bytes.constData(), size_t(bytes.size())), &entry, &error)) {
        LogWarn("addressbook", "dropped data is not a contact: " + error);
        return {};
    }
    std::string folder = folderItem ? folderItem->data(0, PathRole).toString().toStdString() : root_;
    QString source = QFile::decodeName(data->data(kSourceMimeType));
    if (action == Qt::MoveAction && !source.isEmpty() &&
        QDir::cleanPath(QFileInfo(source).absolutePath()) == QDir::cleanPath(Q(folder)))
        return {};
    entry.filePath.clear();
    if (!addressbook::SaveNewContact(folder, &entry, &error)) {
        ShowMessage(this, tr("The contact was not saved: %1.").arg(Q(error)), tr("Address Book"),
                    MessageKind::Warning);
        return {};
    }
    // Only a file of this address book that still holds the dragged bytes goes.
    if (action == Qt::MoveAction && !source.isEmpty() && source.startsWith(QDir::cleanPath(Q(root_)) + '/')) {
        QFile file(source);
        if (file.open(QIODevice::ReadOnly) && file.readAll() == bytes) {
            file.close();
            QFile::remove(source);
        }
    }
    Reload();
    Select(Q(entry.filePath));
    return Q(entry.filePath);
}

bool CAddressBookView::AppendDroppedContact(QLineEdit* field, const QMimeData* data) {
    if (!field || !data || !data->hasFormat(kMimeType)) return false;
    QByteArray bytes = data->data(kMimeType);
    CABEntry entry;
    if (!CABEntry::Parse(std::string_view(bytes.constData(), size_t(bytes.size())), &entry) ||
        entry.email.empty())
        return false;
    QString text = field->text();
    if (!text.trimmed().isEmpty()) text += QStringLiteral(", ");
    field->setText(text + Q(entry.email));
    return true;
}

}  // namespace sky::ui
