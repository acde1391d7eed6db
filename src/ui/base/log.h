#pragma once

#include <QLoggingCategory>

// One category per part of the program, named "skyharbor.<area>", so
// QT_LOGGING_RULES can pick them out ("skyharbor.mail.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
Q_DECLARE_LOGGING_CATEGORY(lcChannels)
Q_DECLARE_LOGGING_CATEGORY(lcDownloads)
Q_DECLARE_LOGGING_CATEGORY(lcHttpSvr)
Q_DECLARE_LOGGING_CATEGORY(lcMail)
Q_DECLARE_LOGGING_CATEGORY(lcService)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

namespace sky::ui {

// Sends every Qt message (qCWarning(lcMail) << ..., and Qt's own) through
// the core log, so they reach stderr and the SKYHARBOR_LOG file with the same
// levels and format as the core's lines. Call once, first thing in main().
void InstallLogHandler();

}  // namespace sky::ui
