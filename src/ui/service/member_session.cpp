#include "ui/service/member_session.h"

#include <QTimerEvent>
#include <QUrl>
#include <algorithm>
#include <ctime>

#include "core/app/sky_reg_client.h"
#include "core/base/identity.h"
#include "core/base/service_config.h"
#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "core/browser/navigation_hook.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/base/ui_job.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/service/download_manager.h"
#include "ui/service/login_dialog.h"
#include "ui/service/registration_sheet.h"

namespace sky::ui {

namespace {

constexpr int kMinPingMs = 10000;

QWidget* DialogParent(AppContext& context) {
    return context.frame() ? context.frame()->window() : nullptr;
}

}  // namespace

MemberSession::MemberSession(AppContext& context) : context_(context) {
    SettingsStore& s = context_.settings();
    machineIdentity_ = Q(MachineIdentity(s.GetString("chat", "nickname")));
    lastStartupMsg_ = s.GetInt("Ping", "LastStartupMsg", 0);
    lastBroadcast_ = s.GetInt("Ping", "LastBroadcast", 0);
    lastBulletin_ = s.GetInt("Ping", "LastBulletin", 0);
}

MemberSession::~MemberSession() {
    Stop();
}

void MemberSession::Start(const QString& engineBuild) {
    engineBuild_ = engineBuild;
    SettingsStore& s = context_.settings();
    std::string cookie = s.GetString("Misc", "Cook");
    if (cookie.empty()) {
        cookie = std::to_string(static_cast<long>(std::time(nullptr)));
        s.WriteString("Misc", "Cook", cookie);
    }
    cookie_ = Q(cookie);
    std::string account = s.GetString("Misc", "Account");
    account_ = account.empty() ? QStringLiteral("UNREGISTERED") : Q(account);
    firstPing_.start(kFirstPingMs, this);
}

void MemberSession::Stop() {
    firstPing_.stop();
    ping_.stop();
    // Each job cancels its request and joins as it goes.
    pings_.clear();
}

CSkyRegClient& MemberSession::regClient() {
    if (!regClient_) regClient_ = std::make_unique<CSkyRegClient>(context_.hosts().web);
    return *regClient_;
}

bool MemberSession::RunLogin() {
    CLoginDlg dialog(regClient(), Q(context_.settings().GetString("Misc", "Account")),
                     DialogParent(context_));
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    SetLoggedIn(regClient().account(), regClient().password());
    SendPing(QStringLiteral("Login"), QStringLiteral("login"));
    return true;
}

void MemberSession::SetLoggedIn(const std::string& account, const std::string& password) {
    context_.settings().WriteString("Misc", "Account", account);
    account_ = Q(account);
    loggedIn_ = true;
    loginPassword_ = Q(password);
    SetStatusText(QStringLiteral("Logged in as ") + account_);
    emit accountChanged(account_);
    LoadMemberStartPage();
}

void MemberSession::SetStatusText(const QString& text) {
    statusText_ = text;
    if (context_.frame()) context_.frame()->SetSessionText(statusText_);
}

void MemberSession::LoadMemberStartPage() {
    if (!context_.frame()) return;
    std::string zip = context_.settings().GetString("local", "zip");
    context_.frame()->HandleAddress(
        Q(StartRequestUrl(context_.hosts().web, zip.empty() ? "10001" : zip, account_.toStdString())), true);
}

void MemberSession::Logout() {
    loggedIn_ = false;
    loginPassword_.clear();
    // The client keeps the password and its own login flag.
    regClient_.reset();
    SetStatusText(QStringLiteral("Not Logged In"));
    // A greeting by name left on screen would say the member is still in.
    CK7View* view = context_.browser ? context_.browser->MainBrowserView() : nullptr;
    if (view && context_.frame() && view->LocationUrl().contains(QLatin1String("show.dll?Start&")))
        context_.frame()->HandleAddress(Q(StartPageUrl(context_.hosts().web)), true);
}

bool MemberSession::RunRegistration() {
    CRegPropertySheet sheet(context_.hosts().web, DialogParent(context_));
    if (ExecDialog(sheet) != QDialog::Accepted || !sheet.registered()) return false;
    SetLoggedIn(sheet.entries().member, sheet.entries().password);
    return true;
}

void MemberSession::RunFirstRunSheets() {
    SettingsStore& s = context_.settings();
    if (s.GetString("Misc", "Account").empty()) {
        RunRegistration();
        std::string account = s.GetString("Misc", "Account");
        if (account.empty()) {
            s.WriteString("Misc", "Account", "UNREGISTERED");
            account = "UNREGISTERED";
        }
        account_ = Q(account);
    }
    if (s.GetString("local", "zip").empty()) context_.registry().Invoke(QStringLiteral("channels.local"));
}

void MemberSession::StartPing(bool first) {
    // A running download keeps the line free; the count still advances.
    if (!first) ++pingCount_;
    if (context_.downloads().busy()) return;
    if (first)
        SendPing(QStringLiteral("START"), QStringLiteral("SKYB3"));
    else
        SendPing(QStringLiteral("PING"), QStringLiteral("P%1-C%2").arg(pingCount_).arg(colourCount_));
}

void MemberSession::SendPing(const QString& action, const QString& text) {
    const ServiceHosts& hosts = context_.hosts();
    std::string ip = PingAddress(hosts.web);
    if (ip == "0.0.0.0") return;
    if (context_.settings().GetString("chat", "nickname").empty())
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
    // Several pings may be under way; each goes when it is done.
    pings_.push_back(std::make_unique<UiJob>());
    UiJob* job = pings_.back().get();
    connect(job, &UiJob::finished, this, [this, job](int) {
        auto it = std::find_if(pings_.begin(), pings_.end(), [job](const auto& p) { return p.get() == job; });
        if (it == pings_.end()) return;
        it->release();
        pings_.erase(it);
        job->deleteLater();
    });
    job->Start([this, url](std::stop_token stop, const UiJob::Post& post) {
        StopFlag cancel(stop);
        HttpGetResult answer = HttpGet(url, CSkyRegClient::kAnswerSize, 20, cancel.get());
        if (answer.code == 0)
            if (auto fields = ParsePingAnswer(answer.body))
                for (const std::string& field : *fields) post([this, field] { OnServerLine(Q(field)); });
        return answer.code;
    });
}

void MemberSession::OnServerLine(const QString& field) {
    ServerLine line = ParseServerLine(field.toStdString());
    if (line.value == 0) return;
    const char* key = nullptr;
    QString popupName;
    switch (line.kind) {
        case ServerLineKind::PingInterval:
            // A service gone wrong must not turn the ping into a flood.
            pingIntervalMs_ = std::max(line.value, kMinPingMs);
            // Before the first ping the cycle starts with the new period anyway.
            if (!firstPing_.isActive()) ping_.start(pingIntervalMs_, this);
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
    context_.settings().WriteInt("Ping", key, line.value);
    // Only web pages: a service line never opens a local file or a script.
    QUrl url(Q(line.url));
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        context_.registry().Invoke(QStringLiteral("browser.popup"),
                                   popupName + QLatin1Char('\n') + url.toString());
}

void MemberSession::OnTimer(int id) {
    switch (id) {
        case kTimerFirstPing:
            firstPing_.stop();
            StartPing(true);
            ping_.start(pingIntervalMs_, this);
            break;
        case kTimerPing:
            StartPing(false);
            break;
    }
}

bool MemberSession::IsTimerActive(int id) const {
    return id == kTimerFirstPing ? firstPing_.isActive() : id == kTimerPing ? ping_.isActive() : false;
}

void MemberSession::timerEvent(QTimerEvent* event) {
    if (event->timerId() == firstPing_.timerId())
        OnTimer(kTimerFirstPing);
    else if (event->timerId() == ping_.timerId())
        OnTimer(kTimerPing);
    else
        QObject::timerEvent(event);
}

}  // namespace sky::ui
