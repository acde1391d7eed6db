#include "ui/mail/mail_tool.h"

#include <QFile>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QUrl>
#include <QUrlQuery>
#include <memory>

#include "core/addressbook/address_book.h"
#include "core/addressbook/vcard.h"
#include "core/base/atomic_file.h"
#include "core/base/settings_store.h"
#include "core/mail/check_mail_worker.h"
#include "core/mail/mail_accounts.h"
#include "ui/app/app_context.h"
#include "ui/base/desktop_notifier.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/browser/browser_tool.h"
#include "ui/chat/chat_tool.h"
#include "ui/mail/account_dialogs.h"
#include "ui/mail/address_book_picker.h"
#include "ui/mail/address_book_view.h"
#include "ui/mail/compose_window.h"
#include "ui/mail/mail_frame.h"
#include "ui/mail/password_store.h"
#include "ui/skypad/skypad_tool.h"

namespace sky::ui {

namespace {

QString ChooseFile(QWidget* parent, const QString& title, QFileDialog::AcceptMode mode,
                   const QString& suggested) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("vCard Files (*.vcf *.vcard)"), QStringLiteral("All Files (*)")});
    if (!suggested.isEmpty()) dialog.selectFile(suggested);
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

// Contacts from another address book, into "Address Book".
void ImportVCards(CAddressBookView* book) {
    QString file = ChooseFile(book, QStringLiteral("Import vCard"), QFileDialog::AcceptOpen, {});
    if (file.isEmpty()) return;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        ShowMessage(book, QStringLiteral("Cannot read %1.").arg(file), QStringLiteral("Import vCard"),
                    MessageKind::Warning);
        return;
    }
    std::string folder = book->root() + "/Address Book";
    int saved = 0;
    QString failure;
    for (addressbook::CABEntry& entry : addressbook::ParseVCards(in.readAll().toStdString())) {
        std::string error;
        if (addressbook::SaveImportedContact(folder, &entry, &error))
            ++saved;
        else if (failure.isEmpty())
            failure = QStringLiteral("\n\n%1 was not saved: %2").arg(Q(entry.ItemText()), Q(error));
    }
    book->Reload();
    ShowMessage(book, QStringLiteral("%1 contact(s) imported into \"Address Book\".").arg(saved) + failure,
                QStringLiteral("Import vCard"),
                failure.isEmpty() ? MessageKind::Information : MessageKind::Warning);
}

// Every contact, for another address book to read.
void ExportVCards(CAddressBookView* book) {
    QString file = ChooseFile(book, QStringLiteral("Export vCard"), QFileDialog::AcceptSave,
                              QStringLiteral("contacts.vcf"));
    if (file.isEmpty()) return;
    std::string error;
    if (!WriteFileAtomically(S(file), addressbook::WriteVCards(addressbook::CollectContacts(book->root()), 3),
                             &error))
        ShowMessage(book, Q(error), QStringLiteral("Export vCard"), MessageKind::Warning);
}

}  // namespace

MailTool::MailTool(AppContext& context)
    : context_(context), passwords_(std::make_unique<PasswordStore>(context.settings())) {}

MailTool::~MailTool() = default;

QMdiSubWindow* MailTool::OpenMailWindow() {
    FrameHost* frame = context_.frame();
    if (!frame) return nullptr;
    if (window_) {
        window_->show();
        frame->mdiArea()->setActiveSubWindow(window_);
        return window_;
    }
    window_ = frame->OpenDocument(TemplateId::Email, QStringLiteral("SkyMail"));
    if (window_) window_->resize(frame->mdiArea()->viewport()->size() * 9 / 10);
    return window_;
}

QWidget* MailTool::OpenCompose(const ComposeFields& fields) {
    FrameHost* frame = context_.frame();
    auto* compose = new ComposeWindow(context_, frame ? frame->window() : nullptr);
    compose->setWindowFlag(Qt::Window);
    compose->pickAddresses = [this](QWidget* parent) { return PickAddresses(parent); };
    compose->dropOnAddress = [](QLineEdit* field, const QMimeData* data) {
        return CAddressBookView::AppendDroppedContact(field, data);
    };
    compose->account = [this] {
        return LoadAccountWithPasswords(context_.settings(), *passwords_, kDefaultMailUser);
    };
    compose->Fill(fields);
    compose->show();
    compose->raise();
    compose->activateWindow();
    return compose;
}

QWidget* MailTool::OpenMailto(const QUrl& url) {
    return OpenCompose(ParseMailto(url));
}

QStringList MailTool::PickAddresses(QWidget* parent) {
    AddressPickerDialog picker(parent);
    if (ExecDialog(picker) != QDialog::Accepted) return {};
    return picker.addresses();
}

MailWindowHost MailTool::Host() {
    AppContext& context = context_;
    MailWindowHost host;
    host.compose = [this](const ComposeFields& f) { OpenCompose(f); };
    host.accountList = [this](QWidget* parent) {
        AccountListDialog dialog(context_.settings(), *passwords_, parent);
        ExecDialog(dialog);
    };
    host.accountSettings = [this](QWidget* parent) {
        AccountDialog::Open(context_.settings(), *passwords_, kDefaultMailUser, parent);
    };
    // The stored file keeps its status header and final NUL: SkyPad only shows it.
    host.viewSource = [&context](const QString& path) { OpenReadOnlyInSkyPad(context, path); };
    host.openLink = [&context](const QUrl& url) {
        if (context.frame()) context.frame()->HandleAddress(url.toString(), true);
    };
    host.addressBook = [this, &context](QWidget* parent) -> QWidget* {
        auto* book = new CAddressBookView(context.settings(), context.hosts().web, parent);
        connect(book, &CAddressBookView::sendMailRequested, this, [this](const QString& address) {
            OpenCompose(ComposeFields{address, {}, {}, {}, {}});
        });
        connect(book, &CAddressBookView::openPageRequested, this,
                [&context](const QString& url, const QString&) {
                    if (context.frame()) context.frame()->HandleAddress(url, true);
                });
        connect(book, &CAddressBookView::startChatRequested, this, [&context](const QString& hostPort) {
            if (context.chat) context.chat->StartChat(hostPort);
        });
        return book;
    };
    host.makeFetch = [this](MailWorkerListener* listener) {
        return std::make_unique<CheckMailWorker>(
            listener, LoadFetchTargetsWithPasswords(context_.settings(), *passwords_));
    };
    host.notify = [](const QString& summary, const QString& body) { NotifyDesktop(summary, body); };
    host.addressBookMenu = [](QMenu* menu, QWidget* pane) {
        auto* book = qobject_cast<CAddressBookView*>(pane);
        if (!book) return;
        auto add = [&](const QString& text, void (CAddressBookView::*run)()) {
            QObject::connect(menu->addAction(text), &QAction::triggered, book, run);
        };
        add(QStringLiteral("&Add"), &CAddressBookView::AddContact);
        add(QStringLiteral("&Edit"), &CAddressBookView::EditSelected);
        add(QStringLiteral("&Delete"), &CAddressBookView::DeleteSelected);
        add(QStringLiteral("Add &Folder"), &CAddressBookView::AddFolder);
        add(QStringLiteral("&Send Mail..."), &CAddressBookView::SendMail);
        add(QStringLiteral("&Chat..."), &CAddressBookView::Chat);
        menu->addSeparator();
        QObject::connect(menu->addAction(QStringLiteral("&Import vCard...")), &QAction::triggered, book,
                         [book] { ImportVCards(book); });
        QObject::connect(menu->addAction(QStringLiteral("E&xport vCard...")), &QAction::triggered, book,
                         [book] { ExportVCards(book); });
    };
    return host;
}

void RegisterMailTool(ToolRegistry& registry, AppContext& context) {
    auto* tool = new MailTool(context);
    tool->setParent(&registry);
    context.mail = tool;
    registry.AddWindow(TemplateId::Email, [tool, &context]() -> QWidget* {
        return new CK7EmailFrame(context.settings(), tool->Host());
    });
    registry.AddCommand(
        {QStringLiteral("tools.email"), QStringLiteral("&Tools"), QStringLiteral("&E-Mail"), {}, 19},
        [tool] { tool->OpenMailWindow(); });
    registry.AddCommand(QStringLiteral("mail.compose"), [tool](const QString& to) {
        tool->OpenCompose(ComposeFields{to, {}, {}, {}, {}});
    });
    registry.ClaimTypedAction(TypedAction::MailTo,
                              [tool](const TypedCommand& c) { tool->OpenMailto(QUrl(Q(c.address))); });
}

}  // namespace sky::ui
