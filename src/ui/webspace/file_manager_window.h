#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <stop_token>
#include <vector>

#include "core/webspace/web_space_client.h"
#include "core/webspace/web_space_listing.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class QMimeData;

namespace sky::ui {

class AppContext;
class CSkyPadFrame;
class LocalFilesPanel;
class UiJob;

// The member's web space beside a local folder: list, open, edit, delete,
// rename, and move files both ways by drag and drop. One transfer at a time.
class FileManagerWindow : public QWidget {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, SizeColumn, TypeColumn, ModifiedColumn };
    static constexpr const char* kTitle = "Web Space File Manager";

    explicit FileManagerWindow(AppContext& context, QWidget* parent = nullptr);
    ~FileManagerWindow() override;

    // Opens a downloaded file in SkyPad; the program's SkyPad window unless replaced.
    std::function<CSkyPadFrame*(const QString& path)> openInSkyPad;

    void Login();
    void LoadRemoteList();
    void OpenInBrowser(const QString& name);
    // What a drag of the selected rows carries (null when no file is selected).
    QMimeData* DragData() const;
    void EditViaSkyPad(const QString& name);
    void EditViaPageEditor(const QString& name);
    void Rename(const QString& name);
    void DeleteSelected();
    // Files from the desktop or the local panel; `remote` proposes the name of
    // a single file (empty: its own name). `fromOtherWindow`: a SkyPad upload.
    void Upload(const QStringList& paths, const QString& remote = {}, bool fromOtherWindow = false);
    // Remote addresses dropped on the local panel's `folder`.
    void Download(const QStringList& addresses, const QString& folder);
    // The context menu for the selected rows; null when nothing is selected.
    QMenu* MakeContextMenu();

    QString FileAddress(const QString& name) const;
    QString accountLabel() const;
    bool busy() const;
    QTreeWidget* remoteList() const { return remote_; }
    LocalFilesPanel* localPanel() const { return local_; }
    QWidget* progressBox() const { return progress_; }
    QString progressText() const;

signals:
    // A listing has been shown (or has failed).
    void listed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    using Work = std::function<int(webspace::TransferListener& listener, std::stop_token stop)>;
    class Listener;
    // The busy rule, then `work` on the worker with the progress box titled `title`.
    bool Run(const QString& title, Work work, std::function<void(int result)> done);
    bool RefuseWhenBusy();
    bool RequireLogin(bool fromOtherWindow);
    void ShowBadLogin();
    void ShowListing(int result, const std::string& reply);
    void AddStatusRow(const QString& text);
    void ShowStatusLine(const QString& text);
    void ShowProgress(uint64_t done, uint64_t total);
    void HideProgress();
    QStringList SelectedNames(bool* folderFound, QString* folderName) const;
    webspace::ServerTarget Target() const;

    AppContext& context_;
    QLabel* account_ = nullptr;
    QTreeWidget* remote_ = nullptr;
    LocalFilesPanel* local_ = nullptr;
    QWidget* progress_ = nullptr;
    QLabel* progressTitle_ = nullptr;
    QPlainTextEdit* progressLines_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* rate_ = nullptr;
    UiJob* job_ = nullptr;
    QElapsedTimer clock_;
    uint64_t lastDone_ = 0;
    bool listing_ = false;
    std::vector<webspace::WebSpaceFile> files_;
};

}  // namespace sky::ui
