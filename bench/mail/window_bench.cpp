// mail_window_bench sky|widgets: opens the InBox of $SKYHARBOR_HOME in the
// mail window (sky) or in a QTreeWidget filled item by item (widgets), sorts
// it by date, and prints "<kind> rows=N open_ms=X sort_ms=Y rss_mb_above_idle=Z".
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <cstdio>
#include <fstream>
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string kind = argc > 1 ? argv[1] : "sky";
    sky::SettingsStore settings(sky::SettingsPath());
    std::string inbox = sky::GetMailFolderPath("InBox");
    QElapsedTimer t;
    double idle = 0, openMs = 0, sortMs = 0;
    int rows = 0;
    if (kind == "sky") {
        // Idle: the program with its mail window open on an empty folder.
        sky::GetMailFolderPath("Empty");
        {
            sky::ui::MailWindowHost host;
            sky::ui::CK7EmailFrame warm(settings, host);
            warm.show();
            app.processEvents();
        }
        idle = RssMb();
        t.start();
        sky::ui::CK7EmailFrame frame(settings, sky::ui::MailWindowHost{});
        frame.resize(1000, 700);
        frame.show();
        app.processEvents();
        openMs = t.nsecsElapsed() / 1e6;
        rows = frame.model()->rowCount();
        t.restart();
        frame.model()->sort(sky::ui::MessageListModel::Received);
        app.processEvents();
        sortMs = t.nsecsElapsed() / 1e6;
        std::printf("%s rows=%d open_ms=%.1f sort_ms=%.1f rss_mb_above_idle=%.1f\n", kind.c_str(), rows,
                    openMs, sortMs, RssMb() - idle);
    } else {
        {
            QTreeWidget warm;
            warm.show();
            app.processEvents();
        }
        idle = RssMb();
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
        list.resize(1000, 700);
        list.show();
        app.processEvents();
        openMs = t.nsecsElapsed() / 1e6;
        rows = list.topLevelItemCount();
        t.restart();
        list.sortItems(2, Qt::DescendingOrder);
        app.processEvents();
        sortMs = t.nsecsElapsed() / 1e6;
        std::printf("%s rows=%d open_ms=%.1f sort_ms=%.1f rss_mb_above_idle=%.1f\n", kind.c_str(), rows,
                    openMs, sortMs, RssMb() - idle);
    }
    return 0;
}
