#pragma once

#include <QDialog>

class QTabWidget;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

class CPageGeneral;
class CPageLookFeel;

// The settings sheet: look and feel, and general.
class CSettingsSheet : public QDialog {
    Q_OBJECT
public:
    explicit CSettingsSheet(SettingsStore& settings, QWidget* parent = nullptr);

    CPageLookFeel* lookFeel() const { return lookFeel_; }
    CPageGeneral* general() const { return general_; }
    QTabWidget* tabs() const { return tabs_; }

    void accept() override;

signals:
    // OK wrote the colour scheme; it is to be applied at once.
    void schemeWritten();

private:
    QTabWidget* tabs_;
    CPageLookFeel* lookFeel_;
    CPageGeneral* general_;
};

}  // namespace sky::ui
