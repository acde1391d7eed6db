#pragma once

#include <QWidget>

class QAction;
class QSplitter;

namespace sky::ui {

class AppContext;
class CPageEditBrowserView;
class CPageEditDetailView;
class CPageEditDoc;
class CPageEditPartsView;

// The page editor's window: the page above, its parts and the open block
// editor below, and the uploads to the member's web space.
class CPageEditFrame : public QWidget {
    Q_OBJECT
public:
    explicit CPageEditFrame(AppContext& context, QWidget* parent = nullptr);

    // Opens `path` (a new page when empty) for the member's web space.
    bool Open(const QString& path, const QString& account, const QString& password, const QString& remote);

    // The menu commands.
    void SaveToWebsite();
    void Publish();
    void SaveUnderNewName();
    void UploadAFile();
    // "Upload a File..." once a local file is chosen: the name prompt, then the upload.
    void UploadChosen(const QString& local);
    bool busy() const { return busy_; }
    // Uploads finished so far (tests wait on it).
    int uploads() const { return uploads_; }

    CPageEditDoc& doc() const { return *doc_; }
    CPageEditBrowserView* browserView() const { return browser_; }
    CPageEditPartsView* partsView() const { return parts_; }
    CPageEditDetailView* detailView() const { return detail_; }
    QAction* topMostAction() const { return topMost_; }

signals:
    void titleChanged(const QString& title);
    // An uploaded file the main browser was asked to show.
    void shownInMainBrowser(const QString& address);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Upload(const QString& local, const QString& remote);
    void ShowInMainBrowser(const QString& address);
    void OpenInMainBrowser(const QUrl& url);
    void ApplyTopMost();

    AppContext& context_;
    CPageEditDoc* doc_;
    CPageEditBrowserView* browser_;
    CPageEditPartsView* parts_;
    CPageEditDetailView* detail_;
    QSplitter* split_;
    QAction* topMost_;
    bool busy_ = false;
    int uploads_ = 0;
};

}  // namespace sky::ui
