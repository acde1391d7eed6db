#include "ui/browser/web_search_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/settings_store.h"
#include "core/browser/navigation_hook.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_host.h"

namespace sky::ui {

QString WebSearchDialog::HostSetting(const char* key) const {
    std::string host = host_.Settings().GetString("Service", key);
    return QString::fromStdString(host.empty() ? host_.WebHost() : host);
}

QString WebSearchDialog::SearchHost() const {
    return HostSetting("SearchHost");
}
QString WebSearchDialog::NewsSearchHost() const {
    return HostSetting("NewsSearchHost");
}

WebSearchDialog::WebSearchDialog(BrowserHost& host, const QStringList& channels, QWidget* parent)
    : QDialog(parent), host_(host) {
    setWindowTitle(QStringLiteral("Search the Web"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Your channels:"), this));
    channels_ = new QListWidget(this);
    channels_->addItems(channels);
    channels_->setMaximumHeight(120);
    layout->addWidget(channels_);
    auto* words = new QLabel(QStringLiteral("Search &words:"), this);
    layout->addWidget(words);
    edit_ = new QLineEdit(QString::fromStdString(host_.Settings().GetString("WebWizard", "Search")), this);
    words->setBuddy(edit_);
    edit_->setMinimumWidth(320);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* web = buttons->addButton(QStringLiteral("&Search the Web"), QDialogButtonBox::AcceptRole);
    QPushButton* news = buttons->addButton(QStringLiteral("Search &News"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    web->setDefault(true);
    connect(web, &QPushButton::clicked, this, [this] { WebSearch(); });
    connect(news, &QPushButton::clicked, this, [this] { NewsSearch(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The accept role would close the dialog even when the words are missing.
    disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
    layout->addWidget(buttons);
}

bool WebSearchDialog::WebSearch() {
    return Run(false);
}
bool WebSearchDialog::NewsSearch() {
    return Run(true);
}

bool WebSearchDialog::Run(bool news) {
    QString text = edit_->text().trimmed();
    if (text.isEmpty()) {
        ShowMessage(this, news ? QStringLiteral("You must enter a search string")
                               : QStringLiteral("You must enter some search words"));
        return false;
    }
    host_.Settings().WriteString("WebWizard", "Search", text.toStdString());
    std::string words = text.toStdString();
    std::string url = news ? NewsSearchUrl(NewsSearchHost().toStdString(), words)
                           : WebSearchUrl(SearchHost().toStdString(), words);
    host_.HandleAddress(QString::fromStdString(url), true);
    accept();
    return true;
}

}  // namespace sky::ui
