#pragma once

#include <QString>

#include "ui/base/doc_templates.h"

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace sky::ui {

// What tools ask of the main frame: its window chrome and MDI area. The
// frame implements it; tools reach it through AppContext::frame(). Called on
// the UI thread.
class FrameHost {
public:
    virtual ~FrameHost() = default;
    // The frame as the parent of dialogs and message boxes.
    virtual QWidget* window() = 0;
    virtual QMdiArea* mdiArea() = 0;
    // A new tool window from its template ("Sorry.  Not yet available" and
    // null when the tool is not built yet).
    virtual QMdiSubWindow* OpenDocument(TemplateId id, const QString& title = {}) = 0;
    // The address handler of the address box: commands, typed words, pages.
    virtual void HandleAddress(const QString& text, bool useMainBrowser) = 0;
    // Chrome a browsing window reports to.
    virtual void ShowStatus(const QString& text) = 0;
    virtual void ClearStatus() = 0;
    virtual void SetSecure(bool secure) = 0;
    virtual void UpdateTitle() = 0;
    // The address box: an address the main browser visited, or the active window's.
    virtual void AddressVisited(const QString& url) = 0;
    virtual void ShowActiveAddress(const QString& url) = 0;
    // Zoom mode and the side bar.
    virtual bool IsZoomed() const = 0;
    virtual void EnterZoomMode() = 0;
    virtual bool SideBarShown() const = 0;
    virtual void SetSideBarShown(bool shown) = 0;
    // The session line the status bar falls back to.
    virtual void SetSessionText(const QString& text) = 0;
    virtual void CloseFrame() = 0;
};

}  // namespace sky::ui
