#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace sky::ui {

// A browsing view: hosts the HTML engine in a tool window. The main browser
// window ("Browser") is one of these.
class CK7View : public QWidget {
    Q_OBJECT
public:
    explicit CK7View(QWidget* parent = nullptr);
    ~CK7View() override;

    QWebEngineView* engine() const { return web_; }

    void Navigate(const QString& address);
    void GoBack();
    void GoForward();
    void Stop();
    void Refresh();
    // "Startup"/"Home", else the service's start page.
    void GoHome();
    static QString HomeAddress();

    QString LocationUrl() const;
    bool IsLoading() const { return loading_; }

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
    bool loading_ = false;
};

}  // namespace sky::ui
