#include "ui/homepage/home_page_wizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryFile>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "core/base/paths.h"
#include "core/homepage/starter_page.h"
#include "ui/base/messages.h"
#include "ui/browser/browser_pane.h"
#include "ui/browser/sky_web_page.h"

namespace sky::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

QLineEdit* Field(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

// The member types line breaks as "\n"; the items want carriage returns.
std::string Typed(const QPlainTextEdit* edit) {
    QString t = edit->toPlainText();
    t.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return S(t);
}

QString Shown(std::string text) {
    QString t = Q(text);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

}  // namespace

HomePageWizardPage::HomePageWizardPage(CHomePageWizard& sheet, const QString& heading)
    : QWidget(nullptr), sheet_(sheet), heading_(heading) {}

// ---- member details

CUserInfoPage::CUserInfoPage(CHomePageWizard& sheet)
    : HomePageWizardPage(sheet, QStringLiteral("About You")) {
    name = Field(this, "Name");
    email = Field(this, "Email");
    companyUrl = Field(this, "CompanyUrl");
    occupation = Field(this, "Occupation");
    company = Field(this, "Company");
    text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("Text"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Your name:"), name);
    form->addRow(QStringLiteral("E-mail address:"), email);
    form->addRow(QStringLiteral("Company web address:"), companyUrl);
    form->addRow(QStringLiteral("Occupation:"), occupation);
    form->addRow(QStringLiteral("Company:"), company);
    form->addRow(QStringLiteral("About you:"), text);
}

homepage::UserInfo CUserInfoPage::info() const {
    homepage::UserInfo i;
    i.name = S(name->text().trimmed());
    i.email = S(email->text().trimmed());
    i.companyUrl = S(companyUrl->text().trimmed());
    i.occupation = S(occupation->text().trimmed());
    i.company = S(company->text().trimmed());
    i.text = Typed(text);
    return i;
}

void CUserInfoPage::LeaveForward() {
    sheet_.page().items = homepage::UserInfoContent(info());
    // The page is titled like its heading item.
    if (!sheet_.page().items.empty())
        sheet_.page().title = homepage::ReadTitle(sheet_.page().items.front().html).text;
}

// ---- links

CLinksPage::CLinksPage(CHomePageWizard& sheet)
    : HomePageWizardPage(sheet, QStringLiteral("Your Favorite Links")) {
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("Links"));
    list_->setHeaderLabels(
        {QStringLiteral("Description"), QStringLiteral("Address"), QStringLiteral("HTML")});
    list_->setRootIsDecorated(false);
    description = Field(this, "LinkDescription");
    address = Field(this, "LinkAddress");
    auto* add = new QPushButton(QStringLiteral("Add"), this);
    auto* remove = new QPushButton(QStringLiteral("Delete"), this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Description:"), description);
    form->addRow(QStringLiteral("Address:"), address);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, &CLinksPage::AddLink);
    connect(remove, &QPushButton::clicked, this, &CLinksPage::DeleteLink);
}

void CLinksPage::AddLink() {
    const QString url = Q(homepage::TypedLinkAddress(S(address->text().trimmed())));
    if (url.isEmpty()) return;
    QString desc = description->text().trimmed();
    if (desc.isEmpty()) desc = url;
    const std::string html = homepage::BuildLink({S(url), S(desc)});
    new QTreeWidgetItem(list_, {desc, url, Q(html)});
    description->clear();
    address->clear();
}

void CLinksPage::DeleteLink() {
    QTreeWidgetItem* row = list_->currentItem();
    if (!row) return;
    if (!AskYesNo(this, Q(homepage::ConfirmDeleteLinkQuestion(S(row->text(0)))),
                  QStringLiteral("Confirm Delete")))
        return;
    delete row;
}

std::vector<homepage::ContentItem> CLinksPage::links() const {
    std::vector<homepage::ContentItem> out;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_->topLevelItem(i);
        out.push_back({std::string(homepage::kLinkItem), S(row->text(0)), S(row->text(2))});
    }
    return out;
}

void CLinksPage::LeaveForward() {
    CUserInfoPage* user = sheet_.find<CUserInfoPage>();
    sheet_.page().items = homepage::FinalContent(user ? user->info() : homepage::UserInfo{},
                                                 S(sheet_.separatorImage), S(sheet_.bulletImage), links());
}

// ---- preview

CPreviewHomePage::CPreviewHomePage(CHomePageWizard& sheet)
    : HomePageWizardPage(sheet, QStringLiteral("Preview Your Page")) {
    browser_ = new BrowserPane(sheet.env().profile, this);
    browser_->setMinimumSize(420, 260);
    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name, void (CPreviewHomePage::*run)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, run);
        buttons->addWidget(b);
    };
    button(QStringLiteral("Save for Test"), "SaveForTest", &CPreviewHomePage::SaveForTest);
    button(QStringLiteral("Upload"), "Upload", &CPreviewHomePage::Upload);
    button(QStringLiteral("Exit without Saving"), "ExitWithoutSaving", &CPreviewHomePage::ExitWithoutSaving);
    button(QStringLiteral("Continue Editing"), "ContinueEditing", &CPreviewHomePage::ContinueEditing);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_, 1);
    layout->addLayout(buttons);
    // Nothing in the page runs here.
    QWebEngineSettings* settings = browser_->engine()->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    // The preview shows the page only; its links go nowhere from here.
    browser_->page()->onBeforeNavigate = [this](NavigationEvent& ev) {
        if (ev.userInitiated && ev.type == QWebEnginePage::NavigationTypeLinkClicked) ev.cancel = true;
    };
    browser_->page()->onNewWindow = [](const QUrl&, const QString&) -> SkyWebPage* { return nullptr; };
}

void CPreviewHomePage::Activate() {
    if (!sheet_.WritePage(sheet_.workingFile())) return;
    browser_->NavigateUrl(QUrl::fromLocalFile(sheet_.workingFile()));
    sheet_.setWindowTitle(Q(sheet_.page().title));
}

void CPreviewHomePage::SaveForTest() {
    const QString test = CHomePageWizard::TestPagePath();
    if (!sheet_.WritePage(test) || !sheet_.WritePage(sheet_.workingFile())) return;
    ShowMessage(this, QStringLiteral("File saved as %1 for test purposes").arg(test));
}

void CPreviewHomePage::Upload() {
    if (!sheet_.WritePage(sheet_.workingFile())) return;
    const int result = UploadToWebSpace(this, sheet_.env(), sheet_.workingFile(), sheet_.remoteName());
    if (result == 0)
        ShowMessage(this, QStringLiteral("Done"));
    else if (result > 0 || result < -1)
        ShowMessage(this, QStringLiteral("Upload Error [%1]").arg(result), QStringLiteral("Upload Error"),
                    MessageKind::Warning);
}

void CPreviewHomePage::ExitWithoutSaving() {
    if (AskYesNo(this, QStringLiteral("Are you sure?"), QStringLiteral("Exit without Saving")))
        sheet_.reject();
}

void CPreviewHomePage::ContinueEditing() {
    if (!sheet_.WritePage(CHomePageWizard::SavedPagePath())) return;
    CHomePageWizard* next =
        CHomePageWizard::Open(sheet_.env(), CHomePageWizard::Mode::Sheet, sheet_.parentWidget());
    next->setWindowTitle(QStringLiteral("Sky Harbor Home Page Wizard"));
    next->ShowPage(next->find<CContentPage>());
    sheet_.accept();
}

// ---- content items (sheet mode)

CContentPage::CContentPage(CHomePageWizard& sheet)
    : HomePageWizardPage(sheet, QStringLiteral("Page Contents")) {
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("Items"));
    editors_ = new QStackedWidget(this);

    auto* title = new QWidget(editors_);
    auto* tf = new QFormLayout(title);
    titleText_ = Field(title, "TitleText");
    heading_ = new QComboBox(title);
    heading_->addItems(
        {QStringLiteral("H1"), QStringLiteral("H2"), QStringLiteral("H3"), QStringLiteral("H4")});
    titleColour_ = Field(title, "TitleColour");
    titleCentred_ = new QCheckBox(QStringLiteral("Centered"), title);
    titleSeparator_ = new QCheckBox(QStringLiteral("Separator below"), title);
    separatorImage_ = Field(title, "SeparatorImage");
    tf->addRow(QStringLiteral("Title:"), titleText_);
    tf->addRow(QStringLiteral("Heading:"), heading_);
    tf->addRow(QStringLiteral("Color:"), titleColour_);
    tf->addRow(titleCentred_);
    tf->addRow(titleSeparator_);
    tf->addRow(QStringLiteral("Separator image:"), separatorImage_);

    auto* textEditor = new QWidget(editors_);
    auto* xf = new QFormLayout(textEditor);
    text_ = new QPlainTextEdit(textEditor);
    text_->setObjectName(QStringLiteral("ItemText"));
    textCentred_ = new QCheckBox(QStringLiteral("Centered"), textEditor);
    textBold_ = new QCheckBox(QStringLiteral("Bold"), textEditor);
    textItalic_ = new QCheckBox(QStringLiteral("Italic"), textEditor);
    textBullet_ = new QCheckBox(QStringLiteral("Bullet"), textEditor);
    bulletImage_ = Field(textEditor, "BulletImage");
    xf->addRow(QStringLiteral("Text:"), text_);
    xf->addRow(textCentred_);
    xf->addRow(textBold_);
    xf->addRow(textItalic_);
    xf->addRow(textBullet_);
    xf->addRow(QStringLiteral("Bullet image:"), bulletImage_);

    auto* graphic = new QWidget(editors_);
    auto* gf = new QFormLayout(graphic);
    graphicAddress_ = Field(graphic, "GraphicAddress");
    graphicCentred_ = new QCheckBox(QStringLiteral("Centered"), graphic);
    gf->addRow(QStringLiteral("Picture address:"), graphicAddress_);
    gf->addRow(graphicCentred_);

    auto* link = new QWidget(editors_);
    auto* lf = new QFormLayout(link);
    linkText_ = Field(link, "LinkText");
    linkAddress_ = Field(link, "LinkAddress");
    lf->addRow(QStringLiteral("Link text:"), linkText_);
    lf->addRow(QStringLiteral("Address:"), linkAddress_);

    editors_->addWidget(title);
    editors_->addWidget(textEditor);
    editors_->addWidget(graphic);
    editors_->addWidget(link);
    editors_->addWidget(new QWidget(editors_));
    editors_->setCurrentIndex(4);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, std::function<void()> run) {
        auto* b = new QPushButton(text, this);
        connect(b, &QPushButton::clicked, this, std::move(run));
        buttons->addWidget(b);
    };
    for (std::string_view type :
         {homepage::kTitleItem, homepage::kTextItem, homepage::kGraphicItem, homepage::kLinkItem}) {
        const QString t = QString::fromLatin1(type.data(), qsizetype(type.size()));
        button(QStringLiteral("Add ") + t, [this, t] { AddItem(t); });
    }
    button(QStringLiteral("Delete"), [this] { DeleteItem(); });
    button(QStringLiteral("Up"), [this] { MoveItem(-1); });
    button(QStringLiteral("Down"), [this] { MoveItem(1); });
    button(QStringLiteral("Apply"), [this] { Apply(); });

    auto* split = new QHBoxLayout;
    split->addWidget(list_, 1);
    split->addWidget(editors_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(split, 1);
    layout->addLayout(buttons);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        // The item left keeps what was typed into it.
        if (shown_ >= 0 && shown_ != row) Apply();
        ShowItem(row);
    });
}

void CContentPage::Activate() {
    Fill();
}

void CContentPage::Fill() {
    const QSignalBlocker block(list_);
    const int row = list_->currentRow();
    list_->clear();
    for (const homepage::ContentItem& item : sheet_.page().items)
        list_->addItem(Q(item.type) + QStringLiteral(": ") +
                       Shown(item.description).section(QLatin1Char('\n'), 0, 0));
    const int keep = std::min(std::max(row, 0), list_->count() - 1);
    list_->setCurrentRow(keep);
    ShowItem(keep);
}

void CContentPage::ShowItem(int row) {
    shown_ = row;
    auto& items = sheet_.page().items;
    if (row < 0 || row >= int(items.size())) {
        editors_->setCurrentIndex(4);
        return;
    }
    const homepage::ContentItem& item = items[size_t(row)];
    if (item.type == homepage::kTitleItem) {
        const homepage::TitleItem t = homepage::ReadTitle(item.html);
        titleText_->setText(Q(t.text));
        heading_->setCurrentText(Q(t.headingTag));
        titleColour_->setText(Q(t.colour));
        titleCentred_->setChecked(t.centred);
        titleSeparator_->setChecked(t.separator);
        separatorImage_->setText(Q(t.separatorImage));
        editors_->setCurrentIndex(0);
    } else if (item.type == homepage::kTextItem) {
        const homepage::TextItem t = homepage::ReadText(item.html);
        text_->setPlainText(Shown(t.text));
        textCentred_->setChecked(t.centred);
        textBold_->setChecked(t.bold);
        textItalic_->setChecked(t.italic);
        textBullet_->setChecked(t.bullet);
        bulletImage_->setText(Q(t.bulletImage));
        editors_->setCurrentIndex(1);
    } else if (item.type == homepage::kGraphicItem) {
        const homepage::GraphicItem g = homepage::ReadGraphic(item.html);
        graphicAddress_->setText(Q(g.address));
        graphicCentred_->setChecked(g.centred);
        editors_->setCurrentIndex(2);
    } else {
        const homepage::LinkItem l = homepage::ReadLink(item.html);
        linkText_->setText(Q(l.text));
        linkAddress_->setText(Q(l.address));
        editors_->setCurrentIndex(3);
    }
}

void CContentPage::Apply() {
    auto& items = sheet_.page().items;
    if (shown_ < 0 || shown_ >= int(items.size())) return;
    homepage::ContentItem& item = items[size_t(shown_)];
    if (item.type == homepage::kTitleItem) {
        homepage::TitleItem t;
        t.text = S(titleText_->text());
        t.headingTag = S(heading_->currentText());
        t.colour = S(titleColour_->text().trimmed());
        if (t.colour.empty()) t.colour = "#000000";
        t.centred = titleCentred_->isChecked();
        t.separator = titleSeparator_->isChecked();
        t.separatorImage = S(separatorImage_->text().trimmed());
        item.html = homepage::BuildTitle(t);
    } else if (item.type == homepage::kTextItem) {
        homepage::TextItem t;
        t.text = Typed(text_);
        t.centred = textCentred_->isChecked();
        t.bold = textBold_->isChecked();
        t.italic = textItalic_->isChecked();
        t.bullet = textBullet_->isChecked();
        t.bulletImage = S(bulletImage_->text().trimmed());
        item.html = homepage::BuildText(t);
    } else if (item.type == homepage::kGraphicItem) {
        item.html =
            homepage::BuildGraphic({S(graphicAddress_->text().trimmed()), graphicCentred_->isChecked()});
    } else {
        item.html = homepage::BuildLink(
            {homepage::TypedLinkAddress(S(linkAddress_->text().trimmed())), S(linkText_->text())});
    }
    item.description = homepage::ReadContentItem(item.type, item.html).description;
    const int keep = shown_;
    Fill();
    shown_ = keep;
}

void CContentPage::AddItem(const QString& type) {
    Apply();
    auto& items = sheet_.page().items;
    const std::string t = S(type);
    std::string html = t == homepage::kTitleItem     ? homepage::BuildTitle({})
                       : t == homepage::kTextItem    ? homepage::BuildText({})
                       : t == homepage::kGraphicItem ? homepage::BuildGraphic({})
                                                     : homepage::BuildLink({});
    items.push_back({t, std::string(), html});
    Fill();
    list_->setCurrentRow(list_->count() - 1);
}

void CContentPage::DeleteItem() {
    auto& items = sheet_.page().items;
    const int row = list_->currentRow();
    if (row < 0 || row >= int(items.size())) return;
    items.erase(items.begin() + row);
    shown_ = -1;
    Fill();
}

void CContentPage::MoveItem(int by) {
    Apply();
    auto& items = sheet_.page().items;
    const int row = list_->currentRow(), to = row + by;
    if (row < 0 || to < 0 || to >= int(items.size())) return;
    std::swap(items[size_t(row)], items[size_t(to)]);
    shown_ = -1;
    Fill();
    list_->setCurrentRow(to);
}

// ---- the sheet

CHomePageWizard::CHomePageWizard(WizardEnv env, Mode mode, QWidget* parent)
    : QDialog(parent), env_(std::move(env)), mode_(mode) {
    setObjectName(QStringLiteral("CHomePageWizard"));
    setWindowTitle(QStringLiteral("Home Page Wizard"));
    working_ = std::make_unique<QTemporaryFile>(Q(PrivateTempDir()) + QStringLiteral("SKYXXXXXX.htm"));
    working_->open();
    working_->close();

    if (mode == Mode::Wizard) {
        pages_ = {new CUserInfoPage(*this), new CBackgroundsPage(*this), new CSeparatorPage(*this),
                  new CBulletsPage(*this),  new CLinksPage(*this),       new CPreviewHomePage(*this)};
    } else {
        homepage::LoadWizardPage(S(SavedPagePath()), &page_);
        pages_ = {new CBackgroundsPage(*this), new CPreviewHomePage(*this), new CContentPage(*this)};
    }
    auto* layout = new QVBoxLayout(this);
    if (mode == Mode::Wizard) {
        headingLabel_ = new QLabel(this);
        QFont bold = font();
        bold.setWeight(QFont::Bold);
        bold.setPointSizeF(bold.pointSizeF() + 6);
        headingLabel_->setFont(bold);
        stack_ = new QStackedWidget(this);
        for (HomePageWizardPage* p : pages_) stack_->addWidget(p);
        back_ = new QPushButton(QStringLiteral("< &Back"), this);
        next_ = new QPushButton(QStringLiteral("&Next >"), this);
        finish_ = new QPushButton(QStringLiteral("Finish"), this);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        for (QPushButton* b : {back_, next_, finish_, cancel}) buttons->addWidget(b);
        layout->addWidget(headingLabel_);
        layout->addWidget(stack_, 1);
        layout->addLayout(buttons);
        connect(back_, &QPushButton::clicked, this, &CHomePageWizard::Back);
        connect(next_, &QPushButton::clicked, this, &CHomePageWizard::Next);
        connect(finish_, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        ShowPage(pages_.front());
    } else {
        tabs_ = new QTabWidget(this);
        for (HomePageWizardPage* p : pages_) tabs_->addTab(p, p->heading());
        auto* box = new QDialogButtonBox(QDialogButtonBox::Close, this);
        layout->addWidget(tabs_, 1);
        layout->addWidget(box);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) {
            if (i >= 0 && i < int(pages_.size())) pages_[size_t(i)]->Activate();
        });
        pages_.front()->Activate();
    }
    resize(720, 560);
}

CHomePageWizard::~CHomePageWizard() = default;

HomePageWizardPage* CHomePageWizard::current() const {
    QWidget* w = stack_ ? stack_->currentWidget() : tabs_->currentWidget();
    return static_cast<HomePageWizardPage*>(w);
}

void CHomePageWizard::ShowPage(HomePageWizardPage* page) {
    if (!page) return;
    if (stack_) {
        stack_->setCurrentWidget(page);
        headingLabel_->setText(page->heading());
        UpdateButtons();
        page->Activate();
    } else if (tabs_->currentWidget() == page) {
        page->Activate();
    } else {
        tabs_->setCurrentWidget(page);
    }
}

void CHomePageWizard::Next() {
    const int i = stack_->currentIndex();
    if (i + 1 >= stack_->count()) return;
    current()->LeaveForward();
    ShowPage(pages_[size_t(i + 1)]);
}

void CHomePageWizard::Back() {
    const int i = stack_->currentIndex();
    if (i > 0) ShowPage(pages_[size_t(i - 1)]);
}

void CHomePageWizard::UpdateButtons() {
    const int i = stack_->currentIndex();
    back_->setEnabled(i > 0);
    const bool last = i + 1 == stack_->count();
    next_->setVisible(!last);
    finish_->setVisible(last);
}

QString CHomePageWizard::workingFile() const {
    return working_->fileName();
}

bool CHomePageWizard::WritePage(const QString& path) {
    std::string message;
    if (homepage::SaveWizardPage(S(path), page_, &message)) return true;
    ShowMessage(this, Q(message), QStringLiteral("Home Page Wizard"), MessageKind::Warning);
    return false;
}

QString CHomePageWizard::SavedPagePath() {
    return Q(homepage::PagePath("skyharbor.htm"));
}
QString CHomePageWizard::TestPagePath() {
    return Q(homepage::PagePath("test.htm"));
}

CHomePageWizard* CHomePageWizard::Open(const WizardEnv& env, Mode mode, QWidget* parent) {
    auto* sheet = new CHomePageWizard(env, mode, parent);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->show();
    return sheet;
}

}  // namespace sky::ui
