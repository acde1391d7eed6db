#include "ui/homepage/page_edit_frame.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "core/base/settings_store.h"
#include "core/homepage/page_block.h"
#include "core/homepage/publish.h"
#include "core/webspace/web_space_client.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"
#include "ui/homepage/page_edit_doc.h"
#include "ui/homepage/page_edit_pickers.h"
#include "ui/homepage/page_edit_views.h"
#include "ui/webspace/web_space_transfer.h"

namespace sky::ui {

namespace {

constexpr const char* kSection = "pageedit";

// Pages and pictures show in the main browser once uploaded; other files do not.
bool Showable(const QString& address) {
    const QString lower = address.toLower();
    for (const char* kind : {".htm", ".gif", ".jpg", ".jpeg"})
        if (lower.indexOf(QLatin1String(kind), 1) >= 1) return true;
    return false;
}

}  // namespace

CPageEditFrame::CPageEditFrame(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), doc_(new CPageEditDoc(this)) {
    setObjectName(QStringLiteral("CPageEditFrame"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* menus = new QMenuBar(this);
    menus->setNativeMenuBar(false);
    auto* file = menus->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Save to my website..."), this, &CPageEditFrame::SaveToWebsite);
    file->addAction(QStringLiteral("Save to website under new name.."), this,
                    &CPageEditFrame::SaveUnderNewName);
    file->addAction(QStringLiteral("Upload a File..."), this, &CPageEditFrame::UploadAFile);
    auto* options = menus->addMenu(QStringLiteral("&Options"));
    topMost_ = options->addAction(QStringLiteral("Keep Window On Top"));
    topMost_->setCheckable(true);
    SettingsStore& settings = context_.settings();
    topMost_->setChecked(settings.GetInt(kSection, "TopMost", 1) != 0);
    connect(topMost_, &QAction::toggled, this, [this](bool on) {
        context_.settings().WriteInt(kSection, "TopMost", on ? 1 : 0);
        ApplyTopMost();
    });
    layout->setMenuBar(menus);

    split_ = new QSplitter(Qt::Vertical, this);
    browser_ = new CPageEditBrowserView(*doc_, split_);
    browser_->openElsewhere = [this](const QUrl& url) { OpenInMainBrowser(url); };
    auto* lower = new QSplitter(Qt::Horizontal, split_);
    parts_ = new CPageEditPartsView(*doc_, lower);
    detail_ = new CPageEditDetailView(*doc_, lower);
    lower->setStretchFactor(1, 3);
    split_->addWidget(browser_);
    split_->addWidget(lower);
    split_->setStretchFactor(1, 1);
    const int cycur = settings.GetInt(kSection, "cycur", 150);
    browser_->setMinimumHeight(settings.GetInt(kSection, "cymin", 100));
    split_->setSizes({cycur, std::max(1, height() - cycur)});
    layout->addWidget(split_);

    const std::string webHost = context_.hosts().web;
    doc_->blocks().set_logo_address(homepage::LogoAddress(webHost));
    QWebEngineProfile* profile = context_.browserProfile();
    detail_->pickBackground = [profile, webHost](QWidget* owner) {
        return PickBackground(profile, webHost, owner);
    };
    connect(detail_, &CPageEditDetailView::blocksReset, parts_, &CPageEditPartsView::Fill);
    connect(doc_, &CPageEditDoc::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title);
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->setWindowTitle(title);
        emit titleChanged(title);
    });
}

bool CPageEditFrame::Open(const QString& path, const QString& account, const QString& password,
                          const QString& remote) {
    const bool read = path.isEmpty() ? doc_->New() : doc_->Open(path);
    doc_->blocks().set_logo_address(homepage::LogoAddress(context_.hosts().web));
    doc_->SetUploadData(account, password, remote);
    parts_->Fill();
    browser_->ShowPage();
    return read;
}

void CPageEditFrame::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ApplyTopMost();
}

void CPageEditFrame::ApplyTopMost() {
    QWidget* window = qobject_cast<QMdiSubWindow*>(parentWidget()) ? parentWidget() : this;
    const bool on = topMost_->isChecked();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool shown = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown) window->show();
}

void CPageEditFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!isVisible()) return;
    const QList<int> sizes = split_->sizes();
    if (sizes.isEmpty() || sizes[0] <= 0) return;
    context_.settings().WriteInt(kSection, "cycur", sizes[0]);
    context_.settings().WriteInt(kSection, "cymin", browser_->minimumHeight());
}

void CPageEditFrame::SaveToWebsite() {
    if (busy_) {
        ShowMessage(this, QStringLiteral("I'm too busy right now."));
        return;
    }
    detail_->CommitOpen();
    QString message;
    if (!doc_->Save(&message)) {
        ShowMessage(this, message, QStringLiteral("Page Editor"), MessageKind::Warning);
        return;
    }
    busy_ = true;
    QTimer::singleShot(200, this, [this] {
        busy_ = false;
        Publish();
    });
}

// The page and the local images it shows that the web space lacks.
void CPageEditFrame::Publish() {
    webspace::ServerTarget target;
    target.host = context_.hosts().web;
    target.script = webspace::kUserDataScript;
    target.account = S(doc_->account());
    target.password = S(doc_->password());
    const std::string l = SPath(doc_->path()), r = S(doc_->remoteName());
    auto report = std::make_shared<homepage::PublishReport>();
    busy_ = true;
    QPointer<CPageEditFrame> self = this;
    const int result =
        RunTransfer(this, QStringLiteral("Posting File(s) to Your Web Space"),
                    [target, l, r, report](webspace::TransferListener& listener, std::stop_token stop) {
                        *report = homepage::PublishPage(target, l, r, listener, stop);
                        return report->result;
                    });
    if (!self) return;
    busy_ = false;
    ++uploads_;
    QStringList notes;
    for (const std::string& name : report->uploaded)
        if (name != r) notes << QStringLiteral("Sent %1").arg(Q(name));
    for (const std::string& name : report->assets.present)
        notes << QStringLiteral("%1 is on your web space already").arg(Q(name));
    for (const auto& [ref, why] : report->assets.skipped)
        notes << QStringLiteral("%1 was not sent: %2").arg(Q(ref), Q(why));
    if (result != 0) {
        notes.prepend(QStringLiteral("Upload Error [%1]").arg(result));
        ShowMessage(this, notes.join(QLatin1Char('\n')), QStringLiteral("Page Editor"), MessageKind::Warning);
        return;
    }
    if (!report->assets.skipped.empty())
        ShowMessage(this, notes.join(QLatin1Char('\n')), QStringLiteral("Page Editor"),
                    MessageKind::Information);
    ShowInMainBrowser(Q(webspace::MemberFileUrl(target.host, target.account, r)));
}

void CPageEditFrame::SaveUnderNewName() {
    QInputDialog prompt(this);
    prompt.setObjectName(QStringLiteral("newName"));
    prompt.setLabelText(QStringLiteral("Enter New Name:"));
    prompt.setTextValue(doc_->remoteName());
    if (ExecDialog(prompt) != QDialog::Accepted) return;
    const QString name = prompt.textValue().trimmed();
    if (name.isEmpty() || name == doc_->remoteName()) return;
    doc_->SetUploadData(doc_->account(), doc_->password(), name);
    SaveToWebsite();
}

void CPageEditFrame::UploadAFile() {
    if (busy_) {
        ShowMessage(this, QStringLiteral("I'm too busy right now."));
        return;
    }
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("uploadFile"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    UploadChosen(dialog.selectedFiles().first());
}

void CPageEditFrame::UploadChosen(const QString& local) {
    if (busy_) {
        ShowMessage(this, QStringLiteral("I'm too busy right now."));
        return;
    }
    QInputDialog prompt(this);
    prompt.setObjectName(QStringLiteral("remoteName"));
    prompt.setLabelText(QStringLiteral("Enter Filename for you web site:"));
    prompt.setTextValue(QFileInfo(local).fileName());
    if (ExecDialog(prompt) != QDialog::Accepted) return;
    const QString remote = prompt.textValue().trimmed();
    if (remote.isEmpty()) return;
    Upload(local, remote);
}

void CPageEditFrame::Upload(const QString& local, const QString& remote) {
    if (busy_) {
        ShowMessage(this, QStringLiteral("I'm too busy right now."));
        return;
    }
    webspace::ServerTarget target;
    target.host = context_.hosts().web;
    target.script = webspace::kUserDataScript;
    target.account = S(doc_->account());
    target.password = S(doc_->password());
    const std::string l = SPath(local), r = S(remote);
    busy_ = true;
    // The editor may be closed while the transfer runs.
    QPointer<CPageEditFrame> self = this;
    const int result =
        RunTransfer(this, QStringLiteral("Posting File(s) to Your Web Space"),
                    [target, l, r](webspace::TransferListener& listener, std::stop_token stop) {
                        return webspace::UploadFile(target, l, r, listener, stop);
                    });
    if (!self) return;
    busy_ = false;
    ++uploads_;
    if (result != 0) {
        ShowMessage(this, QStringLiteral("Upload Error [%1]").arg(result), QStringLiteral("Page Editor"),
                    MessageKind::Warning);
        return;
    }
    const QString address = Q(webspace::MemberFileUrl(target.host, target.account, r));
    if (Showable(address)) ShowInMainBrowser(address);
}

void CPageEditFrame::ShowInMainBrowser(const QString& address) {
    BrowserTool* browser = context_.browser;
    if (!browser) return;
    CK7View* view = browser->MainBrowserView();
    if (!view) {
        browser->OpenMainBrowser();
        view = browser->MainBrowserView();
    }
    if (!view) return;
    emit shownInMainBrowser(address);
    if (view->LocationUrl().contains(address))
        view->engine()->reload();
    else
        view->Navigate(address);
}

void CPageEditFrame::OpenInMainBrowser(const QUrl& url) {
    BrowserTool* browser = context_.browser;
    if (!browser) return;
    if (!browser->MainBrowserView()) browser->OpenMainBrowser();
    if (CK7View* view = browser->MainBrowserView()) view->NavigateUrl(url);
}

}  // namespace sky::ui
