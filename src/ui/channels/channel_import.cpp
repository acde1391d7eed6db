#include "ui/channels/channel_import.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/paths.h"
#include "ui/base/messages.h"

namespace sky::ui {

namespace {
std::function<ClashResolver::Choice(const QString&)>& ClashHook() {
    static std::function<ClashResolver::Choice(const QString&)> hook;
    return hook;
}
}  // namespace

ClashDialog::ClashDialog(const QString& channelName, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kClashTitle));
    auto* layout = new QVBoxLayout(this);
    auto* exists = new QLabel(QStringLiteral("The channel '%1' already exists.").arg(channelName), this);
    exists->setTextFormat(Qt::PlainText);
    layout->addWidget(exists);
    layout->addWidget(new QLabel(QStringLiteral("Please check one of the following actions to take:"), this));

    replace_ = new QRadioButton(
        QStringLiteral("Delete the existing channel and replace it with the new channel."), this);
    append_ = new QRadioButton(
        QStringLiteral("Append a number to the new channel and import it, ie. \"MyChannel2\"."), this);
    skip_ = new QRadioButton(QStringLiteral("Do not import this channel."), this);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {replace_, append_, skip_}) {
        group->addButton(b);
        layout->addWidget(b);
    }
    layout->addSpacing(8);
    auto* note = new QLabel(
        QStringLiteral("Remember, after importing a channel(s), you can use Channel Designer to make any\n"
                       "necessary changes to your channel layout."),
        this);
    note->setTextFormat(Qt::PlainText);
    layout->addWidget(note);

    // Appending loses nothing, so it is the choice OK takes without a click.
    append_->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ClashDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ClashDialog::reject);
    layout->addWidget(buttons);
}

void ClashDialog::accept() {
    if (replace_->isChecked())
        choice_ = Choice::Replace;
    else if (append_->isChecked())
        choice_ = Choice::Append;
    else if (skip_->isChecked())
        choice_ = Choice::Skip;
    else {
        ShowMessage(this, QStringLiteral("Please check which channel import action to take."),
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
        return;
    }
    QDialog::accept();
}

void DialogClashResolver::SetClashHook(std::function<Choice(const QString& channelName)> hook) {
    ClashHook() = std::move(hook);
}

ClashResolver::Choice DialogClashResolver::AskClash(const std::string& channelName) {
    QString name = QString::fromStdString(channelName);
    if (ClashHook()) return ClashHook()(name);
    ClashDialog dialog(name, parent_);
    // Cancel or closing the box stops the whole import.
    return dialog.exec() == QDialog::Accepted ? dialog.choice() : Choice::Cancel;
}

bool DialogClashResolver::AskApplyToAll(Choice choice) {
    QString question;
    switch (choice) {
        case Choice::Replace:
            question = QStringLiteral("Delete all existing channels that have the same names? ");
            break;
        case Choice::Append:
            question = QStringLiteral("Append all new channels that have the same names? ");
            break;
        case Choice::Skip:
            question = QStringLiteral("Do not import all new channels that have the same names? ");
            break;
        case Choice::None:
        case Choice::Cancel:
            return false;
    }
    return AskYesNo(parent_, question, QStringLiteral("SkyHarbor"));
}

bool ImportChannelFile(QWidget* parent, CChannelList& list, const QString& path, bool* cancelled) {
    DialogClashResolver resolver(parent);
    return list.Import(QFile::encodeName(path).toStdString(), resolver, cancelled);
}

bool RunImportFromMenu(QWidget* parent, CChannelList& list, const std::function<void()>& imported) {
    QString path = QFileDialog::getOpenFileName(
        parent, QStringLiteral("Select a Channel File to Import"),
        QString::fromStdString(GetDataDir("Channel Files")),
        QStringLiteral("Channel Files (*.sdf*);;Channel Files (*.sky*);;All Files (*)"));
    if (path.isEmpty()) return false;
    bool cancelled = false;
    if (!ImportChannelFile(parent, list, path, &cancelled)) {
        if (cancelled)
            ShowMessage(parent, QStringLiteral("Import aborted"));
        else
            ShowMessage(parent, QStringLiteral("Error Importing channel file"), QStringLiteral("SkyHarbor"),
                        MessageKind::Warning);
        return false;
    }
    // Stored before "Done !" so a program killed at that box keeps the channels.
    if (imported) imported();
    ShowMessage(parent, QStringLiteral("Done !"));
    return true;
}

}  // namespace sky::ui
