#pragma once

#include <QDialog>

class QLineEdit;

namespace sky::ui {

// "Chat: Send Hot Link", or "Chat: Hot Link Description" when the URL comes
// filled in and only the description is asked for.
class ChatLinkDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChatLinkDialog(QWidget* parent = nullptr, const QString& url = {});
    QString description() const;
    QString url() const;
    QLineEdit* descriptionEdit() const { return description_; }
    QLineEdit* urlEdit() const { return url_; }
    void accept() override;

private:
    bool urlGiven_;
    QLineEdit* description_;
    QLineEdit* url_;
};

// "Chat: Send File", or "Chat: File Description" for a dropped file, whose
// path comes filled in.
class ChatFileDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChatFileDialog(QWidget* parent = nullptr, const QString& path = {});
    QString description() const;
    QString path() const;
    QLineEdit* descriptionEdit() const { return description_; }
    QLineEdit* pathEdit() const { return path_; }
    void accept() override;

private:
    bool pathGiven_;
    QLineEdit* description_;
    QLineEdit* path_;
};

}  // namespace sky::ui
