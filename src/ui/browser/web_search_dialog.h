#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;

namespace sky::ui {

class BrowserHost;

// Turns a few words into a web or news search on the configured search
// hosts and opens the result in the main browser.
class WebSearchDialog : public QDialog {
    Q_OBJECT
public:
    // The address goes to `host`, which also holds the search hosts and the last words.
    WebSearchDialog(BrowserHost& host, const QStringList& channels, QWidget* parent = nullptr);

    QLineEdit* searchEdit() const { return edit_; }
    // The two searches; true when the dialog closed with an address handed over.
    bool WebSearch();
    bool NewsSearch();

    QString SearchHost() const;
    QString NewsSearchHost() const;

private:
    bool Run(bool news);
    QString HostSetting(const char* key) const;

    BrowserHost& host_;
    QListWidget* channels_;
    QLineEdit* edit_;
};

}  // namespace sky::ui
