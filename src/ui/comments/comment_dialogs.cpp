#include "ui/comments/comment_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "core/app/comment_requests.h"
#include "ui/base/messages.h"

namespace sky::ui {

namespace {

const char* const kTooLong = "Your text is too long to send.  Please shorten it.";

std::string S(const QString& text) {
    return text.trimmed().toStdString();
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

AddTopicDialog::AddTopicDialog(std::string commentsHost, int category, QString user, QWidget* parent)
    : QDialog(parent), host_(std::move(commentsHost)), category_(category), user_(std::move(user)) {
    setObjectName(QStringLiteral("AddTopicDialog"));
    setWindowTitle(QStringLiteral("Add a Topic"));
    description = new QLineEdit(this);
    longDescription = new QPlainTextEdit(this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Topic:"), description);
    form->addRow(QStringLiteral("&Description:"), longDescription);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    resize(420, 260);
}

void AddTopicDialog::accept() {
    auto url = AddTopicRequest(
        host_, {category_, user_.toStdString(), S(description->text()), S(longDescription->toPlainText())});
    if (!url) {
        ShowMessage(this, QString::fromLatin1(kTooLong));
        return;
    }
    request_ = *url;
    QDialog::accept();
}

AddCommentDialog::AddCommentDialog(std::string commentsHost, int topic, QString user, QWidget* parent)
    : QDialog(parent), host_(std::move(commentsHost)), topic_(topic), user_(std::move(user)) {
    setObjectName(QStringLiteral("AddCommentDialog"));
    setWindowTitle(QStringLiteral("Add a Comment"));
    heading = new QLineEdit(this);
    text = new QPlainTextEdit(this);
    withAttachment = new QCheckBox(QStringLiteral("&Attach a page or picture"), this);
    attachUrl = new QLineEdit(this);
    attachDescription = new QLineEdit(this);
    withLink = new QCheckBox(QStringLiteral("Add a &link"), this);
    linkUrl = new QLineEdit(this);
    linkDescription = new QLineEdit(this);
    userField = new QLineEdit(user_, this);
    topicField = new QLineEdit(QString::number(topic_), this);
    for (QLineEdit* shown : {userField, topicField}) shown->setReadOnly(true);
    for (QLineEdit* url : {attachUrl, linkUrl}) url->setPlaceholderText(QStringLiteral("http://"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("From:"), userField);
    form->addRow(QStringLiteral("Topic:"), topicField);
    form->addRow(QStringLiteral("&Heading:"), heading);
    form->addRow(QStringLiteral("&Comment:"), text);
    form->addRow(withAttachment);
    form->addRow(QStringLiteral("Address:"), attachUrl);
    form->addRow(QStringLiteral("Description:"), attachDescription);
    form->addRow(withLink);
    form->addRow(QStringLiteral("Address:"), linkUrl);
    form->addRow(QStringLiteral("Description:"), linkDescription);
    auto enable = [](QCheckBox* box, QLineEdit* a, QLineEdit* b) {
        auto apply = [a, b](bool on) {
            a->setEnabled(on);
            b->setEnabled(on);
        };
        apply(false);
        connect(box, &QCheckBox::toggled, box, apply);
    };
    enable(withAttachment, attachUrl, attachDescription);
    enable(withLink, linkUrl, linkDescription);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    resize(460, 420);
}

void AddCommentDialog::accept() {
    NewComment c;
    c.topic = topic_;
    c.user = user_.toStdString();
    c.heading = S(heading->text());
    c.text = S(text->toPlainText());
    if (withAttachment->isChecked()) {
        c.attachUrl = S(attachUrl->text());
        c.attachDescription = S(attachDescription->text());
    }
    if (withLink->isChecked()) {
        c.linkUrl = S(linkUrl->text());
        c.linkDescription = S(linkDescription->text());
    }
    auto url = AddCommentRequest(host_, c);
    if (!url) {
        ShowMessage(this, QString::fromLatin1(kTooLong));
        return;
    }
    request_ = *url;
    QDialog::accept();
}

}  // namespace sky::ui
