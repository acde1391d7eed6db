#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include "ui/browser/browser_pane.h"

class QAction;
class QComboBox;
class QLabel;
class QToolBar;

namespace sky::ui {

class BrowserHost;
class LinkDragButton;
struct NavigationEvent;

// The popup browser's document: the address to show first, titled "Browser".
struct CExplorerDoc {
    QUrl pathName;
    QString title = QStringLiteral("Browser");
};

// The popup browser's view. Its navigations go to the frame's command-link
// handler; in a window a page asked for, the first one decides whether the
// window is shown at all.
class CExplorerView : public BrowserPane {
    Q_OBJECT
public:
    explicit CExplorerView(BrowserHost& host, QWidget* parent = nullptr);

    // Marks the window as asked for by a page, linked to the asking view.
    void SetRequestedBy(BrowserPane* requester, const QString& name);
    bool requestedByPage() const { return requestedByPage_; }
    bool firstNavigationPending() const { return firstPending_; }

signals:
    // The first navigation of a requested window was a command: close the window.
    void closeRequested();
    // The first navigation was an ordinary page: show the window.
    void showRequested();

private:
    void BeforeNavigate(NavigationEvent& ev);

    BrowserHost& host_;
    QPointer<BrowserPane> requester_;
    QString name_;
    bool requestedByPage_ = false;
    bool firstPending_ = false;
};

// The popup browser's frame: toolbar with an address box, status bar, and
// the caption "[SkyBrowser]" until a page is shown.
class CExplorerFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CExplorerFrame(BrowserHost& host, QWidget* parent = nullptr);
    ~CExplorerFrame() override;

    CExplorerView* view() const { return view_; }
    QComboBox* addressBox() const { return address_; }
    QAction* topMostAction() const { return topMost_; }
    QLabel* securityPane() const { return securityPane_; }

    const CExplorerDoc& document() const { return doc_; }
    void SetDocument(const CExplorerDoc& doc);
    void SetWindowName(const QString& name) { windowName_ = name; }
    QString windowName() const { return windowName_; }

    // Live popup frames (they share one font).
    static int LiveCount();

signals:
    void captionChanged(const QString& caption);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void LayoutAddressBox();

    BrowserHost& host_;
    CExplorerDoc doc_;
    QString windowName_;
    CExplorerView* view_;
    QToolBar* toolbar_;
    QComboBox* address_;
    LinkDragButton* linkButton_;
    QAction* topMost_;
    QLabel* securityPane_;
    QWidget* spacer_;
};

}  // namespace sky::ui
