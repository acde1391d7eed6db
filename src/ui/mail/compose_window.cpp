#include "ui/mail/compose_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include "core/base/job.h"
#include "core/base/settings_store.h"
#include "core/mail/send_mail_worker.h"
#include "ui/app/app_context.h"
#include "ui/base/messages.h"
#include "ui/base/ui_job.h"
#include "ui/mail/progress_panel.h"

namespace sky::ui {

namespace {

constexpr int kStripHeight = 100;

QStringList AddressesOf(const QString& text) {
    QStringList out;
    for (QString line : text.split(QRegularExpression(QStringLiteral("[\r\n]+")))) {
        line = line.trimmed();
        if (!line.isEmpty()) out << line;
    }
    return out;
}

// Hands the worker's lines to the window's thread.
struct ForwardLines : MailWorkerListener {
    UiJob::Post post;
    std::function<void(const QString&)> show;
    void mailProgress(const std::string& line) override {
        post([show = show, text = QString::fromStdString(line)] { show(text); });
    }
};

}  // namespace

AddressEdit::AddressEdit(QWidget* parent) : QLineEdit(parent) {
    setAcceptDrops(true);
}

void AddressEdit::AppendAddresses(const QStringList& addresses) {
    if (addresses.isEmpty()) return;
    QString joined = addresses.join(QStringLiteral(", "));
    setText(text().trimmed().isEmpty() ? joined : text() + QStringLiteral(", ") + joined);
}

bool AddressEdit::Takes(const QMimeData* mime) const {
    return mime && (mime->hasText() || (dropHook && !mime->formats().isEmpty()));
}

void AddressEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (Takes(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void AddressEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (Takes(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void AddressEdit::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (dropHook && dropHook(this, mime)) {
        event->acceptProposedAction();
        return;
    }
    if (mime->hasText()) {
        AppendAddresses(AddressesOf(mime->text()));
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

ComposeWindow::ComposeWindow(AppContext& context, QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(kTitle));
    SettingsStore& settings = context.settings();
    account = [&settings] { return ReadAccountForWorkers(settings, kDefaultMailUser); };

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    send_ = new QPushButton(QStringLiteral("Send"), this);
    auto* attach = new QPushButton(QStringLiteral("Attach"), this);
    auto* options = new QPushButton(QStringLiteral("Options"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    send_->setDefault(false);
    for (QPushButton* b : {send_, attach, options, close}) bar->addWidget(b);
    bar->addStretch(1);
    layout->addLayout(bar);

    auto* grid = new QGridLayout;
    to_ = new AddressEdit(this);
    cc_ = new AddressEdit(this);
    subject_ = new QLineEdit(this);
    toPick_ = new QPushButton(QStringLiteral("..."), this);
    ccPick_ = new QPushButton(QStringLiteral("..."), this);
    toPick_->setToolTip(QStringLiteral("Choose addresses from the address book"));
    ccPick_->setToolTip(toPick_->toolTip());
    for (QPushButton* b : {toPick_, ccPick_})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    grid->addWidget(new QLabel(QStringLiteral(" To:"), this), 0, 0);
    grid->addWidget(to_, 0, 1);
    grid->addWidget(toPick_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral(" CC:"), this), 1, 0);
    grid->addWidget(cc_, 1, 1);
    grid->addWidget(ccPick_, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral(" Subject:"), this), 2, 0);
    grid->addWidget(subject_, 2, 1, 1, 2);
    layout->addLayout(grid);

    auto* checks = new QHBoxLayout;
    urgent_ = new QCheckBox(QStringLiteral("Urgent"), this);
    copySelf_ = new QCheckBox(QStringLiteral("Copy Self"), this);
    confirm_ = new QCheckBox(QStringLiteral("Confirm Delivery"), this);
    signature_ = new QCheckBox(QStringLiteral("Signature"), this);
    copySelf_->setToolTip(QStringLiteral("Send a blind copy to your own address"));
    for (QCheckBox* c : {urgent_, copySelf_, confirm_, signature_}) checks->addWidget(c);
    checks->addStretch(1);
    layout->addLayout(checks);

    body_ = new QPlainTextEdit(this);
    layout->addWidget(body_, 1);

    strip_ = new QListWidget(this);
    strip_->setFixedHeight(kStripHeight);
    strip_->setFlow(QListView::LeftToRight);
    strip_->setWrapping(true);
    strip_->setIconSize(QSize(32, 32));
    strip_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* open = new QAction(QStringLiteral("Open"), strip_);
    auto* saveAs = new QAction(QStringLiteral("Save As"), strip_);
    auto* remove = new QAction(QStringLiteral("Remove"), strip_);
    open->setEnabled(false);
    saveAs->setEnabled(false);
    strip_->addActions({open, saveAs, remove});
    connect(remove, &QAction::triggered, this, [this] { RemoveAttachment(strip_->currentRow()); });
    strip_->hide();
    layout->addWidget(strip_);

    panel_ = new ProgressPanel(this, QStringLiteral("Sending Mail..."));
    job_ = new UiJob(this);
    connect(job_, &UiJob::finished, this, &ComposeWindow::OnFinished);
    connect(panel_, &ProgressPanel::cancelRequested, this, &ComposeWindow::CancelSend);

    connect(send_, &QPushButton::clicked, this, &ComposeWindow::Send);
    connect(attach, &QPushButton::clicked, this, &ComposeWindow::Attach);
    connect(options, &QPushButton::clicked, this,
            [this] { ShowMessage(this, QString::fromLatin1(kThirdButtonText)); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
    connect(toPick_, &QPushButton::clicked, this, [this] { Pick(to_); });
    connect(ccPick_, &QPushButton::clicked, this, [this] { Pick(cc_); });
    auto hook = [this](QLineEdit* edit, const QMimeData* mime) {
        return dropOnAddress && dropOnAddress(edit, mime);
    };
    to_->dropHook = hook;
    cc_->dropHook = hook;
    resize(640, 480);
}

// The job (a child) is joined when the window goes; the worker it runs is
// shared with it, so neither outlives the other's use.
ComposeWindow::~ComposeWindow() = default;

void ComposeWindow::Fill(const ComposeFields& f) {
    to_->setText(f.to);
    cc_->setText(f.cc);
    subject_->setText(f.subject);
    body_->setPlainText(f.body);
    attachments_.clear();
    strip_->clear();
    for (const QString& path : f.attachments) AddAttachment(path);
    strip_->setVisible(!attachments_.isEmpty());
}

ComposeFields ComposeWindow::fields() const {
    return {to_->text(), cc_->text(), subject_->text(), body_->toPlainText(), attachments_};
}

bool ComposeWindow::sending() const {
    return job_->busy();
}

void ComposeWindow::AddAttachment(const QString& path) {
    QFileInfo info(path);
    attachments_ << path;
    QIcon icon = QFileIconProvider().icon(info);
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_FileIcon);
    auto* item = new QListWidgetItem(icon, info.fileName(), strip_);
    item->setToolTip(path);
    strip_->show();
}

void ComposeWindow::RemoveAttachment(int row) {
    if (row < 0 || row >= attachments_.size()) return;
    attachments_.removeAt(row);
    delete strip_->takeItem(row);
    strip_->setVisible(!attachments_.isEmpty());
}

void ComposeWindow::Attach() {
    QFileDialog dialog(this, QStringLiteral("Attach"), QString(), QStringLiteral("All Files (*)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    for (const QString& path : dialog.selectedFiles()) AddAttachment(path);
}

void ComposeWindow::Pick(AddressEdit* edit) {
    if (!pickAddresses) {
        ShowMessage(this, QString::fromLatin1(kNoAddressBook));
        return;
    }
    edit->AppendAddresses(pickAddresses(this));
}

void ComposeWindow::Send() {
    if (job_->busy()) {
        ShowMessage(this, QString::fromLatin1(kTooBusy));
        return;
    }
    ComposeFields f = fields();
    OutgoingMessage message;
    message.to = f.to.toStdString();
    message.cc = f.cc.toStdString();
    message.subject = f.subject.toStdString();
    message.body = f.body.toStdString();
    for (const QString& a : f.attachments) message.attachments.push_back(a.toStdString());
    message.copySelf = copySelf_->isChecked();
    sentWith_ = account ? account() : MailAccount{};

    auto listener = std::make_shared<ForwardLines>();
    listener->show = [this](const QString& line) { panel_->AddLine(line); };
    worker_ = std::make_shared<SendMailWorker>(listener.get(), sentWith_, std::move(message));
    worker_->replyTimeoutSeconds = replyTimeoutSeconds;
    panel_->Start();
    job_->Start([worker = worker_, listener](std::stop_token stop, const UiJob::Post& post) {
        listener->post = post;
        std::stop_callback cancel(stop, [&worker] { worker->Cancel(); });
        return worker->Run();
    });
}

void ComposeWindow::CancelSend() {
    job_->Cancel();
}

void ComposeWindow::OnFinished(int result) {
    panel_->Finish();
    if (job_->cancelled()) return;
    if (result == 0) {
        emit messageSent(QString::fromStdString(worker_->sentCopyPath()));
        close();
        return;
    }
    ShowMessage(this, FailureText(result), QString::fromLatin1(kSendFailedTitle), MessageKind::Warning);
}

QString ComposeWindow::FailureText(int result) const {
    const SendMailWorker& w = *worker_;
    QString server = QString::fromStdString(sentWith_.smtp);
    QString answer = QString::fromStdString(w.serverAnswer());
    QString detail = QString::fromStdString(w.detail());
    QString said =
        answer.isEmpty() ? QString() : QStringLiteral("\n\nThe server answered: \"%1\"").arg(answer);
    QString why = detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail);
    QString head = QStringLiteral("Your message was not sent: ");
    const QString settings = QStringLiteral("E-Mail Settings");
    switch (w.connectResult()) {
        case 0:
            break;
        case 1:
            return head + QStringLiteral(
                              "the mail server \"%1\" could not be found.\n\nCheck the outgoing "
                              "(SMTP) server in the %2, then press Send again.")
                              .arg(server, settings);
        case 2:
            return head + QStringLiteral(
                              "no connection could be made to the mail server \"%1\"%2.\n\nCheck "
                              "the outgoing (SMTP) server and port in the %3 and that you are "
                              "online, then press Send again.")
                              .arg(server, why, settings);
        case 3:
            return head + QStringLiteral(
                              "the mail server \"%1\" refused the greeting.%2\n\nCheck the "
                              "outgoing (SMTP) server in the %3.")
                              .arg(server, said, settings);
        case 4:
            return head + QStringLiteral(
                              "a secure connection to \"%1\" could not be set up%2.\n\nCheck the "
                              "security of the outgoing server in the %3.")
                              .arg(server, why, settings);
        default:
            return head + QStringLiteral(
                              "the mail server \"%1\" did not accept the login%2.%3\n\nCheck the "
                              "SMTP user name and password in the %4.")
                              .arg(server, why, said, settings);
    }
    switch (result) {
        case 1:
            return head + QStringLiteral(
                              "To holds no address.\n\nType the recipient's address in To, then "
                              "press Send again.");
        case 2:
            return head + QStringLiteral(
                              "no address could be found in To.\n\nType an address such as "
                              "jane@example.com in To, then press Send again.");
        case 3:
            return head + QStringLiteral(
                              "the mail server refused your address \"%1\" as the sender.%2\n\n"
                              "Check your e-mail address in the %3.")
                              .arg(QString::fromStdString(sentWith_.emailaddress), said, settings);
        case 4:
            return head + QStringLiteral(
                              "the mail server refused the recipient \"%1\".%2\n\nCorrect the "
                              "address in To or CC (or remove it), then press Send again.")
                              .arg(QString::fromStdString(w.refusedRecipient()), said);
        case 5:
            return head + QStringLiteral(
                              "the mail server did not accept the message.%1\n\nPress Send "
                              "again later; if it keeps refusing, the server's answer says why.")
                              .arg(said);
        default:
            return head + QStringLiteral(
                              "the connection broke while the message was going out%1.\n\n"
                              "Press Send again.")
                              .arg(why);
    }
}

}  // namespace sky::ui

#include "moc_compose_window.cpp"
