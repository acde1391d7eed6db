#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "ui/skypad/skypad_doc.h"

class QAction;
class QDialog;
class QLineEdit;
class QCheckBox;

namespace sky::ftp {
struct FtpSite;
}

namespace sky::ui {

class CSkyPadView;
class UiJob;

// One SkyPad window: the menus, the document and its text, inside an MDI window.
class CSkyPadFrame : public QMainWindow {
    Q_OBJECT
public:
    // Only this much of a file fetched from an FTP server is loaded.
    static constexpr qint64 kFtpLoadLimit = 24000;
    // A read-only file shows only this much: a huge attachment helps nobody on screen.
    static constexpr qint64 kViewLoadLimit = 8 << 20;

    explicit CSkyPadFrame(QWidget* parent = nullptr);
    ~CSkyPadFrame() override;

    CSkyPadDoc& document() { return doc_; }
    CSkyPadView* view() const { return view_; }

    // Hands a file and its remote name to the web-space client.
    std::function<void(const QString& localPath, const QString& remoteName)> upload;
    // Opens another SkyPad window (empty path: a new document); without it
    // "New" and "Open" reuse this one.
    std::function<void(const QString& path)> openWindow;

    bool Open(const QString& path);
    // Shows a file that must stay as it is: nothing edits it, and saving
    // copies its bytes to another file.
    bool OpenReadOnly(const QString& path);
    bool readOnly() const { return readOnly_; }
    bool Save();
    bool SaveAs();
    // The "save changes" question when modified; false keeps the window.
    bool CanClose();
    void Upload();
    void NewDocument();
    void OpenWithDialog();
    // The remote name a web-space file goes back under.
    void SetRemoteName(const QString& name) { doc_.SetRemoteName(name); }
    // The open file came from this FTP server and path; saving puts it back.
    void SetFtpOrigin(const ftp::FtpSite& site, const std::string& remotePath, uint64_t size,
                      std::time_t modified);
    bool fromFtp() const { return ftp_ != nullptr; }
    // Only part of the file was loaded.
    bool truncated() const { return truncated_; }
    bool puttingBack() const;

    void ShowFind();
    void ShowReplace();
    void FindNext();

    QString Title() const;

signals:
    void titleChanged(const QString& title);
    void statusShown(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct FtpOrigin;
    bool Load(const QString& path, qint64 limit);
    bool WriteTo(const QString& path);
    bool SaveCopy();
    void SetReadOnly(bool readOnly);
    QString AskFileName(bool save);
    void UpdateTitle();
    void ShowStatus(const QString& text);
    void PutBack();
    void ShowFindDialog(bool replace);

    CSkyPadDoc doc_;
    CSkyPadView* view_ = nullptr;
    QString tempPath_;  // a never-saved document's upload copy
    bool truncated_ = false;
    bool readOnly_ = false;
    QAction* upload_ = nullptr;
    std::unique_ptr<FtpOrigin> ftp_;
    UiJob* job_ = nullptr;
    QDialog* findDialog_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QLineEdit* replaceText_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QWidget* replaceRow_ = nullptr;
};

}  // namespace sky::ui
