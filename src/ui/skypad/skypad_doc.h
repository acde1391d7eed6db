#pragma once

#include <QString>

namespace sky::ui {

// The document of one SkyPad window: where its text lives and where it goes back.
class CSkyPadDoc {
public:
    const QString& path() const { return path_; }
    void SetPath(const QString& path) { path_ = path; }
    bool modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    // The name the file has in the member's web space (empty: none).
    const QString& remoteName() const { return remoteName_; }
    void SetRemoteName(const QString& name) { remoteName_ = name; }
    // The file's name, or "Untitled" for a new document.
    QString Title() const;

private:
    QString path_;
    QString remoteName_;
    bool modified_ = false;
};

}  // namespace sky::ui
