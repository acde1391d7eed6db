#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;

namespace sky::ui {

// Turns a few words into a web or news search on the configured search
// hosts and opens the result in the main browser.
class WebSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit WebSearchDialog(const QStringList& channels, QWidget* parent = nullptr);

    QLineEdit* searchEdit() const { return edit_; }
    // The two searches; true when the dialog closed with an address handed over.
    bool WebSearch();
    bool NewsSearch();

    static QString SearchHost();
    static QString NewsSearchHost();

private:
    bool Run(bool news);
    QListWidget* channels_;
    QLineEdit* edit_;
};

}  // namespace sky::ui
