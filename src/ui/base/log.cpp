#include "ui/base/log.h"

#include <string>

#include "core/base/log.h"

Q_LOGGING_CATEGORY(lcApp, "skyharbor.app")
Q_LOGGING_CATEGORY(lcBrowser, "skyharbor.browser")
Q_LOGGING_CATEGORY(lcChannels, "skyharbor.channels")
Q_LOGGING_CATEGORY(lcDownloads, "skyharbor.downloads")
Q_LOGGING_CATEGORY(lcHttpSvr, "skyharbor.httpsvr")
Q_LOGGING_CATEGORY(lcMail, "skyharbor.mail")
Q_LOGGING_CATEGORY(lcService, "skyharbor.service")
Q_LOGGING_CATEGORY(lcSettings, "skyharbor.settings")

namespace sky::ui {

namespace {

void Forward(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    LogLevel level = LogLevel::Error;
    switch (type) {
        case QtDebugMsg:
            level = LogLevel::Debug;
            break;
        case QtInfoMsg:
            level = LogLevel::Info;
            break;
        case QtWarningMsg:
            level = LogLevel::Warn;
            break;
        case QtCriticalMsg:
        case QtFatalMsg:
            level = LogLevel::Error;
            break;
    }
    std::string area = context.category ? context.category : "qt";
    if (area.starts_with("skyharbor.")) area.erase(0, 10);
    Log(level, area, message.toStdString());
}

}  // namespace

void InstallLogHandler() {
    qInstallMessageHandler(Forward);
}

}  // namespace sky::ui
