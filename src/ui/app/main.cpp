#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ui/app/app_context.h"
#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/log.h"
#include "ui/browser/browser_profile.h"
#include "ui/browser/browser_tool.h"
#include "ui/browser/ck7_view.h"

int main(int argc, char** argv) {
    // The engine's sandbox refuses to run as root; a root session gets the
    // engine without it rather than no browser at all.
    if (::geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX"))
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    sky::ui::RegisterCommandSchemes();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SkyHarbor"));
    QApplication::setDesktopFileName(QStringLiteral("skyharbor"));
    sky::ui::InstallLogHandler();

    sky::ui::CK7App k7(QApplication::arguments(), {});
    if (!k7.InitInstance()) return k7.exitCode();

    // For bench/startup: say when the window is up, optionally end there;
    // "page" waits for the main browser's first page to finish loading.
    if (const char* probe = std::getenv("SKYHARBOR_STARTUP_PROBE")) {
        std::string mode = probe;
        QTimer::singleShot(0, [mode] {
            std::printf("SKYHARBOR-SHOWN\n");
            std::fflush(stdout);
            if (mode == "exit") QApplication::quit();
        });
        sky::ui::BrowserPane* view = k7.context()->browser->MainBrowserView();
        if (mode == "page" && view)
            QObject::connect(view, &sky::ui::BrowserPane::loadingChanged, &app, [](bool loading) {
                if (loading) return;
                std::printf("SKYHARBOR-PAINTED\n");
                std::fflush(stdout);
                QApplication::quit();
            });
    }
    int rc = app.exec();
    k7.ExitInstance();
    return rc;
}
