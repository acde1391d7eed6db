#include "ui/browser/browser_pane.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <memory>

#include "ui/browser/sky_web_page.h"

namespace sky::ui {

namespace {

// One printer for the run, so page setup carries over to printing.
QPrinter& SharedPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}
}  // namespace

BrowserPane::BrowserPane(QWebEngineProfile* profile, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    web_ = new QWebEngineView(this);
    page_ = new SkyWebPage(profile, web_);
    web_->setPage(page_);
    layout->addWidget(web_);
    setFocusProxy(web_);

    connect(web_, &QWebEngineView::urlChanged, this,
            [this](const QUrl& url) { emit locationChanged(url.toString()); });
    connect(web_, &QWebEngineView::titleChanged, this, &BrowserPane::pageTitleChanged);
    connect(web_, &QWebEngineView::loadStarted, this, [this] {
        loading_ = true;
        emit loadingChanged(true);
    });
    connect(web_, &QWebEngineView::loadFinished, this, [this](bool) {
        loading_ = false;
        emit loadingChanged(false);
        // The secure form only changes with the state.
        bool secure = web_->url().scheme() == QLatin1String("https");
        if (secure != secure_) {
            secure_ = secure;
            emit secureChanged(secure);
        }
    });
    connect(page_, &QWebEnginePage::linkHovered, this, &BrowserPane::statusTextChanged);
    // A crashed renderer leaves a blank view; say what happened instead.
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus) return;
                page_->setHtml(
                    QStringLiteral("<html><body style='font-family:sans-serif'>"
                                   "<h3>This page stopped working.</h3>"
                                   "<p>Press Refresh to load it again.</p></body></html>"));
            });
}

BrowserPane::~BrowserPane() = default;

void BrowserPane::SetTopArea(QWidget* area) {
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, area);
}

QUrl BrowserPane::UrlFromAddress(const QString& address) {
    QString a = address.trimmed();
    if (a.isEmpty()) return {};
    if (a.startsWith(QLatin1Char('/')) || a.startsWith(QLatin1String("~/"))) {
        QFileInfo fi(a.startsWith(QLatin1Char('~')) ? QDir::homePath() + a.mid(1) : a);
        return QUrl::fromLocalFile(fi.absoluteFilePath());
    }
    static const char* const kSchemes[] = {"http", "https",      "file",       "about",  "mailto",  "ftp",
                                           "data", "javascript", "skycommand", "skyidp", "command", "qrc"};
    QUrl url(a, QUrl::TolerantMode);
    bool known = false;
    for (const char* s : kSchemes) known = known || url.scheme() == QLatin1String(s);
    // "host:port/path" parses with "host" as its scheme.
    if (!known || (url.scheme().startsWith(QLatin1String("http")) && !a.contains(QLatin1String("://"))))
        url = QUrl(QStringLiteral("http://") + a, QUrl::TolerantMode);
    return url;
}

void BrowserPane::Navigate(const QString& address) {
    QString trimmed = address.trimmed();
    if (trimmed.startsWith(QLatin1String("skycommand:"), Qt::CaseInsensitive) && page_->onCommandText &&
        page_->onCommandText(trimmed))
        return;
    QUrl url = UrlFromAddress(address);
    if (url.isValid()) page_->Navigate(url);
}

void BrowserPane::NavigateUrl(const QUrl& url, const QByteArray& postData, const QString& contentType) {
    page_->Navigate(url, postData, contentType);
}

void BrowserPane::GoBack() {
    web_->back();
}
void BrowserPane::GoForward() {
    web_->forward();
}
void BrowserPane::Stop() {
    web_->stop();
}
void BrowserPane::Refresh() {
    web_->reload();
}
QString BrowserPane::LocationUrl() const {
    return web_->url().toString();
}
QString BrowserPane::PageTitle() const {
    return web_->title();
}

void BrowserPane::Print() {
    QPrintDialog dialog(&SharedPrinter(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    web_->print(&SharedPrinter());
}

void BrowserPane::PageSetup() {
    QPageSetupDialog dialog(&SharedPrinter(), this);
    dialog.exec();
}

void BrowserPane::SaveAs() {
    QString suggested = web_->title().isEmpty() ? QStringLiteral("page") : web_->title();
    suggested.replace(QLatin1Char('/'), QLatin1Char('_'));
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Web Page"),
                                     QDir::homePath() + QLatin1Char('/') + suggested + QStringLiteral(".htm"),
                                     QStringLiteral("Web Pages (*.htm *.html);;All Files (*)"));
    if (!path.isEmpty()) page_->save(path, QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
}

void BrowserPane::Cut() {
    page_->triggerAction(QWebEnginePage::Cut);
}
void BrowserPane::Copy() {
    page_->triggerAction(QWebEnginePage::Copy);
}
void BrowserPane::Paste() {
    page_->triggerAction(QWebEnginePage::Paste);
}
void BrowserPane::SelectAll() {
    page_->triggerAction(QWebEnginePage::SelectAll);
}

}  // namespace sky::ui
