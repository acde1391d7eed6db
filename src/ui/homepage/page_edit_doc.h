#pragma once

#include <QObject>
#include <QString>

#include "core/homepage/page_block.h"

namespace sky::ui {

// A home page under edit: its blocks, its file, where it uploads to and the
// block being edited. Every commit writes the file; there is no unsaved state.
class CPageEditDoc : public QObject {
    Q_OBJECT
public:
    explicit CPageEditDoc(QObject* parent = nullptr);

    // Reads the blocks of `path`; false when it cannot be read.
    bool Open(const QString& path);
    // The default page file of a new document, then read.
    bool New();
    // Writes the whole file and tells the views; false (and *message) when it
    // cannot be written, the old file staying.
    bool Save(QString* message = nullptr);
    void SetUploadData(const QString& account, const QString& password, const QString& remote);

    homepage::PageBlockList& blocks() { return blocks_; }
    const QString& path() const { return path_; }
    const QString& account() const { return account_; }
    const QString& password() const { return password_; }
    const QString& remoteName() const { return remote_; }
    QString Title() const;

    // -1: none.
    int selected() const { return selected_; }
    void Select(int index);

    // Where a new document's page lives.
    static QString DefaultPath();

signals:
    void pageChanged();
    // `previous` is the block shown before (-1: none).
    void selectionChanged(int previous, int current);
    void titleChanged(const QString& title);

private:
    homepage::PageBlockList blocks_;
    QString path_;
    QString account_, password_, remote_;
    int selected_ = -1;
};

}  // namespace sky::ui
