#include "ui/chat/chat_frame.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QSaveFile>
#include <QStatusBar>
#include <QToolBar>

#include "ui/app/app_context.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/chat/chat_dialogs.h"
#include "ui/chat/chat_doc.h"
#include "ui/chat/chat_tool.h"
#include "ui/chat/chat_view.h"
#include "ui/service/member_session.h"

namespace sky::ui {

namespace {

// A command of the window with its prompt ("status text\ntool tip").
QAction* Command(QWidget* owner, const QString& text, const QString& prompt) {
    auto* a = new QAction(text, owner);
    QStringList parts = prompt.split(QLatin1Char('\n'));
    a->setStatusTip(parts.first());
    a->setToolTip(parts.size() > 1 ? parts.at(1) : parts.first());
    return a;
}

}  // namespace

CChatFrame::CChatFrame(ChatTool& tool, QWidget* parent) : QMainWindow(parent), tool_(&tool) {
    view_ = new CChatView(tool.context().settings(), this);
    // The chat window wears the channel bar's colours and follows the scheme.
    auto recolour = [this] {
        AppContext& context = tool_->context();
        view_->ApplyColours(context.settings(), context.session().colourCount());
    };
    recolour();
    connect(&tool.context().registry(), &ToolRegistry::schemeChanged, view_, recolour);
    setCentralWidget(view_);
    setAcceptDrops(true);
    setWindowTitle(QString::fromLatin1(CChatDoc::kTitle));

    QAction* sendFile =
        Command(this, QStringLiteral("Send &File..."), QStringLiteral("Send file to chatter\nSend file"));
    QAction* sendLink =
        Command(this, QStringLiteral("Send Hot &Link..."), QStringLiteral("Send Link to Chatter"));
    QAction* sendUrl =
        Command(this, QStringLiteral("Send &URL..."), QStringLiteral("Send URL to chatter\nSend URL"));
    topMost_ = Command(this, QStringLiteral("Keep Window On &Top"),
                       QStringLiteral("Keep Window On Top\nWindow on Top"));
    topMost_->setCheckable(true);
    // Short on the toolbar: a new window is narrow.
    sendFile->setIconText(QStringLiteral("File"));
    sendLink->setIconText(QStringLiteral("Link"));
    sendUrl->setIconText(QStringLiteral("URL"));
    topMost_->setIconText(QStringLiteral("On Top"));
    topMost_->setChecked(tool.topMost());
    QAction* save = Command(this, QStringLiteral("&Save conversation..."),
                            QStringLiteral("Save the conversation as a text file\nSave conversation"));
    connect(sendFile, &QAction::triggered, this, &CChatFrame::SendFile);
    connect(sendLink, &QAction::triggered, this, &CChatFrame::SendLink);
    connect(sendUrl, &QAction::triggered, this, &CChatFrame::SendUrl);
    connect(save, &QAction::triggered, this, &CChatFrame::SaveConversation);
    connect(topMost_, &QAction::toggled, this, [this](bool on) {
        if (tool_) tool_->SetTopMost(on);
    });

    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Chat"));
    menu->addAction(sendFile);
    menu->addAction(sendLink);
    menu->addAction(sendUrl);
    menu->addSeparator();
    menu->addAction(save);
    menu->addSeparator();
    menu->addAction(topMost_);
    QToolBar* bar = addToolBar(QStringLiteral("Chat"));
    bar->setMovable(false);
    bar->addAction(sendFile);
    bar->addAction(sendLink);
    bar->addAction(sendUrl);
    bar->addAction(topMost_);
    statusBar()->showMessage(QStringLiteral("Ready"));

    connect(view_, &CChatView::sendRequested, this, &CChatFrame::Typed);
    connect(view_, &CChatView::itemChosen, this, &CChatFrame::Choose);
}

CChatFrame::~CChatFrame() {
    // Closing the window ends the conversation: the partner hears the hang-up.
    if (tool_ && doc_) tool_->WindowClosed(doc_->shared());
}

void CChatFrame::Attach(std::shared_ptr<chat::Conversation> conversation) {
    doc_ = new CChatDoc(std::move(conversation), this);
    for (const chat::ChatLine& line : doc_->conversation().lines()) view_->AddLine(line);
    view_->SetItems(doc_->conversation().items());
    UpdateTitle();
}

void CChatFrame::UpdateTitle() {
    QString title = doc_ ? doc_->title() : QString::fromLatin1(CChatDoc::kTitle);
    setWindowTitle(title);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->setWindowTitle(title);
}

bool CChatFrame::WindowActive() const {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    QWidget* top = window();
    return top && top->isActiveWindow() &&
           (!sub || !sub->mdiArea() || sub->mdiArea()->activeSubWindow() == sub);
}

void CChatFrame::Carry(const chat::Decision& decision) {
    if (!doc_) return;
    bool fromPartner = false;
    for (const chat::ChatLine& line : decision.lines) {
        view_->AddLine(line);
        fromPartner |= line.style == chat::LineStyle::Partner;
    }
    if (fromPartner && !WindowActive() && tool_) {
        const chat::ChatLine& last = decision.lines.back();
        tool_->Notify(&doc_->conversation(), doc_->title(),
                      Q(last.sender) + QStringLiteral(": ") + Q(last.text));
    }
    if (decision.itemsChanged) view_->SetItems(doc_->conversation().items());
    if (decision.titleChanged) UpdateTitle();
    if (decision.clearInput) view_->ClearInput();
    if (decision.setting && tool_) tool_->ApplySetting(*decision.setting);
    if (decision.warning)
        ShowMessage(this, Q(*decision.warning), QStringLiteral("SkyChat"), MessageKind::Warning);
    if (decision.question) {
        chat::Question q = *decision.question;
        // The window may be closed and deleted while the question is open.
        QPointer<CChatFrame> self(this);
        bool yes = AskYesNo(this, Q(q.text), Q(q.title));
        if (self && doc_) Carry(doc_->conversation().Answer(q, yes));
    }
}

void CChatFrame::Typed(const QString& text) {
    if (!doc_) return;
    Carry(doc_->conversation().Type(S(text)));
}

void CChatFrame::Choose(int index) {
    if (!doc_ || index < 0) return;
    chat::ItemChoice choice = doc_->conversation().Choose(static_cast<size_t>(index));
    if (choice.warning) {
        ShowMessage(this, Q(*choice.warning), QStringLiteral("SkyChat"), MessageKind::Warning);
        return;
    }
    if (!choice.url || !tool_) return;
    const chat::OfferedItem& item = doc_->conversation().items().at(static_cast<size_t>(index));
    if (item.type == chat::kCmdFileOffer) {
        statusBar()->showMessage(QStringLiteral("Downloading %1 ...").arg(Q(item.target)), 5000);
        tool_->Download(Q(*choice.url));
    } else {
        tool_->OpenLink(Q(*choice.url));
    }
}

void CChatFrame::SendLink() {
    if (!doc_) return;
    ChatLinkDialog dialog(this);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    Carry(doc_->conversation().OfferLink(S(dialog.description()), S(dialog.url())));
}

void CChatFrame::SendUrl() {
    if (!doc_ || !tool_) return;
    QString url = tool_->ActiveBrowserUrl();
    if (url.isEmpty()) {
        SendLink();
        return;
    }
    ChatLinkDialog dialog(this, url);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    Carry(doc_->conversation().OfferLink(S(dialog.description()), S(dialog.url())));
}

void CChatFrame::SendFile() {
    if (!doc_) return;
    ChatFileDialog dialog(this);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    Carry(doc_->conversation().OfferFile(S(dialog.description()), S(dialog.path())));
}

void CChatFrame::OfferFiles(const QStringList& paths) {
    QPointer<CChatFrame> self(this);
    for (const QString& path : paths) {
        if (!doc_) return;
        ChatFileDialog dialog(this, path);
        if (ExecDialog(dialog) != QDialog::Accepted || !self) return;
        Carry(doc_->conversation().OfferFile(S(dialog.description()), S(dialog.path())));
    }
}

void CChatFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (!mime->hasUrls()) return;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
}

void CChatFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    // After the drop has ended: the dialogs are modal.
    QMetaObject::invokeMethod(
        this, [this, paths] { OfferFiles(paths); }, Qt::QueuedConnection);
}

void CChatFrame::SaveConversation() {
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save conversation"),
                                                QStringLiteral("conversation.txt"),
                                                QStringLiteral("Text Files (*.txt);;All Files (*)"));
    if (path.isEmpty()) return;
    if (!SaveConversationTo(path))
        ShowMessage(this, QStringLiteral("Could not write %1.").arg(path), QStringLiteral("SkyChat"),
                    MessageKind::Warning);
}

bool CChatFrame::SaveConversationTo(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    file.write(view_->Transcript().toUtf8());
    return file.commit();
}

}  // namespace sky::ui
