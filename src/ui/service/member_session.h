#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QString>
#include <list>
#include <memory>

namespace sky {
class CSkyRegClient;
}

namespace sky::ui {

class AppContext;
class UiJob;

// The member's session with the service: the account, the login, the
// registration, the first-run sheets and the ping with its bulletins.
class MemberSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerFirstPing = 1;
    static constexpr int kTimerPing = 2;
    static constexpr int kFirstPingMs = 30000;
    static constexpr int kPingMs = 900000;

    explicit MemberSession(AppContext& context);
    ~MemberSession() override;

    // Reads the stored account and install cookie (made when missing), and
    // starts the ping cycle. `engineBuild` goes to the service with every ping.
    void Start(const QString& engineBuild);
    // Stops the timers and gives up running pings.
    void Stop();

    QString account() const { return account_; }
    QString installCookie() const { return cookie_; }
    QString engineBuild() const { return engineBuild_; }
    QString machineIdentity() const { return machineIdentity_; }
    QString statusText() const { return statusText_; }
    bool loggedIn() const { return loggedIn_; }
    // The password of this login, kept in memory only: transfers to the web space need it.
    QString loginPassword() const { return loginPassword_; }
    int colourCount() const { return colourCount_; }
    void SetColourCount(int count) { colourCount_ = count; }

    CSkyRegClient& regClient();
    // The login dialog; true when a member logged in.
    bool RunLogin();
    // The registration sheet; true when the service took the new member.
    bool RunRegistration();
    // Ends the login; the account name stays for the next one.
    void Logout();
    // First start: the registration sheet when no account is stored, the
    // local channel sheet when no postal code is.
    void RunFirstRunSheets();

    // A request to the registration script on a worker; its server lines
    // come back to OnServerLine. Nothing is sent without a network.
    void SendPing(const QString& action, const QString& text);
    void OnServerLine(const QString& field);
    // The timer actions, also callable directly.
    void OnTimer(int id);
    bool IsTimerActive(int id) const;
    int pingCount() const { return pingCount_; }
    int pingsSent() const { return pingsSent_; }
    int pingIntervalMs() const { return pingIntervalMs_; }

signals:
    void accountChanged(const QString& account);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void StartPing(bool first);
    void SetLoggedIn(const std::string& account, const std::string& password);
    void SetStatusText(const QString& text);
    // The service's start page for this member, in the main browser.
    void LoadMemberStartPage();

    AppContext& context_;
    QString machineIdentity_;
    QString account_;
    bool loggedIn_ = false;
    QString cookie_;
    QString engineBuild_;
    QString statusText_ = QStringLiteral("Not Logged In");
    int lastStartupMsg_ = 0, lastBroadcast_ = 0, lastBulletin_ = 0;
    int colourCount_ = 16;
    int pingCount_ = 0;
    int pingIntervalMs_ = kPingMs;
    int pingsSent_ = 0;
    QString loginPassword_;
    std::unique_ptr<CSkyRegClient> regClient_;
    std::list<std::unique_ptr<UiJob>> pings_;
    QBasicTimer firstPing_, ping_;
};

}  // namespace sky::ui
