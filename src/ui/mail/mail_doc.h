#pragma once

#include <QObject>
#include <QString>

namespace sky::ui {

// The mail window's document: the folder and the message shown. Every
// command goes to the panes as a hint; each pane acts on those it knows.
class CK7EmailDoc : public QObject {
    Q_OBJECT
public:
    enum Hint {
        NewMessage = 1,
        Reply = 2,
        Forward = 3,
        CheckMail = 4,
        AccountSettings = 5,
        ShowWelcome = 6,  // and the list reloads the folder
        ShowCurrent = 7,
        Layout = 8,
        Print = 9,
    };
    static constexpr const char* kWelcome = "welcome.htm";

    explicit CK7EmailDoc(QObject* parent = nullptr) : QObject(parent) {}

    QString currentMessage() const { return message_; }
    QString currentFolder() const { return folder_; }
    QString userName() const { return user_; }
    void SetCurrentMessage(const QString& path) { message_ = path; }
    void SetCurrentFolder(const QString& path) { folder_ = path; }
    void Broadcast(Hint hint) { emit update(hint); }

signals:
    void update(int hint);

private:
    QString message_ = QString::fromLatin1(kWelcome);
    QString folder_;
    QString user_;
};

}  // namespace sky::ui
