#include "ui/homepage/simple_wizard_sheet.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/base/atomic_file.h"
#include "core/base/service_config.h"

namespace sky::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CSimpleWizardPage1::CSimpleWizardPage1(const WizardEnv& env, QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("Your Home Page"));
    setSubTitle(QStringLiteral("Choose the name of your page in your web space."));
    const homepage::SimpleWizardFields defaults;
    standard_ = new QCheckBox(QStringLiteral("Use the standard file name"), this);
    standard_->setObjectName(QStringLiteral("StandardName"));
    standard_->setChecked(defaults.standardName);
    name_ = new QLineEdit(Q(defaults.remoteName), this);
    name_->setObjectName(QStringLiteral("RemoteName"));
    name_->setEnabled(!defaults.standardName);
    address_ = new QLabel(Q(homepage::MemberWebAddress(env.webHost, env.account.toStdString())), this);
    address_->setObjectName(QStringLiteral("WebAddress"));
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* form = new QFormLayout(this);
    form->addRow(standard_);
    form->addRow(QStringLiteral("File name:"), name_);
    form->addRow(QStringLiteral("Your page will be at:"), address_);
    connect(standard_, &QCheckBox::toggled, this, [this](bool on) {
        name_->setEnabled(!on);
        if (on) name_->setText(QStringLiteral("index.htm"));
    });
}

CSimpleWizardPage2::CSimpleWizardPage2(QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("About Your Page"));
    setSubTitle(QStringLiteral("Type the texts your page starts with; you can change them later."));
    const homepage::SimpleWizardFields d;
    auto field = [this](const std::string& text, const char* name) {
        auto* edit = new QLineEdit(Q(text), this);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };
    title = field(d.title, "Title");
    subtitle = field(d.subtitle, "Subtitle");
    basicInfo = field(d.basicInfo, "BasicInfo");
    contact = field(d.contact, "Contact");
    email = field(d.email, "Email");
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Title:"), title);
    form->addRow(QStringLiteral("Subtitle:"), subtitle);
    form->addRow(QStringLiteral("Basic information:"), basicInfo);
    form->addRow(QStringLiteral("Contact text:"), contact);
    form->addRow(QStringLiteral("E-mail address:"), email);
}

CSimpleWizardPage9::CSimpleWizardPage9(QWidget* parent) : QWizardPage(parent) {
    setTitle(QStringLiteral("Ready"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("Click Finish to make your page. It opens in the page editor, where you can change "
                       "each part and save it to your web site."),
        this);
    text->setWordWrap(true);
    layout->addWidget(text);
}

CSimpleWizardSheet::CSimpleWizardSheet(WizardEnv env, QWidget* parent)
    : QWizard(parent), env_(std::move(env)) {
    setObjectName(QStringLiteral("CSimpleWizardSheet"));
    setWindowTitle(QStringLiteral("Home Page Wizard"));
    setOption(QWizard::NoCancelButton, false);
    page1_ = new CSimpleWizardPage1(env_, this);
    page2_ = new CSimpleWizardPage2(this);
    addPage(page1_);
    addPage(page2_);
    addPage(new CSimpleWizardPage9(this));
}

homepage::SimpleWizardFields CSimpleWizardSheet::fields() const {
    homepage::SimpleWizardFields f;
    f.standardName = page1_->standardName()->isChecked();
    f.remoteName = page1_->remoteName()->text().trimmed().toStdString();
    f.contact = page2_->contact->text().toStdString();
    f.email = page2_->email->text().toStdString();
    f.basicInfo = page2_->basicInfo->text().toStdString();
    f.subtitle = page2_->subtitle->text().toStdString();
    f.title = page2_->title->text().toStdString();
    return f;
}

QString CSimpleWizardSheet::pagePath() const {
    return Q(homepage::SimpleWizardPagePath());
}

void CSimpleWizardSheet::accept() {
    const homepage::SimpleWizardFields f = fields();
    const std::string path = homepage::SimpleWizardPagePath();
    // A failed write is not reported: the editor opens whatever file is there.
    if (!path.empty())
        WriteFileAtomically(path, homepage::BuildStarterPage(f, ServiceUrl(env_.webHost, "/art/bwlogo.gif")));
    QWizard::accept();
    if (env_.openInEditor) env_.openInEditor(Q(path), Q(homepage::SimpleWizardRemoteName(f)));
}

}  // namespace sky::ui
