#include "ui/httpsvr/httpsvr_doc.h"

#include <QDir>
#include <QMetaObject>
#include <QPointer>

#include "core/base/settings_store.h"
#include "ui/base/messages.h"

namespace sky::ui {

CHttpSvrDoc::CHttpSvrDoc(SettingsStore& settings, QObject* parent) : QObject(parent), store_(settings) {
    qRegisterMetaType<httpsvr::CHitDoc>();
    settings_ = httpsvr::ServerSettings::Load(store_);
    if (settings_.root.empty()) settings_.root = httpsvr::DefaultRoot();
    if (settings_.root == httpsvr::DefaultRoot()) httpsvr::CreateDefaultRoot(settings_.root);
}

CHttpSvrDoc::~CHttpSvrDoc() {
    Stop();
}

void CHttpSvrDoc::SetSystemInfo(const httpsvr::SystemPageInfo& info) {
    std::lock_guard lock(*infoMutex_);
    *info_ = info;
}

bool CHttpSvrDoc::Start() {
    Stop();
    httpsvr::ServerOptions options;
    options.settings = settings_;
    options.offeredFiles = offered_;
    options.chatPeers = chatPeers_;
    auto mutex = infoMutex_;
    auto info = info_;
    options.systemInfo = [mutex, info] {
        std::lock_guard lock(*mutex);
        return *info;
    };
    QPointer<CHttpSvrDoc> self(this);
    httpsvr::ServerCallbacks callbacks;
    callbacks.hit = [self](const httpsvr::CHitDoc& hit) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, hit] {
                if (self) self->AddHit(hit);
            },
            Qt::QueuedConnection);
    };
    callbacks.remoteCommand = [self](const chat::RemoteCommand& cmd, const std::string& peer) {
        QByteArray record = QByteArray::fromStdString(cmd.Encode());
        QString from = QString::fromStdString(peer);
        int type = cmd.type;
        QMetaObject::invokeMethod(
            self.data(),
            [self, type, record, from] {
                if (self) emit self->remoteCommandReceived(type, record, from);
            },
            Qt::QueuedConnection);
    };
    server_ = std::make_unique<httpsvr::HttpServer>(options, callbacks);
    std::string error;
    int code = 0;
    bool ok = server_->Start(&error, &code);
    emit titleChanged(Title());
    if (!ok) {
        ShowMessage(nullptr, QString::fromStdString(httpsvr::ListenFailureText(settings_.port, code)),
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
        server_.reset();
        emit titleChanged(Title());
    }
    return ok;
}

void CHttpSvrDoc::Stop() {
    if (!server_) return;
    server_->Stop();
    server_.reset();
}

bool CHttpSvrDoc::listening() const {
    return server_ && server_->listening();
}
int CHttpSvrDoc::port() const {
    return server_ ? server_->port() : settings_.port;
}

QString CHttpSvrDoc::Title() const {
    return QString::fromStdString(
        httpsvr::ServerTitle(httpsvr::HttpServer::kTitle, settings_.serverName, port(), listening()));
}

QString CHttpSvrDoc::StatusLine() const {
    return listening() ? QStringLiteral("Serving %1").arg(QString::fromStdString(settings_.root))
                       : QStringLiteral("Server not listening");
}

void CHttpSvrDoc::AddHit(const httpsvr::CHitDoc& hit) {
    ++hitCount_;
    hits_.Add(hit);
    emit hitAdded(hit);
}

void CHttpSvrDoc::SetRoot(const QString& root) {
    QString full = QDir(root).absolutePath();
    while (full.size() > 1 && full.endsWith(QLatin1Char('/'))) full.chop(1);
    settings_.root = full.toStdString();
    settings_.Save(store_);
}

void CHttpSvrDoc::ApplySettings(const httpsvr::ServerSettings& next) {
    bool restart = next.root != settings_.root || next.serverName != settings_.serverName ||
                   next.port != settings_.port || next.listenAddress != settings_.listenAddress ||
                   next.ownName != settings_.ownName || next.longListing != settings_.longListing ||
                   next.showIcons != settings_.showIcons || next.allowListings != settings_.allowListings;
    next.Save(store_);
    // Reading back puts the machine's name in when no own name was given.
    settings_ = httpsvr::ServerSettings::Load(store_);
    if (restart) Start();
}

}  // namespace sky::ui
