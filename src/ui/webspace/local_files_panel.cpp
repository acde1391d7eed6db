#include "ui/webspace/local_files_panel.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMimeData>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/settings_store.h"

namespace sky::ui {

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

}  // namespace

LocalFilesPanel::LocalFilesPanel(SettingsStore& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({tr("Name"), tr("Size"), tr("Type"), tr("Modified")});
    list_->setColumnWidth(NameColumn, 120);
    list_->setColumnWidth(SizeColumn, 50);
    list_->setColumnWidth(ModifiedColumn, 120);
    list_->setColumnHidden(TypeColumn, true);
    list_->header()->setSectionsClickable(true);
    list_->setAcceptDrops(true);
    list_->viewport()->setAcceptDrops(true);
    list_->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    connect(list_->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { SortBy(static_cast<Column>(section)); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { Activate(item); });

    QString start = QString::fromStdString(settings_.GetString("fileman", "localdir"));
    if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
    SetFolder(start);
}

void LocalFilesPanel::SetFolder(const QString& folder) {
    List(QDir::cleanPath(QDir(folder).absolutePath()));
}

void LocalFilesPanel::Refresh() {
    List(folder_);
}

bool LocalFilesPanel::List(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists() || !dir.isReadable()) return false;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    folder_ = folder;
    settings_.WriteString("fileman", "localdir", folder_.toStdString());
    rows_.clear();
    for (const QFileInfo& info : entries) {
        Row row;
        row.name = info.fileName();
        row.folder = info.isDir();
        row.size = row.folder ? 0 : info.size();
        row.modified = info.lastModified();
        rows_.push_back(row);
    }
    hasParent_ = !dir.isRoot();
    Fill();
    return true;
}

void LocalFilesPanel::SortBy(Column column) {
    sortColumn_ = column;
    Fill();
}

void LocalFilesPanel::Fill() {
    const Column column = sortColumn_;
    std::stable_sort(rows_.begin(), rows_.end(), [column](const Row& a, const Row& b) {
        if (a.folder != b.folder) return a.folder;
        switch (column) {
            case SizeColumn:
                if (a.size != b.size) return a.size < b.size;
                break;
            case ModifiedColumn:
                if (a.modified != b.modified) return a.modified < b.modified;
                break;
            default:
                break;
        }
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });

    list_->clear();
    QStyle* style = list_->style();
    if (hasParent_) {
        auto* parent = new QTreeWidgetItem(list_, {tr("Parent Folder"), QString(), QString(), QString()});
        parent->setIcon(0, style->standardIcon(QStyle::SP_FileDialogToParent));
        parent->setData(0, kNameRole, QStringLiteral(".."));
        parent->setData(0, kFolderRole, true);
    }
    const QLocale locale;
    for (const Row& row : rows_) {
        auto* item = new QTreeWidgetItem(list_, {row.name, row.folder ? QString() : QString::number(row.size),
                                                 row.folder ? tr("File Folder") : tr("File"),
                                                 locale.toString(row.modified, QLocale::ShortFormat)});
        item->setIcon(0, style->standardIcon(row.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
        item->setData(0, kNameRole, row.name);
        item->setData(0, kFolderRole, row.folder);
    }
}

void LocalFilesPanel::Activate(QTreeWidgetItem* item) {
    if (!item) return;
    const QString name = item->data(0, kNameRole).toString();
    if (!item->data(0, kFolderRole).toBool()) {
        emit fileActivated(QDir(folder_).filePath(name));
        return;
    }
    SetFolder(name == QStringLiteral("..") ? QFileInfo(folder_).dir().path() : QDir(folder_).filePath(name));
}

void LocalFilesPanel::StartDrag() {
    QList<QUrl> urls;
    for (QTreeWidgetItem* item : list_->selectedItems())
        if (!item->data(0, kFolderRole).toBool())
            urls << QUrl::fromLocalFile(QDir(folder_).filePath(item->data(0, kNameRole).toString()));
    if (urls.isEmpty()) return;
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction);
}

bool LocalFilesPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (drag->mimeData()->hasFormat(QLatin1String(kRemoteFilesMime))) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList addresses =
                RemoteFileAddresses(drop->mimeData()->data(QLatin1String(kRemoteFilesMime)));
            if (addresses.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            emit remoteFilesDropped(addresses, folder_);
            return true;
        }
        case QEvent::MouseMove: {
            auto* move = static_cast<QMouseEvent*>(event);
            if ((move->buttons() & Qt::LeftButton) && !list_->selectedItems().isEmpty()) {
                StartDrag();
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

}  // namespace sky::ui
