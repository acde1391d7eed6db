// mail_window_bench sky|widgets: the InBox of $SKYHARBOR_HOME (the large
// folder) in the mail window (sky) or in a QTreeWidget filled item by item
// (widgets). First the idle size: the same window on an empty InBox of a
// home of its own. Then the large folder is opened cold (its files out of the
// page cache) until the list is on screen, and sorted by Received. Prints
// "<kind> rows=N open_ms=X sort_ms=Y rss_mb_above_idle=Z idle_rss_mb=W".
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/mail/mail_store.h"
#include "ui/mail/mail_frame.h"
#include "ui/mail/message_list_model.h"

namespace {

double RssMb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        std::getline(status, key);
    }
    return 0;
}

// As after a reboot, as far as a user may: the files' pages leave the page
// cache (directory entries stay cached; dropping those needs root).
void DropFromPageCache(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        int fd = ::open(entry.path().c_str(), O_RDONLY);
        if (fd < 0) continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Until the window is on screen and its list drawn.
void ShowAndPaint(QApplication& app, QWidget& window, QWidget* list) {
    window.resize(1000, 700);
    window.show();
    QElapsedTimer wait;
    wait.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && wait.elapsed() < 5000)
        app.processEvents(QEventLoop::AllEvents, 10);
    list->repaint();
    app.processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string kind = argc > 1 ? argv[1] : "sky";
    const char* bigHome = std::getenv("SKYHARBOR_HOME");
    if (!bigHome || (kind != "sky" && kind != "widgets")) {
        std::fprintf(stderr, "usage: SKYHARBOR_HOME=HOME %s sky|widgets\n", argv[0]);
        return 2;
    }
    const std::string big = bigHome;
    QTemporaryDir emptyHome;
    if (!emptyHome.isValid()) return 1;
    QElapsedTimer t;
    double idle = 0, openMs = 0, sortMs = 0;
    int rows = 0;

    // The idle program: the window on an empty InBox, then gone again, so
    // that only what the large folder costs is counted above it.
    ::setenv("SKYHARBOR_HOME", emptyHome.path().toLocal8Bit().constData(), 1);
    if (kind == "sky") {
        sky::SettingsStore settings(sky::SettingsPath());
        sky::ui::CK7EmailFrame idleFrame(settings, sky::ui::MailWindowHost{});
        ShowAndPaint(app, idleFrame, idleFrame.list()->viewport());
        idle = RssMb();
    } else {
        QTreeWidget idleList;
        ShowAndPaint(app, idleList, idleList.viewport());
        idle = RssMb();
    }
    app.processEvents();

    ::setenv("SKYHARBOR_HOME", big.c_str(), 1);
    const std::string inbox = sky::GetMailFolderPath("InBox");
    // MAIL_BENCH_WARM=1: the folder as a second opening finds it.
    const char* warmEnv = std::getenv("MAIL_BENCH_WARM");
    const bool warm = warmEnv && *warmEnv;
    if (!warm) DropFromPageCache(inbox);
    if (kind == "sky") {
        sky::SettingsStore settings(sky::SettingsPath());
        t.start();
        sky::ui::CK7EmailFrame frame(settings, sky::ui::MailWindowHost{});
        ShowAndPaint(app, frame, frame.list()->viewport());
        openMs = t.nsecsElapsed() / 1e6;
        rows = frame.model()->rowCount();
        // As a click on the column's header does it.
        t.restart();
        emit frame.list()->header()->sectionClicked(sky::ui::MessageListModel::Received);
        frame.list()->viewport()->repaint();
        app.processEvents();
        sortMs = t.nsecsElapsed() / 1e6;
        std::printf("%s cache=%s rows=%d open_ms=%.1f sort_ms=%.1f rss_mb_above_idle=%.1f idle_rss_mb=%.1f\n",
                    kind.c_str(), warm ? "warm" : "cold", rows, openMs, sortMs, RssMb() - idle, idle);
    } else {
        t.start();
        QTreeWidget list;
        list.setColumnCount(3);
        list.setHeaderLabels({"Subject", "From", "Received"});
        list.setRootIsDecorated(false);
        list.setUniformRowHeights(true);
        QList<QTreeWidgetItem*> items;
        for (const sky::MessageSummary& s : sky::LoadFolder(inbox))
            items << new QTreeWidgetItem({QString::fromStdString(sky::SubjectColumn(s)),
                                          QString::fromStdString(s.from),
                                          QString::fromStdString(sky::ReceivedColumn(s))});
        list.addTopLevelItems(items);
        ShowAndPaint(app, list, list.viewport());
        openMs = t.nsecsElapsed() / 1e6;
        rows = list.topLevelItemCount();
        t.restart();
        list.sortItems(2, Qt::DescendingOrder);
        list.viewport()->repaint();
        app.processEvents();
        sortMs = t.nsecsElapsed() / 1e6;
        std::printf("%s cache=%s rows=%d open_ms=%.1f sort_ms=%.1f rss_mb_above_idle=%.1f idle_rss_mb=%.1f\n",
                    kind.c_str(), warm ? "warm" : "cold", rows, openMs, sortMs, RssMb() - idle, idle);
    }
    return 0;
}
