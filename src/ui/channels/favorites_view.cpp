#include "ui/channels/favorites_view.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/base/messages.h"

namespace sky::ui {

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
const QString kTitle = QStringLiteral("Favorites");

std::string Local(const QString& s) {
    return QFile::encodeName(s).toStdString();
}
QString FromLocal(const std::string& s) {
    return QFile::decodeName(QByteArray::fromStdString(s));
}
}  // namespace

CFavoritesView::CFavoritesView(QWidget* parent) : QWidget(parent) {
    // Offscreen and bare desktops may have no icon theme; the style always has pictures.
    QFileIconProvider provider;
    folderIcon_ = provider.icon(QFileIconProvider::Folder);
    if (folderIcon_.isNull()) folderIcon_ = style()->standardIcon(QStyle::SP_DirIcon);
    shortcutIcon_ = QIcon::fromTheme(QStringLiteral("text-html"));
    if (shortcutIcon_.isNull()) shortcutIcon_ = style()->standardIcon(QStyle::SP_FileLinkIcon);

    auto* title = new QLabel(QStringLiteral("<b>Favorites</b>"), this);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* add = new QPushButton(QStringLiteral("&Add Current Page"), this);
    auto* import = new QPushButton(QStringLiteral("&Import bookmarks..."), this);
    connect(add, &QPushButton::clicked, this, &CFavoritesView::addCurrentPageRequested);
    connect(import, &QPushButton::clicked, this, &CFavoritesView::ChooseBookmarksFile);
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { OpenItem(item); });
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = tree_->itemAt(at);
        if (!item) return;
        tree_->setCurrentItem(item);
        QMenu* menu = MakeContextMenu(item, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(tree_->viewport()->mapToGlobal(at));
    });
    tree_->installEventFilter(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(import);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(title);
    layout->addWidget(tree_, 1);
    layout->addLayout(buttons);
    Fill();
}

QString CFavoritesView::ItemPath(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toString() : QString();
}

bool CFavoritesView::IsFolderItem(const QTreeWidgetItem* item) {
    return item && item->data(0, kFolderRole).toBool();
}

QTreeWidgetItem* CFavoritesView::NewItem(const QString& name, const QString& path, bool folder) {
    auto* item = new QTreeWidgetItem(QStringList{name});
    item->setData(0, kPathRole, path);
    item->setData(0, kFolderRole, folder);
    item->setIcon(0, folder ? folderIcon_ : shortcutIcon_);
    if (!folder) item->setToolTip(0, path);
    return item;
}

void CFavoritesView::AddNodes(QTreeWidgetItem* parent, const FavoriteNode& folder) {
    for (const FavoriteNode& node : folder.children) {
        QTreeWidgetItem* item = NewItem(FromLocal(node.name), FromLocal(node.path), node.folder);
        if (parent)
            parent->addChild(item);
        else
            tree_->addTopLevelItem(item);
        if (node.folder) AddNodes(item, node);
    }
}

void CFavoritesView::Fill() {
    tree_->clear();
    AddNodes(nullptr, ReadFavorites(FavoritesDir()));
}

bool CFavoritesView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteItem(tree_->currentItem());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString CFavoritesView::ItemUrl(QTreeWidgetItem* item) const {
    if (!item || IsFolderItem(item)) return {};
    std::string url = ReadShortcutUrl(Local(ItemPath(item)));
    return url == kNoShortcutUrl ? QString() : QString::fromStdString(url);
}

void CFavoritesView::OpenItem(QTreeWidgetItem* item) {
    QString url = ItemUrl(item);
    if (!url.isEmpty()) emit openAddress(url);
}

QMenu* CFavoritesView::MakeContextMenu(QTreeWidgetItem* item, QWidget* parent) {
    auto* menu = new QMenu(parent);
    bool page = !ItemUrl(item).isEmpty();
    QAction* open = menu->addAction(QStringLiteral("&Open"), this, [this, item] { OpenItem(item); });
    QAction* window = menu->addAction(QStringLiteral("Open in &New Window"), this, [this, item] {
        QString url = ItemUrl(item);
        if (!url.isEmpty()) emit openInNewWindow(url);
    });
    open->setEnabled(page);
    window->setEnabled(page);
    menu->addSeparator();
    menu->addAction(QStringLiteral("&Rename"), this, [this, item] { RenameItem(item); });
    QAction* remove = menu->addAction(QStringLiteral("&Delete"), this, [this, item] { DeleteItem(item); });
    remove->setShortcut(QKeySequence::Delete);
    return menu;
}

bool CFavoritesView::RenameItem(QTreeWidgetItem* item) {
    if (!item) return false;
    std::optional<QString> name;
    if (renameHook) {
        name = renameHook(item->text(0));
    } else {
        bool ok = false;
        QString typed = QInputDialog::getText(this, QStringLiteral("Rename"), QStringLiteral("New name:"),
                                              QLineEdit::Normal, item->text(0), &ok);
        if (ok) name = typed;
    }
    if (!name) return false;
    QString clean = name->trimmed();
    if (clean.isEmpty() || clean == item->text(0)) return false;
    QFileInfo old(ItemPath(item));
    QString target = old.absolutePath() + QLatin1Char('/') + clean +
                     (IsFolderItem(item) ? QString() : QStringLiteral(".url"));
    if (clean.contains(QLatin1Char('/')) || clean.startsWith(QLatin1Char('.')) || QFileInfo::exists(target) ||
        !QDir().rename(old.absoluteFilePath(), target)) {
        ShowMessage(this, QStringLiteral("Could not rename \"%1\" to \"%2\".").arg(item->text(0), clean),
                    kTitle, MessageKind::Warning);
        return false;
    }
    // The folder's shortcuts moved with it; their paths are read again.
    Fill();
    return true;
}

bool CFavoritesView::DeleteItem(QTreeWidgetItem* item) {
    if (!item) return false;
    if (!AskYesNo(this, QStringLiteral("Delete \"%1\" from your favorites?").arg(item->text(0)), kTitle))
        return false;
    QString path = ItemPath(item);
    bool ok = IsFolderItem(item) ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!ok) {
        ShowMessage(this, QStringLiteral("Could not delete \"%1\".").arg(item->text(0)), kTitle,
                    MessageKind::Warning);
        return false;
    }
    delete item;
    return true;
}

bool CFavoritesView::AddPage(const QString& url, const QString& name) {
    QTreeWidgetItem* folder = tree_->currentItem();
    while (folder && !IsFolderItem(folder)) folder = folder->parent();
    QString dir = folder ? ItemPath(folder) : FromLocal(FavoritesDir());

    std::string error;
    QString path = FromLocal(WriteShortcut(Local(dir), Local(name.trimmed()), url.toStdString(), &error));
    if (path.isEmpty()) {
        ShowMessage(this,
                    QStringLiteral("Could not add the page to your favorites:\n%1")
                        .arg(QString::fromStdString(error)),
                    kTitle, MessageKind::Warning);
        return false;
    }

    // Writing over a shortcut of the same name keeps its one item.
    QTreeWidgetItem* item = nullptr;
    int count = folder ? folder->childCount() : tree_->topLevelItemCount();
    for (int i = 0; i < count && !item; ++i) {
        QTreeWidgetItem* sibling = folder ? folder->child(i) : tree_->topLevelItem(i);
        if (QDir::cleanPath(ItemPath(sibling)) == QDir::cleanPath(path)) item = sibling;
    }
    if (!item) {
        item = NewItem(QFileInfo(path).completeBaseName(), path, false);
        if (folder) {
            folder->addChild(item);
            folder->setExpanded(true);
        } else {
            tree_->addTopLevelItem(item);
        }
    }
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
    return true;
}

void CFavoritesView::ChooseBookmarksFile() {
    QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import Bookmarks"), QDir::homePath(),
                                                QStringLiteral("Bookmark Files (*.html *.htm)"));
    if (!path.isEmpty()) ImportBookmarksFile(path);
}

bool CFavoritesView::ImportBookmarksFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(this, QStringLiteral("Could not read the bookmarks file\n%1").arg(path), kTitle,
                    MessageKind::Warning);
        return false;
    }
    QByteArray html = file.readAll();
    std::vector<Bookmark> bookmarks = ParseNetscapeBookmarks(std::string_view(html.constData(), html.size()));
    BookmarkImportResult result = ImportBookmarks(bookmarks, FavoritesDir());
    QString text = QStringLiteral("Imported %1 shortcut(s) and %2 folder(s) into your favorites.")
                       .arg(result.shortcuts)
                       .arg(result.folders);
    if (result.skipped > 0)
        text += QStringLiteral("\n\n%1 bookmark(s) without a web address were skipped.").arg(result.skipped);
    ShowMessage(this, text, kTitle);
    Fill();
    return true;
}

}  // namespace sky::ui
