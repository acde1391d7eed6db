#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <unordered_map>

#include "core/httpsvr/hit_log.h"

class QTreeWidget;
class QTreeWidgetItem;
class QLabel;

namespace sky::ui {

class CHttpSvrDoc;

// The "Server Status" window: one row per address asked for since the
// server started, merged by address, sortable by column. A view of the
// server's document, which outlives it.
class CHttpSvrView : public QWidget {
    Q_OBJECT
public:
    explicit CHttpSvrView(CHttpSvrDoc& doc, QWidget* parent = nullptr);
    ~CHttpSvrView() override;

    CHttpSvrDoc* document() const { return doc_; }
    QTreeWidget* list() const { return list_; }

    // Makes sure the root folder exists (asking the user), then listens.
    void OpenServer();
    // The root folder check; false when the user gave up.
    bool CheckRootFolder();

    // The row for `hit`'s address, merged with what was there.
    void AddHit(const httpsvr::CHitDoc& hit);
    const httpsvr::CHitDoc* HitAt(int row) const;
    int rowCount() const;
    void SortBy(int column);
    void ShowOptions();

    // Opens a row's file with the desktop's "open" action.
    void OpenRow(int row);

    // The user's answers to the root folder questions; replaceable in tests.
    // Nothing exists at `path`: return the path to use ("" to give up) and whether to create it.
    std::function<QString(const QString& path, bool* create)> askMissingRoot;
    // `path` is not a folder: return the folder to use ("" to give up).
    std::function<QString(const QString& path)> askNotAFolder;

signals:
    void titleChanged(const QString& title);

private:
    void ShowRow(QTreeWidgetItem* item, const httpsvr::CHitDoc& hit);
    void ShowStatus();
    void ContextMenu(const QPoint& at);

    CHttpSvrDoc* doc_;
    QTreeWidget* list_;
    QLabel* status_;
    httpsvr::HitLog rows_;
    std::unordered_map<std::string, QTreeWidgetItem*> items_;  // by URL
};

}  // namespace sky::ui
