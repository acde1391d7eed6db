#include "ui/skypad/skypad_view.h"

#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QTextCursor>

namespace sky::ui {

namespace {

QFont EditorFont() {
    const QString courier = QStringLiteral("Courier New");
    QFont font = QFontDatabase::families().contains(courier)
                     ? QFont(courier)
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

}  // namespace

CSkyPadView::CSkyPadView(QWidget* parent) : QTextEdit(parent) {
    // Files are saved as plain text: pasted formatting would be lost anyway.
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    const QFont font = EditorFont();
    setFont(font);
    document()->setDefaultFont(font);
    setCurrentFont(font);
}

void CSkyPadView::AddMenus(QMenuBar* bar) {
    // Cursor edits bypass QTextEdit's read-only flag, so these are switched off with it.
    auto editing = [this](QAction* a) {
        editing_ << a;
        return a;
    };
    editMenu_ = bar->addMenu(tr("&Edit"));
    QAction* undoAction = editMenu_->addAction(tr("&Undo"), QKeySequence::Undo, this, &QTextEdit::undo);
    undoAction->setEnabled(false);
    connect(this, &QTextEdit::undoAvailable, undoAction, &QAction::setEnabled);
    editMenu_->addSeparator();
    editing(editMenu_->addAction(tr("Cu&t"), QKeySequence::Cut, this, &QTextEdit::cut));
    editMenu_->addAction(tr("&Copy"), QKeySequence::Copy, this, &QTextEdit::copy);
    editing(editMenu_->addAction(tr("&Paste"), QKeySequence::Paste, this, &QTextEdit::paste));
    editing(editMenu_->addAction(tr("Cle&ar"), QKeySequence::Delete, this,
                                 [this] { textCursor().removeSelectedText(); }));
    editMenu_->addAction(tr("Select A&ll"), QKeySequence::SelectAll, this, &QTextEdit::selectAll);
    editMenu_->addSeparator();
    editMenu_->addAction(tr("&Find..."), QKeySequence::Find, this, &CSkyPadView::findRequested);
    editMenu_->addAction(tr("Find &Next"), QKeySequence::FindNext, this, &CSkyPadView::findNextRequested);
    editing(
        editMenu_->addAction(tr("R&eplace..."), QKeySequence::Replace, this, &CSkyPadView::replaceRequested));

    formatMenu_ = bar->addMenu(tr("F&ormat"));
    editing(formatMenu_->menuAction());
    QMenu* fontMenu = formatMenu_->addMenu(tr("&Font"));
    fontMenu->addAction(tr("&Bold"), QKeySequence::Bold, this, [this] { ToggleFormat(0); });
    fontMenu->addAction(tr("&Italic"), QKeySequence::Italic, this, [this] { ToggleFormat(1); });
    fontMenu->addAction(tr("&Underline"), QKeySequence::Underline, this, [this] { ToggleFormat(2); });
    QMenu* paragraphMenu = formatMenu_->addMenu(tr("&Paragraph"));
    paragraphMenu->addAction(tr("&Center"), this, [this] {
        setAlignment(alignment() & Qt::AlignHCenter ? Qt::AlignLeft : Qt::AlignHCenter);
    });
    for (QMenu* m : {fontMenu, paragraphMenu})
        for (QAction* a : m->actions()) editing(a);
}

void CSkyPadView::SetReadOnly(bool readOnly) {
    setReadOnly(readOnly);
    for (QAction* a : editing_) a->setEnabled(!readOnly);
}

void CSkyPadView::ToggleFormat(int which) {
    QTextCharFormat current = textCursor().charFormat();
    QTextCharFormat change;
    if (which == 0) change.setFontWeight(current.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
    if (which == 1) change.setFontItalic(!current.fontItalic());
    if (which == 2) change.setFontUnderline(!current.fontUnderline());
    mergeCurrentCharFormat(change);
}

bool CSkyPadView::FindNext(const QString& text, bool matchCase) {
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        matchCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
    QTextCursor found = document()->find(text, textCursor(), flags);
    if (found.isNull()) found = document()->find(text, 0, flags);
    if (found.isNull()) return false;
    setTextCursor(found);
    return true;
}

bool CSkyPadView::ReplaceNext(const QString& text, const QString& with, bool matchCase) {
    if (isReadOnly()) return FindNext(text, matchCase);
    QTextCursor cursor = textCursor();
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (cursor.hasSelection() && cursor.selectedText().compare(text, cs) == 0) {
        cursor.insertText(with);
        setTextCursor(cursor);
    }
    return FindNext(text, matchCase);
}

int CSkyPadView::ReplaceAll(const QString& text, const QString& with, bool matchCase) {
    if (text.isEmpty() || isReadOnly()) return 0;
    const QTextDocument::FindFlags flags =
        matchCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
    QTextCursor edit(document());
    edit.beginEditBlock();  // one undo step
    int count = 0;
    QTextCursor found = document()->find(text, 0, flags);
    while (!found.isNull()) {
        found.insertText(with);
        ++count;
        found = document()->find(text, found, flags);
    }
    edit.endEditBlock();
    return count;
}

}  // namespace sky::ui
