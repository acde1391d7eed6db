#pragma once

#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTreeWidget>
#include <QUrl>
#include <QWebEngineView>
#include <QWidget>
#include <functional>

#include "core/homepage/page_block.h"

class QStackedLayout;
class QPushButton;

namespace sky::ui {

class CPageEditDoc;

// The page as it will look. Nothing in it runs: scripts are off, and every
// navigation but the page itself goes to `openElsewhere` (the main browser)
// instead; command links and pop-ups never run here.
class CPageEditBrowserView : public QWebEngineView {
    Q_OBJECT
public:
    CPageEditBrowserView(CPageEditDoc& doc, QWidget* parent = nullptr);

    std::function<void(const QUrl& url)> openElsewhere;
    // The copy the pane shows; reloaded on every page change.
    QString scratchPath() const { return scratch_; }
    int loads() const { return loads_; }

    void ShowPage();

private:
    CPageEditDoc& doc_;
    QString scratch_;
    int loads_ = 0;
};

// The list of parts, one entry per listed block, each with its icon.
class CPageEditPartsView : public QTreeWidget {
    Q_OBJECT
public:
    CPageEditPartsView(CPageEditDoc& doc, QWidget* parent = nullptr);

    // Rebuilds the entries from the document's blocks.
    void Fill();
    // The entry of block `index`, or null.
    QTreeWidgetItem* ItemOf(int index) const;

private:
    CPageEditDoc& doc_;
};

// One editor for one block; Commit copies its fields back into the block.
class BlockEditor : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // True when the block changed.
    virtual bool Commit(homepage::PageBlock& block) = 0;
    // Called by editors that store at once (the colour scheme).
    std::function<void()> commitNow;
};

// Where the background picker is found and what it answers: the image
// address, or empty when cancelled.
using BackgroundPicker = std::function<QString(QWidget* parent)>;

// Shows one block editor at a time: the old block is committed and the page
// written when the selection moves. Each commit can be undone.
class CPageEditDetailView : public QWidget {
    Q_OBJECT
public:
    CPageEditDetailView(CPageEditDoc& doc, QWidget* parent = nullptr);

    BackgroundPicker pickBackground;
    // Commits the open editor (as a selection change would).
    void CommitOpen();
    bool CanUndo() const { return !undo_.isEmpty(); }
    void Undo();
    BlockEditor* editor() const { return editor_; }

signals:
    // The blocks were replaced (an undo): the parts list rebuilds.
    void blocksReset();

private:
    void OnSelection(int previous, int current);
    void Open(int index);
    // Writes the page after a commit; `before` is the file as it was.
    void Written(const std::string& before);

    CPageEditDoc& doc_;
    QLabel* hint_;
    QPushButton* undoButton_;
    QWidget* area_;
    QPointer<BlockEditor> editor_;
    int shown_ = -1;
    QList<std::string> undo_;
};

// A block's HTML that would not read back as the same single block: a
// marker inside it, an open comment or an unclosed tag. Empty when fine.
QString HtmlProblem(homepage::BlockKind kind, const std::string& html);

}  // namespace sky::ui
