#include "ui/channels/local_sheet.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <utility>

#include "core/base/settings_store.h"
#include "core/channels/channel_list.h"
#include "core/channels/channel_nav.h"
#include "core/net/http_download.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_host.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/sky_web_page.h"
#include "ui/channels/sheet_placement.h"

namespace sky::ui {

CLocalPropertyPage1::CLocalPropertyPage1(BrowserHost& host, QWidget* parent)
    : QWizardPage(parent), host_(host) {
    setTitle(QStringLiteral("Your Local Channel"));
    setSubTitle(
        QStringLiteral("Web sites for where you live: enter your zip code, then choose your area on the "
                       "next page."));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Zip code:"), this));
    zip_ = new QLineEdit(this);
    zip_->setObjectName(QStringLiteral("Zip"));
    zip_->setMaxLength(kMaxPostalCode);
    zip_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]*")), zip_));
    registerField(QStringLiteral("zip"), zip_);
    layout->addWidget(zip_);
    layout->addStretch(1);
}

bool CLocalPropertyPage1::IsPostalCode(const QString& code) {
    static const QRegularExpression rule(QStringLiteral("^[A-Za-z0-9]{1,%1}$").arg(kMaxPostalCode));
    return rule.match(code).hasMatch();
}

QString CLocalPropertyPage1::postalCode() const {
    QString zip = zip_->text().trimmed();
    return zip.isEmpty() ? QStringLiteral("00000") : zip;
}

void CLocalPropertyPage1::initializePage() {
    std::string zip = host_.Settings().GetString("local", "zip", "00000");
    zip_->setText(QString::fromStdString(zip));
    // The default is there to be typed over.
    if (zip == "00000") zip_->selectAll();
    zip_->setFocus();
}

bool CLocalPropertyPage1::validatePage() {
    // Stored by Finish only: Cancel leaves the old code.
    QString zip = zip_->text().trimmed();
    if (zip.isEmpty() || IsPostalCode(zip)) return true;
    ShowMessage(this, QStringLiteral("A postal code has only digits and letters, at most 10 of them."),
                QStringLiteral("Your Local Channel"), MessageKind::Warning);
    zip_->setFocus();
    return false;
}

CLocalPropertyPage2::CLocalPropertyPage2(BrowserHost& host, QWidget* parent)
    : QWizardPage(parent), host_(host), job_(new UiJob(this)) {
    setTitle(QStringLiteral("Choose Your Local Web Sites"));
    setSubTitle(QStringLiteral("Click the channel file for your area; it is stored as your Local channel."));
    auto* layout = new QVBoxLayout(this);
    browser_ = new BrowserPane(host_.Profile(), this);
    browser_->setMinimumSize(560, 320);
    layout->addWidget(browser_, 1);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LocalStatus"));
    layout->addWidget(status_);

    browser_->page()->onBeforeNavigate = [this](NavigationEvent& ev) {
        if (!IsLocalChannelFileLink(ev.url.toString().toStdString())) return;
        ev.cancel = true;
        // The engine reports the cancelled load as failed; that is no page error.
        cancelledLoad_ = true;
        QUrl url = ev.url;
        QTimer::singleShot(0, this, [this, url] { StartDownload(url); });
    };
    connect(browser_->engine(), &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (std::exchange(cancelledLoad_, false) && !ok) return;
        // One box per failure, not one per frame that fails with it.
        if (!ok && !pageErrorShown_) {
            pageErrorShown_ = true;
            status_->setText(QStringLiteral("The local channel page could not be opened."));
            ShowMessage(this, QStringLiteral("Error"));
        }
        if (ok) pageErrorShown_ = false;
    });
}

CLocalPropertyPage2::~CLocalPropertyPage2() {
    // The download reports to this page; it ends first.
    delete job_;
}

void CLocalPropertyPage2::initializePage() {
    // The service opens the page at the region of the code it knows.
    QUrl url(QString::fromStdString(LocalChannelPageUrl(host_.WebHost())));
    QString zip = field(QStringLiteral("zip")).toString().trimmed();
    if (CLocalPropertyPage1::IsPostalCode(zip)) url.setQuery(QStringLiteral("zip=") + zip);
    browser_->Navigate(url.toString());
}

void CLocalPropertyPage2::StartDownload(const QUrl& url) {
    if (downloading()) return;
    auto* progress = new QProgressDialog(QStringLiteral("Downloading ") + url.fileName(),
                                         QStringLiteral("Cancel"), 0, 1000, this);
    progress->setWindowTitle(QStringLiteral("Downloading Local Channel"));
    progress->setObjectName(QStringLiteral("LocalDownloadProgress"));
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setValue(0);
    connect(progress, &QProgressDialog::canceled, job_, &UiJob::Cancel);
    connect(this, &CLocalPropertyPage2::downloadProgress, progress, [progress](qint64 got, qint64 total) {
        if (total > 0) {
            progress->setMaximum(1000);
            progress->setValue(static_cast<int>(got * 1000 / total));
        } else {
            progress->setMaximum(0);  // busy: the size is not known
        }
    });
    connect(
        this, &CLocalPropertyPage2::downloadFinished, this,
        [this, progress](bool ok, const QString& error) {
            progress->deleteLater();
            if (ok) {
                done_ = true;
                status_->setText(QStringLiteral("Your Local channel is stored."));
                ShowMessage(this, QStringLiteral(" OK.  I'm Done !"));
                emit completeChanged();
            } else {
                status_->setText(error);
                ShowMessage(this, QStringLiteral("Download Aborted"));
            }
        },
        Qt::SingleShotConnection);

    std::string source = url.toString().toStdString();
    std::string target = LocalChannelFilePath();
    job_->Start([this, source, target](std::stop_token stop, const UiJob::Post& post) {
        StopFlag cancel(stop);
        DownloadOptions options;
        options.cancel = cancel.get();
        options.progress = [this, post](long long got, long long total) {
            post([this, got, total] { emit downloadProgress(got, total); });
        };
        DownloadResult r = DownloadToFile(source, target, options);
        bool ok = r.ok();
        QString error = QString::fromStdString(r.error);
        post([this, ok, error] { emit downloadFinished(ok, error); });
        return ok ? 0 : 1;
    });
}

CLocalPropertySheet::CLocalPropertySheet(BrowserHost& host, QWidget* parent)
    : QWizard(parent), browserHost_(host) {
    setWindowTitle(QStringLiteral("Local Channel Settings"));
    setObjectName(QStringLiteral("LocalPropertySheet"));
    setWizardStyle(QWizard::ClassicStyle);
    page1_ = new CLocalPropertyPage1(host, this);
    page2_ = new CLocalPropertyPage2(host, this);
    addPage(page1_);
    addPage(page2_);
    resize(680, 520);
}

void CLocalPropertySheet::accept() {
    if (!page1_->validatePage()) return;
    browserHost_.Settings().WriteString("local", "zip", page1_->postalCode().toStdString());
    QWizard::accept();
}

void CLocalPropertySheet::showEvent(QShowEvent* event) {
    QWizard::showEvent(event);
    CentreOnWindow(this);
}

}  // namespace sky::ui
