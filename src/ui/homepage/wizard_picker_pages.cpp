// The picture and colour pages of the home page wizard.
#include <QColorDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "core/base/paths.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/sky_web_page.h"
#include "ui/homepage/home_page_wizard.h"

namespace sky::ui {

namespace {

// "#RRGGBB" as the colour dialog's choice is written into the page.
QString ColourText(const QColor& c) {
    return QString::asprintf("#%02X%02X%02X", c.red(), c.green(), c.blue());
}

QColor ColourOf(const std::string& text) {
    QString t = QString::fromStdString(text);
    if (!t.startsWith(QLatin1Char('#'))) t.prepend(QLatin1Char('#'));
    QColor c(t);
    return c.isValid() ? c : QColor(Qt::black);
}

QString BodyTag(const homepage::WizardPage& p) {
    QString tag = QStringLiteral("<BODY BGCOLOR=") + QString::fromStdString(p.bgColor);
    if (!p.background.empty()) tag += QStringLiteral(" BACKGROUND=") + QString::fromStdString(p.background);
    tag += QStringLiteral(" TEXT=%1 LINK=%2 VLINK=%3>")
               .arg(QString::fromStdString(p.textColor), QString::fromStdString(p.linkColor),
                    QString::fromStdString(p.vlinkColor));
    return tag;
}

}  // namespace

PickerPage::PickerPage(CHomePageWizard& sheet, const QString& heading, const QString& servicePage)
    : HomePageWizardPage(sheet, heading), servicePage_(servicePage) {
    layout_ = new QVBoxLayout(this);
    browser_ = new BrowserPane(sheet.env().profile, this);
    browser_->setMinimumSize(420, 260);
    selection_ = new QLabel(QStringLiteral("Current Selection: "), this);
    selection_->setObjectName(QStringLiteral("CurrentSelection"));
    layout_->addWidget(browser_, 1);
    layout_->addWidget(selection_);
    browser_->page()->onNewWindow = [this](const QUrl& url, const QString& name) -> SkyWebPage* {
        TakeLink(url, name);
        return nullptr;
    };
    browser_->page()->onBeforeNavigate = [this](NavigationEvent& ev) {
        if (TakeLink(ev.url, ev.targetFrame)) ev.cancel = true;
    };
}

void PickerPage::Activate() {
    if (std::exchange(loaded_, true)) return;
    browser_->NavigateUrl(QUrl(WizardAddress(sheet_.env().webHost) + servicePage_));
}

bool PickerPage::TakeLink(const QUrl& url, const QString& target) {
    if (target != QLatin1String("wizard")) return false;
    const QString href = url.toString(QUrl::FullyEncoded);
    const qsizetype q = href.indexOf(QLatin1Char('?'));
    QString text = q < 0 ? QString() : href.mid(q + 1);
    text.replace(QLatin1String("%20"), QLatin1String(" "));
    Picked(q < 0 ? href : href.left(q));
    ShowSelection(text);
    return true;
}

void PickerPage::ShowSelection(const QString& text) {
    selection_->setText(QStringLiteral("Current Selection: ") + text);
}

CBackgroundsPage::CBackgroundsPage(CHomePageWizard& sheet)
    : PickerPage(sheet, QStringLiteral("Choose a Background"), QStringLiteral("backgrounds.html")) {
    auto* solid = new QPushButton(QStringLiteral("Solid Color"), this);
    solid->setObjectName(QStringLiteral("SolidColor"));
    colours_ = new BrowserPane(sheet.env().profile, this);
    colours_->setMinimumHeight(160);
    colours_->hide();
    layout_->addWidget(solid, 0, Qt::AlignLeft);
    layout_->addWidget(colours_, 1);
    connect(solid, &QPushButton::clicked, this, &CBackgroundsPage::ChooseSolidColor);
    colours_->page()->onNewWindow = [this](const QUrl&, const QString& name) -> SkyWebPage* {
        if (name == QLatin1String("textcolor") || name == QLatin1String("linkcolor") ||
            name == QLatin1String("vlinkcolor")) {
            // After the engine's event returns: the dialog is modal.
            QMetaObject::invokeMethod(
                this, [this, name] { ChangeColour(name); }, Qt::QueuedConnection);
        }
        return nullptr;
    };
}

CBackgroundsPage::~CBackgroundsPage() = default;

void CBackgroundsPage::Picked(const QString& address) {
    sheet_.page().background = address.toStdString();
}

void CBackgroundsPage::ChooseSolidColor() {
    sheet_.page().background.clear();
    ShowSelection(QStringLiteral("Solid Color"));
    ShowColours();
}

void CBackgroundsPage::ShowColours() {
    homepage::WizardPage& p = sheet_.page();
    // The writer fills colours still empty with their defaults.
    homepage::WizardPage copy = p;
    homepage::WriteWizardPage(copy);
    p.bgColor = copy.bgColor, p.textColor = copy.textColor, p.linkColor = copy.linkColor,
    p.vlinkColor = copy.vlinkColor;
    auto form = [](const char* target, const char* button, const QString& sample) {
        return QStringLiteral("<form method=post action=\"about:blank\" target=%1>%2</form>%3\n")
            .arg(QLatin1String(target), QLatin1String(button), sample);
    };
    QString html = QStringLiteral("<HTML>") + BodyTag(p) + QStringLiteral("<BR><BR>\n");
    html += form("textcolor", "<input type=submit name=B1 value='Change Text Color'>",
                 QStringLiteral("<P>This is the color that most of your text will appear in.</P>"));
    html += form("linkcolor", "<input type=submit name=B2 value='Change LINK Color'>",
                 QStringLiteral("<P><FONT COLOR=%1><U>This is the color that links will be BEFORE they are "
                                "visited.</U></FONT></P>")
                     .arg(QString::fromStdString(p.linkColor)));
    html += form("vlinkcolor", "<input type=submit name=B3 value='Change VLINK Color'>",
                 QStringLiteral("<P><FONT COLOR=%1><U>This is the color that links will be AFTER they are "
                                "visited.</U></FONT></P>")
                     .arg(QString::fromStdString(p.vlinkColor)));
    html += QStringLiteral("</BODY></HTML>\n");
    if (!sampleFile_) {
        sampleFile_ = std::make_unique<QTemporaryFile>(QString::fromStdString(PrivateTempDir()) +
                                                       QStringLiteral("SKYXXXXXX.htm"));
        if (!sampleFile_->open()) {
            sampleFile_.reset();
            return;
        }
    }
    sampleFile_->resize(0);
    sampleFile_->seek(0);
    sampleFile_->write(html.toLatin1());
    sampleFile_->flush();
    colours_->show();
    colours_->NavigateUrl(QUrl::fromLocalFile(sampleFile_->fileName()));
}

void CBackgroundsPage::ChangeColour(const QString& target) {
    homepage::WizardPage& p = sheet_.page();
    std::string& colour = target == QLatin1String("textcolor")   ? p.textColor
                          : target == QLatin1String("linkcolor") ? p.linkColor
                                                                 : p.vlinkColor;
    QColorDialog dialog(ColourOf(colour), this);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    colour = ColourText(dialog.currentColor()).toStdString();
    ShowColours();
}

CSeparatorPage::CSeparatorPage(CHomePageWizard& sheet)
    : PickerPage(sheet, QStringLiteral("Choose a Separator"), QStringLiteral("separators.html")) {}

void CSeparatorPage::Picked(const QString& address) {
    sheet_.separatorImage = address;
}

CBulletsPage::CBulletsPage(CHomePageWizard& sheet)
    : PickerPage(sheet, QStringLiteral("Choose a Bullet"), QStringLiteral("bullets.html")) {}

void CBulletsPage::Picked(const QString& address) {
    sheet_.bulletImage = address;
}

}  // namespace sky::ui
