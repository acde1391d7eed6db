#pragma once

#include <QDialog>
#include <QUrl>

class QWebEngineProfile;

namespace sky::ui {

class SkyWebPage;

// A service page in an embedded browser from which the member picks one
// link: a link aimed at the frame `target` is not followed, it is the answer
// and the dialog closes with OK.
class ServicePickerDialog : public QDialog {
    Q_OBJECT
public:
    ServicePickerDialog(QWebEngineProfile* profile, const QUrl& page, const QString& target,
                        const QString& title, QWidget* parent = nullptr);
    QUrl picked() const { return picked_; }
    SkyWebPage* page() const { return page_; }

private:
    void Take(const QUrl& url);

    SkyWebPage* page_;
    QString target_;
    QUrl picked_;
};

// "backgrounds.html" of the service's wizard address: the image address, or
// empty when the member cancelled.
QString PickBackground(QWebEngineProfile* profile, const std::string& webHost, QWidget* parent);

// The template address a "select" link carries: its part after '?', taken
// against the chooser's page when relative. Empty when it has none.
QUrl TemplateAddress(const QUrl& link, const QUrl& chooserPage);

}  // namespace sky::ui
