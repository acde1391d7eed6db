#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/ftp/ftp_client.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace sky::ui {

class AppContext;
class LocalFilesPanel;
class UiJob;

// The connection of one FTP window: the site, the folder shown, the client.
class CFTPDoc : public QObject {
    Q_OBJECT
public:
    explicit CFTPDoc(QObject* parent = nullptr) : QObject(parent) {}
    ftp::FtpSite site;
    QString folder = QStringLiteral("/");
    std::unique_ptr<ftp::FtpClient> client;  // used by one job at a time
    bool connected() const { return client != nullptr; }
};

// The FTP window: the remote list with Connect and Refresh, the local files
// below, the "Commands" menu, and a progress line for every transfer.
class CFTPView : public QMainWindow {
    Q_OBJECT
public:
    explicit CFTPView(AppContext& context, QWidget* parent = nullptr);
    ~CFTPView() override;

    CFTPDoc* document() const { return doc_; }
    QTreeWidget* list() const { return list_; }
    LocalFilesPanel* localFiles() const { return local_; }
    QProgressBar* progress() const { return progress_; }
    bool busy() const;

    // The commands.
    void ConnectDialog();
    void ConnectTo(const ftp::FtpSite& site, const QString& folder);
    void Refresh();
    void Disconnect();
    void Stop();
    void RemoteEdit();
    void RemoteEditPath(const QString& path);
    void NewFile(const QString& name);
    void NewFolder(const QString& name);
    void UploadFiles(const QStringList& paths);
    void OpenRow(QTreeWidgetItem* item);
    // Remote files dropped on the local panel: fetched into `folder`.
    void Fetch(const QStringList& addresses, const QString& folder);

signals:
    // An operation ended (for tests and the status line).
    void operationDone(bool ok, const QString& message);

private:
    using Work = std::function<ftp::FtpResult(ftp::FtpClient&, const ftp::Progress&)>;
    using Done = std::function<void(const ftp::FtpResult&)>;
    // Runs `work` on the client on a worker; `done` on the UI thread.
    bool Run(const QString& what, Work work, Done done);
    void Fill(const std::vector<ftp::FtpEntry>& entries);
    void ShowProgress(uint64_t done, uint64_t total);
    void Transfer(const QString& what, bool upload, std::string local, std::string remote, bool resume,
                  std::function<void(bool ok)> then);
    void Failed(const QString& title, const ftp::FtpResult& r);

    AppContext& context_;
    CFTPDoc* doc_;
    QTreeWidget* list_;
    LocalFilesPanel* local_;
    QProgressBar* progress_;
    QLabel* rate_;
    QLabel* where_;
    UiJob* job_;
    QElapsedTimer clock_;
    std::vector<ftp::FtpEntry> entries_;
};

}  // namespace sky::ui
