#include <QUrl>

#include "core/mail/mailto.h"
#include "ui/mail/mail_tool.h"

namespace sky::ui {

ComposeFields ParseMailto(const QUrl& url) {
    MailtoFields m = sky::ParseMailto(url.toEncoded().toStdString());
    ComposeFields f;
    f.to = QString::fromStdString(m.to);
    f.cc = QString::fromStdString(m.cc);
    f.subject = QString::fromStdString(m.subject);
    f.body = QString::fromStdString(m.body);
    return f;
}

}  // namespace sky::ui
