#include "ui/ftp/ftp_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QUrl>

#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "ui/base/keychain.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/ui_job.h"

namespace sky::ui {

namespace {

constexpr const char* kSection = "ftp";

QString SiteSection(const QString& name) {
    return QStringLiteral("ftpsite_") + name;
}

QStringList SiteNames(const SettingsStore& s) {
    return Q(s.GetString(kSection, "sites")).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

}  // namespace

ftp::FtpSite SiteFromServerText(const QString& text, ftp::Protocol protocol) {
    ftp::FtpSite site;
    site.protocol = protocol;
    QString t = text.trimmed();
    QUrl url = QUrl::fromUserInput(t.contains(QLatin1String("://")) ? t : QStringLiteral("ftp://") + t);
    if (url.scheme() == QLatin1String("sftp")) site.protocol = ftp::Protocol::Sftp;
    if (url.scheme() == QLatin1String("ftps")) site.protocol = ftp::Protocol::FtpTls;
    site.host = S(url.host());
    site.port = url.port(0);
    if (!url.userName().isEmpty()) site.user = S(url.userName());
    return site;
}

FtpConnectDialog::FtpConnectDialog(SettingsStore& settings, QWidget* parent, SecretBackend* secrets)
    : QDialog(parent), settings_(settings), secrets_(secrets) {
    setWindowTitle(QStringLiteral("Connect"));
    auto* form = new QFormLayout(this);
    sites_ = new QComboBox(this);
    sites_->addItem(QStringLiteral("(new site)"));
    sites_->addItems(SiteNames(settings));
    protocol_ = new QComboBox(this);
    protocol_->addItems(
        {QStringLiteral("FTP"), QStringLiteral("FTP over TLS (explicit)"), QStringLiteral("SFTP")});
    server_ = new QLineEdit(Q(settings.GetString(kSection, "server", "ftp.example.org")), this);
    port_ = new QSpinBox(this);
    port_->setRange(0, 65535);
    port_->setSpecialValueText(QStringLiteral("default"));
    user_ = new QLineEdit(Q(settings.GetString(kSection, "user", "skyuser")), this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    folder_ = new QLineEdit(Q(settings.GetString(kSection, "InitDir", "/")), this);
    key_ = new QLineEdit(this);
    key_->setPlaceholderText(QStringLiteral("~/.ssh/id_ed25519, id_ecdsa or id_rsa"));
    auto* keyRow = new QWidget(this);
    auto* keyLayout = new QHBoxLayout(keyRow);
    keyLayout->setContentsMargins(0, 0, 0, 0);
    auto* browseKey = new QPushButton(QStringLiteral("Browse..."), keyRow);
    keyLayout->addWidget(key_);
    keyLayout->addWidget(browseKey);
    connect(browseKey, &QPushButton::clicked, this, [this] {
        QString start = key_->text().isEmpty() ? QDir::homePath() + QStringLiteral("/.ssh") : key_->text();
        QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("SSH Private Key"), start);
        if (!chosen.isEmpty()) key_->setText(chosen);
    });
    active_ = new QCheckBox(QStringLiteral("Active mode (only when passive does not work)"), this);
    form->addRow(QStringLiteral("&Site:"), sites_);
    form->addRow(QStringLiteral("P&rotocol:"), protocol_);
    form->addRow(QStringLiteral("S&erver:"), server_);
    form->addRow(QStringLiteral("P&ort:"), port_);
    form->addRow(QStringLiteral("&User Name:"), user_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QStringLiteral("&Folder:"), folder_);
    form->addRow(QStringLiteral("SSH &Key:"), keyRow);
    form->addRow(active_);
    // A key only means something to SFTP; active mode only to FTP.
    auto protocolChanged = [this, keyRow, form](int index) {
        const bool sftp = index == static_cast<int>(ftp::Protocol::Sftp);
        form->setRowVisible(keyRow, sftp);
        active_->setEnabled(!sftp);
    };
    connect(protocol_, &QComboBox::currentIndexChanged, this, protocolChanged);
    protocolChanged(protocol_->currentIndex());
    remember_ = new QCheckBox(QStringLiteral("Remember the password in the desktop keyring"), this);
    remember_->setVisible(secrets_ != nullptr);
    form->addRow(remember_);
    form->addRow(
        new QLabel(secrets_ ? QStringLiteral("Unless the keyring keeps it, the password is asked for at "
                                             "every connect; it is never written to a file.")
                            : QStringLiteral("The password is asked for at every connect and never kept."),
                   this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    connect(sites_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i > 0) LoadSite(sites_->itemText(i));
    });
    password_->setFocus();
}

void FtpConnectDialog::LoadSite(const QString& name) {
    std::string section = S(SiteSection(name));
    server_->setText(Q(settings_.GetString(section, "host")));
    protocol_->setCurrentIndex(settings_.GetInt(section, "protocol", 0));
    port_->setValue(settings_.GetInt(section, "port", 0));
    user_->setText(Q(settings_.GetString(section, "user")));
    folder_->setText(Q(settings_.GetString(section, "folder", "/")));
    active_->setChecked(settings_.GetInt(section, "active", 0) != 0);
    key_->setText(Q(settings_.GetString(section, "key")));
    QString kept;
    const bool inKeyring =
        secrets_ && secrets_->Read(Q(ftp::KeyringKey(site())), &kept) == SecretBackend::Status::kOk;
    password_->setText(inKeyring ? kept : QString());
    remember_->setChecked(inKeyring);
    keptInKeyring_ = inKeyring;
}

ftp::FtpSite FtpConnectDialog::site() const {
    ftp::FtpSite s =
        SiteFromServerText(server_->text(), static_cast<ftp::Protocol>(protocol_->currentIndex()));
    if (port_->value() > 0) s.port = port_->value();
    s.user = S(user_->text().trimmed());
    s.password = S(password_->text());
    s.activeMode = active_->isChecked() && s.protocol != ftp::Protocol::Sftp;
    s.privateKeyFile = S(key_->text().trimmed());
    s.knownHostsFile = DataRoot() + "/ftp_known_hosts";
    return s;
}

QString FtpConnectDialog::initialFolder() const {
    QString f = folder_->text().trimmed();
    return f.isEmpty() ? QStringLiteral("/") : f;
}

void FtpConnectDialog::Save() const {
    ftp::FtpSite s = site();
    QString name = Q(s.host) + (s.user.empty() ? QString() : QStringLiteral(" (%1)").arg(Q(s.user)));
    name.remove(QLatin1Char(','));
    QStringList names = SiteNames(settings_);
    if (!names.contains(name) && !s.host.empty()) names << name;
    std::string section = S(SiteSection(name));
    settings_.Edit([&](SettingsEdit& e) {
        e.Set(kSection, "server", S(server_->text().trimmed()));
        e.Set(kSection, "user", s.user);
        e.Set(kSection, "InitDir", S(initialFolder()));
        e.SetInt(kSection, "anon", 0);
        if (s.host.empty()) return;
        e.Set(kSection, "sites", S(names.join(QLatin1Char(','))));
        e.Set(section, "host", S(server_->text().trimmed()));
        e.SetInt(section, "protocol", protocol_->currentIndex());
        e.SetInt(section, "port", port_->value());
        e.Set(section, "user", s.user);
        e.Set(section, "folder", S(initialFolder()));
        e.SetInt(section, "active", active_->isChecked() ? 1 : 0);
        e.Set(section, "key", S(key_->text().trimmed()));
    });
    if (secrets_ && !s.host.empty()) {
        const QString key = Q(ftp::KeyringKey(s));
        if (remember_->isChecked() && !s.password.empty())
            secrets_->Write(key, Q(s.password));
        else if (!remember_->isChecked() && keptInKeyring_)
            secrets_->Remove(key);
    }
}

FtpUploadDialog::FtpUploadDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("FTP Upload"));
    auto* form = new QFormLayout(this);
    local_ = new QLineEdit(this);
    auto* browse = new QToolButton(this);
    browse->setText(QStringLiteral("..."));
    auto* row = new QHBoxLayout;
    row->addWidget(local_, 1);
    row->addWidget(browse);
    server_ = new QLineEdit(this);
    user_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    remote_ = new QLineEdit(this);
    form->addRow(QStringLiteral("&Local File:"), row);
    form->addRow(QStringLiteral("S&erver:"), server_);
    form->addRow(QStringLiteral("&User Name:"), user_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QStringLiteral("&Remote Name:"), remote_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    connect(browse, &QToolButton::clicked, this, [this] {
        QString f = QFileDialog::getOpenFileName(this, windowTitle());
        if (!f.isEmpty()) local_->setText(f);
    });
}

void FtpUploadDialog::accept() {
    ftp::FtpSite site = SiteFromServerText(server_->text(), ftp::Protocol::Ftp);
    site.user = S(user_->text().trimmed());
    site.password = S(password_->text());
    site.knownHostsFile = DataRoot() + "/ftp_known_hosts";
    std::string local = S(local_->text().trimmed()), remote = S(remote_->text().trimmed());
    // The transfer runs beside the dialog, which stays responsive but takes no input.
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int code = 0;
    UiJob job;
    QEventLoop loop;
    connect(&job, &UiJob::finished, &loop, [&](int r) {
        code = r;
        loop.quit();
    });
    job.Start([site, local, remote](std::stop_token, const UiJob::Post&) {
        ftp::FtpClient client(site);
        std::vector<ftp::FtpEntry> ignored;
        if (!client.Connect("/", &ignored).ok) return -1;
        if (!client.Put(local, remote.empty() || remote[0] == '/' ? remote : "/" + remote).ok) return -2;
        return 0;
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    result_ = code;
    if (code == 0) {
        QDialog::accept();
        return;
    }
    ShowMessage(this, QStringLiteral("Failed [%1]").arg(code), windowTitle(), MessageKind::Warning);
}

}  // namespace sky::ui
