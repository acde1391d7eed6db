#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* view = new QWebEngineView(&window);
    window.setCentralWidget(view);
    view->load(QUrl(QStringLiteral("about:blank")));
    window.showMaximized();
    QTimer::singleShot(0, [] {
        std::printf("SKYHARBOR-SHOWN\n");
        std::fflush(stdout);
        QApplication::quit();
    });
    return app.exec();
}
