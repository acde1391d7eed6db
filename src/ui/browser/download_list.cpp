#include "ui/browser/download_list.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include "core/base/settings_store.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"

namespace sky::ui {

namespace {

QString PartPathOf(const QString& path) {
    QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".part");
}

// The part and whatever the engine made of its name while writing it.
void RemoveParts(const QString& partPath) {
    QFileInfo info(partPath);
    QDir folder = info.absoluteDir();
    for (const QString& name :
         folder.entryList({info.fileName() + QStringLiteral("*")}, QDir::Files | QDir::Hidden))
        folder.remove(name);
}

// The engine's own text, except for reasons newer than its table, which it
// reads as "canceled by the user".
QString ReasonText(const QWebEngineDownloadRequest& request) {
    switch (static_cast<int>(request.interruptReason())) {
        case 31:
            return QObject::tr("The server could not resume the download.");
        case 38:
            return QObject::tr("The server closed the connection before the whole file arrived.");
        case 39:
            return QObject::tr("The server redirected the download to another site.");
        case 41:
            return QObject::tr("SkyHarbor closed during the download.");
        case 50:
            return QObject::tr("The browser engine stopped during the download.");
        default:
            return request.interruptReasonString();
    }
}

}  // namespace

DownloadItem::DownloadItem(QWebEngineDownloadRequest* request, QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), id_(request->id()) {
    // A saved page is written by the engine under names of its own.
    partPath_ = request->isSavePageDownload() ? path_ : PartPathOf(path_);
    clock_.start();
    Bind(request);
}

void DownloadItem::Bind(QWebEngineDownloadRequest* request) {
    if (request_) request_->disconnect(this);
    request_ = request;
    total_ = request->totalBytes() > 0 ? request->totalBytes() : -1;
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, &DownloadItem::Progress);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, &DownloadItem::Progress);
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, &DownloadItem::StateChanged);
    connect(request, &QObject::destroyed, this, [this] {
        if (state_ == State::Running) Finish(State::Failed, tr("The download stopped."));
    });
}

QString DownloadItem::fileName() const {
    return QFileInfo(path_).fileName();
}

int DownloadItem::percent() const {
    if (state_ == State::Completed) return 100;
    if (total_ <= 0) return -1;
    return static_cast<int>(received_ * 100 / total_);
}

void DownloadItem::Cancel() {
    if (state_ != State::Running) return;
    if (request_) request_->cancel();
    // The engine reports the cancel later; the list shows it now.
    Finish(State::Cancelled);
}

void DownloadItem::Progress() {
    if (!request_ || state_ != State::Running) return;
    received_ = request_->receivedBytes();
    total_ = request_->totalBytes() > 0 ? request_->totalBytes() : -1;
    qint64 now = clock_.elapsed();
    // A rate over a second or more: single reads come in bursts.
    if (now - sampleMs_ >= 1000 || (rate_ == 0 && now >= 250)) {
        qint64 current = (received_ - sampleBytes_) * 1000 / std::max<qint64>(now - sampleMs_, 1);
        rate_ = rate_ == 0 ? current : (rate_ + current) / 2;
        sampleBytes_ = received_;
        sampleMs_ = now;
    }
    emit changed();
}

void DownloadItem::StateChanged() {
    if (!request_ || state_ != State::Running) {
        // Cancelled by us: the engine may have left the part behind.
        if (state_ == State::Cancelled && partPath_ != path_) RemoveParts(partPath_);
        return;
    }
    switch (request_->state()) {
        case QWebEngineDownloadRequest::DownloadCompleted: {
            received_ = request_->receivedBytes();
            if (partPath_ != path_) {
                if (QFileInfo::exists(path_)) QFile::remove(path_);
                if (!QFile::rename(partPath_, path_)) {
                    Finish(State::Failed, tr("The file could not be saved as %1.").arg(path_));
                    return;
                }
            }
            Finish(State::Completed);
            break;
        }
        case QWebEngineDownloadRequest::DownloadCancelled:
            Finish(State::Cancelled);
            break;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            Finish(State::Failed, ReasonText(*request_));
            break;
        default:
            break;
    }
}

void DownloadItem::Finish(State state, const QString& error) {
    state_ = state;
    error_ = error;
    if (state != State::Completed && partPath_ != path_) RemoveParts(partPath_);
    emit changed();
    emit finished();
}

DownloadList::DownloadList(AppContext& context, QObject* parent) : QObject(parent), context_(context) {}

void DownloadList::Attach(QWebEngineProfile* profile) {
    if (profile) connect(profile, &QWebEngineProfile::downloadRequested, this, &DownloadList::Handle);
}

QString DownloadList::DefaultFolder() const {
    QString folder = QString::fromStdString(context_.settings().GetString("Downloads", "Folder"));
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

QString DownloadList::AskSavePath(QWidget* parent, const QString& suggested) const {
    QFileDialog dialog(parent, tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(DefaultFolder());
    dialog.selectFile(suggested);
    if (ExecDialog(dialog) != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}

void DownloadList::Handle(QWebEngineDownloadRequest* request) {
    if (!request || request->state() != QWebEngineDownloadRequest::DownloadRequested) return;
    // The engine resumes a broken transfer as a new request for the same
    // download: it goes on under the name already chosen.
    for (DownloadItem* item : items_) {
        if (item->id() != request->id() || item->state() != DownloadItem::State::Running) continue;
        QFileInfo part(item->partPath());
        request->setDownloadDirectory(part.absolutePath());
        request->setDownloadFileName(part.fileName());
        item->Bind(request);
        request->accept();
        return;
    }
    QString path;
    if (request->isSavePageDownload()) {
        path = QDir(request->downloadDirectory()).filePath(request->downloadFileName());
    } else {
        QString name = request->suggestedFileName();
        if (name.isEmpty()) name = request->downloadFileName();
        FrameHost* frame = context_.frame();
        path = AskSavePath(frame ? frame->window() : nullptr, name);
        if (path.isEmpty()) {
            request->cancel();
            return;
        }
        QFileInfo info(path);
        context_.settings().WriteString("Downloads", "Folder", info.absolutePath().toStdString());
        // A part left by a crash would be appended to.
        RemoveParts(PartPathOf(path));
        request->setDownloadDirectory(info.absolutePath());
        request->setDownloadFileName(QFileInfo(PartPathOf(path)).fileName());
    }
    auto* item = new DownloadItem(request, path, this);
    items_.prepend(item);
    connect(item, &DownloadItem::finished, this, [this, item] {
        if (FrameHost* frame = context_.frame()) {
            if (item->state() == DownloadItem::State::Completed)
                frame->ShowStatus(tr("Download complete: %1").arg(item->fileName()));
            else if (item->state() == DownloadItem::State::Failed)
                frame->ShowStatus(tr("Download of %1 failed: %2").arg(item->fileName(), item->error()));
        }
        emit itemFinished(item);
    });
    request->accept();
    emit added(item);
}

void DownloadList::ClearFinished() {
    for (auto it = items_.begin(); it != items_.end();) {
        if ((*it)->state() != DownloadItem::State::Running) {
            (*it)->deleteLater();
            it = items_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace sky::ui
