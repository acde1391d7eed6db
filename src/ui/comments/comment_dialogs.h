#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace sky::ui {

// A new topic in a category of the discussions. On OK the request is built;
// a request over the length limit keeps the dialog open.
class AddTopicDialog : public QDialog {
    Q_OBJECT
public:
    AddTopicDialog(std::string commentsHost, int category, QString user, QWidget* parent = nullptr);
    // Set once OK was accepted.
    const std::string& request() const { return request_; }
    void accept() override;

    QLineEdit* description = nullptr;
    QPlainTextEdit* longDescription = nullptr;

private:
    std::string host_;
    int category_;
    QString user_;
    std::string request_;
};

// A comment on a topic: heading and text, an attached address and a link,
// each with its description. The check boxes turn the attachment and the
// link on; a part turned off is sent empty.
class AddCommentDialog : public QDialog {
    Q_OBJECT
public:
    AddCommentDialog(std::string commentsHost, int topic, QString user, QWidget* parent = nullptr);
    const std::string& request() const { return request_; }
    void accept() override;

    QLineEdit* heading = nullptr;
    QPlainTextEdit* text = nullptr;
    QCheckBox* withAttachment = nullptr;
    QLineEdit* attachUrl = nullptr;
    QLineEdit* attachDescription = nullptr;
    QCheckBox* withLink = nullptr;
    QLineEdit* linkUrl = nullptr;
    QLineEdit* linkDescription = nullptr;
    // Shown only: who posts, and on which topic.
    QLineEdit* userField = nullptr;
    QLineEdit* topicField = nullptr;

private:
    std::string host_;
    int topic_;
    QString user_;
    std::string request_;
};

}  // namespace sky::ui
