#pragma once

#include <QString>
#include <QStringList>

namespace sky::ui {

// What a compose window starts with: empty for a new message; reply,
// forward, "Send Mail" from the address book and "mailto:" fill some.
struct ComposeFields {
    QString to, cc, subject, body;
    QStringList attachments;
};

}  // namespace sky::ui
