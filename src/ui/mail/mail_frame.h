#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "ui/mail/compose_fields.h"

class QLineEdit;
class QMenu;
class QSplitter;
class QTimer;
class QTreeView;
class QTreeWidget;
class QWidget;

namespace sky {
class SettingsStore;
class CheckMailWorker;
class MailWorkerListener;
}  // namespace sky

namespace sky::ui {

class CK7EmailDoc;
class CMsgView;
class MessageListModel;
class ProgressPanel;
class MailFetchListener;

// What the mail window asks of the program around it.
struct MailWindowHost {
    std::function<void(const ComposeFields&)> compose;
    std::function<void(QWidget* parent)> accountList;      // "Internet Accounts"
    std::function<void(QWidget* parent)> accountSettings;  // "E-Mail Settings" of DefaultUser
    std::function<void(const QString& path)> viewSource;
    std::function<void(const QUrl& url)> openLink;
    std::function<QWidget*(QWidget* parent)> addressBook;
    // Starts a fetch of every account with `listener`; null when nothing to fetch.
    std::function<std::unique_ptr<CheckMailWorker>(MailWorkerListener* listener)> makeFetch;
    std::function<void(const QString& summary, const QString& body)> notify;
    // Fills the window's "Address Book" menu for the pane `book`.
    std::function<void(QMenu* menu, QWidget* book)> addressBookMenu;
};

// The folder tree: "E-Mail Folders" and one item per folder; message files
// dropped on a folder move there.
class CSM_FoldersView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kRootText = "E-Mail Folders";
    explicit CSM_FoldersView(QWidget* parent = nullptr);
    // DefaultUser's folders, then each further account's, under its name; the
    // folder `select` of `selectAccount` (empty: DefaultUser) is made current.
    // False when that folder is not in the tree.
    bool Fill(const QString& select = QStringLiteral("InBox"), const QStringList& accounts = {},
              const QString& selectAccount = {});
    QTreeWidget* tree() const { return tree_; }
    // The folder under `pos` of the tree's viewport, empty when none.
    QString FolderAt(const QPoint& pos) const;

signals:
    // `account` is empty for DefaultUser.
    void folderChosen(const QString& name, const QString& account);
    void filesDropped(const QStringList& paths, const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* tree_;
    bool filling_ = false;
};

// The mail window: folders over the address book on the left, the message
// list over the message pane on the right.
class CK7EmailFrame : public QMainWindow {
    Q_OBJECT
public:
    CK7EmailFrame(SettingsStore& settings, MailWindowHost host, QWidget* parent = nullptr);
    ~CK7EmailFrame() override;

    CK7EmailDoc* document() const { return doc_; }
    CSM_FoldersView* folders() const { return folders_; }
    QTreeView* list() const { return list_; }
    MessageListModel* model() const { return model_; }
    CMsgView* pane() const { return pane_; }
    ProgressPanel* progress() const { return progress_; }
    QLineEdit* filter() const { return filter_; }
    QString statusText() const;

    void CheckMail();
    void LoadFolder(const QString& name);
    void DeleteSelected();
    bool fetching() const;

    // From the fetch worker, on the UI thread.
    void FetchProgress(const QString& line);
    void FetchNewMessage(const QString& path, const QString& subject);
    void FetchDone(int result);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnHint(int hint);
    void RowChosen(const QModelIndex& current);
    void BuildMenu();
    QWidget* BuildListPane();
    QWidget* BuildPaneBox();
    void PaintBar(int bgr);
    void SaveSplitters();
    void Status(const QString& text);
    QStringList Accounts() const;

    SettingsStore& settings_;
    MailWindowHost host_;
    CK7EmailDoc* doc_;
    CSM_FoldersView* folders_ = nullptr;
    QTreeView* list_ = nullptr;
    MessageListModel* model_ = nullptr;
    CMsgView* pane_ = nullptr;
    ProgressPanel* progress_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QWidget* bar_ = nullptr;
    QWidget* book_ = nullptr;
    QSplitter* columns_ = nullptr;
    QSplitter* left_ = nullptr;
    QSplitter* right_ = nullptr;
    QTimer* saveSplitters_ = nullptr;
    std::unique_ptr<MailFetchListener> listener_;
    std::unique_ptr<CheckMailWorker> fetch_;
    int fetched_ = 0;
    QString firstSubject_;
    QString account_;  // of the folder shown; empty for DefaultUser
};

}  // namespace sky::ui
