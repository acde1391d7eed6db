#include "ui/settings/page_general.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "core/base/settings_store.h"

namespace sky::ui {

namespace {
const char kBlank[] = "about:blank";
}

CPageGeneral::CPageGeneral(SettingsStore& settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    auto* start = new QGroupBox(QStringLiteral("When SkyHarbor starts"), this);
    service_ = new QRadioButton(QStringLiteral("Show the SkyHarbor &start page"), start);
    blank_ = new QRadioButton(QStringLiteral("Show a &blank page"), start);
    own_ = new QRadioButton(QStringLiteral("Show this &page:"), start);
    address_ = new QLineEdit(start);
    address_->setPlaceholderText(QStringLiteral("http://"));
    server_ = new QCheckBox(QStringLiteral("Start the personal &web server"), start);
    askDefault_ =
        new QCheckBox(QStringLiteral("&Ask whether SkyHarbor should be the default browser"), start);
    auto* own = new QHBoxLayout;
    own->addWidget(own_);
    own->addWidget(address_, 1);
    auto* startLayout = new QVBoxLayout(start);
    startLayout->addWidget(service_);
    startLayout->addWidget(blank_);
    startLayout->addLayout(own);
    startLayout->addWidget(server_);
    startLayout->addWidget(askDefault_);

    auto* downloads = new QGroupBox(QStringLiteral("Downloads"), this);
    folder_ = new QLineEdit(downloads);
    folder_->setPlaceholderText(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    browse_ = new QPushButton(QStringLiteral("B&rowse..."), downloads);
    auto* downloadLayout = new QGridLayout(downloads);
    downloadLayout->addWidget(new QLabel(QStringLiteral("Save downloaded files in:"), downloads), 0, 0, 1, 2);
    downloadLayout->addWidget(folder_, 1, 0);
    downloadLayout->addWidget(browse_, 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(start);
    layout->addWidget(downloads);
    layout->addStretch(1);

    QString home = QString::fromStdString(settings_.GetString("Startup", "Home"));
    if (home.isEmpty())
        service_->setChecked(true);
    else if (home == QLatin1String(kBlank))
        blank_->setChecked(true);
    else {
        own_->setChecked(true);
        address_->setText(home);
    }
    address_->setEnabled(own_->isChecked());
    connect(own_, &QRadioButton::toggled, address_, &QLineEdit::setEnabled);
    server_->setChecked(settings_.GetInt("Server", "StartAtStartup", 0) != 0);
    askDefault_->setChecked(settings_.GetInt("misc", "PromptForDefBrowser", 0) == 0);
    folder_->setText(QString::fromStdString(settings_.GetString("Downloads", "Folder")));
    connect(browse_, &QPushButton::clicked, this, [this] {
        QString dir = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Download Folder"),
            folder_->text().isEmpty() ? folder_->placeholderText() : folder_->text());
        if (!dir.isEmpty()) folder_->setText(dir);
    });
    setServerAtStart = [this](bool on) { settings_.WriteInt("Server", "StartAtStartup", on ? 1 : 0); };
}

bool CPageGeneral::Apply() {
    QString home = own_->isChecked() ? address_->text().trimmed() : QString();
    if (blank_->isChecked()) home = QString::fromLatin1(kBlank);
    std::string folder = folder_->text().trimmed().toStdString();
    bool ok = settings_.Edit([&](SettingsEdit& e) {
        if (home.isEmpty())
            e.Remove("Startup", "Home");
        else
            e.Set("Startup", "Home", home.toStdString());
        e.SetInt("misc", "PromptForDefBrowser", askDefault_->isChecked() ? 0 : 1);
        if (folder.empty())
            e.Remove("Downloads", "Folder");
        else
            e.Set("Downloads", "Folder", folder);
    });
    if (server_->isChecked() != (settings_.GetInt("Server", "StartAtStartup", 0) != 0))
        setServerAtStart(server_->isChecked());
    return ok;
}

}  // namespace sky::ui
