#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>
#include <string>

// The bare web view: shows about:blank (or the address given) in a window and
// says when the window is up; with SKYHARBOR_STARTUP_PROBE=page it waits for
// the page to finish loading.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const char* probe = std::getenv("SKYHARBOR_STARTUP_PROBE");
    bool page = probe && std::string(probe) == "page";
    QMainWindow window;
    auto* view = new QWebEngineView(&window);
    window.setCentralWidget(view);
    if (page)
        QObject::connect(view, &QWebEngineView::loadFinished, &app, [] {
            std::printf("SKYHARBOR-PAINTED\n");
            std::fflush(stdout);
            QApplication::quit();
        });
    view->load(QUrl(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("about:blank")));
    window.showMaximized();
    QTimer::singleShot(0, [page] {
        std::printf("SKYHARBOR-SHOWN\n");
        std::fflush(stdout);
        if (!page) QApplication::quit();
    });
    return app.exec();
}
