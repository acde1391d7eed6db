#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWebEngineDownloadRequest;
class QWebEngineProfile;
class QWidget;

namespace sky::ui {

class AppContext;

// One file the browser fetches. The engine writes to a hidden name beside
// the chosen one (".name.part") so a half-written file never looks finished;
// the real name appears only once every byte is there.
class DownloadItem : public QObject {
    Q_OBJECT
public:
    enum class State { Running, Completed, Cancelled, Failed };

    DownloadItem(QWebEngineDownloadRequest* request, QString path, QObject* parent);

    // The engine's id of the transfer, kept when it resumes one.
    quint32 id() const { return id_; }
    // Follows `request` from now on.
    void Bind(QWebEngineDownloadRequest* request);

    QString fileName() const;
    QString path() const { return path_; }
    QString partPath() const { return partPath_; }
    State state() const { return state_; }
    qint64 received() const { return received_; }
    // -1 while the server has not said.
    qint64 total() const { return total_; }
    // 0..100, or -1 when the size is unknown.
    int percent() const;
    // Bytes a second over the last stretch; 0 when not running.
    qint64 rate() const { return state_ == State::Running ? rate_ : 0; }
    QString error() const { return error_; }

    void Cancel();

signals:
    void changed();
    void finished();

private:
    void Progress();
    void StateChanged();
    void Finish(State state, const QString& error = {});

    QPointer<QWebEngineDownloadRequest> request_;
    QString path_, partPath_;
    quint32 id_ = 0;
    State state_ = State::Running;
    qint64 received_ = 0, total_ = -1, rate_ = 0;
    qint64 sampleBytes_ = 0, sampleMs_ = 0;
    QElapsedTimer clock_;
    QString error_;
};

// The browser profile's downloads: asks where each goes, starts it under its
// temporary name and keeps the list the Downloads window shows.
class DownloadList : public QObject {
    Q_OBJECT
public:
    explicit DownloadList(AppContext& context, QObject* parent = nullptr);

    // Takes the download requests of `profile` from now on.
    void Attach(QWebEngineProfile* profile);
    void Handle(QWebEngineDownloadRequest* request);

    const QList<DownloadItem*>& items() const { return items_; }
    // Forgets the downloads that are over.
    void ClearFinished();

    // The folder the save question starts in: the last one used, else the
    // desktop's download folder.
    QString DefaultFolder() const;

    // The save question: the full path to save to, empty for no. Tests answer
    // it through the dialog hook (ExecDialog).
    QString AskSavePath(QWidget* parent, const QString& suggested) const;

signals:
    void added(sky::ui::DownloadItem* item);
    void itemFinished(sky::ui::DownloadItem* item);

private:
    AppContext& context_;
    QList<DownloadItem*> items_;
};

}  // namespace sky::ui
