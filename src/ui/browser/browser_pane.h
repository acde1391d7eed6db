#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QWebEngineProfile;
class QWebEngineView;

namespace sky::ui {

class SkyWebPage;

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
    QWebEngineView* web_ = nullptr;
    SkyWebPage* page_ = nullptr;
    bool loading_ = false;
    bool secure_ = false;
};

}  // namespace sky::ui
