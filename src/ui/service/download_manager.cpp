#include "ui/service/download_manager.h"

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "core/app/sky_reg_client.h"
#include "core/app/software_version.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/ui_job.h"
#include "ui/channels/channel_import.h"
#include "ui/channels/channels_tool.h"
#include "ui/service/download_progress.h"

namespace sky::ui {

namespace {

constexpr int kStartUpImportTries = 3;

// Where a download lands: the private temporary folder of this run.
QString TempTarget(const char* name) {
    std::string dir = PrivateTempDir();
    return dir.empty() ? QString() : Q(JoinPath(dir, name));
}

// The installer outlives this run (it is started as the program ends), so
// it gets a private folder of its own that the next start clears.
QString InstallerTarget() {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/skyharbor-update-XXXXXX"));
    if (!dir.isValid()) return {};
    dir.setAutoRemove(false);
    return dir.filePath(QStringLiteral("skysetup.exe"));
}

}  // namespace

DownloadManager::DownloadManager(AppContext& context)
    : context_(context), job_(new UiJob(this)), versionCheck_(new UiJob(this)) {
    connect(job_, &UiJob::finished, this, &DownloadManager::OnDownloadFinished);
    connect(versionCheck_, &UiJob::finished, this, &DownloadManager::OnVersionAnswer);
}

DownloadManager::~DownloadManager() {
    // The jobs report to this object; they end before the members go.
    delete versionCheck_;
    delete job_;
    delete progress_;
}

bool DownloadManager::busy() const {
    return busy_ || versionCheck_->busy();
}

QWidget* DownloadManager::Parent() const {
    return context_.frame() ? context_.frame()->window() : nullptr;
}

bool DownloadManager::StartDownload(DownloadJobId id, const QString& url, const QString& target,
                                    const QString& title) {
    if (target.isEmpty() && !job_->busy()) {
        // No private folder to download into.
        ShowMessage(Parent(), id == DownloadJobId::ChannelFile
                                  ? QStringLiteral("An Error Occurred Updating Your Channels.")
                                  : QStringLiteral("Error connecting to the server.  Please try again"));
        return false;
    }
    DownloadJobSpec spec;
    spec.url = url.toStdString();
    spec.target = target.toStdString();
    spec.id = id;
    bool started = job_->StartOrRefuse(
        Parent(),
        [this, spec](std::stop_token stop, const UiJob::Post& post) mutable {
            StopFlag cancel(stop);
            spec.cancel = cancel.get();
            DownloadJobEvents events;
            events.sizeKnown = [this, post](long long total) {
                post([this, total] { OnDownloadSize(total); });
            };
            events.chunkWritten = [this, post](long long bytes) {
                post([this, bytes] { OnDownloadChunk(bytes); });
            };
            events.cancelled = [this, post] { post([this] { OnDownloadCancelled(); }); };
            return RunDownloadJob(spec, events);
        },
        QStringLiteral(
            "Sorry, another download is still running.\n\nPlease try again when it has finished."));
    if (!started) return false;
    // The job's reports are queued, so they find all this in place.
    if (!progress_) {
        // A window of its own: it may outlive the frame for a moment at exit.
        progress_ = new CDownloadProgressDlg(nullptr);
        connect(progress_, &CDownloadProgressDlg::cancelRequested, this, &DownloadManager::CancelDownload);
    }
    progress_->Begin(title);
    progress_->show();
    progress_->raise();
    downloadJob_ = id;
    downloadTarget_ = target;
    downloadTotal_ = downloadReceived_ = 0;
    busy_ = true;
    return true;
}

void DownloadManager::CancelDownload() {
    if (!job_->busy()) return;
    busy_ = false;
    progress_->SetStatus(QStringLiteral("Canceling operation please wait"));
    progress_->cancelButton()->setEnabled(false);
    job_->Cancel();
}

void DownloadManager::OnDownloadSize(long long total) {
    if (!busy_ || total <= 0) return;
    downloadTotal_ = total;
    progress_->ShowBar();
}

void DownloadManager::OnDownloadChunk(long long bytes) {
    if (!busy_) return;
    downloadReceived_ += bytes;
    if (downloadTotal_ > 0) progress_->SetPosition(ProgressPosition(downloadReceived_, downloadTotal_));
    progress_->SetStatus(QStringLiteral("Downloaded '%1' bytes").arg(bytes));
}

void DownloadManager::OnDownloadCancelled() {
    busy_ = false;
    progress_->SetStatus(QStringLiteral("Worker thread terminated at user request hThread: %1, thread ID: %2")
                             .arg(QString::number(static_cast<int>(downloadJob_), 16).toUpper())
                             .arg(0));
}

void DownloadManager::OnDownloadFinished(int code) {
    busy_ = false;
    progress_->hide();
    bool channelJob = downloadJob_ == DownloadJobId::ChannelFile;
    bool cancelled = job_->cancelled();
    if (cancelled || code != download_result::kOk) {
        // Nothing half done stays behind: a file finished just as the user
        // cancelled, and the installer's own folder.
        QFile::remove(downloadTarget_);
        if (!channelJob) QDir().rmdir(QFileInfo(downloadTarget_).absolutePath());
    }
    if (cancelled) {
        startUpImport_ = false;
        ShowMessage(Parent(),
                    channelJob ? QStringLiteral("Import aborted") : QStringLiteral("Update Aborted"));
        return;
    }
    if (code != download_result::kOk) {
        if (startUpImport_ && ++startUpImportFailures_ < kStartUpImportTries) {
            // The start-up import tries again quietly before it gives up.
            QTimer::singleShot(3000, this, [this] { StartUpChannelImport(); });
            return;
        }
        startUpImport_ = false;
        ShowMessage(Parent(), QStringLiteral("Error connecting to the server.  Please try again"));
        return;
    }
    if (channelJob)
        FinishChannelJob();
    else
        RunInstaller(downloadTarget_);
}

void DownloadManager::FinishChannelJob() {
    // The start-up import fills an empty bar; a box about a file the user
    // never asked for would only puzzle.
    bool quiet = startUpImport_;
    startUpImport_ = false;
    std::string path = downloadTarget_.toStdString();
    // A page that is no channel file (an error page, say) imports nothing.
    CChannelList fresh;
    bool ok = fresh.Load(path) && !fresh.empty();
    CChannelList& main = context_.mainChannels();
    if (ok && replaceChannels_) {
        main.Clear();
        for (auto& channel : fresh.channels()) main.channels().push_back(std::move(channel));
    } else if (ok) {
        bool cancelled = false;
        ok = ImportChannelFile(Parent(), main, downloadTarget_, &cancelled);
        if (cancelled) {
            QFile::remove(downloadTarget_);
            ShowMessage(Parent(), QStringLiteral("Import aborted"));
            return;
        }
    }
    QFile::remove(downloadTarget_);
    if (!ok) {
        ShowMessage(Parent(), QStringLiteral("Error Importing SkyChannel file"));
        return;
    }
    if (context_.channels) context_.channels->ChannelsChanged(false);
    if (!quiet) ShowMessage(Parent(), QStringLiteral("Channel File has been processed !"));
}

void DownloadManager::ImportPublicChannel(const QString& url, bool replace) {
    SettingsStore& s = context_.settings();
    if (!replace) {
        // The start-up import only fills an empty bar: it asks nothing.
        if (s.GetInt("misc", "FirstChannelImport", 0) == 0) {
            s.WriteInt("misc", "FirstChannelImport", 1);
        } else if (!startUpImport_ &&
                   !AskYesNo(Parent(), QStringLiteral("A Public Channel file will now be imported") +
                                           QStringLiteral("\n\nChannel file: ") + url +
                                           QStringLiteral("\n\nDo you want to continue ?"))) {
            startUpImport_ = false;
            return;
        }
    }
    replaceChannels_ = replace;
    if (!StartDownload(DownloadJobId::ChannelFile, url, TempTarget("skytemp.sdf"),
                       QStringLiteral("Importing Public Channel File")))
        startUpImport_ = false;
}

void DownloadManager::ReplaceChannels(const QString& source) {
    QString raw = source.startsWith(QLatin1String("http://")) ? source.mid(7) : source;
    QString url = raw.size() < 4 ? Q(ServiceUrl(context_.hosts().web, "/skychan1.sky")) : source;
    if (!AskYesNo(Parent(), QStringLiteral("Your channels will now be replaced.") +
                                QStringLiteral("\n\nReplacement file: ") + url +
                                QStringLiteral("\n\nDo you want to continue ?")))
        return;
    ImportPublicChannel(url, true);
}

void DownloadManager::StartUpChannelImport() {
    if (!context_.mainChannels().empty() || busy_) return;
    if (startUpImportFailures_ >= kStartUpImportTries) return;
    startUpImport_ = true;
    ImportPublicChannel(Q(ServiceUrl(context_.hosts().web, "/skychan1.sky")));
}

namespace {

// What the service's version answer means for this program.
enum VersionAnswer { kNothingNewer = 0, kNewer = 1, kUnreachable = 2 };

}  // namespace

void DownloadManager::UpdateSoftware() {
    if (versionCheck_->busy()) return;
    std::string url = ServiceUrl(context_.hosts().web, "/bin/version.txt");
    versionCheck_->Start([url](std::stop_token stop, const UiJob::Post&) {
        StopFlag cancel(stop);
        HttpGetResult answer = HttpGet(url, 256, 20, cancel.get());
        // No version published: nothing to offer, and nothing went wrong.
        if (answer.httpStatus == 404) return int(kNothingNewer);
        if (answer.code != 0 || answer.httpStatus != 200) return int(kUnreachable);
        std::optional<SoftwareVersion> published = ParseSoftwareVersion(answer.body);
        if (!published) return int(kUnreachable);
        return int(published->Compare(ProgramVersion()) > 0 ? kNewer : kNothingNewer);
    });
}

void DownloadManager::OnVersionAnswer(int answer) {
    if (versionCheck_->cancelled()) return;
    if (answer == kUnreachable) {
        ShowMessage(Parent(), QStringLiteral("Error connecting to the server.  Please try again"));
        return;
    }
    if (answer == kNothingNewer) {
        ShowMessage(Parent(), QStringLiteral("SkyHarbor is up to date."));
        return;
    }
    if (!AskYesNo(Parent(),
                  QStringLiteral("We will now download an updated version of this software.\n\nThis may "
                                 "take a minute or so....") +
                      QStringLiteral("\n\nDo you want to continue ?"))) {
        ShowMessage(Parent(), QStringLiteral("Software update cancelled.\n\nPlease try again later"));
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString target = InstallerTarget();
    QGuiApplication::restoreOverrideCursor();
    StartDownload(DownloadJobId::Installer, Q(ServiceUrl(context_.hosts().web, "/bin/skysetup.exe")), target,
                  QStringLiteral("Downloading Software Updates"));
}

void DownloadManager::RunInstaller(const QString& path) {
    // The program closes its windows first, so the installer can replace it.
    ::chmod(QFile::encodeName(path).constData(), 0700);
    if (context_.frame()) context_.frame()->CloseFrame();
    bool started = runner_ ? runner_(path) : QProcess::startDetached(path, {});
    // The next start removes a started installer; one that did not start is
    // left for the user.
    if (started) context_.settings().WriteString("Misc", "DeleteUpdateFile", path.toStdString());
    if (!started)
        ShowMessage(nullptr,
                    QStringLiteral("The update was downloaded but could not be started:\n\n") + path +
                        QStringLiteral("\n\nStart it yourself, or try the update again later."),
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace sky::ui
