#pragma once

#include <QDialog>
#include <functional>

#include "core/httpsvr/server_settings.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace sky::ui {

// The server's options: General, Name and Root pages.
class ServerOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ServerOptionsDialog(const httpsvr::ServerSettings& settings, QWidget* parent = nullptr);
    httpsvr::ServerSettings settings() const;

    QTabWidget* pages() const { return tabs_; }
    QSpinBox* portBox() const { return port_; }
    QLineEdit* listenEdit() const { return listen_; }
    QLineEdit* rootEdit() const { return root_; }

private:
    httpsvr::ServerSettings base_;
    QTabWidget* tabs_;
    QCheckBox* longListing_;
    QCheckBox* showIcons_;
    QCheckBox* allowListings_;
    QCheckBox* startAtStartup_;
    QRadioButton* machineName_;
    QRadioButton* ownName_;
    QLineEdit* name_;
    QSpinBox* port_;
    QLineEdit* listen_;
    QLineEdit* root_;
};

// "Start your server !": the member's name, the root folder and the choice to start.
class StartServerDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the root folder stored in `settings`.
    StartServerDialog(const SettingsStore& settings, const QString& loginName, bool loggedIn,
                      QWidget* parent = nullptr);
    // Start pressed while logged in.
    bool startChosen() const { return start_; }

    // Opens the options sheet; set by the caller.
    std::function<void()> onOptions;
    // The service login; true when it succeeded. Set by the caller.
    std::function<bool()> onLogin;

    void PressStart();
    void PressCancel();

private:
    bool loggedIn_;
    bool start_ = false;
};

}  // namespace sky::ui
