#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "core/app/download_job.h"

namespace sky::ui {

class AppContext;
class CDownloadProgressDlg;
class UiJob;

// The one background download at a time, with its progress window: public
// channel files merged into the channels, "rlc:" replacements and the
// software update.
class DownloadManager : public QObject {
    Q_OBJECT
public:
    explicit DownloadManager(AppContext& context);
    ~DownloadManager() override;

    // A download, or the update's question to the service, is under way.
    bool busy() const;
    bool StartDownload(DownloadJobId id, const QString& url, const QString& target, const QString& title);
    void CancelDownload();
    CDownloadProgressDlg* downloadWindow() const { return progress_; }
    QString downloadTarget() const { return downloadTarget_; }

    // A public channel file (".sdf" links, the start-up import) merged into
    // the channels; `replace` swaps the whole list instead ("rlc:").
    void ImportPublicChannel(const QString& url, bool replace = false);
    void ReplaceChannels(const QString& source);
    // While the main list holds no channel: the service's public channels,
    // tried at most three times in a run.
    void StartUpChannelImport();
    // Asks the service for its version first; only a newer one is offered.
    void UpdateSoftware();

    // Starts the downloaded installer once the windows are closed; tests
    // put their own in place.
    using InstallerRunner = std::function<bool(const QString& path)>;
    void SetInstallerRunner(InstallerRunner runner) { runner_ = std::move(runner); }

private:
    QWidget* Parent() const;
    void OnDownloadSize(long long total);
    void OnDownloadChunk(long long bytes);
    void OnDownloadCancelled();
    void OnDownloadFinished(int code);
    void FinishChannelJob();
    void RunInstaller(const QString& path);
    void OnVersionAnswer(int answer);

    AppContext& context_;
    InstallerRunner runner_;
    bool busy_ = false;
    UiJob* job_ = nullptr;
    UiJob* versionCheck_ = nullptr;
    DownloadJobId downloadJob_ = DownloadJobId::ChannelFile;
    QString downloadTarget_;
    bool replaceChannels_ = false;
    bool startUpImport_ = false;
    int startUpImportFailures_ = 0;
    long long downloadTotal_ = 0;
    long long downloadReceived_ = 0;
    CDownloadProgressDlg* progress_ = nullptr;
};

}  // namespace sky::ui
