#include "ui/homepage/page_edit_pickers.h"

#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "core/base/service_config.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/browser/sky_web_page.h"

namespace sky::ui {

ServicePickerDialog::ServicePickerDialog(QWebEngineProfile* profile, const QUrl& page, const QString& target,
                                         const QString& title, QWidget* parent)
    : QDialog(parent), target_(target) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("picker:") + target);
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QWebEngineView(this);
    page_ = new SkyWebPage(profile, view);
    view->setPage(page_);
    layout->addWidget(view);
    page_->onBeforeNavigate = [this](NavigationEvent& ev) {
        if (ev.targetFrame.compare(target_, Qt::CaseInsensitive) != 0) return;
        ev.cancel = true;
        Take(ev.url);
    };
    page_->onNewWindow = [this](const QUrl& url, const QString& name) -> SkyWebPage* {
        if (name.compare(target_, Qt::CaseInsensitive) == 0) Take(url);
        return nullptr;
    };
    page_->Navigate(page);
}

void ServicePickerDialog::Take(const QUrl& url) {
    if (picked_.isValid() || !url.isValid()) return;
    picked_ = url;
    // Not from inside the engine's own call.
    QTimer::singleShot(0, this, &QDialog::accept);
}

QString PickBackground(QWebEngineProfile* profile, const std::string& webHost, QWidget* parent) {
    ServicePickerDialog dialog(profile, QUrl(Q(ServiceUrl(webHost, "/wiz/backgrounds.html"))),
                               QStringLiteral("wizard"), QStringLiteral("Pick a Background"), parent);
    if (ExecDialog(dialog) != QDialog::Accepted) return {};
    const QString address = dialog.picked().toString(QUrl::FullyEncoded);
    return address.left(address.indexOf(QLatin1Char('?')) < 0 ? address.size()
                                                              : address.indexOf(QLatin1Char('?')));
}

QUrl TemplateAddress(const QUrl& link, const QUrl& chooserPage) {
    const QString text = link.toString(QUrl::FullyEncoded);
    const int mark = text.indexOf(QLatin1Char('?'));
    if (mark < 0 || mark + 1 >= text.size()) return {};
    const QUrl address(text.mid(mark + 1));
    return address.isRelative() ? chooserPage.resolved(address) : address;
}

}  // namespace sky::ui
