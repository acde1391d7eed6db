#include "ui/channels/channel_designer.h"

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/base/messages.h"
#include "ui/channels/channel_icons.h"

namespace sky::ui {

namespace {

constexpr int kUrlRole = Qt::UserRole + 1;
constexpr int kHasDataRole = Qt::UserRole + 2;

const QString kNothingSelected =
    QStringLiteral("<-- Select a channel to update/delete or push the ADD button!");

// Hands drops to the designer so the drag rules live in one place.
class ChannelTree : public QTreeWidget {
public:
    ChannelTree(CChannelDesigner* designer, QWidget* parent) : QTreeWidget(parent), designer_(designer) {}

protected:
    void dropEvent(QDropEvent* event) override {
        QTreeWidgetItem* target = itemAt(event->position().toPoint());
        QTreeWidgetItem* dragged = currentItem();
        // Copy action: the view must not delete the source, DropItem already moved it.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        if (dragged && target) designer_->DropItem(dragged, target);
    }

private:
    CChannelDesigner* designer_;
};

// Lays out the page the user is about to add.
class PageDialog : public QDialog {
public:
    PageDialog(const QString& title, const QString& url, QWidget* parent) : QDialog(parent) {
        setWindowTitle(QStringLiteral("Add a Page"));
        auto* form = new QFormLayout;
        title_ = new QLineEdit(title, this);
        url_ = new QLineEdit(url, this);
        title_->setMinimumWidth(320);
        form->addRow(QStringLiteral("Web Site Title"), title_);
        form->addRow(QStringLiteral("Address:"), url_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(buttons);
    }
    QString title() const { return title_->text(); }
    QString url() const { return url_->text(); }

private:
    QLineEdit* title_;
    QLineEdit* url_;
};

}  // namespace

CChannelDesigner::CChannelDesigner(CChannelList& mainList, const QString& pageTitle, const QString& pageUrl,
                                   QWidget* parent)
    : QDialog(parent), list_(mainList), pageTitle_(pageTitle), pageUrl_(pageUrl) {
    setWindowTitle(QStringLiteral("Channel Designer"));

    tree_ = new ChannelTree(this, this);
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(16, 16));
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setDragDropMode(QAbstractItemView::InternalMove);
    tree_->setDefaultDropAction(Qt::MoveAction);
    tree_->setMinimumSize(340, 320);
    if (!BuildImages()) ShowMessage(this, QStringLiteral("Bad IList Create!"));

    nameLabel_ = new QLabel(kNothingSelected, this);
    nameLabel_->setWordWrap(true);
    name_ = new QLineEdit(this);
    urlLabel_ = new QLabel(QStringLiteral("Address:"), this);
    url_ = new QLineEdit(this);

    auto button = [this](const QString& text, void (CChannelDesigner::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };

    auto* editBox = new QGroupBox(QStringLiteral("Selected item"), this);
    auto* edit = new QVBoxLayout(editBox);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(name_, 1);
    nameRow->addWidget(button(QStringLiteral("&Update"), &CChannelDesigner::UpdateItem));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(urlLabel_);
    urlRow->addWidget(url_, 1);
    edit->addWidget(nameLabel_);
    edit->addLayout(nameRow);
    edit->addLayout(urlRow);
    // Enter applies the edit rather than closing the designer.
    connect(name_, &QLineEdit::returnPressed, this, &CChannelDesigner::UpdateItem);
    connect(url_, &QLineEdit::returnPressed, this, &CChannelDesigner::UpdateItem);

    auto* hint = new QLabel(QStringLiteral("Drag an item onto another to move it there."), this);
    hint->setEnabled(false);
    auto* left = new QVBoxLayout;
    left->addWidget(tree_, 1);
    left->addWidget(hint);
    left->addWidget(editBox);

    auto* right = new QVBoxLayout;
    right->addWidget(button(QStringLiteral("Add &Channel..."), &CChannelDesigner::AddChannel));
    right->addWidget(button(QStringLiteral("Add &Folder..."), &CChannelDesigner::AddFolder));
    right->addWidget(button(QStringLiteral("Add &Page..."), &CChannelDesigner::AddPage));
    right->addSpacing(12);
    right->addWidget(button(QStringLiteral("&Delete"), &CChannelDesigner::DeleteItem));
    right->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CChannelDesigner::accept);
    connect(cancel, &QPushButton::clicked, this, &CChannelDesigner::reject);
    right->addWidget(ok);
    right->addWidget(cancel);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { ShowSelection(); });
    ShowSelection();
}

bool CChannelDesigner::BuildImages() {
    QPixmap strip = ChannelImageStrip();
    if (strip.isNull() || strip.width() < 48) return false;
    channelIcon_ = QIcon(strip.copy(0, 0, 16, 16));
    folderIcon_ = QIcon(strip.copy(16, 0, 16, 16));
    pageIcon_ = QIcon(strip.copy(32, 0, 16, 16));
    return true;
}

int CChannelDesigner::LevelOf(const QTreeWidgetItem* item) {
    int level = 0;
    for (const QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent()) ++level;
    return level;
}

std::optional<CChannelItem> CChannelDesigner::ItemData(const QTreeWidgetItem* item) {
    if (!item || !item->data(0, kHasDataRole).toBool()) return std::nullopt;
    return CChannelItem(item->text(0).toStdString(), item->data(0, kUrlRole).toString().toStdString());
}

void CChannelDesigner::SetItemData(QTreeWidgetItem* item, const QString& name, const QString& url) {
    item->setText(0, name);
    item->setData(0, kUrlRole, url);
    item->setData(0, kHasDataRole, true);
    item->setToolTip(
        0, url.startsWith(QLatin1Char('_')) || url == QLatin1String(kChannelMark.data()) ? QString() : url);
}

QTreeWidgetItem* CChannelDesigner::NewItem(const QString& name, const QString& url) {
    auto* item = new QTreeWidgetItem;
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled);
    SetItemData(item, name, url);
    return item;
}

void CChannelDesigner::RefreshIcon(QTreeWidgetItem* item) {
    switch (LevelOf(item)) {
        case kChannel:
            item->setIcon(0, channelIcon_);
            break;
        case kEntry:
            item->setIcon(
                0, item->data(0, kUrlRole).toString().startsWith(QLatin1Char('_')) ? folderIcon_ : pageIcon_);
            break;
        default:
            item->setIcon(0, pageIcon_);
    }
}

void CChannelDesigner::RefreshIcons() {
    for (int c = 0; c < tree_->topLevelItemCount(); ++c) {
        QTreeWidgetItem* channel = tree_->topLevelItem(c);
        RefreshIcon(channel);
        for (int e = 0; e < channel->childCount(); ++e) {
            QTreeWidgetItem* entry = channel->child(e);
            RefreshIcon(entry);
            for (int p = 0; p < entry->childCount(); ++p) RefreshIcon(entry->child(p));
        }
    }
}

void CChannelDesigner::Open(int channel, int entry, int page) {
    tree_->clear();
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    for (const auto& ch : list_.channels()) {
        QTreeWidgetItem* chItem = NewItem(q(ch->name), q(ch->url));
        tree_->addTopLevelItem(chItem);
        for (const auto& en : ch->children) {
            QTreeWidgetItem* enItem = NewItem(q(en->name), q(en->url));
            chItem->addChild(enItem);
            for (const auto& pg : en->children) enItem->addChild(NewItem(q(pg->name), q(pg->url)));
        }
    }
    RefreshIcons();

    QTreeWidgetItem* select = channel >= 0 ? tree_->topLevelItem(channel) : nullptr;
    if (select && entry >= 0 && entry < select->childCount()) {
        select = select->child(entry);
        if (page >= 0 && page < select->childCount()) select = select->child(page);
    }
    tree_->setCurrentItem(select);
    if (select) tree_->scrollToItem(select);
    ShowSelection();
}

void CChannelDesigner::ShowSelection() {
    QTreeWidgetItem* item = tree_->currentItem();
    std::optional<CChannelItem> data = ItemData(item);
    if (!item || !data) {
        nameLabel_->setText(item ? QStringLiteral("Label This!") : kNothingSelected);
        name_->clear();
        url_->clear();
        name_->setEnabled(false);
        urlLabel_->setVisible(false);
        url_->setVisible(false);
        return;
    }
    int level = LevelOf(item);
    bool page =
        level == kPageInFolder || (level == kEntry && item->childCount() == 0 && !data->ShownAsFolder());
    QString label;
    if (level == kChannel)
        label = QStringLiteral("Channel Name:");
    else if (page)
        label = QStringLiteral("Web Site Title");
    else if (level == kEntry)
        label = QStringLiteral("Folder Name:");
    else
        label = QStringLiteral("Label This!");
    nameLabel_->setText(label);
    name_->setEnabled(true);
    name_->setMaxLength(level == kChannel ? kChannelNameMax : (page ? 32767 : kFolderNameMax));
    name_->setText(QString::fromStdString(data->name));
    urlLabel_->setVisible(page);
    url_->setVisible(page);
    url_->setText(page ? QString::fromStdString(data->url) : QString());
}

void CChannelDesigner::MakeFolder(QTreeWidgetItem* entry) {
    // A page that gets pages becomes a folder; its own address is dropped when saved anyway.
    SetItemData(entry, entry->text(0),
                QString::fromLatin1(kDesignerFolderMark.data(), kDesignerFolderMark.size()));
    RefreshIcon(entry);
}

std::optional<QString> CChannelDesigner::AskName(const QString& prompt, int maxLength) {
    if (promptHook) return promptHook(prompt);
    QInputDialog dialog(this);
    dialog.setWindowTitle(windowTitle());
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    // The prompt's limit holds while typing, not only when the name is stored.
    if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(maxLength);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

bool CChannelDesigner::AskPage(QString& title, QString& url) {
    if (pageDialogHook) return pageDialogHook(title, url);
    PageDialog dialog(title, url, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    title = dialog.title();
    url = dialog.url();
    return true;
}

void CChannelDesigner::AddChannel() {
    QTreeWidgetItem* item = tree_->currentItem();
    std::optional<QString> name =
        AskName(QStringLiteral("Enter Channel Name (15 chars max)"), kChannelNameMax);
    if (!name || name->trimmed().isEmpty()) return;
    // Before the selected channel, else at the end.
    while (item && item->parent()) item = item->parent();
    auto* channel = NewItem(name->trimmed().left(kChannelNameMax),
                            QString::fromLatin1(kChannelMark.data(), kChannelMark.size()));
    tree_->insertTopLevelItem(item ? tree_->indexOfTopLevelItem(item) : tree_->topLevelItemCount(), channel);
    RefreshIcon(channel);
    tree_->setCurrentItem(channel);
}

void CChannelDesigner::AddFolder() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item) {
        ShowMessage(this, QStringLiteral("Select channel where to add the folder"));
        return;
    }
    if (LevelOf(item) >= kPageInFolder) {
        ShowMessage(this, QStringLiteral("Select a Channel to put the folder in"));
        return;
    }
    std::optional<QString> name =
        AskName(QStringLiteral("Enter Channel Name (20 chars max)"), kFolderNameMax);
    if (!name || name->trimmed().isEmpty()) return;
    QTreeWidgetItem* channel = LevelOf(item) == kChannel ? item : item->parent();
    auto* folder = NewItem(name->trimmed().left(kFolderNameMax),
                           QString::fromLatin1(kDesignerFolderMark.data(), kDesignerFolderMark.size()));
    channel->addChild(folder);
    RefreshIcon(folder);
    channel->setExpanded(true);
    tree_->setCurrentItem(folder);
}

void CChannelDesigner::AddPage() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item) {
        ShowMessage(this, QStringLiteral("Select Folder/Channel where to add the page"));
        return;
    }
    int level = LevelOf(item);
    if (level > kPageInFolder || !ItemData(item)) {
        ShowMessage(this, QStringLiteral("Select a Channel/Folder to put the Page in"));
        return;
    }
    QString title = pageTitle_;
    QString url = pageUrl_;
    if (!AskPage(title, url)) return;
    if (title.trimmed().isEmpty() && url.trimmed().isEmpty()) return;

    QTreeWidgetItem* page = NewItem(title.trimmed(), url.trimmed());
    if (level == kPageInFolder) {
        QTreeWidgetItem* folder = item->parent();
        folder->insertChild(folder->indexOfChild(item) + 1, page);
    } else {
        if (level == kEntry && !ItemData(item)->ShownAsFolder()) MakeFolder(item);
        item->addChild(page);
        item->setExpanded(true);
    }
    RefreshIcon(page);
    tree_->setCurrentItem(page);
    tree_->scrollToItem(page);
    ShowMessage(this, QStringLiteral("Added it !  \n\nYou may now arrange your channels"));
}

void CChannelDesigner::UpdateItem() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item) {
        ShowMessage(this, QStringLiteral("Invalid Item Selected"));
        return;
    }
    std::optional<CChannelItem> data = ItemData(item);
    if (!data) {
        ShowMessage(this, QStringLiteral("Error Processing Item"));
        return;
    }
    QString name = name_->text().trimmed();
    if (name.isEmpty()) return;
    // Only pages show an address; the others keep their marks.
    QString url = url_->isVisibleTo(this) ? url_->text().trimmed() : QString::fromStdString(data->url);
    SetItemData(item, name, url);
    RefreshIcon(item);
}

void CChannelDesigner::DeleteItem() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item) {
        ShowMessage(this, QStringLiteral("Invalid Item Selected"));
        return;
    }
    if (!AskYesNo(this, QStringLiteral("This will delete the selected item from your channels."),
                  QStringLiteral("Are you sure ?")))
        return;
    delete item;
    ShowSelection();
}

void CChannelDesigner::MoveItem(QTreeWidgetItem* dragged, QTreeWidgetItem* newParent, int index) {
    bool expanded = dragged->isExpanded();
    // Taken out first, so `index` must already count without it.
    if (QTreeWidgetItem* old = dragged->parent())
        old->removeChild(dragged);
    else
        tree_->takeTopLevelItem(tree_->indexOfTopLevelItem(dragged));
    if (newParent)
        newParent->insertChild(index, dragged);
    else
        tree_->insertTopLevelItem(index, dragged);
    dragged->setExpanded(expanded);
    if (newParent) newParent->setExpanded(true);
    RefreshIcons();
    tree_->setCurrentItem(dragged);
    tree_->scrollToItem(dragged);
}

bool CChannelDesigner::DropItem(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
    if (!dragged || !target || dragged == target) return false;
    const int from = LevelOf(dragged);
    const int to = LevelOf(target);
    // Index of the target among its siblings once the dragged item is gone.
    auto indexBefore = [&](QTreeWidgetItem* item) {
        QTreeWidgetItem* parent = item->parent();
        int index = parent ? parent->indexOfChild(item) : tree_->indexOfTopLevelItem(item);
        QTreeWidgetItem* draggedParent = dragged->parent();
        int draggedIndex =
            draggedParent ? draggedParent->indexOfChild(dragged) : tree_->indexOfTopLevelItem(dragged);
        if (draggedParent == parent && draggedIndex < index) --index;
        return index;
    };

    if (from == kChannel) {
        if (to != kChannel) {
            ShowMessage(this, QStringLiteral("You cannot drop on channel on this type of item"));
            return false;
        }
        MoveItem(dragged, nullptr, indexBefore(target));
        return true;
    }
    if (from == kEntry) {
        if (to == kChannel) {
            // Dropped on its own channel: it goes first there as well.
            MoveItem(dragged, target, 0);
        } else if (to == kEntry) {
            MoveItem(dragged, target->parent(), indexBefore(target));
        } else {
            ShowMessage(this, QStringLiteral("You cannot drop on folder down to this level"));
            return false;
        }
        return true;
    }
    // A page in a folder.
    if (to == kChannel) {
        MoveItem(dragged, target, 0);
    } else if (to == kEntry) {
        std::optional<CChannelItem> data = ItemData(target);
        if (data && !data->ShownAsFolder() && target->childCount() == 0) MakeFolder(target);
        MoveItem(dragged, target, 0);
    } else {
        MoveItem(dragged, target->parent(), indexBefore(target));
    }
    return true;
}

void CChannelDesigner::accept() {
    list_.Clear();
    auto s = [](const QTreeWidgetItem* item) { return item->text(0).toStdString(); };
    auto u = [](const QTreeWidgetItem* item) { return item->data(0, kUrlRole).toString().toStdString(); };
    for (int c = 0; c < tree_->topLevelItemCount(); ++c) {
        QTreeWidgetItem* chItem = tree_->topLevelItem(c);
        CChannelItem* channel = list_.AppendChannel(s(chItem));
        for (int e = 0; e < chItem->childCount(); ++e) {
            QTreeWidgetItem* enItem = chItem->child(e);
            CChannelItem* entry = CChannelList::AppendChild(channel, s(enItem), u(enItem));
            for (int p = 0; p < enItem->childCount(); ++p)
                CChannelList::AppendChild(entry, s(enItem->child(p)), u(enItem->child(p)));
        }
    }
    std::string error;
    saved_ = SaveChannelFile(MainChannelFilePath(), list_, &error);
    if (!saved_)
        ShowMessage(this, QString::fromLatin1(kSaveError), QStringLiteral("SkyHarbor"), MessageKind::Warning);
    QDialog::accept();
}

}  // namespace sky::ui
