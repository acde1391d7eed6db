#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <mutex>
#include <vector>

#include "core/chat/remote_command.h"
#include "core/httpsvr/hit_log.h"
#include "core/httpsvr/http_server.h"
#include "core/httpsvr/request_handler.h"
#include "core/httpsvr/server_settings.h"

Q_DECLARE_METATYPE(sky::httpsvr::CHitDoc)

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// The personal web server's document: its settings, the listener and the
// hits since it started. It lives as long as the program; its window is only
// a view. The server itself runs on its own thread; hits and remote commands
// arrive here on the UI thread.
class CHttpSvrDoc : public QObject {
    Q_OBJECT
public:
    explicit CHttpSvrDoc(SettingsStore& settings, QObject* parent = nullptr);
    ~CHttpSvrDoc() override;

    const httpsvr::ServerSettings& settings() const { return settings_; }
    // Saves new settings; the listener restarts when any of them changed.
    void ApplySettings(const httpsvr::ServerSettings& settings);
    // The root, made a full path; does not restart anything by itself.
    void SetRoot(const QString& root);

    // Starts listening; on failure shows the program's message and leaves
    // the document without a listener. False then.
    bool Start();
    void Stop();
    bool listening() const;
    int port() const;
    QString Title() const;
    QString StatusLine() const;
    long hitCount() const { return hitCount_; }
    const httpsvr::HitLog& hits() const { return hits_; }

    // The account paragraph of "/~SYSTEM"; read by the server thread.
    void SetSystemInfo(const httpsvr::SystemPageInfo& info);
    // Where "/~SKYCMD/..." offered files are looked up (the chat tool's).
    void SetOfferedFiles(std::shared_ptr<httpsvr::OfferedFileResolver> resolver) {
        offered_ = std::move(resolver);
    }

    // Addresses of open chats, which see "/~SYSTEM" in full; the chat tool keeps it.
    std::shared_ptr<httpsvr::PeerAddressSet> chatPeers() const { return chatPeers_; }

    // Called on the UI thread for each answered request.
    void AddHit(const httpsvr::CHitDoc& hit);

signals:
    void hitAdded(const sky::httpsvr::CHitDoc& hit);
    void titleChanged(const QString& title);
    // A remote command from another copy (chat and the rest), with the sender's address.
    void remoteCommandReceived(int type, const QByteArray& record, const QString& peerAddress);

private:
    SettingsStore& store_;
    httpsvr::ServerSettings settings_;
    std::unique_ptr<httpsvr::HttpServer> server_;
    std::shared_ptr<httpsvr::OfferedFileResolver> offered_;
    std::shared_ptr<httpsvr::PeerAddressSet> chatPeers_ = std::make_shared<httpsvr::PeerAddressSet>();
    httpsvr::HitLog hits_;
    long hitCount_ = 0;
    std::shared_ptr<std::mutex> infoMutex_ = std::make_shared<std::mutex>();
    std::shared_ptr<httpsvr::SystemPageInfo> info_ = std::make_shared<httpsvr::SystemPageInfo>();
};

}  // namespace sky::ui
