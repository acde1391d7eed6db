#include "ui/browser/downloads_window.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/download_list.h"

#ifdef SKYHARBOR_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#endif

namespace sky::ui {

namespace {

QString Size(qint64 bytes) {
    return QLocale().formattedDataSize(bytes);
}

// The file manager with the file selected where the desktop offers it, else
// the folder.
void ShowInFolder(const QString& path) {
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
#ifdef SKYHARBOR_HAVE_DBUS
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 3000));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher* w) {
            if (w->isError()) QDesktopServices::openUrl(folder);
            w->deleteLater();
        });
        return;
    }
#endif
    QDesktopServices::openUrl(folder);
}

// Lives as long as the tools: the list and its window.
class DownloadsTool : public QObject {
public:
    DownloadsTool(AppContext& context, QObject* parent)
        : QObject(parent), context_(context), list_(context, this) {
        list_.Attach(context.browserProfile());
        // A new download, and a failed one, bring the list into view.
        connect(&list_, &DownloadList::added, this, [this] { Show(); });
        connect(&list_, &DownloadList::itemFinished, this, [this](DownloadItem* item) {
            if (item->state() == DownloadItem::State::Failed) Show();
        });
    }
    ~DownloadsTool() override { delete window_; }

    void Show() {
        if (!window_) {
            FrameHost* frame = context_.frame();
            window_ = new DownloadsWindow(list_, frame ? frame->window() : nullptr);
        }
        window_->show();
        window_->raise();
    }

private:
    AppContext& context_;
    DownloadList list_;
    QPointer<DownloadsWindow> window_;
};

}  // namespace

DownloadRow::DownloadRow(DownloadItem* item, QWidget* parent) : QFrame(parent), item_(item) {
    setFrameShape(QFrame::StyledPanel);
    name_ = new QLabel(item->fileName(), this);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    name_->setToolTip(item->path());
    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    cancel_ = new QPushButton(tr("Cancel"), this);
    open_ = new QPushButton(tr("Open"), this);
    folder_ = new QPushButton(tr("Show in folder"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_, 1);
    buttons->addWidget(cancel_);
    buttons->addWidget(open_);
    buttons->addWidget(folder_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name_);
    layout->addLayout(buttons);
    layout->addWidget(status_);

    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (item_) item_->Cancel();
    });
    connect(open_, &QPushButton::clicked, this, [this] {
        if (item_) QDesktopServices::openUrl(QUrl::fromLocalFile(item_->path()));
    });
    connect(folder_, &QPushButton::clicked, this, [this] {
        if (item_) ShowInFolder(item_->path());
    });
    connect(item, &DownloadItem::changed, this, &DownloadRow::Update);
    connect(item, &QObject::destroyed, this, &QObject::deleteLater);
    Update();
}

void DownloadRow::Update() {
    if (!item_) return;
    using State = DownloadItem::State;
    const State state = item_->state();
    const int percent = item_->percent();
    progress_->setVisible(state == State::Running || state == State::Completed);
    if (percent < 0 && state == State::Running) {
        progress_->setRange(0, 0);  // busy: the size is not known
    } else {
        progress_->setRange(0, 100);
        progress_->setValue(std::max(percent, 0));
    }
    cancel_->setVisible(state == State::Running);
    open_->setVisible(state == State::Completed);
    folder_->setVisible(state == State::Completed);
    status_->setStyleSheet(state == State::Failed ? QStringLiteral("color: #b00000") : QString());
    switch (state) {
        case State::Running: {
            QString done = item_->total() > 0
                               ? tr("%1 of %2").arg(Size(item_->received()), Size(item_->total()))
                               : Size(item_->received());
            status_->setText(item_->rate() > 0 ? tr("%1 (%2/s)").arg(done, Size(item_->rate())) : done);
            break;
        }
        case State::Completed:
            status_->setText(tr("Completed, %1").arg(Size(item_->received())));
            break;
        case State::Cancelled:
            status_->setText(tr("Cancelled"));
            break;
        case State::Failed:
            status_->setText(tr("Failed: %1").arg(item_->error()));
            break;
    }
}

DownloadsWindow::DownloadsWindow(DownloadList& list, QWidget* parent)
    : QWidget(parent, Qt::Window), list_(list) {
    setWindowTitle(tr("Downloads"));
    setObjectName(QStringLiteral("DownloadsWindow"));
    resize(560, 380);

    auto* inner = new QWidget;
    rowsLayout_ = new QVBoxLayout(inner);
    empty_ = new QLabel(tr("No downloads."), inner);
    empty_->setAlignment(Qt::AlignCenter);
    rowsLayout_->addWidget(empty_);
    rowsLayout_->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(inner);

    auto* clear = new QPushButton(tr("Clear List"), this);
    auto* close = new QPushButton(tr("Close"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(clear);
    bottom->addStretch(1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(bottom);

    connect(clear, &QPushButton::clicked, this, [this] {
        list_.ClearFinished();
        empty_->setVisible(list_.items().isEmpty());
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(&list_, &DownloadList::added, this, &DownloadsWindow::Add);
    // The list is newest first; rows go in at the top, so oldest first here.
    for (auto it = list_.items().crbegin(); it != list_.items().crend(); ++it) Add(*it);
}

QList<DownloadRow*> DownloadsWindow::rows() const {
    return findChildren<DownloadRow*>();
}

void DownloadsWindow::Add(DownloadItem* item) {
    empty_->hide();
    rowsLayout_->insertWidget(0, new DownloadRow(item, rowsLayout_->parentWidget()));
}

void RegisterDownloads(ToolRegistry& registry, AppContext& context) {
    auto* tool = new DownloadsTool(context, &registry);
    registry.AddCommand(
        {QStringLiteral("browser.downloads"), QStringLiteral("&Tools"), QStringLiteral("&Downloads"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y), 27, true},
        [tool] { tool->Show(); });
}

}  // namespace sky::ui
