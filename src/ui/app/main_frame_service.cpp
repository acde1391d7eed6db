// The frame's service session and background downloads.
#include <sys/stat.h>

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include "core/app/sky_reg_client.h"
#include "core/base/identity.h"
#include "core/base/paths.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "core/channels/channel_list.h"
#include "ui/app/download_progress.h"
#include "ui/app/main_frame.h"
#include "ui/base/messages.h"
#include "ui/channels/channel_bar.h"
#include "ui/channels/channel_import.h"
#include "ui/channels/local_sheet.h"
#include "ui/service/login_dialog.h"
#include "ui/service/registration_sheet.h"

namespace sky::ui {

namespace {

constexpr int kStartUpImportTries = 3;
constexpr int kMinPingMs = 10000;

CMainFrame::InstallerRunner& Runner() {
    static CMainFrame::InstallerRunner runner;
    return runner;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

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

void CMainFrame::SetInstallerRunner(InstallerRunner runner) {
    Runner() = std::move(runner);
}

CSkyRegClient& CMainFrame::regClient() {
    if (!regClient_) regClient_ = std::make_unique<CSkyRegClient>(ActiveServiceHosts().web);
    return *regClient_;
}

bool CMainFrame::RunLogin() {
    CLoginDlg dialog(regClient(), Q(SettingsStore::App().GetString("Misc", "Account")), this);
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    SetLoggedIn(regClient().account(), regClient().password());
    SendPing(QStringLiteral("Login"), QStringLiteral("login"));
    return true;
}

void CMainFrame::SetLoggedIn(const std::string& account, const std::string& password) {
    SettingsStore::App().WriteString("Misc", "Account", account);
    account_ = Q(account);
    loggedIn_ = true;
    loginPassword_ = Q(password);
    statusText_ = QStringLiteral("Logged in as ") + account_;
    statusBar()->showMessage(statusText_);
}

bool CMainFrame::RunRegistration() {
    CRegPropertySheet sheet(ActiveServiceHosts().web, this);
    if (ExecDialog(sheet) != QDialog::Accepted || !sheet.registered()) return false;
    SetLoggedIn(sheet.entries().member, sheet.entries().password);
    return true;
}

void CMainFrame::RunFirstRunSheets() {
    SettingsStore& s = SettingsStore::App();
    if (s.GetString("Misc", "Account").empty()) {
        RunRegistration();
        std::string account = s.GetString("Misc", "Account");
        if (account.empty()) {
            s.WriteString("Misc", "Account", "UNREGISTERED");
            account = "UNREGISTERED";
        }
        account_ = Q(account);
    }
    if (s.GetString("local", "zip").empty()) RunCommand(FrameCommand::LocalSettings);
}

void CMainFrame::StartPing(bool first) {
    // A running download keeps the line free; the count still advances.
    if (!first) ++pingCount_;
    if (busy_) return;
    if (first)
        SendPing(QStringLiteral("START"), QStringLiteral("SKYB3"));
    else
        SendPing(QStringLiteral("PING"), QStringLiteral("P%1-C%2").arg(pingCount_).arg(colourCount_));
}

void CMainFrame::JoinFinishedPings() {
    for (auto it = pings_.begin(); it != pings_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = pings_.erase(it);
        } else {
            ++it;
        }
    }
}

void CMainFrame::SendPing(const QString& action, const QString& text) {
    ServiceHosts hosts = ActiveServiceHosts();
    std::string ip = PingAddress(hosts.web);
    if (ip == "0.0.0.0") return;
    if (SettingsStore::App().GetString("chat", "nickname").empty())
        machineIdentity_ = Q(ComputerName() + "." + ip);
    PingRequest r;
    r.host = hosts.web;
    r.account = account_.toStdString();
    r.cookie = cookie_.toStdString();
    r.action = action.toStdString();
    r.text = text.toStdString();
    r.version = kVersionString;
    r.engine = engineBuild_.toStdString();
    r.ip = ip;
    r.lastStartupMsg = lastStartupMsg_;
    r.lastBroadcast = lastBroadcast_;
    r.lastBulletin = lastBulletin_;
    std::string url = BuildPingUrl(r);
    ++pingsSent_;
    JoinFinishedPings();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread worker([this, url, done] {
        HttpGetResult answer = HttpGet(url, CSkyRegClient::kAnswerSize, 20, &closing_);
        if (answer.code == 0)
            if (auto fields = ParsePingAnswer(answer.body))
                for (const std::string& field : *fields)
                    QMetaObject::invokeMethod(
                        this, [this, field] { OnServerLine(Q(field)); }, Qt::QueuedConnection);
        done->store(true);
    });
    pings_.push_back({std::move(worker), done});
}

void CMainFrame::OnServerLine(const QString& field) {
    ServerLine line = ParseServerLine(field.toStdString());
    if (line.value == 0) return;
    SettingsStore& s = SettingsStore::App();
    const char* key = nullptr;
    QString popupName;
    switch (line.kind) {
        case ServerLineKind::PingInterval:
            // A service gone wrong must not turn the ping into a flood.
            pingIntervalMs_ = std::max(line.value, kMinPingMs);
            // Before the first ping the cycle starts with the new period anyway.
            if (!timer1_.isActive()) timer2_.start(pingIntervalMs_, this);
            return;
        case ServerLineKind::StartupMsg:
            lastStartupMsg_ = line.value;
            key = "LastStartupMsg";
            popupName = QStringLiteral("StatupMsg");
            break;
        case ServerLineKind::Broadcast:
            lastBroadcast_ = line.value;
            key = "LastBroadcast";
            popupName = QStringLiteral("BroadcastMsg");
            break;
        case ServerLineKind::Bulletin:
            lastBulletin_ = line.value;
            key = "LastBulletin";
            popupName = QStringLiteral("Bulletin");
            break;
        case ServerLineKind::Other:
            return;
    }
    s.WriteInt("Ping", key, line.value);
    // Only web pages: a service line never opens a local file or a script.
    QUrl url(Q(line.url));
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        OpenPopup(url, popupName);
}

bool CMainFrame::StartDownload(DownloadJobId id, const QString& url, const QString& target,
                               const QString& title) {
    if (busy_ || downloadWorker_.joinable()) {
        ShowMessage(this,
                    QStringLiteral("Sorry, another download is still running.\n\nPlease try again when it "
                                   "has finished."));
        return false;
    }
    if (target.isEmpty()) {
        // No private folder to download into.
        ShowMessage(this, id == DownloadJobId::ChannelFile
                              ? QStringLiteral("An Error Occurred Updating Your Channels.")
                              : QStringLiteral("Error connecting to the server.  Please try again"));
        return false;
    }
    if (!progress_) {
        progress_ = new CDownloadProgressDlg(this);
        connect(progress_, &CDownloadProgressDlg::cancelRequested, this, &CMainFrame::CancelDownload);
    }
    progress_->Begin(title);
    progress_->show();
    progress_->raise();
    downloadJob_ = id;
    downloadTarget_ = target;
    downloadTotal_ = downloadReceived_ = 0;
    cancel_.store(false);
    busy_ = true;
    DownloadJobSpec spec;
    spec.url = url.toStdString();
    spec.target = target.toStdString();
    spec.id = id;
    spec.cancel = &cancel_;
    DownloadJobEvents events;
    auto post = [this](auto fn) { QMetaObject::invokeMethod(this, fn, Qt::QueuedConnection); };
    events.sizeKnown = [this, post](long long total) { post([this, total] { OnDownloadSize(total); }); };
    events.chunkWritten = [this, post](long long bytes) { post([this, bytes] { OnDownloadChunk(bytes); }); };
    events.cancelled = [this, post] { post([this] { OnDownloadCancelled(); }); };
    events.finished = [this, post](int code) { post([this, code] { OnDownloadFinished(code); }); };
    downloadWorker_ = StartDownloadJob(spec, events);
    return true;
}

void CMainFrame::CancelDownload() {
    if (!downloadWorker_.joinable()) return;
    busy_ = false;
    progress_->SetStatus(QStringLiteral("Canceling operation please wait"));
    progress_->cancelButton()->setEnabled(false);
    cancel_.exchange(true);
}

void CMainFrame::OnDownloadSize(long long total) {
    if (!busy_ || total <= 0) return;
    downloadTotal_ = total;
    progress_->ShowBar();
}

void CMainFrame::OnDownloadChunk(long long bytes) {
    if (!busy_) return;
    downloadReceived_ += bytes;
    if (downloadTotal_ > 0) progress_->SetPosition(ProgressPosition(downloadReceived_, downloadTotal_));
    progress_->SetStatus(QStringLiteral("Downloaded '%1' bytes").arg(bytes));
}

void CMainFrame::OnDownloadCancelled() {
    busy_ = false;
    progress_->SetStatus(QStringLiteral("Worker thread terminated at user request hThread: %1, thread ID: %2")
                             .arg(QString::number(static_cast<int>(downloadJob_), 16).toUpper())
                             .arg(0));
}

void CMainFrame::OnDownloadFinished(int code) {
    if (downloadWorker_.joinable()) downloadWorker_.join();
    busy_ = false;
    progress_->hide();
    bool channelJob = downloadJob_ == DownloadJobId::ChannelFile;
    if (cancel_.load() || code != download_result::kOk) {
        // Nothing half done stays behind: a file finished just as the user
        // cancelled, and the installer's own folder.
        QFile::remove(downloadTarget_);
        if (!channelJob) QDir().rmdir(QFileInfo(downloadTarget_).absolutePath());
    }
    if (cancel_.load()) {
        startUpImport_ = false;
        ShowMessage(this, channelJob ? QStringLiteral("Import aborted") : QStringLiteral("Update Aborted"));
        return;
    }
    if (code != download_result::kOk) {
        if (startUpImport_ && ++startUpImportFailures_ < kStartUpImportTries) {
            // The start-up import tries again quietly before it gives up.
            QTimer::singleShot(3000, this, [this] { StartUpChannelImport(); });
            return;
        }
        startUpImport_ = false;
        ShowMessage(this, QStringLiteral("Error connecting to the server.  Please try again"));
        return;
    }
    if (channelJob)
        FinishChannelJob();
    else
        RunInstaller(downloadTarget_);
}

void CMainFrame::FinishChannelJob() {
    // The start-up import fills an empty bar; a box about a file the user
    // never asked for would only puzzle.
    bool quiet = startUpImport_;
    startUpImport_ = false;
    std::string path = downloadTarget_.toStdString();
    // A page that is no channel file (an error page, say) imports nothing.
    CChannelList fresh;
    bool ok = fresh.Load(path) && !fresh.empty();
    if (ok && replaceChannels_) {
        CChannelList& main = bar_->mainList();
        main.Clear();
        for (auto& channel : fresh.channels()) main.channels().push_back(std::move(channel));
    } else if (ok) {
        ok = ImportChannelFile(this, bar_->mainList(), downloadTarget_);
    }
    QFile::remove(downloadTarget_);
    if (!ok) {
        ShowMessage(this, QStringLiteral("Error Importing SkyChannel file"));
        return;
    }
    ChannelsChanged(false);
    if (!quiet) ShowMessage(this, QStringLiteral("Channel File has been processed !"));
}

void CMainFrame::ImportPublicChannel(const QString& url, bool replace) {
    SettingsStore& s = SettingsStore::App();
    if (!replace) {
        if (s.GetInt("misc", "FirstChannelImport", 0) == 0) {
            s.WriteInt("misc", "FirstChannelImport", 1);
        } else if (!AskYesNo(this, QStringLiteral("A Public Channel file will now be imported") +
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

void CMainFrame::ReplaceChannels(const QString& source) {
    QString raw = source.startsWith(QLatin1String("http://")) ? source.mid(7) : source;
    QString url = raw.size() < 4 ? Q(ServiceUrl(ActiveServiceHosts().web, "/skychan1.sky")) : source;
    if (!AskYesNo(this, QStringLiteral("Your channels will now be replaced.") +
                            QStringLiteral("\n\nReplacement file: ") + url +
                            QStringLiteral("\n\nDo you want to continue ?")))
        return;
    ImportPublicChannel(url, true);
}

void CMainFrame::StartUpChannelImport() {
    if (!bar_->mainList().empty() || busy_) return;
    if (startUpImportFailures_ >= kStartUpImportTries) return;
    startUpImport_ = true;
    ImportPublicChannel(Q(ServiceUrl(ActiveServiceHosts().web, "/skychan1.sky")));
}

void CMainFrame::UpdateSoftware() {
    if (!AskYesNo(this,
                  QStringLiteral("We will now download an updated version of this software.\n\nThis may "
                                 "take a minute or so....") +
                      QStringLiteral("\n\nDo you want to continue ?"))) {
        ShowMessage(this, QStringLiteral("Software update cancelled.\n\nPlease try again later"));
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString target = InstallerTarget();
    QGuiApplication::restoreOverrideCursor();
    StartDownload(DownloadJobId::Installer, Q(ServiceUrl(ActiveServiceHosts().web, "/bin/skysetup.exe")),
                  target, QStringLiteral("Downloading Software Updates"));
}

void CMainFrame::RunInstaller(const QString& path) {
    // The program closes its windows first, so the installer can replace it.
    ::chmod(QFile::encodeName(path).constData(), 0700);
    close();
    bool started = Runner() ? Runner()(path) : QProcess::startDetached(path, {});
    // The next start removes a started installer; one that did not start is
    // left for the user.
    if (started) SettingsStore::App().WriteString("Misc", "DeleteUpdateFile", path.toStdString());
    if (!started)
        ShowMessage(nullptr,
                    QStringLiteral("The update was downloaded but could not be started:\n\n") + path +
                        QStringLiteral("\n\nStart it yourself, or try the update again later."),
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace sky::ui
