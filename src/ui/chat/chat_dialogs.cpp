#include "ui/chat/chat_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "ui/base/messages.h"

namespace sky::ui {

namespace {

QDialogButtonBox* Buttons(QDialog* dialog, const QString& okText) {
    auto* box = new QDialogButtonBox(dialog);
    box->addButton(okText, QDialogButtonBox::AcceptRole)->setDefault(true);
    box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

bool Blank(const QLineEdit* edit) {
    return edit->text().trimmed().isEmpty();
}

// The description is always asked for, the other field unless it came filled in.
bool Complete(QDialog* dialog, bool given, QLineEdit* description, QLineEdit* other,
              const QString& descriptionText, const QString& bothText) {
    if (!(given ? Blank(description) : Blank(description) || Blank(other))) return true;
    ShowMessage(dialog, given ? descriptionText : bothText, dialog->windowTitle(), MessageKind::Warning);
    (Blank(description) ? description : other)->setFocus();
    return false;
}

}  // namespace

ChatLinkDialog::ChatLinkDialog(QWidget* parent, const QString& url)
    : QDialog(parent), urlGiven_(!url.isEmpty()) {
    setWindowTitle(urlGiven_ ? QStringLiteral("Chat: Hot Link Description")
                             : QStringLiteral("Chat: Send Hot Link"));
    auto* form = new QFormLayout(this);
    description_ = new QLineEdit(this);
    url_ = new QLineEdit(url, this);
    description_->setMinimumWidth(320);
    form->addRow(QStringLiteral("Hot Link &Description"), description_);
    form->addRow(QStringLiteral("&URL"), url_);
    form->addRow(Buttons(this, QStringLiteral("Send Hot Link")));
    description_->setFocus();
}

QString ChatLinkDialog::description() const {
    return description_->text().trimmed();
}

QString ChatLinkDialog::url() const {
    return url_->text().trimmed();
}

void ChatLinkDialog::accept() {
    if (Complete(this, urlGiven_, description_, url_,
                 QStringLiteral("Please include the hot link Description ."),
                 QStringLiteral("Please include the Hot Link Description and the URL.")))
        QDialog::accept();
}

ChatFileDialog::ChatFileDialog(QWidget* parent, const QString& path)
    : QDialog(parent), pathGiven_(!path.isEmpty()) {
    setWindowTitle(pathGiven_ ? QStringLiteral("Chat: File Description") : QStringLiteral("Chat: Send File"));
    auto* form = new QFormLayout(this);
    description_ = new QLineEdit(this);
    description_->setMinimumWidth(320);
    path_ = new QLineEdit(path, this);
    auto* browse = new QToolButton(this);
    browse->setText(QStringLiteral("..."));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse);
    form->addRow(QStringLiteral("File &Description"), description_);
    form->addRow(QStringLiteral("File &Path"), pathRow);
    form->addRow(new QLabel(QStringLiteral("You must supply a full path to the file."), this));
    form->addRow(Buttons(this, QStringLiteral("Send File")));
    connect(browse, &QToolButton::clicked, this, [this] {
        QString chosen =
            QFileDialog::getOpenFileName(this, windowTitle(), path_->text(), QStringLiteral("All Files (*)"));
        if (!chosen.isEmpty()) path_->setText(chosen);
    });
    description_->setFocus();
}

QString ChatFileDialog::description() const {
    return description_->text().trimmed();
}

QString ChatFileDialog::path() const {
    return path_->text().trimmed();
}

void ChatFileDialog::accept() {
    if (!Complete(this, pathGiven_, description_, path_,
                  QStringLiteral("Please include the File Description ."),
                  QStringLiteral("Please include the File Description and the entire File Path.")))
        return;
    // The partner fetches it by this path later: it must name a file that is there.
    QFileInfo file(path());
    if (!file.isAbsolute() || !file.isFile() || !file.isReadable()) {
        ShowMessage(this,
                    file.isAbsolute() ? QStringLiteral("Cannot read the file %1.").arg(path())
                                      : QStringLiteral("You must supply a full path to the file."),
                    windowTitle(), MessageKind::Warning);
        path_->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace sky::ui
