#include "ui/homepage/page_edit_views.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include "core/base/atomic_file.h"
#include "core/base/paths.h"
#include "core/homepage/page_text.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/homepage/page_edit_doc.h"

namespace sky::ui {

using homepage::BlockKind;
using homepage::PageBlock;

namespace {

bool SamePage(const QUrl& a, const QUrl& b) {
    return a.adjusted(QUrl::RemoveFragment) == b.adjusted(QUrl::RemoveFragment);
}

void Lock(QWebEnginePage* page) {
    QWebEngineSettings* s = page->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    // The copy is a local file; its logo and backgrounds live on the service.
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
}

class PreviewPage : public QWebEnginePage {
public:
    PreviewPage(CPageEditBrowserView* view, std::function<QUrl()> self)
        : QWebEnginePage(view), view_(view), self_(std::move(self)) {
        Lock(this);
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (isMainFrame && SamePage(url, self_())) return true;
        if (type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted) {
            Hand(url);
            return false;
        }
        // A frame of the page loads what it names; the page itself never leaves.
        return !isMainFrame;
    }
    // A link aimed at another window or frame ("_blank", "_skycmd") is not
    // followed: without the page's scripts its target cannot be told apart
    // from a command link's.
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

private:
    void Hand(const QUrl& url) {
        // Command addresses are the program's own, never a page's to run.
        const QString scheme = url.scheme().toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
            scheme != QLatin1String("file") && scheme != QLatin1String("ftp"))
            return;
        if (view_->openElsewhere) view_->openElsewhere(url);
    }

    CPageEditBrowserView* view_;
    std::function<QUrl()> self_;
};

}  // namespace

CPageEditBrowserView::CPageEditBrowserView(CPageEditDoc& doc, QWidget* parent)
    : QWebEngineView(parent), doc_(doc) {
    static int serial = 0;
    scratch_ = QPath(JoinPath(PrivateTempDir(), "pageedit-view-" + std::to_string(++serial) + ".htm"));
    setPage(new PreviewPage(this, [this] { return QUrl::fromLocalFile(scratch_); }));
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(&doc_, &CPageEditDoc::pageChanged, this, &CPageEditBrowserView::ShowPage);
}

void CPageEditBrowserView::ShowPage() {
    std::string text;
    ReadWholeFile(SPath(doc_.path()), &text);
    // The copy sits in the private folder; the base keeps the page's own
    // pictures and links beside the page file.
    const QString dir = QFileInfo(doc_.path()).absolutePath();
    std::string copy = "<BASE HREF=\"" +
                       S(QUrl::fromLocalFile(dir + QLatin1Char('/')).toString(QUrl::FullyEncoded)) +
                       "\">\r\n" + text;
    WriteFileAtomically(SPath(scratch_), copy);
    ++loads_;
    load(QUrl::fromLocalFile(scratch_));
}

// ---- parts

namespace {

// Sixteen-pixel pictures on magenta, which is transparent.
QPixmap IconStrip() {
    constexpr int kIcons = 18;
    QPixmap strip(16 * kIcons, 16);
    strip.fill(Qt::magenta);
    QPainter p(&strip);
    for (int i = 0; i < kIcons; ++i) {
        const QRect r(16 * i + 2, 2, 12, 12);
        if (i == 17) {  // colours
            p.fillRect(QRect(r.x(), r.y(), 6, 6), Qt::red);
            p.fillRect(QRect(r.x() + 6, r.y(), 6, 6), Qt::green);
            p.fillRect(QRect(r.x(), r.y() + 6, 6, 6), Qt::blue);
            p.fillRect(QRect(r.x() + 6, r.y() + 6, 6, 6), Qt::yellow);
        } else if (i == 14) {  // text
            p.fillRect(r, Qt::white);
            p.setPen(Qt::black);
            for (int y = r.y() + 2; y < r.bottom(); y += 3) p.drawLine(r.x() + 2, y, r.right() - 2, y);
        } else {  // a page of HTML
            p.fillRect(r, QColor(0xFF, 0xFF, 0xE0));
            p.setPen(Qt::darkBlue);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.drawText(r, Qt::AlignCenter, QStringLiteral("<>"));
        }
    }
    p.end();
    strip.setMask(strip.createMaskFromColor(Qt::magenta));
    return strip;
}

QIcon IconAt(int index) {
    static const QPixmap strip = IconStrip();
    const int count = strip.width() / 16;
    if (index < 0 || index >= count) index = 2;
    return QIcon(strip.copy(16 * index, 0, 16, 16));
}

}  // namespace

CPageEditPartsView::CPageEditPartsView(CPageEditDoc& doc, QWidget* parent) : QTreeWidget(parent), doc_(doc) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIconSize(QSize(16, 16));
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
        if (!item) return;
        const int previous = doc_.selected();
        doc_.Select(item->data(0, Qt::UserRole).toInt());
        // A paragraph's entry follows its topic once committed.
        if (QTreeWidgetItem* old = ItemOf(previous); old && previous < int(doc_.blocks().size()))
            old->setText(0, Q(doc_.blocks()[previous].DisplayName().text));
    });
}

void CPageEditPartsView::Fill() {
    QSignalBlocker quiet(this);
    clear();
    auto& blocks = doc_.blocks();
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (!blocks[i].Listed()) continue;
        const homepage::BlockListing listing = blocks[i].DisplayName();
        auto* item = new QTreeWidgetItem(this, QStringList{Q(listing.text)});
        item->setIcon(0, IconAt(listing.icon));
        item->setData(0, Qt::UserRole, int(i));
    }
    if (QTreeWidgetItem* item = ItemOf(doc_.selected())) setCurrentItem(item);
}

QTreeWidgetItem* CPageEditPartsView::ItemOf(int index) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->data(0, Qt::UserRole).toInt() == index) return topLevelItem(i);
    return nullptr;
}

// ---- block editors

QString HtmlProblem(BlockKind kind, const std::string& html) {
    homepage::PageBlockList back = homepage::PageBlockList::Parse(html);
    const bool markerWanted = kind != BlockKind::Unmarked;
    if (back.size() > 1 ||
        (back.size() == 1 && (markerWanted ? back[0].kind() != kind : back[0].kind() != BlockKind::Unmarked)))
        return QStringLiteral("it no longer reads back as this one part of the page");
    size_t at = 0;
    while ((at = html.find("<!--", at)) != std::string::npos) {
        const size_t end = html.find("-->", at + 4);
        if (end == std::string::npos) return QStringLiteral("a comment is not closed");
        at = end + 3;
    }
    // Outside comments, every tag needs its '>'.
    bool inTag = false;
    for (size_t i = 0; i < html.size(); ++i) {
        if (html.compare(i, 4, "<!--") == 0) {
            i = html.find("-->", i) + 2;
            continue;
        }
        if (html[i] == '<') {
            if (inTag) return QStringLiteral("a tag is not closed");
            inTag = i + 1 < html.size() && (std::isalpha(static_cast<unsigned char>(html[i + 1])) ||
                                            html[i + 1] == '/' || html[i + 1] == '!');
        } else if (html[i] == '>') {
            inTag = false;
        }
    }
    if (inTag) return QStringLiteral("a tag is not closed");
    return {};
}

namespace {

class HtmlEditor : public BlockEditor {
public:
    HtmlEditor(homepage::RawBlock& block, QWidget* parent) : BlockEditor(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        text_ = new QPlainTextEdit(Q(block.html), this);
        text_->setObjectName(QStringLiteral("html"));
        text_->setLineWrapMode(QPlainTextEdit::NoWrap);
        layout->addWidget(text_);
    }
    bool Commit(PageBlock& block) override {
        auto& raw = static_cast<homepage::RawBlock&>(block);
        std::string html = S(text_->toPlainText());
        // The editor shows line breaks as the file has them only when it had them.
        if (raw.html.find("\r\n") != std::string::npos) {
            std::string crlf;
            for (char c : html) {
                if (c == '\n') crlf += '\r';
                crlf += c;
            }
            html = std::move(crlf);
        }
        if (html == raw.html) return false;
        const QString problem = HtmlProblem(block.kind(), html);
        if (!problem.isEmpty() &&
            !AskYesNo(
                this,
                QStringLiteral("The HTML of this part has a fault: %1.\n\nKeep it anyway?").arg(problem),
                QStringLiteral("Page Editor")))
            return false;
        raw.html = std::move(html);
        return true;
    }

private:
    QPlainTextEdit* text_;
};

QComboBox* StyleList(int style, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("style"));
    for (int i = 0; i <= 4; ++i)
        list->addItem(i == 0 ? QStringLiteral("Plain") : QStringLiteral("Style %1").arg(i));
    if (style >= 0 && style < list->count()) list->setCurrentIndex(style);
    return list;
}

class TitleEditor : public BlockEditor {
public:
    TitleEditor(homepage::TitleBlock& block, QWidget* parent) : BlockEditor(parent) {
        auto* form = new QFormLayout(this);
        title_ = new QLineEdit(Q(block.title), this);
        title_->setObjectName(QStringLiteral("title"));
        subtitle_ = new QLineEdit(Q(block.subtitle), this);
        subtitle_->setObjectName(QStringLiteral("subtitle"));
        style_ = StyleList(block.style, this);
        original_ = block.style;
        form->addRow(QStringLiteral("Title:"), title_);
        form->addRow(QStringLiteral("Subtitle:"), subtitle_);
        form->addRow(QStringLiteral("Style:"), style_);
    }
    bool Commit(PageBlock& block) override {
        auto& t = static_cast<homepage::TitleBlock&>(block);
        const int style =
            style_->currentIndex() == std::clamp(original_, 0, 4) ? original_ : style_->currentIndex();
        if (S(title_->text()) == t.title && S(subtitle_->text()) == t.subtitle && style == t.style)
            return false;
        t.title = S(title_->text());
        t.subtitle = S(subtitle_->text());
        t.style = style;
        return true;
    }

private:
    QLineEdit *title_, *subtitle_;
    QComboBox* style_;
    int original_;
};

class ParagraphEditor : public BlockEditor {
public:
    ParagraphEditor(homepage::ParagraphBlock& block, QWidget* parent) : BlockEditor(parent) {
        auto* form = new QFormLayout(this);
        topic_ = new QLineEdit(Q(block.topic), this);
        topic_->setObjectName(QStringLiteral("topic"));
        text_ = new QPlainTextEdit(Q(block.text), this);
        text_->setObjectName(QStringLiteral("text"));
        style_ = StyleList(block.style, this);
        original_ = block.style;
        form->addRow(QStringLiteral("Topic:"), topic_);
        form->addRow(QStringLiteral("Text:"), text_);
        form->addRow(QStringLiteral("Style:"), style_);
    }
    bool Commit(PageBlock& block) override {
        auto& p = static_cast<homepage::ParagraphBlock&>(block);
        // A style the list cannot show stays as read until another is picked.
        const int style =
            style_->currentIndex() == std::clamp(original_, 0, 4) ? original_ : style_->currentIndex();
        if (S(topic_->text()) == p.topic && S(text_->toPlainText()) == p.text && style == p.style)
            return false;
        p.topic = S(topic_->text());
        p.text = S(text_->toPlainText());
        p.style = style;
        return true;
    }

private:
    QLineEdit* topic_;
    QPlainTextEdit* text_;
    QComboBox* style_;
    int original_;
};

class ColorSchemeEditor : public BlockEditor {
public:
    ColorSchemeEditor(homepage::ColorSchemeBlock& block, const BackgroundPicker& picker, QWidget* parent)
        : BlockEditor(parent), block_(block) {
        auto* layout = new QVBoxLayout(this);
        AddColour(layout, QStringLiteral("Background Color..."), &homepage::ColorSchemeBlock::bgColor);
        AddColour(layout, QStringLiteral("Text Color..."), &homepage::ColorSchemeBlock::textColor);
        AddColour(layout, QStringLiteral("Link Color..."), &homepage::ColorSchemeBlock::linkColor);
        AddColour(layout, QStringLiteral("Visited Link Color..."), &homepage::ColorSchemeBlock::vlinkColor);
        auto* background = new QPushButton(QStringLiteral("Background Image..."), this);
        background->setObjectName(QStringLiteral("background"));
        layout->addWidget(background);
        layout->addStretch();
        connect(background, &QPushButton::clicked, this, [this, picker] {
            if (!picker) return;
            const QString address = picker(this);
            if (address.isEmpty()) return;
            block_.background = S(address);
            if (commitNow) commitNow();
        });
    }
    // Colours are stored as they are chosen.
    bool Commit(PageBlock&) override { return false; }

private:
    void AddColour(QVBoxLayout* layout, const QString& text, std::string homepage::ColorSchemeBlock::*field) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(text);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, field] {
            QColorDialog dialog(QColor(Q(block_.*field)), this);
            dialog.setObjectName(QStringLiteral("colour"));
            if (ExecDialog(dialog) != QDialog::Accepted) return;
            const QColor c = dialog.selectedColor();
            block_.*field = homepage::ColourText(c.red(), c.green(), c.blue());
            if (commitNow) commitNow();
        });
    }

    homepage::ColorSchemeBlock& block_;
};

}  // namespace

// ---- detail

CPageEditDetailView::CPageEditDetailView(CPageEditDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    auto* layout = new QVBoxLayout(this);
    hint_ = new QLabel(QStringLiteral("Select a item (on the left) to edit a piece of this page"), this);
    hint_->setAlignment(Qt::AlignCenter);
    area_ = new QWidget(this);
    auto* areaLayout = new QVBoxLayout(area_);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    undoButton_ = new QPushButton(QStringLiteral("Undo"), this);
    undoButton_->setObjectName(QStringLiteral("undo"));
    undoButton_->setEnabled(false);
    layout->addWidget(hint_);
    layout->addWidget(area_, 1);
    layout->addWidget(undoButton_, 0, Qt::AlignRight);
    connect(undoButton_, &QPushButton::clicked, this, &CPageEditDetailView::Undo);
    connect(&doc_, &CPageEditDoc::selectionChanged, this, &CPageEditDetailView::OnSelection);
}

void CPageEditDetailView::Written(const std::string& before) {
    QString message;
    if (!doc_.Save(&message)) {
        ShowMessage(this, message, QStringLiteral("Page Editor"), MessageKind::Warning);
        return;
    }
    undo_.push_back(before);
    undoButton_->setEnabled(true);
}

void CPageEditDetailView::CommitOpen() {
    if (!editor_ || shown_ < 0 || shown_ >= int(doc_.blocks().size())) return;
    // The file as it was, for Undo; Write names titles and paragraphs as before.
    const std::string before = doc_.blocks().Write();
    if (editor_->Commit(doc_.blocks()[shown_])) Written(before);
}

void CPageEditDetailView::OnSelection(int, int current) {
    CommitOpen();
    delete editor_;
    shown_ = -1;
    Open(current);
}

void CPageEditDetailView::Open(int index) {
    hint_->setVisible(true);
    if (index < 0 || index >= int(doc_.blocks().size())) return;
    PageBlock& block = doc_.blocks()[index];
    BlockEditor* editor = nullptr;
    switch (block.kind()) {
        case BlockKind::Html:
        case BlockKind::Wizard:
        case BlockKind::Unmarked:
            editor = new HtmlEditor(static_cast<homepage::RawBlock&>(block), area_);
            break;
        case BlockKind::Title:
            editor = new TitleEditor(static_cast<homepage::TitleBlock&>(block), area_);
            break;
        case BlockKind::Paragraph:
            editor = new ParagraphEditor(static_cast<homepage::ParagraphBlock&>(block), area_);
            break;
        case BlockKind::ColorScheme:
            editor =
                new ColorSchemeEditor(static_cast<homepage::ColorSchemeBlock&>(block), pickBackground, area_);
            break;
        case BlockKind::Hidden:
            return;
    }
    // The colour editor changes the block before it commits; the undo step
    // holds the file as written last.
    editor->commitNow = [this] {
        std::string before;
        ReadWholeFile(SPath(doc_.path()), &before);
        Written(before);
    };
    area_->layout()->addWidget(editor);
    editor_ = editor;
    shown_ = index;
    hint_->setVisible(false);
    editor->show();
}

void CPageEditDetailView::Undo() {
    if (undo_.isEmpty()) return;
    delete editor_;
    const int shown = shown_;
    shown_ = -1;
    const std::string logo = doc_.blocks().logo_address();
    doc_.blocks() = homepage::PageBlockList::Parse(undo_.takeLast());
    doc_.blocks().set_logo_address(logo);
    undoButton_->setEnabled(!undo_.isEmpty());
    QString message;
    if (!doc_.Save(&message)) ShowMessage(this, message, QStringLiteral("Page Editor"), MessageKind::Warning);
    emit blocksReset();
    Open(shown);
}

}  // namespace sky::ui
