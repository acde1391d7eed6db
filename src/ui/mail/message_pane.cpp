#include "ui/mail/message_pane.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <atomic>

#include "core/mail/mail_store.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/ui_job.h"

namespace sky::ui {

// Keeps the page to the work folder: the network only when the user asked.
class BlockingInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    BlockingInterceptor(QObject* owner, QString folder)
        : QWebEngineUrlRequestInterceptor(owner), folder_(std::move(folder)) {}
    std::atomic<bool> allowRemote{false};
    std::function<void()> blocked;  // called on the engine's thread

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("data") || scheme == QLatin1String("about")) return;
        if (url.isLocalFile() && url.toLocalFile().startsWith(folder_)) return;
        bool remote = scheme == QLatin1String("http") || scheme == QLatin1String("https");
        if (remote && allowRemote.load()) return;
        info.block(true);
        if (remote && blocked) blocked();
    }

private:
    QString folder_;
};

namespace {

// Navigations stay in the work folder; a link leaves through linkActivated.
class MessagePage : public QWebEnginePage {
public:
    MessagePage(QWebEngineProfile* profile, QString folder, CMsgView* view)
        : QWebEnginePage(profile, view), folder_(std::move(folder)), view_(view) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (url.scheme() == QLatin1String("about")) return true;
        if (url.isLocalFile() && url.toLocalFile().startsWith(folder_)) return true;
        if (isMainFrame)
            QMetaObject::invokeMethod(
                view_, [v = view_, url] { emit v->linkActivated(url); }, Qt::QueuedConnection);
        return false;
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

private:
    QString folder_;
    CMsgView* view_;
};

bool IsPage(const QString& name) {
    QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html") ||
           suffix == QLatin1String("txt");
}

}  // namespace

CMsgView::CMsgView(QWidget* parent) : QWidget(parent) {
    workFolder_ = QPath(MailWorkFolder());
    // A profile of its own: nothing a message does reaches the browser's cookies or cache.
    profile_ = new QWebEngineProfile(this);
    profile_->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    profile_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    profile_->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    profile_->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    interceptor_ = new BlockingInterceptor(this, workFolder_);
    profile_->setUrlRequestInterceptor(interceptor_);

    remoteBar_ = new QWidget(this);
    auto* barLayout = new QHBoxLayout(remoteBar_);
    barLayout->setContentsMargins(6, 2, 6, 2);
    auto* barText = new QLabel(QStringLiteral("Remote content blocked"), remoteBar_);
    auto* show = new QPushButton(QStringLiteral("Show"), remoteBar_);
    show->setToolTip(
        QStringLiteral("Load the pictures and files this message asks of the network, for this message"));
    barLayout->addWidget(barText, 1);
    barLayout->addWidget(show);
    remoteBar_->setAutoFillBackground(true);
    QPalette pal = remoteBar_->palette();
    pal.setColor(QPalette::Window, QColor(255, 244, 196));
    pal.setColor(QPalette::WindowText, Qt::black);
    remoteBar_->setPalette(pal);
    remoteBar_->hide();
    connect(show, &QPushButton::clicked, this, &CMsgView::ShowRemoteContent);
    QPointer<QWidget> bar = remoteBar_;
    interceptor_->blocked = [bar] {
        QMetaObject::invokeMethod(
            bar,
            [bar] {
                if (bar) bar->show();
            },
            Qt::QueuedConnection);
    };

    web_ = new QWebEngineView(this);
    web_->setPage(new MessagePage(profile_, workFolder_, this));
    web_->setContextMenuPolicy(Qt::NoContextMenu);

    strip_ = new QListWidget(this);
    strip_->setViewMode(QListView::IconMode);
    strip_->setFlow(QListView::LeftToRight);
    strip_->setWrapping(false);
    strip_->setIconSize(QSize(32, 32));
    strip_->setFixedHeight(100);
    strip_->setContextMenuPolicy(Qt::CustomContextMenu);
    strip_->setAccessibleName(QStringLiteral("Attachments"));
    strip_->hide();
    connect(strip_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenAttachment(strip_->row(item)); });
    connect(strip_, &QWidget::customContextMenuRequested, this, &CMsgView::AttachmentMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(remoteBar_);
    layout->addWidget(web_, 1);
    layout->addWidget(strip_);

    job_ = new UiJob(this);
}

CMsgView::~CMsgView() {
    // The page lives in the profile: it goes first.
    delete web_;
}

void CMsgView::Navigate(const QString& file) {
    web_->setUrl(QUrl::fromLocalFile(workFolder_ + file));
}

void CMsgView::ShowWelcome() {
    pending_.clear();
    shown_.clear();
    decoded_ = {};
    strip_->clear();
    strip_->hide();
    remoteBar_->hide();
    web_->setUrl(QUrl::fromLocalFile(QPath(sky::ShowWelcome(S(workFolder_)))));
}

void CMsgView::ShowMessage(const QString& path) {
    // The newest choice wins; one decode at a time.
    pending_ = path;
    if (job_->busy()) return;
    pending_.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto result = std::make_shared<DecodedMessage>();
    std::string file = S(path), folder = S(workFolder_);
    QPointer<CMsgView> self(this);
    job_->Start([result, file, folder, self](std::stop_token, const UiJob::Post& post) {
        *result = DecodeMessage(file, folder, [&post, self](const std::string& text) {
            QString status = Q(text);
            post([self, status] {
                if (self) emit self->statusText(status);
            });
        });
        return 0;
    });
    connect(job_, &UiJob::finished, this, [this, path, result](int) {
        QApplication::restoreOverrideCursor();
        disconnect(job_, &UiJob::finished, this, nullptr);
        if (!pending_.isEmpty()) {
            QString next = std::exchange(pending_, QString());
            ShowMessage(next);
            return;
        }
        Decoded(path, std::move(*result));
    });
}

void CMsgView::Decoded(const QString& path, DecodedMessage message) {
    decoded_ = std::move(message);
    for (const std::string& text : decoded_.messages)
        ::sky::ui::ShowMessage(this, Q(text), QStringLiteral("SkyMail"), MessageKind::Warning);
    shown_ = path;
    interceptor_->allowRemote = false;
    remoteBar_->hide();
    strip_->clear();
    if (!decoded_.page.empty()) Navigate(Q(decoded_.page));
    if (decoded_.parts.size() >= 2) {
        QFileIconProvider icons;
        for (const MessagePart& part : decoded_.parts) {
            QString name = Q(part.name).trimmed();
            if (name.isEmpty()) continue;
            auto* item = new QListWidgetItem(icons.icon(QFileInfo(workFolder_ + name)), name, strip_);
            item->setToolTip(QStringLiteral("%1 (%2)").arg(name, Q(part.mimeType)));
        }
    }
    strip_->setVisible(strip_->count() >= 2);
    emit messageShown(path);
}

void CMsgView::ShowRemoteContent() {
    interceptor_->allowRemote = true;
    remoteBar_->hide();
    web_->reload();
}

void CMsgView::OpenAttachment(int row) {
    QListWidgetItem* item = strip_->item(row);
    if (!item) return;
    QString name = item->text();
    // Pages and text show here; anything else goes to the desktop's program for it.
    if (IsPage(name))
        Navigate(name);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(workFolder_ + name));
}

bool CMsgView::SaveAttachment(int row, const QString& target) {
    QListWidgetItem* item = strip_->item(row);
    if (!item || target.isEmpty()) return false;
    if (QFile::exists(target)) QFile::remove(target);
    return QFile::copy(workFolder_ + item->text(), target);
}

void CMsgView::AttachmentMenu(const QPoint& at) {
    QListWidgetItem* item = strip_->itemAt(at);
    if (!item) return;
    int row = strip_->row(item);
    QMenu menu(QStringLiteral("Attachments"), this);
    QAction* open = menu.addAction(QStringLiteral("&Open"));
    QAction* save = menu.addAction(QStringLiteral("&Save As"));
    menu.addAction(QStringLiteral("&Remove"))->setEnabled(false);
    QAction* chosen = menu.exec(strip_->viewport()->mapToGlobal(at));
    if (chosen == open) {
        OpenAttachment(row);
    } else if (chosen == save) {
        QString target = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), item->text());
        if (!target.isEmpty() && !SaveAttachment(row, target))
            ::sky::ui::ShowMessage(this, QStringLiteral("Could not save %1.").arg(target),
                                   QStringLiteral("SkyMail"), MessageKind::Warning);
    }
}

void CMsgView::Print() {
    // One printer for the pane's life: the engine prints after this returns.
    static QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    web_->print(&printer);
}

}  // namespace sky::ui
