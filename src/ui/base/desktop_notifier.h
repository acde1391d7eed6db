#pragma once

#include <QString>

namespace sky::ui {

// A desktop notification through the freedesktop notification service on
// the session bus. Nothing happens when no such service runs.
void NotifyDesktop(const QString& summary, const QString& body);

}  // namespace sky::ui
