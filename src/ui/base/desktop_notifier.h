#pragma once

#include <QString>
#include <functional>

namespace sky::ui {

// A desktop notification through the freedesktop notification service on
// the session bus. Nothing happens when no such service runs, and the call
// never waits for the bus.
void NotifyDesktop(const QString& summary, const QString& body);

// The hook, when set, takes every notification instead of the bus (tests).
using NotifyHook = std::function<void(const QString& summary, const QString& body)>;
void SetNotifyHook(NotifyHook hook);

}  // namespace sky::ui
