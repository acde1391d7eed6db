#include "ui/app/browser_settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "core/base/settings_store.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_host.h"
#include "ui/browser/ck7_view.h"

namespace sky::ui {

BrowserSettingsDialog::BrowserSettingsDialog(BrowserHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setWindowTitle(QStringLiteral("Browser Settings"));
    SettingsStore& s = host_.Settings();
    auto* form = new QFormLayout(this);
    home_ = new QLineEdit(QString::fromStdString(s.GetString("Startup", "Home")), this);
    home_->setPlaceholderText(CK7View::HomeAddress(s, host_.WebHost()));
    home_->setMinimumWidth(360);
    form->addRow(QStringLiteral("&Home page:"), home_);
    scripts_ = new QCheckBox(QStringLiteral("Run &JavaScript on web pages"), this);
    scripts_->setChecked(s.GetInt("Browser", "JavaScript", 1) != 0);
    form->addRow(scripts_);
    images_ = new QCheckBox(QStringLiteral("Show &pictures"), this);
    images_->setChecked(s.GetInt("Browser", "LoadImages", 1) != 0);
    form->addRow(images_);

    auto* clearRow = new QHBoxLayout;
    auto* cookies = new QPushButton(QStringLiteral("Delete &Cookies"), this);
    auto* cache = new QPushButton(QStringLiteral("Empty the C&ache"), this);
    clearRow->addWidget(cookies);
    clearRow->addWidget(cache);
    clearRow->addStretch();
    form->addRow(QStringLiteral("Stored data:"), clearRow);
    connect(cookies, &QPushButton::clicked, this, [this] {
        host_.Profile()->cookieStore()->deleteAllCookies();
        ShowMessage(this, QStringLiteral("All cookies have been deleted."));
    });
    connect(cache, &QPushButton::clicked, this, [this] {
        host_.Profile()->clearHttpCache();
        ShowMessage(this, QStringLiteral("The cache has been emptied."));
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &BrowserSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BrowserSettingsDialog::reject);
    form->addRow(buttons);
}

void BrowserSettingsDialog::accept() {
    SettingsStore& s = host_.Settings();
    QString home = home_->text().trimmed();
    if (home.isEmpty())
        s.Remove("Startup", "Home");
    else
        s.WriteString("Startup", "Home", home.toStdString());
    s.WriteInt("Browser", "JavaScript", scripts_->isChecked() ? 1 : 0);
    s.WriteInt("Browser", "LoadImages", images_->isChecked() ? 1 : 0);
    ApplyStored(s, host_.Profile());
    QDialog::accept();
}

void BrowserSettingsDialog::ApplyStored(const SettingsStore& s, QWebEngineProfile* profile) {
    QWebEngineSettings* ws = profile->settings();
    ws->setAttribute(QWebEngineSettings::JavascriptEnabled, s.GetInt("Browser", "JavaScript", 1) != 0);
    ws->setAttribute(QWebEngineSettings::AutoLoadImages, s.GetInt("Browser", "LoadImages", 1) != 0);
}

}  // namespace sky::ui
