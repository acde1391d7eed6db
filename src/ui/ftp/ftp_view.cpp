#include "ui/ftp/ftp_view.h"

#include <QApplication>
#include <QDrag>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "ui/app/app_context.h"
#include "ui/base/keychain.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/ui_job.h"
#include "ui/ftp/ftp_dialogs.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/skypad/skypad_tool.h"
#include "ui/webspace/local_files_panel.h"

namespace sky::ui {

namespace {

constexpr int kEntryRole = Qt::UserRole;  // index into entries_, -1 for the parent row
constexpr const char* kRemoteFilesMime = "application/x-skyharbor-remote-files";

QIcon IconFor(int index, const QStyle* style) {
    switch (index) {
        case 1:
            return style->standardIcon(QStyle::SP_DirIcon);
        case 3:
            return style->standardIcon(QStyle::SP_FileLinkIcon);
        case 4:
            return style->standardIcon(QStyle::SP_ComputerIcon);
        case 5:
            return QIcon::fromTheme(QStringLiteral("image-x-generic"),
                                    style->standardIcon(QStyle::SP_FileIcon));
        case 7:
            return style->standardIcon(QStyle::SP_FileDialogToParent);
        default:
            return style->standardIcon(QStyle::SP_FileIcon);
    }
}

QString Seconds(double s) {
    if (s < 60) return QStringLiteral("%1 s").arg(qRound(s));
    return QStringLiteral("%1 min %2 s").arg(int(s) / 60).arg(int(s) % 60);
}

// The list: dragging rows out gives the remote-files block and ftp:// addresses.
class RemoteList : public QTreeWidget {
public:
    std::function<QMimeData*()> makeDrag;
    using QTreeWidget::QTreeWidget;

protected:
    void startDrag(Qt::DropActions) override {
        QMimeData* mime = makeDrag ? makeDrag() : nullptr;
        if (!mime) return;
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
    }
};

}  // namespace

CFTPView::CFTPView(AppContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
    setWindowTitle(QStringLiteral("SkyFTP"));
    doc_ = new CFTPDoc(this);
    job_ = new UiJob(this);

    auto* remote = new RemoteList(this);
    list_ = remote;
    list_->setColumnCount(4);
    list_->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"), QStringLiteral("Modified")});
    list_->header()->resizeSection(0, 220);
    list_->header()->resizeSection(1, 70);
    list_->header()->resizeSection(3, 160);
    list_->setColumnHidden(2, true);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setDragEnabled(true);
    list_->setAccessibleName(QStringLiteral("Remote files"));
    remote->makeDrag = [this]() -> QMimeData* {
        std::vector<std::string> addresses;
        QList<QUrl> urls;
        for (QTreeWidgetItem* item : list_->selectedItems()) {
            int i = item->data(0, kEntryRole).toInt();
            if (i < 0 || entries_[i].folder) continue;
            std::string a = ftp::DragAddress(doc_->site.host, S(doc_->folder), entries_[i].name);
            addresses.push_back(a);
            urls << QUrl(Q(a));
        }
        if (addresses.empty()) return nullptr;
        auto* mime = new QMimeData;
        mime->setData(QLatin1String(kRemoteFilesMime),
                      QByteArray::fromStdString(ftp::RemoteFilesBlock(addresses)));
        mime->setUrls(urls);
        return mime;
    };

    auto* connectButton = new QPushButton(QStringLiteral("&Connect..."), this);
    auto* refreshButton = new QPushButton(QStringLiteral("&Refresh"), this);
    where_ = new QLabel(QStringLiteral("Not connected"), this);
    where_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(connectButton);
    buttons->addWidget(refreshButton);
    buttons->addSpacing(12);
    buttons->addWidget(where_, 1);
    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(4, 4, 4, 0);
    topLayout->addLayout(buttons);
    topLayout->addWidget(list_, 1);

    local_ = new LocalFilesPanel(context.settings(), this);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(local_);
    setCentralWidget(split);

    progress_ = new QProgressBar(this);
    progress_->setMaximumWidth(220);
    progress_->hide();
    rate_ = new QLabel(this);
    statusBar()->addPermanentWidget(rate_);
    statusBar()->addPermanentWidget(progress_);
    statusBar()->showMessage(QStringLiteral("Not connected"));

    QMenu* commands = menuBar()->addMenu(QStringLiteral("&Commands"));
    auto add = [&](const QString& text, std::function<void()> run) {
        QAction* a = commands->addAction(text);
        connect(a, &QAction::triggered, this, std::move(run));
        return a;
    };
    add(QStringLiteral("&Connect..."), [this] { ConnectDialog(); });
    add(QStringLiteral("&Disconnect"), [this] { Disconnect(); });
    add(QStringLiteral("&Stop !"), [this] { Stop(); });
    add(QStringLiteral("&Remote FTP Edit..."), [this] { RemoteEdit(); });
    add(QStringLiteral("New &File..."), [this] {
        bool ok = false;
        QString name = QInputDialog::getText(this, QStringLiteral("New File"),
                                             QStringLiteral("Enter Filename"), QLineEdit::Normal, {}, &ok);
        if (ok && !name.trimmed().isEmpty()) NewFile(name.trimmed());
    });
    add(QStringLiteral("New F&older..."), [this] {
        bool ok = false;
        QString name =
            QInputDialog::getText(this, QStringLiteral("New Folder"), QStringLiteral("Enter Directory Name"),
                                  QLineEdit::Normal, {}, &ok);
        if (ok && !name.trimmed().isEmpty()) NewFolder(name.trimmed());
    });
    add(QStringLiteral("&Upload Files..."), [this] {
        QFileDialog dialog(this, QStringLiteral("Upload Files"), local_->folder());
        dialog.setFileMode(QFileDialog::ExistingFiles);
        if (ExecDialog(dialog) == QDialog::Accepted) UploadFiles(dialog.selectedFiles());
    });

    connect(connectButton, &QPushButton::clicked, this, &CFTPView::ConnectDialog);
    connect(refreshButton, &QPushButton::clicked, this, &CFTPView::Refresh);
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { OpenRow(item); });
    connect(local_, &LocalFilesPanel::remoteFilesDropped, this, &CFTPView::Fetch);
}

CFTPView::~CFTPView() {
    if (doc_->client) doc_->client->Cancel();
}

bool CFTPView::busy() const {
    return job_->busy();
}

bool CFTPView::Run(const QString& what, Work work, Done done) {
    if (!doc_->client) {
        ShowMessage(this, QStringLiteral("Not connected: use Connect... first."), QStringLiteral("SkyFTP"));
        return false;
    }
    if (job_->busy()) {
        ShowMessage(this, QString::fromLatin1(kTooBusy));
        return false;
    }
    statusBar()->showMessage(what);
    clock_.start();
    ftp::FtpClient* client = doc_->client.get();
    auto result = std::make_shared<ftp::FtpResult>();
    QPointer<CFTPView> self(this);
    job_->Start([client, work, result, self](std::stop_token, const UiJob::Post& post) {
        *result = work(*client, [&post, self](uint64_t done, uint64_t total) {
            post([self, done, total] {
                if (self) self->ShowProgress(done, total);
            });
            return true;
        });
        return 0;
    });
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(job_, &UiJob::finished, this, [this, result, done, connection](int) {
        disconnect(*connection);
        progress_->hide();
        rate_->clear();
        statusBar()->showMessage(result->ok ? QStringLiteral("Ready") : Q(result->error));
        done(*result);
        emit operationDone(result->ok, Q(result->error));
    });
    return true;
}

void CFTPView::ShowProgress(uint64_t done, uint64_t total) {
    if (total == 0) return;
    progress_->show();
    progress_->setRange(0, 1000);
    progress_->setValue(static_cast<int>(done * 1000 / total));
    double seconds = clock_.elapsed() / 1000.0;
    double rate = seconds > 0 ? done / seconds : 0;
    QString left = rate > 0 ? Seconds((total - done) / rate) : QStringLiteral("?");
    rate_->setText(QStringLiteral("%1 of %2, %3/s, %4 left")
                       .arg(QLocale().formattedDataSize(done), QLocale().formattedDataSize(total),
                            QLocale().formattedDataSize(static_cast<qint64>(rate)), left));
}

void CFTPView::Failed(const QString& title, const ftp::FtpResult& r) {
    if (r.cancelled) return;
    ShowMessage(this, title + (r.error.empty() ? QString() : QStringLiteral("\n\n") + Q(r.error)),
                QStringLiteral("SkyFTP"), MessageKind::Warning);
}

void CFTPView::ConnectDialog() {
    auto secrets = MakeKeychainBackend();
    FtpConnectDialog dialog(context_.settings(), this, secrets.get());
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    dialog.Save();
    ConnectTo(dialog.site(), dialog.initialFolder());
}

void CFTPView::ConnectTo(const ftp::FtpSite& site, const QString& folder) {
    if (job_->busy()) {
        ShowMessage(this, QString::fromLatin1(kTooBusy));
        return;
    }
    doc_->site = site;
    doc_->folder = folder.trimmed().isEmpty() ? QStringLiteral("/") : folder.trimmed();
    doc_->client = std::make_unique<ftp::FtpClient>(site);
    auto entries = std::make_shared<std::vector<ftp::FtpEntry>>();
    std::string start = S(doc_->folder);
    Run(
        QStringLiteral("Connecting to %1...").arg(Q(site.host)),
        [entries, start](ftp::FtpClient& c, const ftp::Progress&) { return c.Connect(start, entries.get()); },
        [this, entries, site, folder](const ftp::FtpResult& r) {
            if (r.ok) {
                setWindowTitle(QStringLiteral("SkyFTP: %1").arg(Q(site.host)));
                Fill(*entries);
                return;
            }
            doc_->client.reset();
            // A certificate or host key seen for the first time: the user decides, once.
            if (r.untrusted && !site.acceptNewKey &&
                AskYesNo(this,
                         Q(r.error) + QStringLiteral("\n\nTrust this server from now on? Say no unless you "
                                                     "know the server's key or certificate is its own."),
                         QStringLiteral("Untrusted Server"))) {
                ftp::FtpSite trusted = site;
                trusted.acceptNewKey = true;
                ConnectTo(trusted, folder);
                return;
            }
            Failed(QStringLiteral("Connection Failed"), r);
        });
}

void CFTPView::Refresh() {
    auto entries = std::make_shared<std::vector<ftp::FtpEntry>>();
    std::string folder = S(doc_->folder.trimmed());
    Run(
        QStringLiteral("Listing %1...").arg(doc_->folder),
        [entries, folder](ftp::FtpClient& c, const ftp::Progress&) { return c.List(folder, entries.get()); },
        [this, entries](const ftp::FtpResult& r) {
            if (r.ok)
                Fill(*entries);
            else
                Failed(QStringLiteral("Could not list %1").arg(doc_->folder), r);
        });
}

void CFTPView::Fill(const std::vector<ftp::FtpEntry>& entries) {
    entries_ = entries;
    list_->clear();
    const QStyle* style = list_->style();
    if (doc_->folder.trimmed() != QLatin1String("/")) {
        auto* up = new QTreeWidgetItem(list_, {QStringLiteral("Up to parent Folder"), {}, {}, {}});
        up->setIcon(0, IconFor(7, style));
        up->setData(0, kEntryRole, -1);
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        const ftp::FtpEntry& e = entries_[i];
        QString modified =
            e.modified ? QLocale().toString(QDateTime::fromSecsSinceEpoch(e.modified), QLocale::ShortFormat)
                       : QString();
        auto* row = new QTreeWidgetItem(
            list_, {Q(e.name), e.folder ? QString() : Q(ftp::SizeColumn(e.size)),
                    e.folder ? QStringLiteral("Folder") : QStringLiteral("File"), modified});
        row->setIcon(0, IconFor(e.folder ? 1 : ftp::IconOfName(e.name), style));
        row->setData(0, kEntryRole, static_cast<int>(i));
        row->setToolTip(0, Q(e.name));
    }
    statusBar()->showMessage(QStringLiteral("%1 in %2").arg(entries_.size()).arg(doc_->folder));
    where_->setText(Q(ftp::SiteUrl(doc_->site, S(doc_->folder))));
}

void CFTPView::OpenRow(QTreeWidgetItem* item) {
    if (!item) return;
    int i = item->data(0, kEntryRole).toInt();
    if (i < 0 || entries_[i].folder) {
        QString next = Q(ftp::OpenFolder(S(doc_->folder), i < 0 ? ".." : entries_[i].name));
        if (next != doc_->folder) {
            doc_->folder = next;
            Refresh();
        }
        return;
    }
    RemoteEditPath(doc_->folder + Q(entries_[i].name));
}

void CFTPView::RemoteEdit() {
    bool ok = false;
    QString path =
        QInputDialog::getText(this, QStringLiteral("Remote FTP Edit"), QStringLiteral("Remote path:"),
                              QLineEdit::Normal, doc_->folder, &ok);
    if (ok && !path.trimmed().isEmpty()) RemoteEditPath(path.trimmed());
}

void CFTPView::RemoteEditPath(const QString& path) {
    QString name = QFileInfo(path).fileName();
    if (!ftp::SafeLocalName(S(name))) {
        ShowMessage(
            this,
            QStringLiteral("Could not get file\n\n\"%1\" is not a name a file can have here.").arg(name),
            QStringLiteral("SkyFTP"), MessageKind::Warning);
        return;
    }
    // A private copy: nobody else's file is replaced, and nothing is left in a shared folder.
    std::string local = PrivateTempDir() + "/__" + S(name);
    std::string remote = S(path);
    auto entry = std::make_shared<ftp::FtpEntry>();
    Run(
        QStringLiteral("Getting %1...").arg(path),
        [remote, local, entry](ftp::FtpClient& c, const ftp::Progress& p) {
            c.Stat(remote, entry.get());
            return c.Get(remote, local, p);
        },
        [this, local, remote, entry](const ftp::FtpResult& r) {
            if (!r.ok) {
                Failed(QStringLiteral("Could not get file"), r);
                return;
            }
            if (CSkyPadFrame* pad = OpenInSkyPad(context_, Q(local)))
                pad->SetFtpOrigin(doc_->site, remote, entry->size, entry->modified);
        });
}

void CFTPView::NewFile(const QString& name) {
    std::string path = S(doc_->folder + name);
    ShowMessage(this, Q(path), QStringLiteral("SkyFTP"));
    Run(
        QStringLiteral("Creating %1...").arg(Q(path)),
        [path](ftp::FtpClient& c, const ftp::Progress&) { return c.CreateEmpty(path); },
        [this](const ftp::FtpResult& r) {
            if (!r.ok) Failed(QStringLiteral("Error Creating file"), r);
            QMetaObject::invokeMethod(this, &CFTPView::Refresh, Qt::QueuedConnection);
        });
}

void CFTPView::NewFolder(const QString& name) {
    std::string path = S(doc_->folder + name);
    ShowMessage(this, Q(path), QStringLiteral("SkyFTP"));
    Run(
        QStringLiteral("Creating %1...").arg(Q(path)),
        [path](ftp::FtpClient& c, const ftp::Progress&) { return c.MakeFolder(path); },
        [this](const ftp::FtpResult& r) {
            if (!r.ok) Failed(QStringLiteral("Error Creating Directory"), r);
            QMetaObject::invokeMethod(this, &CFTPView::Refresh, Qt::QueuedConnection);
        });
}

void CFTPView::Disconnect() {
    if (doc_->client) doc_->client->Cancel();
    if (job_->busy()) return;  // the running transfer ends first; Disconnect again then
    doc_->client.reset();
    entries_.clear();
    list_->clear();
    setWindowTitle(QStringLiteral("SkyFTP"));
    statusBar()->showMessage(QStringLiteral("Not connected"));
    where_->setText(QStringLiteral("Not connected"));
}

void CFTPView::Stop() {
    if (doc_->client && job_->busy()) {
        doc_->client->Cancel();
        statusBar()->showMessage(QStringLiteral("Stopping..."));
    }
}

void CFTPView::Transfer(const QString& what, bool upload, std::string local, std::string remote, bool resume,
                        std::function<void(bool ok)> then) {
    Run(
        what,
        [upload, local, remote, resume](ftp::FtpClient& c, const ftp::Progress& p) {
            return upload ? c.Put(local, remote, p, resume) : c.Get(remote, local, p, resume);
        },
        [this, what, upload, local, remote, then](const ftp::FtpResult& r) {
            if (r.ok || r.cancelled) {
                then(r.ok);
                return;
            }
            // A cut transfer goes on where it stopped, if the user wants.
            if (AskYesNo(
                    this, Q(r.error) + QStringLiteral("\n\nResume the transfer where it stopped?"),
                    upload ? QStringLiteral("Upload Interrupted") : QStringLiteral("Download Interrupted"))) {
                QMetaObject::invokeMethod(
                    this,
                    [this, what, upload, local, remote, then] {
                        Transfer(what, upload, local, remote, true, then);
                    },
                    Qt::QueuedConnection);
                return;
            }
            then(false);
        });
}

void CFTPView::UploadFiles(const QStringList& paths) {
    if (paths.isEmpty()) return;
    QString first = paths.first();
    QStringList rest = paths.mid(1);
    std::string remote = S(doc_->folder + QFileInfo(first).fileName());
    Transfer(QStringLiteral("Uploading %1...").arg(QFileInfo(first).fileName()), true, S(first), remote,
             false, [this, rest](bool ok) {
                 if (ok && !rest.isEmpty())
                     QMetaObject::invokeMethod(
                         this, [this, rest] { UploadFiles(rest); }, Qt::QueuedConnection);
                 else
                     QMetaObject::invokeMethod(this, &CFTPView::Refresh, Qt::QueuedConnection);
             });
}

void CFTPView::Fetch(const QStringList& addresses, const QString& folder) {
    if (addresses.isEmpty()) return;
    QUrl url(addresses.first());
    QStringList rest = addresses.mid(1);
    QString name = QFileInfo(url.path()).fileName();
    // Names come from the server: none may leave the chosen folder.
    if (!ftp::SafeLocalName(S(name)) || url.host() != Q(doc_->site.host)) {
        ShowMessage(
            this,
            QStringLiteral("Could not get file\n\n%1 is not a file of this server that can be saved here.")
                .arg(addresses.first()),
            QStringLiteral("SkyFTP"), MessageKind::Warning);
        return;
    }
    QString remote = url.path();
    while (remote.startsWith(QLatin1String("//"))) remote.remove(0, 1);
    Transfer(QStringLiteral("Getting %1...").arg(name), false, S(folder + QLatin1Char('/') + name), S(remote),
             false, [this, rest, folder](bool ok) {
                 local_->Refresh();
                 if (ok && !rest.isEmpty())
                     QMetaObject::invokeMethod(
                         this, [this, rest, folder] { Fetch(rest, folder); }, Qt::QueuedConnection);
             });
}

}  // namespace sky::ui
