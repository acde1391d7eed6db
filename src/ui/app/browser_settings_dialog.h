#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace sky::ui {

// Browser settings of our own: home page, scripts, pictures, and clearing
// what the browser keeps.
class BrowserSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit BrowserSettingsDialog(QWidget* parent = nullptr);
    void accept() override;

    // Applies the stored choices to the shared browser profile.
    static void ApplyStored();

private:
    QLineEdit* home_;
    QCheckBox* scripts_;
    QCheckBox* images_;
};

}  // namespace sky::ui
