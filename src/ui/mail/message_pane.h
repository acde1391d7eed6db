#pragma once

#include <QUrl>
#include <QWidget>
#include <memory>

#include "core/mail/message_render.h"

class QLabel;
class QListWidget;
class QPushButton;
class QWebEngineProfile;
class QWebEngineView;

namespace sky::ui {

class UiJob;
class BlockingInterceptor;

// The message pane: a stored message decoded into the work folder and shown
// in a web view that runs no script and loads nothing from the network until
// the user asks, with its attachments in a strip below.
class CMsgView : public QWidget {
    Q_OBJECT
public:
    explicit CMsgView(QWidget* parent = nullptr);
    ~CMsgView() override;

    void ShowMessage(const QString& path);
    void ShowWelcome();
    void Print();

    // The message shown: for reply and forward.
    const DecodedMessage& decoded() const { return decoded_; }
    QString shownPath() const { return shown_; }
    QWebEngineView* web() const { return web_; }
    QListWidget* attachments() const { return strip_; }
    QWidget* remoteBar() const { return remoteBar_; }
    // Loads what the page asked of the network, for this message only.
    void ShowRemoteContent();
    void OpenAttachment(int row);
    bool SaveAttachment(int row, const QString& target);

signals:
    // A link of the message: opened by the main browser (or compose for mailto:).
    void linkActivated(const QUrl& url);
    void statusText(const QString& text);
    // The decoded message is on screen.
    void messageShown(const QString& path);

private:
    void Decoded(const QString& path, DecodedMessage message);
    void Navigate(const QString& file);
    void AttachmentMenu(const QPoint& at);

    QWebEngineProfile* profile_;
    BlockingInterceptor* interceptor_;
    QWebEngineView* web_;
    QWidget* remoteBar_;
    QListWidget* strip_;
    UiJob* job_;
    QString workFolder_;
    QString shown_, pending_;
    DecodedMessage decoded_;
};

}  // namespace sky::ui
