#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ui/app/ck7_app.h"
#include "ui/app/main_frame.h"
#include "ui/base/log.h"
#include "ui/browser/browser_profile.h"

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

    // For bench/startup: say when the window is up, optionally end there.
    if (const char* probe = std::getenv("SKYHARBOR_STARTUP_PROBE")) {
        bool quit = std::string(probe) == "exit";
        QTimer::singleShot(0, [quit] {
            std::printf("SKYHARBOR-SHOWN\n");
            std::fflush(stdout);
            if (quit) QApplication::quit();
        });
    }
    int rc = app.exec();
    k7.ExitInstance();
    return rc;
}
