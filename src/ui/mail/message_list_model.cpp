#include "ui/mail/message_list_model.h"

#include <QApplication>
#include <QFont>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QUrl>
#include <algorithm>

namespace sky::ui {

namespace {

// Closed and open envelopes, with a clip for attachments.
QIcon Envelope(bool unread, bool attachments) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(unread ? QColor(255, 236, 140) : QColor(235, 235, 235));
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    if (unread) {
        p.drawLine(QPointF(1.5, 3.5), QPointF(8, 8.5));
        p.drawLine(QPointF(14.5, 3.5), QPointF(8, 8.5));
    } else {
        p.drawLine(QPointF(1.5, 12.5), QPointF(8, 7.5));
        p.drawLine(QPointF(14.5, 12.5), QPointF(8, 7.5));
    }
    if (attachments) {
        p.setPen(QPen(QColor(30, 30, 160), 1.5));
        p.drawLine(QPointF(12, 1), QPointF(12, 8));
        p.drawLine(QPointF(14, 1), QPointF(14, 8));
    }
    return QIcon(pm);
}

}  // namespace

bool MessageRowBefore(const MessageSummary& a, const QString& aText, const MessageSummary& b,
                      const QString& bText, int column) {
    if (a.unread != b.unread) return a.unread;
    if (column == MessageListModel::Received) {
        if (a.dateValid != b.dateValid) return a.dateValid;
        return a.dateValid && a.date > b.date;
    }
    return aText.compare(bText, Qt::CaseInsensitive) < 0;
}

MessageListModel::MessageListModel(QObject* parent) : QAbstractTableModel(parent) {
    for (int i = 0; i < 4; ++i) icons_[i] = Envelope(i >= 2, i % 2 == 1);
}

MessageListModel::Row MessageListModel::Make(MessageSummary s) {
    Row r;
    r.subject = QString::fromStdString(SubjectColumn(s));
    r.from = QString::fromStdString(s.from);
    r.received = QString::fromStdString(ReceivedColumn(s));
    r.summary = std::move(s);
    return r;
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(shown_.size())) return {};
    const Row& r = rows_[shown_[index.row()]];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return index.column() == Subject ? r.subject : index.column() == From ? r.from : r.received;
        case Qt::DecorationRole:
            return index.column() == Subject ? QVariant(icons_[r.summary.iconIndex()]) : QVariant();
        case Qt::FontRole:
            if (r.summary.unread) {
                QFont f;
                f.setBold(true);
                return f;
            }
            return {};
        case Qt::UserRole:
            return QString::fromStdString(r.summary.path);
    }
    return {};
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* names[] = {"Subject", "From", "Received"};
    return section >= 0 && section < 3 ? QString::fromLatin1(names[section]) : QVariant();
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
                           : Qt::NoItemFlags;
}

void MessageListModel::sort(int column, Qt::SortOrder) {
    if (column < 0 || column > 2) return;
    sortColumn_ = column;
    emit layoutAboutToBeChanged();
    auto text = [column](const Row& r) -> const QString& { return column == Subject ? r.subject : r.from; };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        return MessageRowBefore(a.summary, text(a), b.summary, text(b), column);
    });
    Reshow();
    emit layoutChanged();
}

QStringList MessageListModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* MessageListModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    for (const QModelIndex& i : indexes)
        if (i.column() == 0) urls << QUrl::fromLocalFile(path(i.row()));
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

void MessageListModel::Load(std::vector<MessageSummary> rows) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(rows.size());
    for (MessageSummary& s : rows) rows_.push_back(Make(std::move(s)));
    sortColumn_ = -1;
    Reshow();
    endResetModel();
}

void MessageListModel::Add(const MessageSummary& summary) {
    if (RowOf(QString::fromStdString(summary.path)) >= 0) return;
    rows_.push_back(Make(summary));
    if (!Matches(rows_.back())) return;
    int row = static_cast<int>(shown_.size());
    beginInsertRows({}, row, row);
    shown_.push_back(static_cast<int>(rows_.size()) - 1);
    endInsertRows();
}

void MessageListModel::Remove(const std::vector<std::string>& paths) {
    beginResetModel();
    std::erase_if(rows_, [&](const Row& r) {
        return std::find(paths.begin(), paths.end(), r.summary.path) != paths.end();
    });
    Reshow();
    endResetModel();
}

void MessageListModel::SetRead(int row) {
    if (row < 0 || row >= static_cast<int>(shown_.size())) return;
    Row& r = rows_[shown_[row]];
    if (!r.summary.unread) return;
    r.summary.unread = false;
    emit dataChanged(index(row, 0), index(row, 2));
}

void MessageListModel::SetFilter(const QString& text) {
    if (text == filter_) return;
    beginResetModel();
    filter_ = text;
    Reshow();
    endResetModel();
}

bool MessageListModel::Matches(const Row& r) const {
    return filter_.isEmpty() || r.subject.contains(filter_, Qt::CaseInsensitive) ||
           r.from.contains(filter_, Qt::CaseInsensitive);
}

void MessageListModel::Reshow() {
    shown_.clear();
    shown_.reserve(rows_.size());
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
        if (Matches(rows_[i])) shown_.push_back(i);
}

int MessageListModel::RowOf(const QString& path) const {
    std::string p = path.toStdString();
    for (int i = 0; i < static_cast<int>(shown_.size()); ++i)
        if (rows_[shown_[i]].summary.path == p) return i;
    return -1;
}

}  // namespace sky::ui
