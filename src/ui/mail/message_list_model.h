#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <vector>

#include "core/mail/mail_store.h"

namespace sky::ui {

// The rows of the message list: one per stored message, with the texts of
// its three columns made once. Unread rows stay above read ones in every
// sort. A filter narrows the rows shown by subject and sender.
class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Subject = 0, From = 1, Received = 2 };

    explicit MessageListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

    // A folder as the store lists it (unread first).
    void Load(std::vector<MessageSummary> rows);
    // A message that arrived: added whatever folder is shown.
    void Add(const MessageSummary& summary);
    void Remove(const std::vector<std::string>& paths);
    // The row is read now: its icon changes.
    void SetRead(int row);
    void SetFilter(const QString& text);

    const MessageSummary& summary(int row) const { return rows_[shown_[row]].summary; }
    QString path(int row) const { return QString::fromStdString(summary(row).path); }
    int RowOf(const QString& path) const;
    int total() const { return static_cast<int>(rows_.size()); }

private:
    struct Row {
        MessageSummary summary;
        QString subject, from, received;
    };
    static Row Make(MessageSummary s);
    bool Matches(const Row& r) const;
    void Reshow();

    std::vector<Row> rows_;
    std::vector<int> shown_;  // indexes into rows_, in display order
    QString filter_;
    int sortColumn_ = -1;
    QIcon icons_[4];
};

// The order of the list: unread first; then subject or sender without regard
// to case, or the newer date first (a row without a valid date after).
bool MessageRowBefore(const MessageSummary& a, const QString& aText, const MessageSummary& b,
                      const QString& bText, int column);

}  // namespace sky::ui
