#include "ui/mail/mail_frame.h"

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/base/settings_store.h"
#include "core/mail/check_mail_worker.h"
#include "core/mail/mail_accounts.h"
#include "core/mail/mail_store.h"
#include "core/mail/smtp_client.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/mail/mail_doc.h"
#include "ui/mail/message_list_model.h"
#include "ui/mail/message_pane.h"
#include "ui/mail/progress_panel.h"

namespace sky::ui {

// The fetch worker's reports, each handed to the window on the UI thread.
class MailFetchListener : public MailWorkerListener {
public:
    explicit MailFetchListener(CK7EmailFrame* frame) : frame_(frame) {}
    void mailProgress(const std::string& line) override {
        Post([line](CK7EmailFrame* f) { f->FetchProgress(Q(line)); });
    }
    void newMessage(const std::string& path) override {
        Post([path](CK7EmailFrame* f) {
            MessageSummary s;
            ReadMessageSummary(path, &s);
            f->FetchNewMessage(Q(path), Q(s.subject));
        });
    }
    void connectFailed(const std::string& message, const std::string& detail) override {
        Post([message, detail](CK7EmailFrame* f) {
            ShowMessage(f, Q(message) + (detail.empty() ? QString() : QStringLiteral("\n\n") + Q(detail)),
                        QStringLiteral("SkyMail"), MessageKind::Warning);
        });
    }
    void mailDone(int result) override {
        Post([result](CK7EmailFrame* f) { f->FetchDone(result); });
    }

private:
    void Post(std::function<void(CK7EmailFrame*)> call) {
        QPointer<CK7EmailFrame> frame = frame_;
        QMetaObject::invokeMethod(
            frame_.data(),
            [frame, call = std::move(call)] {
                if (frame) call(frame);
            },
            Qt::QueuedConnection);
    }
    QPointer<CK7EmailFrame> frame_;
};

namespace {

constexpr const char* kSplitSection = "EMAIL";

QColor FromBgr(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QString FolderName(const QString& path) {
    QString p = path;
    while (p.endsWith(QLatin1Char('/'))) p.chop(1);
    return p.section(QLatin1Char('/'), -1);
}

QStringList LocalFiles(const QMimeData* mime) {
    QStringList out;
    if (!mime || !mime->hasUrls()) return out;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) out << url.toLocalFile();
    return out;
}

}  // namespace

// --- folder tree -----------------------------------------------------------

CSM_FoldersView::CSM_FoldersView(QWidget* parent) : QWidget(parent) {
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setAcceptDrops(true);
    tree_->viewport()->setAcceptDrops(true);
    tree_->setDropIndicatorShown(true);
    tree_->viewport()->installEventFilter(this);
    tree_->setAccessibleName(QStringLiteral("Mail folders"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (filling_ || !item || !item->parent()) return;
        emit folderChosen(item->text(0), item->data(0, Qt::UserRole).toString());
    });
}

bool CSM_FoldersView::Fill(const QString& select, const QStringList& accounts, const QString& selectAccount) {
    filling_ = true;
    tree_->clear();
    QTreeWidgetItem* chosen = nullptr;
    auto addRoot = [&](const QString& text, const QString& account) {
        auto* root = new QTreeWidgetItem(tree_, {text});
        root->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
        for (const std::string& name :
             ListFolders(account.isEmpty() ? std::string(kDefaultUserDir) : S(account))) {
            auto* item = new QTreeWidgetItem(root, {Q(name)});
            item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
            item->setData(0, Qt::UserRole, account);
            if (!chosen && account == selectAccount && Q(name) == select) chosen = item;
        }
        root->setExpanded(true);
    };
    addRoot(QString::fromLatin1(kRootText), QString());
    // Further accounts fetch into InBoxes of their own.
    for (const QString& account : accounts) addRoot(account, account);
    if (chosen) tree_->setCurrentItem(chosen);
    filling_ = false;
    return chosen != nullptr;
}

QString CSM_FoldersView::FolderAt(const QPoint& pos) const {
    // Messages move between DefaultUser's folders.
    QTreeWidgetItem* item = tree_->itemAt(pos);
    return item && item->parent() && item->data(0, Qt::UserRole).toString().isEmpty() ? item->text(0)
                                                                                      : QString();
}

bool CSM_FoldersView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != tree_->viewport()) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* e = static_cast<QDropEvent*>(event);
        bool onFolder = !FolderAt(e->position().toPoint()).isEmpty();
        if (!LocalFiles(e->mimeData()).isEmpty() && (onFolder || event->type() == QEvent::DragEnter)) {
            e->acceptProposedAction();
        } else {
            e->ignore();
        }
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* e = static_cast<QDropEvent*>(event);
        QString folder = FolderAt(e->position().toPoint());
        QStringList files = LocalFiles(e->mimeData());
        if (folder.isEmpty() || files.isEmpty()) return true;
        e->setDropAction(Qt::MoveAction);
        e->accept();
        emit filesDropped(files, folder);
        return true;
    }
    return false;
}

// --- the window ------------------------------------------------------------

CK7EmailFrame::CK7EmailFrame(SettingsStore& settings, MailWindowHost host, QWidget* parent)
    : QMainWindow(parent), settings_(settings), host_(std::move(host)) {
    // Building the pane's web view takes a moment.
    QDialog wait(this, Qt::Dialog | Qt::FramelessWindowHint);
    auto* waitLayout = new QVBoxLayout(&wait);
    waitLayout->addWidget(new QLabel(QStringLiteral("Connecting to mail server"), &wait));
    wait.show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    setWindowTitle(QStringLiteral("SkyMail"));
    doc_ = new CK7EmailDoc(this);
    connect(doc_, &CK7EmailDoc::update, this, &CK7EmailFrame::OnHint);

    folders_ = new CSM_FoldersView(this);
    QWidget* book = host_.addressBook ? host_.addressBook(this) : new QWidget(this);
    book_ = book;
    pane_ = new CMsgView(this);
    QWidget* listPane = BuildListPane();

    left_ = new QSplitter(Qt::Vertical);
    left_->addWidget(folders_);
    left_->addWidget(book);
    right_ = new QSplitter(Qt::Vertical);
    right_->addWidget(listPane);
    right_->addWidget(BuildPaneBox());
    columns_ = new QSplitter(Qt::Horizontal, this);
    columns_->addWidget(left_);
    columns_->addWidget(right_);
    setCentralWidget(columns_);

    // Sizes from the profile; written back as the user changes them.
    auto get = [&](const char* key, int def) { return settings_.GetInt(kSplitSection, key, def); };
    left_->setMinimumWidth(get("left_main_cymin", 100));
    folders_->setMinimumHeight(get("left_folders_cymin", 100));
    listPane->setMinimumHeight(get("left_message_cymin", 100));
    columns_->setSizes({get("left_main_cycur", 150), 10000});
    left_->setSizes({get("left_folders_cycur", 150), 10000});
    right_->setSizes({get("left_message_cycur", 150), 10000});
    columns_->setStretchFactor(1, 1);
    saveSplitters_ = new QTimer(this);
    saveSplitters_->setSingleShot(true);
    saveSplitters_->setInterval(300);
    connect(saveSplitters_, &QTimer::timeout, this, &CK7EmailFrame::SaveSplitters);
    for (QSplitter* s : {columns_, left_, right_})
        connect(s, &QSplitter::splitterMoved, saveSplitters_, qOverload<>(&QTimer::start));

    BuildMenu();
    statusBar()->showMessage(QString());

    progress_ = new ProgressPanel(list_, QStringLiteral("Checking for new mail..."));
    connect(progress_, &ProgressPanel::cancelRequested, this, [this] {
        if (fetch_) fetch_->Cancel();
    });
    connect(
        folders_, &CSM_FoldersView::folderChosen, this, [this](const QString& name, const QString& account) {
            account_ = account;
            doc_->SetCurrentFolder(QPath(
                GetMailFolderPath(S(name), account.isEmpty() ? std::string(kDefaultUserDir) : S(account))));
            doc_->Broadcast(CK7EmailDoc::ShowWelcome);
        });
    connect(folders_, &CSM_FoldersView::filesDropped, this,
            [this](const QStringList& files, const QString& folder) {
                std::vector<std::string> paths;
                for (const QString& f : files) paths.push_back(S(f));
                MoveResult r = MoveMessages(paths, S(folder));
                for (const std::string& m : r.messages)
                    ShowMessage(this, Q(m), QString::fromLatin1(kMoveErrorCaption), MessageKind::Warning);
                model_->Remove(r.moved);
                if (!r.status.empty()) Status(Q(r.status));
            });
    connect(pane_, &CMsgView::statusText, this, &CK7EmailFrame::Status);
    connect(pane_, &CMsgView::linkActivated, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("mailto")) {
            if (host_.compose) host_.compose(ComposeFields{url.path(), {}, {}, {}, {}});
        } else if (host_.openLink) {
            host_.openLink(url);
        }
    });
    connect(pane_, &CMsgView::messageShown, this, [this] {
        Status(QStringLiteral("%1 messages in %2")
                   .arg(model_->rowCount())
                   .arg(FolderName(doc_->currentFolder())));
    });

    // First opening: the mail root and InBox exist, InBox is shown.
    GetMailFolderPath("InBox");
    doc_->SetCurrentFolder(QPath(GetMailFolderPath("InBox")));
    folders_->Fill(QStringLiteral("InBox"), Accounts());
    LoadFolder(QStringLiteral("InBox"));
    pane_->ShowWelcome();
}

CK7EmailFrame::~CK7EmailFrame() {
    if (saveSplitters_->isActive()) SaveSplitters();
    // The worker reports to this window: it ends first.
    fetch_.reset();
}

QWidget* CK7EmailFrame::BuildListPane() {
    auto* pane = new QWidget(this);
    bar_ = new QWidget(pane);
    bar_->setAutoFillBackground(true);
    auto* barLayout = new QHBoxLayout(bar_);
    barLayout->setContentsMargins(4, 2, 4, 2);
    auto* check = new QToolButton(bar_);
    check->setText(QStringLiteral("Check Mail"));
    check->setToolTip(QStringLiteral("Fetch new mail from every account"));
    auto* accounts = new QToolButton(bar_);
    accounts->setText(QStringLiteral("Accounts..."));
    accounts->setToolTip(QStringLiteral("Internet Accounts"));
    auto* compose = new QToolButton(bar_);
    compose->setText(QStringLiteral("New Message"));
    filter_ = new QLineEdit(bar_);
    filter_->setPlaceholderText(QStringLiteral("Find in folder"));
    filter_->setClearButtonEnabled(true);
    filter_->setAccessibleName(QStringLiteral("Find in folder"));
    barLayout->addWidget(check);
    barLayout->addWidget(compose);
    barLayout->addWidget(accounts);
    barLayout->addStretch(1);
    barLayout->addWidget(filter_, 2);
    PaintBar(settings_.GetInt("email", "colr_topbar", kTopBarColour));

    model_ = new MessageListModel(this);
    list_ = new QTreeView(pane);
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    list_->setDefaultDropAction(Qt::MoveAction);
    list_->setSortingEnabled(false);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(true);
    list_->header()->resizeSection(0, 300);
    list_->header()->resizeSection(1, 200);
    list_->header()->resizeSection(2, 200);
    list_->setAccessibleName(QStringLiteral("Messages"));
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    connect(list_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        model_->sort(column);
        list_->header()->setSortIndicator(column, Qt::AscendingOrder);
    });
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { RowChosen(current); });
    connect(filter_, &QLineEdit::textChanged, model_, &MessageListModel::SetFilter);
    connect(check, &QToolButton::clicked, this, [this] { doc_->Broadcast(CK7EmailDoc::CheckMail); });
    connect(compose, &QToolButton::clicked, this, [this] { doc_->Broadcast(CK7EmailDoc::NewMessage); });
    connect(accounts, &QToolButton::clicked, this, [this] {
        if (host_.accountList) host_.accountList(this);
        if (!folders_->Fill(FolderName(doc_->currentFolder()), Accounts(), account_)) {
            // The account shown was taken off the list: back to DefaultUser's InBox.
            account_.clear();
            folders_->Fill(QStringLiteral("InBox"), Accounts());
            doc_->SetCurrentFolder(QPath(GetMailFolderPath("InBox")));
            doc_->Broadcast(CK7EmailDoc::ShowWelcome);
        }
        PaintBar(settings_.GetInt("email", "colr_topbar", kTopBarColourAfterList));
    });

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar_);
    layout->addWidget(list_, 1);
    return pane;
}

QWidget* CK7EmailFrame::BuildPaneBox() {
    auto* box = new QWidget(this);
    auto* bar = new QWidget(box);
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, FromBgr(settings_.GetInt("email", "colr_botbar", kBottomBarColour)));
    bar->setPalette(pal);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(4, 2, 4, 2);
    auto button = [&](const QString& text, const QString& tip, CK7EmailDoc::Hint hint) {
        auto* b = new QToolButton(bar);
        b->setText(text);
        b->setToolTip(tip);
        connect(b, &QToolButton::clicked, this, [this, hint] { doc_->Broadcast(hint); });
        barLayout->addWidget(b);
    };
    button(QStringLiteral("Reply"), QStringLiteral("Reply to the author"), CK7EmailDoc::Reply);
    button(QStringLiteral("Forward"), QStringLiteral("Forward this message"), CK7EmailDoc::Forward);
    button(QStringLiteral("Print"), QStringLiteral("Print this message"), CK7EmailDoc::Print);
    barLayout->addStretch(1);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(pane_, 1);
    return box;
}

void CK7EmailFrame::PaintBar(int bgr) {
    QPalette pal = bar_->palette();
    QColor c = FromBgr(bgr);
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::WindowText, c.lightness() > 128 ? Qt::black : Qt::white);
    bar_->setPalette(pal);
}

void CK7EmailFrame::BuildMenu() {
    QMenu* mail = menuBar()->addMenu(QStringLiteral("&Mail"));
    if (host_.addressBookMenu)
        host_.addressBookMenu(menuBar()->addMenu(QStringLiteral("&Address Book")), book_);
    auto add = [&](QMenu* menu, const QString& text, QKeySequence key, std::function<void()> run) {
        QAction* a = menu->addAction(text);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, std::move(run));
        return a;
    };
    add(mail, QStringLiteral("&New Message"), QKeySequence(Qt::CTRL | Qt::Key_N),
        [this] { doc_->Broadcast(CK7EmailDoc::NewMessage); });
    add(mail, QStringLiteral("&Reply to Author"), QKeySequence(Qt::CTRL | Qt::Key_R),
        [this] { doc_->Broadcast(CK7EmailDoc::Reply); });
    add(mail, QStringLiteral("&Forward"), QKeySequence(Qt::CTRL | Qt::Key_L),
        [this] { doc_->Broadcast(CK7EmailDoc::Forward); });
    mail->addSeparator();
    add(mail, QStringLiteral("&Check Mail Now"), QKeySequence(Qt::Key_F5),
        [this] { doc_->Broadcast(CK7EmailDoc::CheckMail); });
    add(mail, QStringLiteral("&Settings..."), {}, [this] { doc_->Broadcast(CK7EmailDoc::AccountSettings); });
    mail->addSeparator();
    add(mail, QStringLiteral("View Mail &Source"), QKeySequence(Qt::CTRL | Qt::Key_U), [this] {
        QString current = doc_->currentMessage();
        if (current != QLatin1String(CK7EmailDoc::kWelcome) && host_.viewSource) host_.viewSource(current);
    });
    add(mail, QStringLiteral("&Print..."), QKeySequence(Qt::CTRL | Qt::Key_P),
        [this] { doc_->Broadcast(CK7EmailDoc::Print); });
    mail->addSeparator();
    add(mail, QStringLiteral("&Close"), {}, [this] {
        if (QWidget* sub = parentWidget()) sub->close();
    });
}

QStringList CK7EmailFrame::Accounts() const {
    QStringList out;
    for (const std::string& name : ReadAccountList(settings_))
        if (name != kDefaultMailUser && !name.empty()) out << Q(name);
    return out;
}

void CK7EmailFrame::Status(const QString& text) {
    statusBar()->showMessage(text);
}

QString CK7EmailFrame::statusText() const {
    return statusBar()->currentMessage();
}

void CK7EmailFrame::LoadFolder(const QString& name) {
    Status(QStringLiteral("Loading %1 ...").arg(name));
    // A large folder takes a while to read, with no event loop to paint this.
    statusBar()->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list_->setUpdatesEnabled(false);
    model_->Load(sky::LoadFolder(S(doc_->currentFolder())));
    list_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    list_->setUpdatesEnabled(true);
    Status(QStringLiteral("%1 messages in %2").arg(model_->rowCount()).arg(name));
    QApplication::restoreOverrideCursor();
}

void CK7EmailFrame::OnHint(int hint) {
    const DecodedMessage& shown = pane_->decoded();
    switch (hint) {
        case CK7EmailDoc::NewMessage:
            if (host_.compose) host_.compose({});
            break;
        case CK7EmailDoc::Reply:
        case CK7EmailDoc::Forward: {
            if (pane_->shownPath().isEmpty() || !host_.compose) break;
            ComposeFields f;
            bool reply = hint == CK7EmailDoc::Reply;
            f.to = reply ? Q(shown.sender) : QString();
            f.subject = Q(reply ? ReplySubject(shown.subject) : ForwardSubject(shown.subject));
            f.body = Q(QuoteText(shown.subject, shown.sender, shown.date, shown.plainText));
            host_.compose(f);
            break;
        }
        case CK7EmailDoc::CheckMail:
            CheckMail();
            break;
        case CK7EmailDoc::AccountSettings:
            if (host_.accountSettings) host_.accountSettings(this);
            break;
        case CK7EmailDoc::ShowWelcome:
            pane_->ShowWelcome();
            LoadFolder(FolderName(doc_->currentFolder()));
            break;
        case CK7EmailDoc::ShowCurrent:
            pane_->ShowMessage(doc_->currentMessage());
            break;
        case CK7EmailDoc::Print:
            pane_->Print();
            break;
        default:
            break;
    }
}

void CK7EmailFrame::RowChosen(const QModelIndex& current) {
    if (!current.isValid()) return;
    int row = current.row();
    QString path = model_->path(row);
    if (model_->summary(row).unread) {
        MarkRead(S(path));
        model_->SetRead(row);
    }
    doc_->SetCurrentMessage(path);
    doc_->Broadcast(CK7EmailDoc::ShowCurrent);
}

void CK7EmailFrame::DeleteSelected() {
    QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    std::vector<std::string> paths;
    int last = 0;
    for (const QModelIndex& i : rows) {
        paths.push_back(S(model_->path(i.row())));
        last = std::max(last, i.row());
    }
    DeleteMessages(paths);
    last -= static_cast<int>(paths.size()) - 1;
    model_->Remove(paths);
    if (model_->rowCount() == 0) {
        doc_->SetCurrentMessage(QString::fromLatin1(CK7EmailDoc::kWelcome));
        doc_->Broadcast(CK7EmailDoc::ShowWelcome);
        return;
    }
    int next = std::min(std::max(last, 0), model_->rowCount() - 1);
    list_->setCurrentIndex(model_->index(next, 0));
}

bool CK7EmailFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteSelected();
        return true;
    }
    if (watched == list_->viewport() && event->type() == QEvent::Resize) {
        int w = list_->viewport()->width();
        list_->header()->resizeSection(0, w * 40 / 100);
        list_->header()->resizeSection(1, w * 30 / 100);
        list_->header()->resizeSection(2, w - w * 40 / 100 - w * 30 / 100);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CK7EmailFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible()) saveSplitters_->start();
}

void CK7EmailFrame::SaveSplitters() {
    saveSplitters_->stop();
    QList<int> c = columns_->sizes(), l = left_->sizes(), r = right_->sizes();
    if (c.size() < 2 || l.size() < 2 || r.size() < 2) return;
    settings_.Edit([&](SettingsEdit& e) {
        e.SetInt(kSplitSection, "left_main_cycur", c[0]);
        e.SetInt(kSplitSection, "left_folders_cycur", l[0]);
        e.SetInt(kSplitSection, "left_message_cycur", r[0]);
    });
}

bool CK7EmailFrame::fetching() const {
    return fetch_ && fetch_->IsRunning();
}

void CK7EmailFrame::CheckMail() {
    if (fetching()) {
        ShowMessage(this, QString::fromLatin1(kTooBusy));
        return;
    }
    fetch_.reset();
    if (!listener_) listener_ = std::make_unique<MailFetchListener>(this);
    fetch_ = host_.makeFetch ? host_.makeFetch(listener_.get()) : nullptr;
    if (!fetch_) return;
    fetched_ = 0;
    firstSubject_.clear();
    progress_->Start();
    if (!fetch_->Start()) ShowMessage(this, QString::fromLatin1(kTooBusy));
}

void CK7EmailFrame::FetchProgress(const QString& line) {
    progress_->AddLine(line);
}

void CK7EmailFrame::FetchNewMessage(const QString& path, const QString& subject) {
    if (fetched_++ == 0) firstSubject_ = subject;
    MessageSummary s;
    if (ReadMessageSummary(S(path), &s)) model_->Add(s);
}

void CK7EmailFrame::FetchDone(int) {
    progress_->Finish();
    if (fetch_) fetch_->Join();
    // What arrived is listed in its folder now.
    LoadFolder(FolderName(doc_->currentFolder()));
    QWidget* top = window();
    bool seen = top && top->isActiveWindow() && isActiveWindow();
    if (fetched_ > 0 && !seen && host_.notify)
        host_.notify(QStringLiteral("%1 new message%2").arg(fetched_).arg(fetched_ == 1 ? "" : "s"),
                     firstSubject_);
}

}  // namespace sky::ui
