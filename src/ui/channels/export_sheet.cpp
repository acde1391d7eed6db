#include "ui/channels/export_sheet.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/paths.h"
#include "ui/base/messages.h"
#include "ui/channels/sheet_placement.h"

namespace sky::ui {

namespace {
QString ChannelFilesDir() {
    return QString::fromStdString(GetDataDir("Channel Files"));
}
}  // namespace

CExportPage1::CExportPage1(const CChannelList& list, QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("Export Channels"));
    setSubTitle(QStringLiteral("Click each channel you want to export; click it again to leave it out."));
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const auto& channel : list.channels()) list_->addItem(QString::fromStdString(channel->name));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
}

std::vector<bool> CExportPage1::selection() const {
    std::vector<bool> out(list_->count());
    for (int i = 0; i < list_->count(); ++i) out[i] = list_->item(i)->isSelected();
    return out;
}

int CExportPage1::selectedCount() const {
    return static_cast<int>(list_->selectedItems().size());
}

bool CExportPage1::validatePage() {
    if (selectedCount() > 0) return true;
    ShowMessage(this, QStringLiteral("You must select at least one channel"));
    return false;
}

CExportPage2::CExportPage2(QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("Export File"));
    setSubTitle(
        QStringLiteral("Name the channel file to write. A name without a folder goes in \"Channel Files\"."));
    file_ = new QLineEdit(this);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, &CExportPage2::Browse);
    auto* row = new QHBoxLayout;
    row->addWidget(file_, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("File name:"), this));
    layout->addLayout(row);
    layout->addStretch(1);
}

void CExportPage2::Browse() {
    QString start = file_->text().trimmed();
    if (!start.contains(QLatin1Char('/'))) start = ChannelFilesDir() + start;
    QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Select or Create a Channel Export File"), start,
                                     QStringLiteral("SDF Files (*.sdf*);;All Files (*)"));
    if (!chosen.isEmpty()) file_->setText(chosen);
}

bool CExportPage2::validatePage() {
    QString name = file_->text().trimmed();
    if (name.isEmpty()) {
        ShowMessage(this, QStringLiteral("Please enter the name of the file to export to."));
        file_->setFocus();
        return false;
    }
    const QString reason = QStringLiteral("File Extension is not '.sdf'");
    if (!name.contains(QLatin1String(".sdf")) &&
        AskYesNo(this, reason + QStringLiteral("\n\nWould you like to change it?"), reason)) {
        name += QStringLiteral(".sdf");
        file_->setText(name);
    }
    path_ = name.contains(QLatin1Char('/')) ? name : ChannelFilesDir() + name;
    return true;
}

CExportPage3::CExportPage3(const CChannelList& list, CExportPage1* channels, CExportPage2* file,
                           QWidget* parent)
    : QWizardPage(parent), list_(list), channels_(channels), file_(file) {
    setTitle(QStringLiteral("Ready to Export"));
    setSubTitle(QStringLiteral("Press Finish to write the channel file."));
    count_ = new QLabel(this);
    fileLabel_ = new QLabel(this);
    fileLabel_->setWordWrap(true);
    fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count_);
    layout->addWidget(fileLabel_);
    layout->addStretch(1);
}

void CExportPage3::initializePage() {
    count_->setText(
        QStringLiteral("You have selected %1 channel(s) to export").arg(channels_->selectedCount()));
    fileLabel_->setText(QStringLiteral("Filename: %1").arg(file_->filePath()));
}

bool CExportPage3::validatePage() {
    std::vector<bool> selection = channels_->selection();
    std::string error;
    if (!list_.Save(QFile::encodeName(file_->filePath()).toStdString(), &selection, &error)) {
        // Stays open so another file can be chosen.
        ShowMessage(this, QString::fromLatin1(kSaveError), QStringLiteral("SkyHarbor"), MessageKind::Warning);
        return false;
    }
    ShowMessage(this, QStringLiteral("Done !"));
    return true;
}

CExportSheet::CExportSheet(const CChannelList& list, QWidget* parent) : QWizard(parent) {
    setWindowTitle(QStringLiteral("Export Channels"));
    page1_ = new CExportPage1(list, this);
    page2_ = new CExportPage2(this);
    page3_ = new CExportPage3(list, page1_, page2_, this);
    addPage(page1_);
    addPage(page2_);
    addPage(page3_);
}

void CExportSheet::showEvent(QShowEvent* event) {
    QWizard::showEvent(event);
    CentreOnWindow(this);
}

}  // namespace sky::ui
