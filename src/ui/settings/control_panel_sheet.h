#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace sky::ui {

class AppContext;
class CControlPanelSheet;

// Buttons that run a frame command once the sheet has closed.
class ControlPanelPage1 : public QWidget {
    Q_OBJECT
public:
    ControlPanelPage1(CControlPanelSheet& sheet, AppContext& context);
};

// Further command buttons: the tools.
class ControlPanelPage2 : public QWidget {
    Q_OBJECT
public:
    ControlPanelPage2(CControlPanelSheet& sheet, AppContext& context);
};

// The member account and the local channel's postal code.
class ControlPanelPage3 : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanelPage3(AppContext& context);
    // Both fields again from the settings.
    void Reload();

    QLineEdit* account() const { return account_; }
    QLineEdit* zip() const { return zip_; }
    QPushButton* loginButton() const { return login_; }
    QPushButton* forgotButton() const { return forgot_; }
    QPushButton* registerButton() const { return register_; }
    QPushButton* localButton() const { return local_; }

private:
    AppContext& context_;
    QLineEdit *account_, *zip_;
    QPushButton *login_, *forgot_, *register_, *local_;
};

// The channel introduction option.
class ControlPanelPage4 : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanelPage4(AppContext& context);
    QCheckBox* intro() const { return intro_; }

private:
    QCheckBox* intro_;
};

// The frame's bars, acting at once, and the pop-up rules, handed over on OK.
class ControlPanelPage5 : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanelPage5(AppContext& context);
    // The boxes again from the frame.
    void Refresh();

    QCheckBox* zoom() const { return zoom_; }
    QCheckBox* channelBar() const { return channelBar_; }
    QCheckBox* statusBar() const { return statusBar_; }
    QCheckBox* popup() const { return popup_; }
    QCheckBox* statusPopup() const { return statusPopup_; }

private:
    void Toggle(const QString& command, bool wanted, bool shown);
    bool StatusBarShown() const;

    AppContext& context_;
    QCheckBox *zoom_, *channelBar_, *statusBar_, *popup_, *statusPopup_;
};

// The control panel: five pages, opened on a chosen one.
class CControlPanelSheet : public QDialog {
    Q_OBJECT
public:
    // `page` counts from 1; anything else opens the first.
    CControlPanelSheet(AppContext& context, int page, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }
    ControlPanelPage3* page3() const { return page3_; }
    ControlPanelPage4* page4() const { return page4_; }
    ControlPanelPage5* page5() const { return page5_; }

    // Closes the sheet as OK does; `action` runs after it has closed.
    void CloseAndRun(std::function<void()> action);
    // What a command button left to run, taken once.
    std::function<void()> TakePending() { return std::exchange(pending_, {}); }

    void accept() override;

private:
    AppContext& context_;
    QTabWidget* tabs_;
    ControlPanelPage3* page3_;
    ControlPanelPage4* page4_;
    ControlPanelPage5* page5_;
    std::function<void()> pending_;
};

}  // namespace sky::ui
