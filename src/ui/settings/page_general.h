#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// General: what SkyHarbor does when it starts (the start page, the personal
// web server, the default-browser question) and where downloads go.
class CPageGeneral : public QWidget {
    Q_OBJECT
public:
    explicit CPageGeneral(SettingsStore& settings, QWidget* parent = nullptr);

    bool Apply();

    QRadioButton* servicePage() const { return service_; }
    QRadioButton* blankPage() const { return blank_; }
    QRadioButton* ownPage() const { return own_; }
    QLineEdit* ownAddress() const { return address_; }
    QCheckBox* serverAtStart() const { return server_; }
    QCheckBox* askDefaultBrowser() const { return askDefault_; }
    QLineEdit* downloadFolder() const { return folder_; }

    // Stores the web server's start at start-up; the running server keeps
    // its own copy of its settings, so the tool routes this through it.
    std::function<void(bool)> setServerAtStart;

private:
    SettingsStore& settings_;
    QRadioButton *service_, *blank_, *own_;
    QLineEdit* address_;
    QCheckBox *server_, *askDefault_;
    QLineEdit* folder_;
    QPushButton* browse_;
};

}  // namespace sky::ui
