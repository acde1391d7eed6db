#pragma once

#include <QDateTime>
#include <QStringList>
#include <QWidget>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// A list of one local folder, shared by the web-space and FTP windows: walk
// the folders, drag files out, drop remote files in to fetch them.
class LocalFilesPanel : public QWidget {
    Q_OBJECT
public:
    // The drag format of remote rows (the 20-byte head and NUL-ended addresses).
    static constexpr const char* kRemoteFilesMime = "application/x-skyharbor-remote-files";
    enum Column { NameColumn = 0, SizeColumn, TypeColumn, ModifiedColumn };

    LocalFilesPanel(SettingsStore& settings, QWidget* parent = nullptr);

    QString folder() const { return folder_; }
    // Lists `folder`; the list and the setting stay as they were when it cannot be read.
    void SetFolder(const QString& folder);
    void Refresh();
    void SortBy(Column column);
    Column sortColumn() const { return sortColumn_; }
    QTreeWidget* list() const { return list_; }

signals:
    void remoteFilesDropped(const QStringList& addresses, const QString& folder);
    void fileActivated(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QString name;
        bool folder = false;
        qint64 size = 0;
        QDateTime modified;
    };
    bool List(const QString& folder);
    void Fill();
    void Activate(QTreeWidgetItem* item);
    void StartDrag();

    SettingsStore& settings_;
    QTreeWidget* list_ = nullptr;
    QString folder_;
    bool hasParent_ = false;
    std::vector<Row> rows_;
    Column sortColumn_ = NameColumn;
};

// The addresses of a remote-files drag block; empty when it is not one.
QStringList RemoteFileAddresses(const QByteArray& block);

}  // namespace sky::ui
