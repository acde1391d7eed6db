#include "ui/httpsvr/httpsvr_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/base/messages.h"
#include "ui/httpsvr/httpsvr_doc.h"
#include "ui/httpsvr/server_options_dialog.h"

namespace sky::ui {

namespace {

// Items sort by the hit they show, with the rules of the hit log.
class HitItem : public QTreeWidgetItem {
public:
    explicit HitItem(const httpsvr::CHitDoc* hit) : hit(hit) {}
    const httpsvr::CHitDoc* hit;  // the row in the log, there as long as the item
    bool operator<(const QTreeWidgetItem& other) const override {
        int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const auto& o = static_cast<const HitItem&>(other);
        return httpsvr::CompareHits(*hit, *o.hit, static_cast<httpsvr::HitColumn>(column)) < 0;
    }
};

QString AskForPath(QWidget* parent, const QString& title, const QString& text, const QString& path,
                   const QString& okText, bool* second) {
    QDialog d(parent);
    d.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&d);
    auto* label = new QLabel(text, &d);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* edit = new QLineEdit(path, &d);
    edit->setMinimumWidth(360);
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(&d);
    QPushButton* ok = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    QPushButton* other =
        second ? buttons->addButton(QStringLiteral("&Use This Path"), QDialogButtonBox::AcceptRole) : nullptr;
    buttons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    QPushButton* chosen = nullptr;
    QObject::connect(ok, &QPushButton::clicked, &d, [&] {
        chosen = ok;
        d.accept();
    });
    if (other)
        QObject::connect(other, &QPushButton::clicked, &d, [&] {
            chosen = other;
            d.accept();
        });
    if (d.exec() != QDialog::Accepted) return {};
    if (second) *second = chosen == ok;
    return edit->text().trimmed();
}

}  // namespace

CHttpSvrView::CHttpSvrView(CHttpSvrDoc& doc, QWidget* parent) : QWidget(parent), doc_(&doc) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 0);
    status_ = new QLabel(this);
    bar->addWidget(status_, 1);
    auto* options = new QToolButton(this);
    options->setText(QStringLiteral("Server Options..."));
    bar->addWidget(options);
    layout->addLayout(bar);

    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QStringList headers;
    for (const char* title : httpsvr::kHitColumnTitles) headers << QString::fromLatin1(title);
    list_->setHeaderLabels(headers);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(true);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    const int widths[] = {170, 220, 60, 130, 200};
    for (int c = 0; c < 5; ++c) list_->setColumnWidth(c, widths[c]);
    layout->addWidget(list_);

    connect(list_->header(), &QHeaderView::sectionClicked, this, &CHttpSvrView::SortBy);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { OpenRow(list_->indexOfTopLevelItem(item)); });
    connect(list_, &QWidget::customContextMenuRequested, this, &CHttpSvrView::ContextMenu);
    connect(options, &QToolButton::clicked, this, &CHttpSvrView::ShowOptions);
    connect(doc_, &CHttpSvrDoc::hitAdded, this, &CHttpSvrView::AddHit);
    connect(doc_, &CHttpSvrDoc::titleChanged, this, [this](const QString& title) {
        ShowStatus();
        setWindowTitle(title);
        emit titleChanged(title);
    });
    // What the server answered before this window opened.
    for (const httpsvr::CHitDoc* hit : doc_->hits().Records()) AddHit(*hit);
    ShowStatus();
    setWindowTitle(doc_->Title());
}

CHttpSvrView::~CHttpSvrView() = default;

void CHttpSvrView::OpenServer() {
    CheckRootFolder();
    doc_->Start();
    ShowStatus();
}

bool CHttpSvrView::CheckRootFolder() {
    QString root = QString::fromStdString(doc_->settings().root);
    for (;;) {
        QFileInfo fi(root);
        if (fi.isDir()) break;
        if (!fi.exists()) {
            bool create = true;
            QString path = askMissingRoot
                               ? askMissingRoot(root, &create)
                               : AskForPath(this, QStringLiteral("HTTP Root Folder"),
                                            QStringLiteral("The folder for your public files does not exist. "
                                                           "Create it, or give the path of another folder:"),
                                            root, QStringLiteral("&Create It"), &create);
            if (path.isEmpty()) return false;
            if (create && !QFileInfo(path).exists() && !QDir().mkpath(path)) {
                ShowMessage(this, QStringLiteral("Create Directory failed\n\n") + path,
                            QStringLiteral("SkyHarbor"), MessageKind::Warning);
                continue;
            }
            root = path;
        } else {
            QString path =
                askNotAFolder
                    ? askNotAFolder(root)
                    : AskForPath(this, QStringLiteral("HTTP Root Folder"),
                                 QStringLiteral("The specified HTTP Root is not a folder. Please enter "
                                                "the full path of the folder you wish to use:"),
                                 root, QStringLiteral("OK"), nullptr);
            if (path.isEmpty()) return false;
            root = path;
        }
    }
    if (root.toStdString() != doc_->settings().root) doc_->SetRoot(root);
    return true;
}

void CHttpSvrView::AddHit(const httpsvr::CHitDoc& hit) {
    bool wasCut = rows_.cut();
    auto change = rows_.Add(hit);
    for (const auto& url : change.removedUrls) {
        auto it = items_.find(url);
        if (it == items_.end()) continue;
        delete it->second;
        items_.erase(it);
    }
    QTreeWidgetItem*& item = items_[change.row->url];
    if (!item) {
        item = new HitItem(change.row);
        list_->addTopLevelItem(item);
    }
    ShowRow(item, *change.row);
    if (rows_.cut() != wasCut) ShowStatus();
}

void CHttpSvrView::ShowStatus() {
    QString text = doc_->StatusLine();
    if (rows_.cut() || doc_->hits().cut())
        text += QStringLiteral(" (%1)").arg(QLatin1String(httpsvr::HitLog::kCutText));
    status_->setText(text);
}

void CHttpSvrView::ShowRow(QTreeWidgetItem* item, const httpsvr::CHitDoc& hit) {
    item->setText(httpsvr::kColHitName, QString::fromStdString(hit.file));
    item->setText(httpsvr::kColFolder, QString::fromStdString(hit.folder));
    item->setText(httpsvr::kColHits, QString::number(hit.hits));
    item->setText(httpsvr::kColTime, QString::fromStdString(httpsvr::HitTimeText(hit)));
    item->setText(httpsvr::kColReferrer, QString::fromStdString(hit.referrer));
    item->setText(httpsvr::kColUrl, QString::fromStdString(hit.url));
    item->setTextAlignment(httpsvr::kColHits, Qt::AlignRight | Qt::AlignVCenter);
}

const httpsvr::CHitDoc* CHttpSvrView::HitAt(int row) const {
    auto* item = static_cast<HitItem*>(list_->topLevelItem(row));
    return item ? item->hit : nullptr;
}

int CHttpSvrView::rowCount() const {
    return list_->topLevelItemCount();
}

void CHttpSvrView::SortBy(int column) {
    list_->sortItems(column, Qt::AscendingOrder);
    list_->header()->setSortIndicator(column, Qt::AscendingOrder);
}

void CHttpSvrView::OpenRow(int listRow) {
    const httpsvr::CHitDoc* hit = HitAt(listRow);
    if (!hit || !hit->Successful() || hit->kind == httpsvr::kKindCgi) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(hit->folder + hit->file)));
}

void CHttpSvrView::ContextMenu(const QPoint& at) {
    QTreeWidgetItem* item = list_->itemAt(at);
    if (!item) return;
    int listRow = list_->indexOfTopLevelItem(item);
    const httpsvr::CHitDoc* hit = HitAt(listRow);
    if (!hit) return;
    QMenu menu(this);
    QString url = QStringLiteral("http://%1:%2%3")
                      .arg(QString::fromStdString(doc_->settings().serverName))
                      .arg(doc_->port())
                      .arg(QString::fromStdString(hit->url));
    QString folder = QString::fromStdString(hit->folder);
    if (hit->Successful() && hit->kind != httpsvr::kKindCgi) {
        menu.addAction(QStringLiteral("&Open"), this, [this, listRow] { OpenRow(listRow); });
        menu.addAction(QStringLiteral("Open &Folder"), this,
                       [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    } else if (hit->Successful()) {
        menu.addAction(QStringLiteral("Open Program's &Folder"), this,
                       [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    }
    menu.addAction(QStringLiteral("&Copy Address"), this, [url] { QApplication::clipboard()->setText(url); });
    menu.exec(list_->viewport()->mapToGlobal(at));
}

void CHttpSvrView::ShowOptions() {
    ServerOptionsDialog dialog(doc_->settings(), this);
    if (dialog.exec() == QDialog::Accepted) doc_->ApplySettings(dialog.settings());
}

}  // namespace sky::ui
