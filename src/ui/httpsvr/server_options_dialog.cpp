#include "ui/httpsvr/server_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/base/identity.h"
#include "core/base/settings_store.h"
#include "ui/base/messages.h"

namespace sky::ui {

ServerOptionsDialog::ServerOptionsDialog(const httpsvr::ServerSettings& settings, QWidget* parent)
    : QDialog(parent), base_(settings) {
    setWindowTitle(QStringLiteral("Server Options"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);

    auto* general = new QWidget(tabs_);
    auto* g = new QVBoxLayout(general);
    allowListings_ =
        new QCheckBox(QStringLiteral("&List the files of a folder that has no default page"), general);
    showIcons_ = new QCheckBox(QStringLiteral("Show &icons in folder listings"), general);
    longListing_ = new QCheckBox(QStringLiteral("&Long listings (sizes and dates)"), general);
    startAtStartup_ = new QCheckBox(QStringLiteral("&Start the server when SkyHarbor starts"), general);
    allowListings_->setChecked(settings.allowListings);
    showIcons_->setChecked(settings.showIcons);
    longListing_->setChecked(settings.longListing);
    startAtStartup_->setChecked(settings.startAtStartup);
    for (QCheckBox* c : {allowListings_, showIcons_, longListing_, startAtStartup_}) g->addWidget(c);
    g->addStretch();
    tabs_->addTab(general, QStringLiteral("General"));

    auto* namePage = new QWidget(tabs_);
    auto* n = new QFormLayout(namePage);
    machineName_ = new QRadioButton(
        QStringLiteral("Use this computer's &name (%1)").arg(QString::fromStdString(ComputerName())),
        namePage);
    ownName_ = new QRadioButton(QStringLiteral("Use &this name:"), namePage);
    name_ = new QLineEdit(QString::fromStdString(settings.serverName), namePage);
    (settings.ownName ? ownName_ : machineName_)->setChecked(true);
    name_->setEnabled(settings.ownName);
    connect(ownName_, &QRadioButton::toggled, name_, &QLineEdit::setEnabled);
    port_ = new QSpinBox(namePage);
    port_->setRange(0, 65535);
    port_->setValue(settings.port);
    n->addRow(machineName_);
    n->addRow(ownName_, name_);
    n->addRow(QStringLiteral("&Port:"), port_);
    listen_ = new QLineEdit(QString::fromStdString(settings.listenAddress), namePage);
    listen_->setPlaceholderText(QStringLiteral("all addresses (127.0.0.1: this computer only)"));
    n->addRow(QStringLiteral("&Listen on:"), listen_);
    tabs_->addTab(namePage, QStringLiteral("Name"));

    auto* rootPage = new QWidget(tabs_);
    auto* r = new QVBoxLayout(rootPage);
    r->addWidget(new QLabel(
        QStringLiteral("Root directory for publically available files from my hard drive..."), rootPage));
    auto* row = new QHBoxLayout;
    root_ = new QLineEdit(QString::fromStdString(settings.root), rootPage);
    root_->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), rootPage);
    row->addWidget(root_);
    row->addWidget(browse);
    r->addLayout(row);
    r->addStretch();
    tabs_->addTab(rootPage, QStringLiteral("Root"));
    connect(browse, &QPushButton::clicked, this, [this] {
        QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Root Folder"), root_->text());
        if (!dir.isEmpty()) root_->setText(dir);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

httpsvr::ServerSettings ServerOptionsDialog::settings() const {
    httpsvr::ServerSettings s = base_;
    s.allowListings = allowListings_->isChecked();
    s.showIcons = showIcons_->isChecked();
    s.longListing = longListing_->isChecked();
    s.startAtStartup = startAtStartup_->isChecked();
    s.ownName = ownName_->isChecked() && !name_->text().trimmed().isEmpty();
    if (s.ownName) s.serverName = name_->text().trimmed().toStdString();
    s.port = port_->value();
    s.listenAddress = listen_->text().trimmed().toStdString();
    QString root = root_->text().trimmed();
    while (root.size() > 1 && root.endsWith(QLatin1Char('/'))) root.chop(1);
    if (!root.isEmpty()) s.root = root.toStdString();
    return s;
}

StartServerDialog::StartServerDialog(const SettingsStore& settings, const QString& loginName, bool loggedIn,
                                     QWidget* parent)
    : QDialog(parent), loggedIn_(loggedIn) {
    setWindowTitle(QStringLiteral("Start your server !"));
    auto* layout = new QVBoxLayout(this);
    auto* who = new QGroupBox(QStringLiteral("You are logged in as..."), this);
    auto* w = new QVBoxLayout(who);
    w->addWidget(new QLabel(loggedIn ? loginName : QStringLiteral("(not logged in)"), who));
    layout->addWidget(who);
    auto* where = new QGroupBox(
        QStringLiteral("Root directory for publically available files from my hard drive..."), this);
    auto* r = new QVBoxLayout(where);
    r->addWidget(new QLabel(QString::fromStdString(httpsvr::ServerSettings::Load(settings).root), where));
    layout->addWidget(where);
    for (const char* note : {"You must be logged in to serve files from your hard drive !",
                             "This allows your computer to act as a World Wide Web Server"}) {
        auto* l = new QLabel(QString::fromLatin1(note), this);
        l->setWordWrap(true);
        layout->addWidget(l);
    }
    auto* buttons = new QHBoxLayout;
    auto* start = new QPushButton(QStringLiteral("Start"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* login = new QPushButton(QStringLiteral("Login..."), this);
    auto* options = new QPushButton(QStringLiteral("View/Modify my local server options..."), this);
    start->setDefault(true);
    for (QPushButton* b : {start, cancel, login, options}) buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(start, &QPushButton::clicked, this, &StartServerDialog::PressStart);
    connect(cancel, &QPushButton::clicked, this, &StartServerDialog::PressCancel);
    connect(login, &QPushButton::clicked, this, [this] {
        if (onLogin && onLogin()) loggedIn_ = true;
    });
    connect(options, &QPushButton::clicked, this, [this] {
        if (onOptions) onOptions();
    });
}

void StartServerDialog::PressStart() {
    if (!loggedIn_) {
        ShowMessage(this, QStringLiteral("You must login"));
        return;
    }
    start_ = true;
    accept();
}

void StartServerDialog::PressCancel() {
    ShowMessage(this, QStringLiteral("Aborted"));
    reject();
}

}  // namespace sky::ui
