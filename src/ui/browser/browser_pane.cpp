#include "ui/browser/browser_pane.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineFindTextResult>
#include <QWebEngineView>
#include <algorithm>
#include <memory>

#include "ui/browser/sky_web_page.h"

namespace sky::ui {

namespace {

// One printer for the run, so page setup carries over to printing.
QPrinter& SharedPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

// The steps browsers share, inside the engine's range.
constexpr double kZoomSteps[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                 1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};

QHash<QString, double>& SiteZoom() {
    static QHash<QString, double> zoom;
    return zoom;
}

QString SiteOf(const QUrl& url) {
    return url.host().isEmpty() ? url.scheme() : url.host().toLower();
}

}  // namespace

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(new QLabel(QStringLiteral("Find:"), this));
    field_ = new QLineEdit(this);
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);
    row->addWidget(field_, 1);
    auto button = [this, row](const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        row->addWidget(b);
        return b;
    };
    QToolButton* previous = button(QStringLiteral("<"), QStringLiteral("Previous match"));
    QToolButton* next = button(QStringLiteral(">"), QStringLiteral("Next match"));
    count_ = new QLabel(this);
    row->addWidget(count_);
    row->addStretch();
    QToolButton* close = button(QStringLiteral("x"), QStringLiteral("Close the find bar"));
    connect(field_, &QLineEdit::textChanged, this, [this](const QString& t) { emit find(t, false); });
    connect(field_, &QLineEdit::returnPressed, this, [this] { emit find(field_->text(), false); });
    connect(next, &QToolButton::clicked, this, [this] { emit find(field_->text(), false); });
    connect(previous, &QToolButton::clicked, this, [this] { emit find(field_->text(), true); });
    connect(close, &QToolButton::clicked, this, &FindBar::closed);
}

void FindBar::ShowCount(int active, int matches) {
    if (field_->text().isEmpty())
        count_->clear();
    else if (matches == 0)
        count_->setText(QStringLiteral("No matches"));
    else
        count_->setText(QStringLiteral("%1 of %2").arg(active).arg(matches));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_) return QWidget::eventFilter(watched, event);
    auto* key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride
                    ? static_cast<QKeyEvent*>(event)
                    : nullptr;
    if (!key) return QWidget::eventFilter(watched, event);
    // Escape here closes the bar instead of stopping the page.
    if (key->key() == Qt::Key_Escape) {
        event->accept();
        if (event->type() == QEvent::KeyPress) emit closed();
        return event->type() == QEvent::KeyPress;
    }
    if (event->type() == QEvent::KeyPress && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & Qt::ShiftModifier)) {
        emit find(field_->text(), true);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

BrowserPane::BrowserPane(QWebEngineProfile* profile, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    web_ = new QWebEngineView(this);
    page_ = new SkyWebPage(profile, web_);
    web_->setPage(page_);
    layout->addWidget(web_, 1);
    findBar_ = new FindBar(this);
    findBar_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    findBar_->hide();
    layout->addWidget(findBar_);
    setFocusProxy(web_);
    connect(findBar_, &FindBar::find, this, &BrowserPane::FindText);
    connect(findBar_, &FindBar::closed, this, [this] {
        page_->findText(QString());
        findBar_->hide();
        web_->setFocus();
    });
    connect(page_, &QWebEnginePage::findTextFinished, this, [this](const QWebEngineFindTextResult& r) {
        findBar_->ShowCount(r.activeMatch(), r.numberOfMatches());
    });

    connect(web_, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
        ApplySiteZoom();
        emit locationChanged(url.toString());
    });
    connect(web_, &QWebEngineView::titleChanged, this, &BrowserPane::pageTitleChanged);
    connect(web_, &QWebEngineView::loadStarted, this, [this] {
        loading_ = true;
        certificateError_ = false;
        SetSecure(false);
        emit loadingChanged(true);
    });
    // An error page or a certificate the engine complained about is never secure.
    connect(page_, &QWebEnginePage::certificateError, this,
            [this](const QWebEngineCertificateError&) { certificateError_ = true; });
    connect(web_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        loading_ = false;
        emit loadingChanged(false);
        SetSecure(ok && !certificateError_ && web_->url().scheme() == QLatin1String("https"));
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
void BrowserPane::SetSecure(bool secure) {
    // The secure form only changes with the state.
    if (secure == secure_) return;
    secure_ = secure;
    emit secureChanged(secure);
}

double BrowserPane::ZoomFactor() const {
    return web_->zoomFactor();
}

void BrowserPane::SetZoom(double factor) {
    QString site = SiteOf(web_->url());
    if (qFuzzyCompare(factor, 1.0))
        SiteZoom().remove(site);
    else
        SiteZoom().insert(site, factor);
    web_->setZoomFactor(factor);
}

void BrowserPane::ApplySiteZoom() {
    double factor = SiteZoom().value(SiteOf(web_->url()), 1.0);
    if (!qFuzzyCompare(factor, web_->zoomFactor())) web_->setZoomFactor(factor);
}

void BrowserPane::ZoomIn() {
    double now = web_->zoomFactor();
    auto next = std::find_if(std::begin(kZoomSteps), std::end(kZoomSteps),
                             [now](double step) { return step > now + 0.001; });
    if (next != std::end(kZoomSteps)) SetZoom(*next);
}

void BrowserPane::ZoomOut() {
    double now = web_->zoomFactor();
    auto below = std::find_if(std::rbegin(kZoomSteps), std::rend(kZoomSteps),
                              [now](double step) { return step < now - 0.001; });
    if (below != std::rend(kZoomSteps)) SetZoom(*below);
}

void BrowserPane::ZoomReset() {
    SetZoom(1.0);
}

void BrowserPane::Find() {
    findBar_->show();
    findBar_->field()->setFocus(Qt::ShortcutFocusReason);
    findBar_->field()->selectAll();
}

void BrowserPane::FindText(const QString& text, bool backward) {
    page_->findText(text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags());
    if (text.isEmpty()) findBar_->ShowCount(0, 0);
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
