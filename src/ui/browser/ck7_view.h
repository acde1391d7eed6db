#pragma once

#include <QLabel>
#include <QString>

#include "ui/browser/browser_pane.h"

namespace sky {
class SettingsStore;
}

namespace sky::ui {

class BrowserHost;
struct NavigationEvent;

// A browsing view of the main kind: the main browser window ("Browser"), the
// "Local Web Sites" and "Channel Viewer" windows. Its navigation hook applies
// the program's own address conventions before the engine fetches anything.
class CK7View : public BrowserPane {
    Q_OBJECT
public:
    explicit CK7View(BrowserHost& host, QWidget* parent = nullptr);
    ~CK7View() override;

    // "Startup"/"Home", else the service's start page.
    void GoHome();
    static QString HomeAddress(const SettingsStore& settings, const std::string& webHost);

    bool channelIntroState() const { return introState_; }
    // The document title used in the status pop-up.
    void SetDocumentTitle(const QString& title) { docTitle_ = title; }
    QString documentTitle() const { return docTitle_; }

    QLabel* statusPopup() const { return popup_; }
    // Navigations counted for the status pop-up's waiting words, program-wide.
    static long NavigationCount();

signals:
    void channelIntroStateChanged(bool on);
    // Every text the status pop-up shows, as it is set.
    void statusPopupTextChanged(const QString& text);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void BeforeNavigate(NavigationEvent& ev);
    void PlacePopup();
    void SetPopupText(const QString& text);
    bool StatusPopupOption() const;

    BrowserHost& host_;
    QLabel* popup_;
    bool introState_ = false;
    QString docTitle_ = QStringLiteral("Browser");
};

}  // namespace sky::ui
