#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QWebEngineProfile;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

class BrowserHost;

// Browser settings of our own: home page, scripts, pictures, and clearing
// what the browser keeps.
class BrowserSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // The settings, the start page and the profile are `host`'s.
    explicit BrowserSettingsDialog(BrowserHost& host, QWidget* parent = nullptr);
    void accept() override;

    // Applies the stored choices to the shared browser profile.
    static void ApplyStored(const SettingsStore& settings, QWebEngineProfile* profile);

private:
    BrowserHost& host_;
    QLineEdit* home_;
    QCheckBox* scripts_;
    QCheckBox* images_;
};

}  // namespace sky::ui
