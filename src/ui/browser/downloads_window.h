#pragma once

#include <QFrame>
#include <QPointer>
#include <QWidget>

#include "ui/browser/download_list.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace sky::ui {

class AppContext;
class ToolRegistry;

// One line of the Downloads window: name, progress, what it is doing, and
// the buttons that fit its state.
class DownloadRow : public QFrame {
    Q_OBJECT
public:
    DownloadRow(DownloadItem* item, QWidget* parent);
    DownloadItem* item() const { return item_; }
    QProgressBar* progress() const { return progress_; }
    QLabel* status() const { return status_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* folderButton() const { return folder_; }

private:
    void Update();

    QPointer<DownloadItem> item_;
    QLabel* name_;
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton *cancel_, *open_, *folder_;
};

// The list of the browser's downloads, newest first. A window of its own
// beside the frame, as the desktop's browsers have it, so it stays in view
// whatever the MDI area shows.
class DownloadsWindow : public QWidget {
    Q_OBJECT
public:
    DownloadsWindow(DownloadList& list, QWidget* parent);
    QList<DownloadRow*> rows() const;

private:
    void Add(DownloadItem* item);

    DownloadList& list_;
    QVBoxLayout* rowsLayout_;
    QLabel* empty_;
};

// Takes the browser profile's downloads and registers "Downloads" (Tools menu).
void RegisterDownloads(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
