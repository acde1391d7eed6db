#include "ui/mail/mail_tool.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QUrl>
#include <QUrlQuery>

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
#include "ui/mail/mail_frame.h"

namespace sky::ui {

namespace {

// "View mail source": the file as it lies, in a read-only window.
void ShowSource(FrameHost& frame, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(frame.window(), QStringLiteral("Cannot read %1.").arg(path), QStringLiteral("SkyMail"),
                    MessageKind::Warning);
        return;
    }
    auto* text = new QPlainTextEdit;
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Only what a screen can hold: a huge attachment would not help anyone here.
    QByteArray bytes = file.read(8 << 20);
    text->setPlainText(QString::fromUtf8(bytes));
    text->setObjectName(QStringLiteral("MailSource"));
    QMdiSubWindow* sub = frame.mdiArea()->addSubWindow(text);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(QFileInfo(path).fileName());
    sub->resize(640, 480);
    sub->show();
}

}  // namespace

MailTool::MailTool(AppContext& context) : context_(context) {}

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

}  // namespace sky::ui
