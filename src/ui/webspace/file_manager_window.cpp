#include "ui/webspace/file_manager_window.h"

#include "ui/base/tool_registry.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDrag>
#include <QEventLoop>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>

#include "core/base/paths.h"
#include "core/ftp/ftp_client.h"
#include "core/webspace/transfer_record.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/ui_job.h"
#include "ui/service/member_session.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/skypad/skypad_tool.h"
#include "ui/webspace/local_files_panel.h"
#include "ui/webspace/web_space_transfer.h"

namespace sky::ui {

namespace {

constexpr int kFileRole = Qt::UserRole;  // index into files_, -1 for a status row
const QString kBusy = QStringLiteral("Sorry. I'm too busy right now");
const QString kMustLogIn = QStringLiteral("You must be logged in !");
const QString kBadLogin = QStringLiteral("Bad Login !");

// Results of a rename beyond those of the transfers.
constexpr int kRenameTaken = -100;
constexpr int kRenameGone = -101;
constexpr int kRenameUnconfirmed = -102;

QString Stamp(int64_t mtime) {
    if (mtime < 0) return {};
    time_t t = time_t(mtime);
    struct tm tm {};
    localtime_r(&t, &tm);
    char text[64];
    return std::strftime(text, sizeof text, "%x %X", &tm) ? QString::fromLocal8Bit(text) : QString();
}

QIcon IconFor(const QString& name, const QStyle* style) {
    const QString lower = name.toLower();
    for (const char* ext : {".gif", ".jpg", ".jpeg", ".png", ".bmp"})
        if (lower.endsWith(QLatin1String(ext)))
            return QIcon::fromTheme(QStringLiteral("image-x-generic"),
                                    style->standardIcon(QStyle::SP_FileIcon));
    return style->standardIcon(QStyle::SP_FileIcon);
}

// The remote list: rows drag out as addresses; local files dropped in are uploaded.
class RemoteTree : public QTreeWidget {
public:
    std::function<QMimeData*()> makeDrag;
    std::function<void(const QStringList&)> dropped;
    using QTreeWidget::QTreeWidget;

protected:
    static QStringList LocalPaths(const QMimeData* mime) {
        QStringList paths;
        for (const QUrl& url : mime->urls()) {
            if (!url.isLocalFile()) return {};
            paths << url.toLocalFile();
        }
        return paths;
    }
    void startDrag(Qt::DropActions) override {
        QMimeData* mime = makeDrag ? makeDrag() : nullptr;
        if (!mime) return;
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
    }
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (LocalPaths(e->mimeData()).isEmpty()) return e->ignore();
        e->setDropAction(Qt::CopyAction);
        e->accept();
    }
    void dragMoveEvent(QDragMoveEvent* e) override {
        if (LocalPaths(e->mimeData()).isEmpty()) return e->ignore();
        e->setDropAction(Qt::CopyAction);
        e->accept();
    }
    void dropEvent(QDropEvent* e) override {
        const QStringList paths = LocalPaths(e->mimeData());
        if (paths.isEmpty()) return e->ignore();
        e->setDropAction(Qt::CopyAction);
        e->accept();
        if (dropped) QTimer::singleShot(0, this, [this, paths] { dropped(paths); });
    }
};

// A confirmation with a few fixed lines and one editable name.
class NameDialog : public QDialog {
public:
    QLineEdit* name = nullptr;
    NameDialog(QWidget* parent, const QString& objectName, const QString& title,
               const QList<std::pair<QString, QString>>& lines, const QString& nameLabel,
               const QString& value, bool editable)
        : QDialog(parent) {
        setObjectName(objectName);
        setWindowTitle(title);
        auto* form = new QFormLayout;
        for (const auto& [label, text] : lines) {
            auto* l = new QLabel(text, this);
            l->setTextInteractionFlags(Qt::TextSelectableByMouse);
            form->addRow(label, l);
        }
        name = new QLineEdit(value, this);
        name->setReadOnly(!editable);
        name->setMinimumWidth(320);
        form->addRow(nameLabel, name);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(buttons);
    }
};

QString ManyLines(int count) {
    return QStringLiteral("** %1 Selected **\n** Same Name As Local Files **").arg(count);
}

}  // namespace

// Reports of the worker, handed to the window on the UI thread.
class FileManagerWindow::Listener : public webspace::TransferListener {
public:
    Listener(const UiJob::Post& post, QPointer<FileManagerWindow> owner) : post_(post), owner_(owner) {}
    void OnStatus(int, const std::string& text) override {
        if (text.empty()) return;
        Post([t = Q(text)](FileManagerWindow& w) { w.ShowStatusLine(t); });
    }
    void OnProgress(uint64_t done, uint64_t total) override {
        Post([done, total](FileManagerWindow& w) { w.ShowProgress(done, total); });
    }
    void OnMessage(const std::string& text) override {
        Post([t = Q(text)](FileManagerWindow& w) {
            ShowMessage(&w, t, QString::fromLatin1(kTitle), MessageKind::Warning);
        });
    }

private:
    void Post(std::function<void(FileManagerWindow&)> call) {
        QPointer<FileManagerWindow> owner = owner_;
        post_([owner, call] {
            if (owner) call(*owner);
        });
    }
    const UiJob::Post& post_;
    QPointer<FileManagerWindow> owner_;
};

FileManagerWindow::FileManagerWindow(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context) {
    setWindowTitle(QString::fromLatin1(kTitle));
    job_ = new UiJob(this);
    AppContext* ctx = &context_;
    openInSkyPad = [ctx](const QString& path) { return OpenInSkyPad(*ctx, path); };

    auto* login = new QPushButton(QStringLiteral("&Login"), this);
    auto* refresh = new QPushButton(QStringLiteral("&Refresh"), this);
    account_ = new QLabel(QStringLiteral("Unknown"), this);
    account_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* top = new QHBoxLayout;
    top->addWidget(login);
    top->addWidget(refresh);
    top->addSpacing(12);
    top->addWidget(account_, 1);
    connect(login, &QPushButton::clicked, this, &FileManagerWindow::Login);
    connect(refresh, &QPushButton::clicked, this, &FileManagerWindow::LoadRemoteList);

    auto* tree = new RemoteTree(this);
    remote_ = tree;
    remote_->setAccessibleName(QStringLiteral("Web space files"));
    remote_->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"), QStringLiteral("Modified")});
    remote_->setColumnWidth(NameColumn, 120);
    remote_->setColumnWidth(SizeColumn, 50);
    remote_->setColumnWidth(ModifiedColumn, 120);
    remote_->setColumnHidden(TypeColumn, true);
    remote_->setRootIsDecorated(false);
    remote_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    remote_->setDragEnabled(true);
    remote_->setAcceptDrops(true);
    remote_->viewport()->setAcceptDrops(true);
    remote_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->makeDrag = [this] { return DragData(); };
    tree->dropped = [this](const QStringList& paths) { Upload(paths); };
    connect(remote_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QMenu* menu = MakeContextMenu()) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(remote_->viewport()->mapToGlobal(at));
        }
    });
    connect(remote_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        int i = item ? item->data(0, kFileRole).toInt() : -1;
        if (i >= 0) OpenInBrowser(Q(files_[i].name));
    });

    local_ = new LocalFilesPanel(context_.settings(), this);
    connect(local_, &LocalFilesPanel::remoteFilesDropped, this, &FileManagerWindow::Download);

    auto* split = new QSplitter(this);
    split->addWidget(remote_);
    split->addWidget(local_);

    progress_ = new QFrame(this);
    static_cast<QFrame*>(progress_)->setFrameShape(QFrame::StyledPanel);
    progressTitle_ = new QLabel(progress_);
    progressLines_ = new QPlainTextEdit(progress_);
    progressLines_->setReadOnly(true);
    progressLines_->setMaximumBlockCount(200);
    progressLines_->setFixedHeight(70);
    bar_ = new QProgressBar(progress_);
    rate_ = new QLabel(progress_);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), progress_);
    auto* barRow = new QHBoxLayout;
    barRow->addWidget(bar_, 1);
    barRow->addWidget(rate_);
    barRow->addWidget(cancel);
    auto* box = new QVBoxLayout(progress_);
    box->addWidget(progressTitle_);
    box->addWidget(progressLines_);
    box->addLayout(barRow);
    progress_->hide();
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (job_->Cancel())
            ShowStatusLine(QStringLiteral("*** Cancel in progress ***"));
        else
            HideProgress();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(progress_);
    resize(720, 460);
}

FileManagerWindow::~FileManagerWindow() = default;

webspace::ServerTarget FileManagerWindow::Target() const {
    return MemberTarget(context_);
}

QString FileManagerWindow::FileAddress(const QString& name) const {
    return Q(webspace::MemberFileUrl(context_.hosts().web, S(context_.session().account()), S(name)));
}

QString FileManagerWindow::accountLabel() const {
    return account_->text();
}

bool FileManagerWindow::busy() const {
    return job_->busy();
}

QString FileManagerWindow::progressText() const {
    return progressTitle_->text() + QLatin1Char('\n') + progressLines_->toPlainText();
}

void FileManagerWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    if (FrameHost* frame = context_.frame()) {
        frame->window()->show();
        frame->window()->raise();
    }
}

bool FileManagerWindow::RefuseWhenBusy() {
    if (!job_->busy()) return false;
    ShowMessage(this, kBusy, QString::fromLatin1(kTitle));
    progress_->show();
    return true;
}

void FileManagerWindow::ShowBadLogin() {
    remote_->clear();
    files_.clear();
    AddStatusRow(kBadLogin);
}

bool FileManagerWindow::RequireLogin(bool fromOtherWindow) {
    if (context_.session().loggedIn()) return true;
    if (!fromOtherWindow) {
        ShowMessage(this, kMustLogIn, QString::fromLatin1(kTitle));
        ShowBadLogin();
        return false;
    }
    ShowMessage(this, kMustLogIn, QStringLiteral("Upload Error"), MessageKind::Warning);
    ShowBadLogin();
    Login();
    if (job_->busy()) {
        // The listing that follows the login, for up to five seconds.
        QEventLoop wait;
        QTimer::singleShot(5000, &wait, &QEventLoop::quit);
        connect(job_, &UiJob::finished, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return context_.session().loggedIn();
}

bool FileManagerWindow::Run(const QString& title, Work work, std::function<void(int)> done) {
    if (RefuseWhenBusy()) return false;
    progressTitle_->setText(title);
    progressLines_->clear();
    bar_->setRange(0, 0);
    rate_->clear();
    progress_->show();
    lastDone_ = 0;
    clock_.start();
    QPointer<FileManagerWindow> self(this);
    job_->Start([work, self](std::stop_token stop, const UiJob::Post& post) {
        Listener listener(post, self);
        return work(listener, stop);
    });
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(job_, &UiJob::finished, this, [this, done, connection](int result) {
        disconnect(*connection);
        bool cancelled = job_->cancelled();
        HideProgress();
        if (!cancelled) done(result);
    });
    return true;
}

void FileManagerWindow::HideProgress() {
    progress_->hide();
    rate_->clear();
}

void FileManagerWindow::ShowStatusLine(const QString& text) {
    progressLines_->appendPlainText(text);
    if (listing_) AddStatusRow(text);
}

void FileManagerWindow::ShowProgress(uint64_t done, uint64_t total) {
    if (done < lastDone_) clock_.restart();  // the next file
    lastDone_ = done;
    if (total == 0) return;
    bar_->setRange(0, 1000);
    bar_->setValue(int(done * 1000 / total));
    const double seconds = std::max<qint64>(clock_.elapsed(), 1) / 1000.0;
    rate_->setText(QStringLiteral("%1 of %2 bytes, %3 KB/s")
                       .arg(done)
                       .arg(total)
                       .arg(done / 1024.0 / seconds, 0, 'f', 1));
}

void FileManagerWindow::AddStatusRow(const QString& text) {
    auto* item = new QTreeWidgetItem(remote_, {text});
    item->setData(0, kFileRole, -1);
    item->setFlags(Qt::ItemIsEnabled);
}

void FileManagerWindow::Login() {
    if (!context_.session().RunLogin()) return;
    ShowMessage(this, QStringLiteral("Login was successful !"), QString::fromLatin1(kTitle));
    LoadRemoteList();
}

void FileManagerWindow::LoadRemoteList() {
    if (!context_.session().loggedIn()) {
        ShowBadLogin();
        emit listed();
        return;
    }
    if (RefuseWhenBusy()) return;
    account_->setText(QStringLiteral("%1/~%2").arg(Q(context_.hosts().web), context_.session().account()));
    remote_->clear();
    files_.clear();
    AddStatusRow(QStringLiteral("Loading..."));
    auto reply = std::make_shared<std::string>();
    webspace::ServerTarget target = Target();
    listing_ = true;
    Run(
        QStringLiteral("Listing Your Web Space"),
        [target, reply](webspace::TransferListener& listener, std::stop_token stop) {
            return webspace::ListFiles(target, listener, stop, reply.get());
        },
        [this, reply](int result) {
            listing_ = false;
            ShowListing(result, *reply);
        });
    if (!job_->busy()) listing_ = false;
}

void FileManagerWindow::ShowListing(int result, const std::string& reply) {
    auto head = webspace::ReadTransferReply(reply);
    if (result == webspace::kStatusBadLogin) {
        ShowBadLogin();
    } else if (result == 0 && head && head->status == 0) {
        remote_->clear();
        files_.clear();
        for (webspace::WebSpaceFile& f : webspace::ParseWebSpaceListing(head->text))
            if (!f.folder) files_.push_back(std::move(f));
        // Folders first (the web space has none to show), then by name.
        std::stable_sort(files_.begin(), files_.end(), [](const auto& a, const auto& b) {
            if (a.folder != b.folder) return a.folder;
            return Q(a.name).compare(Q(b.name), Qt::CaseInsensitive) < 0;
        });
        const QStyle* style = remote_->style();
        for (int i = 0; i < int(files_.size()); ++i) {
            const auto& f = files_[i];
            auto* item = new QTreeWidgetItem(
                remote_, {Q(f.name), QString::number(f.size), QStringLiteral("File"), Stamp(f.mtime)});
            item->setIcon(0, IconFor(Q(f.name), style));
            item->setData(0, kFileRole, i);
        }
    } else {
        AddStatusRow(QStringLiteral("Error %1").arg(result));
    }
    emit listed();
}

QStringList FileManagerWindow::SelectedNames(bool* folderFound, QString* folderName) const {
    QStringList names;
    *folderFound = false;
    for (QTreeWidgetItem* item : remote_->selectedItems()) {
        int i = item->data(0, kFileRole).toInt();
        if (i < 0) continue;
        if (files_[i].folder && !*folderFound) {
            *folderFound = true;
            *folderName = Q(files_[i].name);
        }
        names << Q(files_[i].name);
    }
    return names;
}

QMenu* FileManagerWindow::MakeContextMenu() {
    bool folder = false;
    QString folderName;
    const QStringList names = SelectedNames(&folder, &folderName);
    if (names.isEmpty()) return nullptr;
    auto* menu = new QMenu(this);
    if (names.size() > 1) {
        menu->addAction(QStringLiteral("Delete %1 selected files").arg(names.size()), this,
                        &FileManagerWindow::DeleteSelected);
        return menu;
    }
    const QString name = names.first();
    menu->addAction(QStringLiteral("Open %1 in web browser").arg(name), this,
                    [this, name] { OpenInBrowser(name); });
    menu->addAction(QStringLiteral("Open %1...").arg(name), this, [this, name] { OpenInBrowser(name); });
    menu->addSeparator();
    if (webspace::OffersPageEditor(S(name)))
        menu->addAction(QStringLiteral("Edit via SkyHarbor Page Editor..."), this,
                        [this, name] { EditViaPageEditor(name); });
    menu->addAction(QStringLiteral("Edit via SkyPad..."), this, [this, name] { EditViaSkyPad(name); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Rename %1...").arg(name), this, [this, name] { Rename(name); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Delete %1...").arg(name), this, &FileManagerWindow::DeleteSelected);
    return menu;
}

// The selected files as addresses: the remote-files block and plain URLs.
QMimeData* FileManagerWindow::DragData() const {
    std::vector<std::string> addresses;
    QList<QUrl> urls;
    for (QTreeWidgetItem* item : remote_->selectedItems()) {
        int i = item->data(0, kFileRole).toInt();
        if (i < 0 || files_[i].folder) continue;
        QString a = FileAddress(Q(files_[i].name));
        addresses.push_back(S(a));
        urls << QUrl(a);
    }
    if (addresses.empty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(LocalFilesPanel::kRemoteFilesMime),
                  QByteArray::fromStdString(ftp::RemoteFilesBlock(addresses)));
    mime->setUrls(urls);
    return mime;
}

void FileManagerWindow::OpenInBrowser(const QString& name) {
    if (name.isEmpty()) {
        ShowMessage(this, QStringLiteral("Open in b"), QString::fromLatin1(kTitle));
        return;
    }
    if (FrameHost* frame = context_.frame()) frame->HandleAddress(FileAddress(name), true);
}

void FileManagerWindow::EditViaPageEditor(const QString& name) {
    if (RefuseWhenBusy()) return;
    const std::string temp = PrivateTempDir();
    if (temp.empty() || !ftp::SafeLocalName(S(name))) {
        ShowMessage(this, QStringLiteral("Could Not Open Temp File"), QString::fromLatin1(kTitle),
                    MessageKind::Warning);
        return;
    }
    const QString local = Q(temp) + name;
    const std::string url = S(FileAddress(name));
    Run(
        QStringLiteral("Retrieving files from you web space"),
        [url, l = S(local)](webspace::TransferListener& listener, std::stop_token stop) {
            return webspace::DownloadFile(url, l, listener, stop, 6);
        },
        [this, local, name](int result) {
            if (result != 0) {
                ShowMessage(this, QStringLiteral("Could not get file\n\n%1").arg(name),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
                return;
            }
            // The editor saves it back to the web space under the same name.
            if (!context_.registry().Invoke(QStringLiteral("homepage.editPage"),
                                            local + QLatin1Char('\n') + name))
                ShowMessage(this, QStringLiteral("Sorry.  Not yet available"));
        });
}

void FileManagerWindow::EditViaSkyPad(const QString& name) {
    if (RefuseWhenBusy()) return;
    const std::string temp = PrivateTempDir();
    if (temp.empty() || !ftp::SafeLocalName(S(name))) {
        ShowMessage(this, QStringLiteral("Could Not Open Temp File"), QString::fromLatin1(kTitle),
                    MessageKind::Warning);
        return;
    }
    const QString local = Q(temp) + name;
    const std::string url = S(FileAddress(name));
    QPointer<FileManagerWindow> self(this);
    Run(
        QStringLiteral("Retrieving files from you web space"),
        [url, l = S(local)](webspace::TransferListener& listener, std::stop_token stop) {
            return webspace::DownloadFile(url, l, listener, stop, 6);
        },
        [this, self, local, name](int result) {
            if (result != 0) {
                ShowMessage(this, QStringLiteral("Could not get file\n\n%1").arg(name),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
                return;
            }
            CSkyPadFrame* pad = openInSkyPad ? openInSkyPad(local) : nullptr;
            if (!pad) return;
            pad->SetRemoteName(name);
            pad->upload = [self](const QString& path, const QString& remote) {
                if (self) self->Upload({path}, remote, true);
            };
        });
}

void FileManagerWindow::Rename(const QString& name) {
    if (!RequireLogin(false) || RefuseWhenBusy()) return;
    NameDialog dialog(this, QStringLiteral("renameFile"), QStringLiteral("Rename"),
                      {{QStringLiteral("File:"), name}}, QStringLiteral("New name:"), name, true);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    const QString to = dialog.name->text().trimmed();
    if (to == name) return;
    if (!webspace::ValidWebSpaceName(S(to))) {
        ShowMessage(this, QStringLiteral("[%1] cannot be the name of a file in your web space.").arg(to),
                    QString::fromLatin1(kTitle), MessageKind::Warning);
        return;
    }
    const std::string temp = PrivateTempDir();
    if (temp.empty()) return;
    // A copy under the new name, checked, before the old one goes: a failure
    // on the way leaves the old file as it was.
    const webspace::ServerTarget target = Target();
    const std::string url = S(FileAddress(name)), from = S(name), newName = S(to);
    const std::string local = temp + "rename-" + std::to_string(reinterpret_cast<uintptr_t>(this));
    Run(
        QStringLiteral("Renaming %1").arg(name),
        [=](webspace::TransferListener& listener, std::stop_token stop) {
            struct Cleanup {
                std::string path;
                ~Cleanup() {
                    std::error_code ec;
                    std::filesystem::remove(path, ec);
                }
            } cleanup{local};
            auto find = [](const std::string& n,
                           const std::string& reply) -> std::optional<webspace::WebSpaceFile> {
                auto head = webspace::ReadTransferReply(reply);
                if (head)
                    for (auto& f : webspace::ParseWebSpaceListing(head->text))
                        if (f.name == n) return f;
                return std::nullopt;
            };
            std::string reply;
            int rc = webspace::ListFiles(target, listener, stop, &reply);
            if (rc != 0) return rc;
            if (find(newName, reply)) return kRenameTaken;
            if (!find(from, reply)) return kRenameGone;
            rc = webspace::DownloadFile(url, local, listener, stop);
            if (rc != 0) return rc;
            std::error_code ec;
            const uint64_t size = std::filesystem::file_size(local, ec);
            if (ec) return webspace::kLocalFileError;
            if (size > 0) {
                rc = webspace::UploadFile(target, local, newName, listener, stop);
                if (rc != 0) return rc;
            }
            rc = webspace::ListFiles(target, listener, stop, &reply);
            if (rc != 0) return rc;
            auto copy = find(newName, reply);
            if (!copy || copy->size != size) return kRenameUnconfirmed;
            return webspace::DeleteFile(target, from, listener, stop);
        },
        [this, name, to](int result) {
            if (result == kRenameTaken)
                ShowMessage(this, QStringLiteral("%1 is already in your web space.").arg(to),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
            else if (result != 0)
                ShowMessage(this, QStringLiteral("Could not rename %1 [%2]").arg(name).arg(result),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
            LoadRemoteList();
        });
}

void FileManagerWindow::DeleteSelected() {
    if (!context_.session().loggedIn()) {
        ShowMessage(this, kMustLogIn, QString::fromLatin1(kTitle));
        ShowBadLogin();
        return;
    }
    if (RefuseWhenBusy()) return;
    bool folder = false;
    QString folderName;
    const QStringList names = SelectedNames(&folder, &folderName);
    if (names.isEmpty()) return;
    if (folder) {
        ShowMessage(this, QStringLiteral("You cannot delete folders !\n\n[%1]").arg(folderName),
                    QString::fromLatin1(kTitle));
        return;
    }
    const QString question = names.size() == 1
                                 ? QStringLiteral("Delete %1").arg(names.first())
                                 : QStringLiteral("Delete  %1 selected files.").arg(names.size());
    if (!AskYesNo(this, question, QStringLiteral("Are You Sure ?"))) return;
    const webspace::ServerTarget target = Target();
    std::vector<std::string> list;
    for (const QString& n : names) list.push_back(S(n));
    Run(
        QStringLiteral("Delete File(s) to Your Web Space"),
        [target, list](webspace::TransferListener& listener, std::stop_token stop) {
            listener.OnStatus(webspace::kDeleteMessage, "*** DELETING SERVER FILE(S) ***");
            for (const std::string& n : list) {
                if (stop.stop_requested()) return webspace::kCancelled;
                int rc = webspace::DeleteFile(target, n, listener, stop);
                if (rc != 0) return rc;
            }
            return 0;
        },
        [this](int result) {
            if (result != 0)
                ShowMessage(this, QStringLiteral("Delete Error [%1]").arg(result),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
            LoadRemoteList();
        });
}

void FileManagerWindow::Upload(const QStringList& paths, const QString& remote, bool fromOtherWindow) {
    if (paths.isEmpty()) return;
    if (!RequireLogin(fromOtherWindow) || RefuseWhenBusy()) return;
    const bool one = paths.size() == 1;
    QString localText = paths.first();
    if (!one) {
        localText.clear();
        for (const QString& p : paths) localText += QLatin1Char('?') + p;
    }
    const QString proposed = !one                ? ManyLines(paths.size())
                             : !remote.isEmpty() ? remote
                                                 : QFileInfo(paths.first()).fileName();
    if (!one && !fromOtherWindow) {
        // Each file keeps its own name: say which ones cannot be names there.
        for (const QString& p : paths)
            if (!webspace::ValidWebSpaceName(S(QFileInfo(p).fileName()))) {
                ShowMessage(this,
                            QStringLiteral("[%1] cannot be the name of a file in your web space.")
                                .arg(QFileInfo(p).fileName()),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
                return;
            }
    }
    NameDialog dialog(this, QStringLiteral("uploadConfirm"), QStringLiteral("Post to Your Web Space"),
                      {{QStringLiteral("Destination:"), account_->text()},
                       {QStringLiteral("Local:"), one ? localText : paths.join(QLatin1Char('\n'))}},
                      QStringLiteral("Remote name:"), proposed, one);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    const QString name = one ? dialog.name->text().trimmed() : QStringLiteral("*");
    if (one && !webspace::ValidWebSpaceName(S(name))) {
        ShowMessage(this, QStringLiteral("[%1] cannot be the name of a file in your web space.").arg(name),
                    QString::fromLatin1(kTitle), MessageKind::Warning);
        return;
    }
    const webspace::ServerTarget target = Target();
    Run(
        QStringLiteral("Posting File(s) to Your Web Space"),
        [target, l = S(localText), r = S(name)](webspace::TransferListener& listener, std::stop_token stop) {
            return webspace::UploadFile(target, l, r, listener, stop);
        },
        [this](int result) {
            if (result != 0)
                ShowMessage(this, QStringLiteral("Upload Error [%1]").arg(result),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
            LoadRemoteList();
        });
}

void FileManagerWindow::Download(const QStringList& addresses, const QString& folder) {
    if (addresses.isEmpty()) return;
    if (RefuseWhenBusy()) return;
    // Only files of this web space, under names that stay in the folder.
    const QString prefix = FileAddress(QString());
    std::vector<std::pair<std::string, std::string>> files;  // address, local path
    for (const QString& a : addresses) {
        const QString name =
            a.startsWith(prefix) ? QUrl::fromPercentEncoding(a.mid(prefix.size()).toUtf8()) : QString();
        if (!ftp::SafeLocalName(S(name))) {
            ShowMessage(this,
                        QStringLiteral("Could not get file\n\n%1 is not a file of your web space.").arg(a),
                        QString::fromLatin1(kTitle), MessageKind::Warning);
            return;
        }
        files.emplace_back(S(a), S(QDir(folder).filePath(name)));
    }
    const bool one = files.size() == 1;
    QString list;
    for (const QString& a : addresses) list += QLatin1Char('?') + a;
    NameDialog dialog(
        this, QStringLiteral("downloadConfirm"), QStringLiteral("FTP Server"),
        {{QStringLiteral("Folder:"), folder},
         {QStringLiteral("Address:"), one ? addresses.first() : addresses.join(QLatin1Char('\n'))}},
        QStringLiteral("Local name:"),
        one ? QFileInfo(Q(files.front().second)).fileName() : ManyLines(int(files.size())), one);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    if (one) {
        const QString name = dialog.name->text().trimmed();
        if (!ftp::SafeLocalName(S(name))) return;
        files.front().second = S(QDir(folder).filePath(name));
    }
    Run(
        QStringLiteral("Retrieving files from you web space"),
        [files](webspace::TransferListener& listener, std::stop_token stop) {
            for (const auto& [url, local] : files) {
                int rc = webspace::DownloadFile(url, local, listener, stop);
                if (rc != 0) return rc;
            }
            return 0;
        },
        [this](int result) {
            if (result != 0)
                ShowMessage(this, QStringLiteral("Could not get file [%1]").arg(result),
                            QString::fromLatin1(kTitle), MessageKind::Warning);
            local_->Refresh();
        });
}

}  // namespace sky::ui
