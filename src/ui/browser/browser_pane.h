#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QWebEngineProfile;
class QWebEngineView;

namespace sky::ui {

class SkyWebPage;

// The find-in-page bar under a page: a field, next and previous, the match count.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);
    QLineEdit* field() const { return field_; }
    QLabel* countLabel() const { return count_; }
    // "2 of 5"; none found says so; no count when the search is empty.
    void ShowCount(int active, int matches);

signals:
    void find(const QString& text, bool backward);
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* field_;
    QLabel* count_;
};

// A window part that hosts the HTML engine: the operations every browsing
// window offers (navigation and the document commands).
class BrowserPane : public QWidget {
    Q_OBJECT
public:
    // Its page lives in `profile`.
    explicit BrowserPane(QWebEngineProfile* profile, QWidget* parent = nullptr);
    ~BrowserPane() override;

    QWebEngineView* engine() const { return web_; }
    // Puts `area` above the page (the channel rows of a channel window).
    void SetTopArea(QWidget* area);
    SkyWebPage* page() const { return page_; }

    void Navigate(const QString& address);
    void NavigateUrl(const QUrl& url, const QByteArray& postData = {}, const QString& contentType = {});
    void GoBack();
    void GoForward();
    void Stop();
    void Refresh();
    QString LocationUrl() const;
    QString PageTitle() const;
    bool IsLoading() const { return loading_; }
    // The page came whole over a TLS connection whose certificate the engine accepted.
    bool IsSecure() const { return secure_; }

    // Page zoom, kept per site for the run.
    void ZoomIn();
    void ZoomOut();
    void ZoomReset();
    double ZoomFactor() const;

    // Opens the find bar with its field focused.
    void Find();
    FindBar* findBar() const { return findBar_; }

    // The document commands, with the engine's own dialogs.
    void Print();
    void PageSetup();
    void SaveAs();
    void Cut();
    void Copy();
    void Paste();
    void SelectAll();

    // An address as the user typed it: a bare host gets "http://", a path
    // that exists on disk becomes a file URL.
    static QUrl UrlFromAddress(const QString& address);

signals:
    void locationChanged(const QString& url);
    void pageTitleChanged(const QString& title);
    void loadingChanged(bool loading);
    void statusTextChanged(const QString& text);
    void secureChanged(bool secure);

private:
    void SetZoom(double factor);
    void ApplySiteZoom();
    void FindText(const QString& text, bool backward);
    void SetSecure(bool secure);

    QWebEngineView* web_ = nullptr;
    FindBar* findBar_ = nullptr;
    SkyWebPage* page_ = nullptr;
    bool loading_ = false;
    bool secure_ = false;
    // A certificate error during the current load.
    bool certificateError_ = false;
};

}  // namespace sky::ui
