#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWizard>
#include <filesystem>
#include <memory>

#include "core/base/paths.h"
#include "core/channels/channel_list.h"
#include "core/channels/favorites.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/channels/channel_designer.h"
#include "ui/channels/channel_import.h"
#include "ui/channels/export_sheet.h"
#include "ui/channels/favorites_view.h"

using namespace sky;
using namespace sky::ui;
using Choice = ClashResolver::Choice;

namespace {

struct Box {
    MessageKind kind;
    QString title;
    QString text;
};

// News: Home (page), Papers (folder: Post, Star); Sports: Scores (page).
void MakeList(CChannelList& list) {
    list.Clear();
    CChannelItem* news = list.AppendChannel("News");
    CChannelList::AppendChild(news, "Home", "http://news.example/");
    CChannelItem* papers = CChannelList::AppendChild(news, "Papers", "_FOLDER");
    CChannelList::AppendChild(papers, "Post", "http://post.example/");
    CChannelList::AppendChild(papers, "Star", "http://star.example/");
    CChannelItem* sports = list.AppendChannel("Sports");
    CChannelList::AppendChild(sports, "Scores", "http://scores.example/");
}

// The tree as "Channel[Entry[Page,...],...] ...".
QString Dump(const QTreeWidget* tree) {
    std::function<QString(QTreeWidgetItem*)> item = [&](QTreeWidgetItem* it) {
        QString s = it->text(0);
        if (it->childCount() == 0) return s;
        QStringList kids;
        for (int i = 0; i < it->childCount(); ++i) kids << item(it->child(i));
        return s + "[" + kids.join(",") + "]";
    };
    QStringList top;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) top << item(tree->topLevelItem(i));
    return top.join(" ");
}

// Finds an item by a path of names, "News/Papers/Post".
QTreeWidgetItem* Find(QTreeWidget* tree, const QString& path) {
    QTreeWidgetItem* found = nullptr;
    for (const QString& name : path.split('/')) {
        int n = found ? found->childCount() : tree->topLevelItemCount();
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < n && !next; ++i) {
            QTreeWidgetItem* c = found ? found->child(i) : tree->topLevelItem(i);
            if (c->text(0) == name) next = c;
        }
        if (!next) return nullptr;
        found = next;
    }
    return found;
}

}  // namespace

class UiDesignerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    QList<Box> boxes_;
    bool answer_ = false;

    QStringList Texts() const {
        QStringList out;
        for (const Box& b : boxes_) out << b.text;
        return out;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        boxes_.clear();
        answer_ = false;
        SetMessageHook([this](MessageKind kind, const QString& title, const QString& text) {
            boxes_ << Box{kind, title, text};
            return answer_;
        });
    }
    void cleanup() {
        SetMessageHook({});
        DialogClashResolver::SetClashHook({});
        sandbox_.reset();
    }

    void dragTable_data() {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("refusal");
        const QString before = "News[Home,Papers[Post,Star]] Sports[Scores]";
        const QString onChannel = "You cannot drop on channel on this type of item";
        const QString downHere = "You cannot drop on folder down to this level";
        QTest::newRow("channel on channel") << "Sports"
                                            << "News"
                                            << "Sports[Scores] News[Home,Papers[Post,Star]]" << QString();
        QTest::newRow("channel on entry") << "Sports"
                                          << "News/Home" << before << onChannel;
        QTest::newRow("channel on page in folder") << "News"
                                                   << "News/Papers/Post" << before << onChannel;
        QTest::newRow("entry on channel") << "News/Papers"
                                          << "Sports"
                                          << "News[Home] Sports[Papers[Post,Star],Scores]" << QString();
        QTest::newRow("entry on entry") << "Sports/Scores"
                                        << "News/Papers"
                                        << "News[Home,Scores,Papers[Post,Star]] Sports" << QString();
        QTest::newRow("entry on next sibling") << "News/Home"
                                               << "News/Papers" << before << QString();
        QTest::newRow("entry on previous sibling")
            << "News/Papers"
            << "News/Home"
            << "News[Papers[Post,Star],Home] Sports[Scores]" << QString();
        QTest::newRow("entry on page in folder") << "News/Home"
                                                 << "News/Papers/Star" << before << downHere;
        QTest::newRow("page on channel") << "News/Papers/Star"
                                         << "Sports"
                                         << "News[Home,Papers[Post]] Sports[Star,Scores]" << QString();
        QTest::newRow("page on entry") << "News/Papers/Post"
                                       << "Sports/Scores"
                                       << "News[Home,Papers[Star]] Sports[Scores[Post]]" << QString();
        QTest::newRow("page on page in folder") << "News/Papers/Star"
                                                << "News/Papers/Post"
                                                << "News[Home,Papers[Star,Post]] Sports[Scores]" << QString();
    }
    void dragTable() {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(QString, tree);
        QFETCH(QString, refusal);
        CChannelList list;
        MakeList(list);
        CChannelDesigner designer(list, {}, {});
        designer.Open();
        QTreeWidgetItem* from = Find(designer.tree(), dragged);
        QTreeWidgetItem* to = Find(designer.tree(), target);
        QVERIFY(from && to);
        QString name = from->text(0);

        QCOMPARE(designer.DropItem(from, to), refusal.isEmpty());
        QCOMPARE(Dump(designer.tree()), tree);
        if (refusal.isEmpty()) {
            QVERIFY(boxes_.isEmpty());
            QCOMPARE(designer.tree()->currentItem()->text(0), name);
        } else {
            QCOMPARE(Texts(), QStringList{refusal});
        }
        // A page entry that received a page is drawn and kept as a folder.
        if (QTreeWidgetItem* scores = Find(designer.tree(), "Sports/Scores"); scores && scores->childCount())
            QVERIFY(CChannelDesigner::ItemData(scores)->ShownAsFolder());
    }

    void addRulesAndMessages() {
        CChannelList list;
        MakeList(list);
        CChannelDesigner designer(list, "Weather Now", "http://weather.example/");
        designer.Open();
        QStringList prompts;
        designer.promptHook = [&](const QString& prompt) -> std::optional<QString> {
            prompts << prompt;
            return QStringLiteral("Extra");
        };
        QCOMPARE(designer.nameLabel()->text(),
                 QStringLiteral("<-- Select a channel to update/delete or push the ADD button!"));
        designer.AddFolder();
        designer.AddPage();
        QCOMPARE(Texts(), (QStringList{"Select channel where to add the folder",
                                       "Select Folder/Channel where to add the page"}));
        QVERIFY(prompts.isEmpty());
        // Without a selection a channel goes at the end; its name is cut to 15.
        designer.promptHook = [&](const QString& prompt) -> std::optional<QString> {
            prompts << prompt;
            return QStringLiteral("A Very Long Channel Name");
        };
        designer.AddChannel();
        QCOMPARE(Dump(designer.tree()),
                 QStringLiteral("News[Home,Papers[Post,Star]] Sports[Scores] A Very Long Cha"));
        // The rename field holds a channel to the same 15, a folder to 20.
        designer.nameEdit()->setText("Another Very Long Name");
        designer.UpdateItem();
        QCOMPARE(designer.tree()->topLevelItem(2)->text(0), QStringLiteral("Another Very Lo"));
        designer.tree()->setCurrentItem(Find(designer.tree(), "News/Papers"));
        QCOMPARE(designer.nameEdit()->maxLength(), 20);
        delete designer.tree()->topLevelItem(2);
        prompts.clear();
        designer.promptHook = [&](const QString& prompt) -> std::optional<QString> {
            prompts << prompt;
            return QStringLiteral("Extra");
        };
        designer.tree()->setCurrentItem(nullptr);

        boxes_.clear();
        designer.tree()->setCurrentItem(Find(designer.tree(), "News/Papers/Post"));
        QCOMPARE(designer.nameLabel()->text(), QStringLiteral("Web Site Title"));
        designer.AddFolder();
        QCOMPARE(Texts(), QStringList{"Select a Channel to put the folder in"});

        // A new channel goes before the channel of the selection.
        designer.AddChannel();
        QCOMPARE(prompts, QStringList{"Enter Channel Name (15 chars max)"});
        QCOMPARE(designer.nameLabel()->text(), QStringLiteral("Channel Name:"));
        designer.tree()->setCurrentItem(Find(designer.tree(), "Sports/Scores"));
        designer.AddFolder();
        QCOMPARE(prompts.last(), QStringLiteral("Enter Channel Name (20 chars max)"));
        QCOMPARE(designer.nameLabel()->text(), QStringLiteral("Folder Name:"));
        QCOMPARE(Dump(designer.tree()),
                 QStringLiteral("Extra News[Home,Papers[Post,Star]] Sports[Scores,Extra]"));

        // A page under a page entry turns the entry into a folder of one page.
        boxes_.clear();
        QString offeredTitle, offeredUrl;
        designer.pageDialogHook = [&](QString& title, QString& url) {
            offeredTitle = title;
            offeredUrl = url;
            return true;
        };
        designer.tree()->setCurrentItem(Find(designer.tree(), "News/Home"));
        QCOMPARE(designer.nameLabel()->text(), QStringLiteral("Web Site Title"));
        QCOMPARE(designer.urlEdit()->text(), QStringLiteral("http://news.example/"));
        designer.AddPage();
        QCOMPARE(offeredTitle, QStringLiteral("Weather Now"));
        QCOMPARE(offeredUrl, QStringLiteral("http://weather.example/"));
        QCOMPARE(Texts(), QStringList{"Added it !  \n\nYou may now arrange your channels"});
        QCOMPARE(designer.tree()->currentItem()->text(0), QStringLiteral("Weather Now"));
        QVERIFY(CChannelDesigner::ItemData(Find(designer.tree(), "News/Home"))->ShownAsFolder());
        // With a page in a folder selected the page goes after it.
        designer.tree()->setCurrentItem(Find(designer.tree(), "News/Papers/Post"));
        designer.AddPage();

        // Update renames a page and changes its address.
        designer.tree()->setCurrentItem(Find(designer.tree(), "Sports/Scores"));
        designer.nameEdit()->setText("Results");
        designer.urlEdit()->setText("http://results.example/");
        designer.UpdateItem();

        designer.accept();
        QVERIFY(designer.saved());
        CChannelList back;
        QVERIFY(back.Load(MainChannelFilePath()));
        QCOMPARE(back.Serialize(), list.Serialize());
        QCOMPARE(Dump(designer.tree()),
                 QStringLiteral(
                     "Extra News[Home[Weather Now],Papers[Post,Weather Now,Star]] Sports[Results,Extra]"));
        CChannelItem* home = back.at(1)->children[0].get();
        QVERIFY(home->IsFolder());
        QCOMPARE(home->children.size(), size_t(1));
        QCOMPARE(home->children[0]->url, std::string("http://weather.example/"));
        QVERIFY(list.Serialize().find("~FO:Home") != std::string::npos);
        QCOMPARE(back.at(2)->children[0]->url, std::string("http://results.example/"));
        QCOMPARE(back.at(2)->children[1]->url, std::string(kDesignerFolderMark));
    }

    void deleteAsksAndCancelKeepsList() {
        CChannelList list;
        MakeList(list);
        const std::string original = list.Serialize();
        CChannelDesigner designer(list, {}, {});
        designer.Open(0, 1);
        QCOMPARE(designer.tree()->currentItem()->text(0), QStringLiteral("Papers"));
        designer.DeleteItem();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, MessageKind::Question);
        QCOMPARE(boxes_[0].title, QStringLiteral("Are you sure ?"));
        QCOMPARE(boxes_[0].text, QStringLiteral("This will delete the selected item from your channels."));
        QCOMPARE(Dump(designer.tree()), QStringLiteral("News[Home,Papers[Post,Star]] Sports[Scores]"));
        answer_ = true;
        designer.DeleteItem();
        QCOMPARE(Dump(designer.tree()), QStringLiteral("News[Home] Sports[Scores]"));
        designer.reject();
        QCOMPARE(list.Serialize(), original);
        QVERIFY(!std::filesystem::exists(MainChannelFilePath()));
    }

    void okReportsSaveFailure() {
        // A folder where the file should be makes the write fail.
        std::filesystem::create_directories(MainChannelFilePath() + "/blocked");
        CChannelList list;
        MakeList(list);
        CChannelDesigner designer(list, {}, {});
        designer.Open();
        designer.accept();
        QVERIFY(!designer.saved());
        QCOMPARE(Texts(), QStringList{QString::fromLatin1(kSaveError)});
        QCOMPARE(designer.result(), int(QDialog::Accepted));
    }

    void exportWritesSelectedChannel() {
        CChannelList list;
        MakeList(list);
        list.AppendChannel("Music");
        CExportSheet sheet(list);
        sheet.restart();
        sheet.next();
        QCOMPARE(Texts(), QStringList{"You must select at least one channel"});
        QCOMPARE(sheet.currentPage(), static_cast<QWizardPage*>(sheet.page1()));
        sheet.page1()->list()->item(1)->setSelected(true);
        sheet.next();
        QCOMPARE(sheet.currentPage(), static_cast<QWizardPage*>(sheet.page2()));

        // Not ".sdf": the question gives the reason; Yes puts the extension on, No takes the name.
        boxes_.clear();
        sheet.page2()->fileEdit()->setText("sports.txt");
        answer_ = true;
        sheet.next();
        QCOMPARE(sheet.currentPage(), static_cast<QWizardPage*>(sheet.page3()));
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text,
                 QStringLiteral("File Extension is not '.sdf'\n\nWould you like to change it?"));
        QCOMPARE(sheet.page2()->filePath(),
                 QString::fromStdString(GetDataDir("Channel Files")) + "sports.txt.sdf");
        sheet.back();
        answer_ = false;
        sheet.page2()->fileEdit()->setText("sports.txt");
        sheet.next();
        QCOMPARE(sheet.currentPage(), static_cast<QWizardPage*>(sheet.page3()));
        QCOMPARE(sheet.page2()->filePath(),
                 QString::fromStdString(GetDataDir("Channel Files")) + "sports.txt");
        sheet.back();

        boxes_.clear();
        sheet.page2()->fileEdit()->setText("");
        sheet.next();
        QCOMPARE(sheet.currentPage(), static_cast<QWizardPage*>(sheet.page2()));
        QCOMPARE(boxes_.size(), 1);
        sheet.page2()->fileEdit()->setText("sports.sdf");
        sheet.next();
        QCOMPARE(sheet.page3()->countLabel()->text(),
                 QStringLiteral("You have selected 1 channel(s) to export"));
        const QString path = QString::fromStdString(GetDataDir("Channel Files")) + "sports.sdf";
        QCOMPARE(sheet.page3()->fileLabel()->text(), "Filename: " + path);

        boxes_.clear();
        sheet.accept();
        QCOMPARE(Texts(), QStringList{"Done !"});
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        CChannelList only;
        only.channels().push_back(list.at(1)->Clone());
        QCOMPARE(test::ReadFile(path.toStdString()), only.Serialize());
    }

    void clashDialogDefaultsToAppendAndCancelStopsTheImport() {
        ClashDialog dialog("News");
        QCOMPARE(dialog.windowTitle(), QString::fromLatin1(kClashTitle));
        QStringList labels;
        for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
        QVERIFY(labels.contains("The channel 'News' already exists."));
        // OK without a click appends: nothing is lost.
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(dialog.choice(), Choice::Append);

        // Cancel on the second clash: the first clash's replacement is undone too.
        test::WriteFile(sandbox_->path("in.sdf"), "\r\n~CH:News\r\n~CH:Sports\r\n~CH:Music");
        CChannelList list;
        MakeList(list);
        const std::string before = list.Serialize();
        int asked = 0;
        DialogClashResolver::SetClashHook(
            [&](const QString&) { return ++asked == 1 ? Choice::Replace : Choice::Cancel; });
        bool cancelled = false;
        QVERIFY(
            !ImportChannelFile(nullptr, list, QString::fromStdString(sandbox_->path("in.sdf")), &cancelled));
        QVERIFY(cancelled);
        QCOMPARE(asked, 2);
        QCOMPARE(list.Serialize(), before);
        // The real dialog's Cancel is the resolver's Cancel.
        DialogClashResolver::SetClashHook({});
        QTimer::singleShot(0, [] {
            auto* clash = qobject_cast<ClashDialog*>(QApplication::activeModalWidget());
            if (clash) clash->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        });
        DialogClashResolver resolver(nullptr);
        QCOMPARE(resolver.AskClash("News"), Choice::Cancel);
    }

    void importAsksThroughTheResolver() {
        test::WriteFile(sandbox_->path("in.sdf"), "\r\n~CH:News\r\n~CH:Sports\r\n~CH:Music");
        QStringList asked;
        DialogClashResolver::SetClashHook([&](const QString& name) {
            asked << name;
            return Choice::Append;
        });
        // Declining the apply-to-all question asks about every clash and never again.
        CChannelList list;
        MakeList(list);
        QVERIFY(ImportChannelFile(nullptr, list, QString::fromStdString(sandbox_->path("in.sdf"))));
        QCOMPARE(asked, (QStringList{"News", "Sports"}));
        QCOMPARE(Texts(), QStringList{"Append all new channels that have the same names? "});
        QCOMPARE(boxes_[0].kind, MessageKind::Question);
        QCOMPARE(list.size(), size_t(5));
        QCOMPARE(list.at(2)->name, std::string("News2"));
        QCOMPARE(list.at(3)->name, std::string("Sports2"));

        // Yes makes the first choice stand.
        asked.clear();
        boxes_.clear();
        answer_ = true;
        DialogClashResolver::SetClashHook([&](const QString& name) {
            asked << name;
            return Choice::Replace;
        });
        MakeList(list);
        QVERIFY(ImportChannelFile(nullptr, list, QString::fromStdString(sandbox_->path("in.sdf"))));
        QCOMPARE(asked, QStringList{"News"});
        QCOMPARE(Texts(), QStringList{"Delete all existing channels that have the same names? "});
        QCOMPARE(list.at(0)->name, std::string("*DELETED:News"));
        QCOMPARE(list.at(1)->name, std::string("*DELETED:Sports"));

        QVERIFY(!ImportChannelFile(nullptr, list, QString::fromStdString(sandbox_->path("missing.sdf"))));
    }

    void favoritesTreeOpenAndAdd() {
        const std::string fav = FavoritesDir();
        test::WriteFile(fav + "News/Post.url", "[InternetShortcut]\r\nURL=http://post.example/\r\n");
        test::WriteFile(fav + "Harbour.url", "[InternetShortcut]\r\nURL=http://harbour.example/\r\n");
        test::WriteFile(fav + "Blank.url", "[InternetShortcut]\r\nIconIndex=1\r\n");
        test::WriteFile(fav + "notes.txt", "not a shortcut");
        CFavoritesView view;
        QTreeWidget* tree = view.tree();
        QCOMPARE(Dump(tree), QStringLiteral("News[Post] Blank Harbour"));
        QVERIFY(CFavoritesView::IsFolderItem(tree->topLevelItem(0)));

        QSignalSpy opened(&view, &CFavoritesView::openAddress);
        view.OpenItem(Find(tree, "Blank"));
        view.OpenItem(Find(tree, "News"));
        QCOMPARE(opened.count(), 0);
        emit tree->itemActivated(Find(tree, "Harbour"), 0);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened[0][0].toString(), QStringLiteral("http://harbour.example/"));

        tree->setCurrentItem(Find(tree, "News"));
        QVERIFY(view.AddPage("http://a.example/", "Alpha"));
        tree->setCurrentItem(Find(tree, "News/Post"));
        QVERIFY(view.AddPage("http://b.example/", "Beta"));
        tree->setCurrentItem(Find(tree, "Harbour"));
        QVERIFY(view.AddPage("http://c.example/", "Gamma"));
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("Gamma"));
        QCOMPARE(Dump(tree), QStringLiteral("News[Post,Alpha,Beta] Blank Harbour Gamma"));
        QCOMPARE(ReadShortcutUrl(fav + "News/Alpha.url"), std::string("http://a.example/"));
        QCOMPARE(ReadShortcutUrl(fav + "News/Beta.url"), std::string("http://b.example/"));
        QCOMPARE(ReadShortcutUrl(fav + "Gamma.url"), std::string("http://c.example/"));
        // The same name again replaces the address, not the item.
        QVERIFY(view.AddPage("http://c2.example/", "Gamma"));
        QCOMPARE(tree->topLevelItemCount(), 4);
        QVERIFY(!view.AddPage("http://d.example/", "a/b"));
        QCOMPARE(boxes_.size(), 1);

        if (qEnvironmentVariableIsSet("SKYHARBOR_SCREENSHOTS")) {
            view.resize(280, 360);
            QVERIFY(view.grab().save("/tmp/favorites.png"));
        }
    }

    void favoritesMenuRenameAndDeleteKey() {
        const std::string fav = FavoritesDir();
        test::WriteFile(fav + "News/Post.url", "[InternetShortcut]\r\nURL=http://post.example/\r\n");
        test::WriteFile(fav + "Harbour.url", "[InternetShortcut]\r\nURL=http://harbour.example/\r\n");
        CFavoritesView view;
        view.show();
        QTreeWidget* tree = view.tree();
        std::unique_ptr<QMenu> menu(view.MakeContextMenu(Find(tree, "Harbour"), nullptr));
        QStringList texts;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) texts << a->text();
        QCOMPARE(texts, (QStringList{"&Open", "Open in &New Window", "&Rename", "&Delete"}));
        QSignalSpy opened(&view, &CFavoritesView::openAddress);
        QSignalSpy windowed(&view, &CFavoritesView::openInNewWindow);
        menu->actions()[0]->trigger();
        menu->actions()[1]->trigger();
        QCOMPARE(opened.count(), 1);
        QCOMPARE(windowed.count(), 1);
        QCOMPARE(windowed[0][0].toString(), QStringLiteral("http://harbour.example/"));
        // A folder has nothing to open.
        menu.reset(view.MakeContextMenu(Find(tree, "News"), nullptr));
        QVERIFY(!menu->actions()[0]->isEnabled());

        view.renameHook = [](const QString&) { return std::optional<QString>(QStringLiteral("Port")); };
        QVERIFY(view.RenameItem(Find(tree, "Harbour")));
        QCOMPARE(ReadShortcutUrl(fav + "Port.url"), std::string("http://harbour.example/"));
        QVERIFY(!std::filesystem::exists(fav + "Harbour.url"));
        view.renameHook = [](const QString&) { return std::optional<QString>(QStringLiteral("Papers")); };
        QVERIFY(view.RenameItem(Find(tree, "News")));
        QCOMPARE(ReadShortcutUrl(fav + "Papers/Post.url"), std::string("http://post.example/"));
        QCOMPARE(Dump(tree), QStringLiteral("Papers[Post] Port"));

        // The Delete key asks; No keeps the shortcut, Yes removes it.
        tree->setFocus();
        tree->setCurrentItem(Find(tree, "Port"));
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(boxes_.size(), 1);
        QVERIFY(std::filesystem::exists(fav + "Port.url"));
        answer_ = true;
        QTest::keyClick(tree, Qt::Key_Delete);
        QVERIFY(!std::filesystem::exists(fav + "Port.url"));
        QCOMPARE(Dump(tree), QStringLiteral("Papers[Post]"));
        tree->setCurrentItem(Find(tree, "Papers"));
        QTest::keyClick(tree, Qt::Key_Delete);
        QVERIFY(!std::filesystem::exists(fav + "Papers"));
        QCOMPARE(tree->topLevelItemCount(), 0);
    }

    void favoritesImportBookmarks() {
        test::WriteFile(sandbox_->path("bookmarks.html"),
                        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                        "<DT><H3>Tools</H3>\n<DL><p>\n"
                        "<DT><A HREF=\"https://tools.example/\">Tools Home</A>\n</DL><p>\n"
                        "<DT><A HREF=\"https://example.org/\">Example</A>\n"
                        "<DT><A HREF=\"javascript:void(0)\">Bookmarklet</A>\n</DL><p>\n");
        CFavoritesView view;
        QCOMPARE(view.tree()->topLevelItemCount(), 0);
        QVERIFY(view.ImportBookmarksFile(QString::fromStdString(sandbox_->path("bookmarks.html"))));
        QCOMPARE(Texts(), QStringList{"Imported 2 shortcut(s) and 1 folder(s) into your favorites.\n\n"
                                      "1 bookmark(s) without a web address were skipped."});
        QCOMPARE(Dump(view.tree()), QStringLiteral("Tools[Tools Home] Example"));
        QVERIFY(!view.ImportBookmarksFile(QString::fromStdString(sandbox_->path("none.html"))));
    }

    void designerScreenshot() {
        if (!qEnvironmentVariableIsSet("SKYHARBOR_SCREENSHOTS")) QSKIP("SKYHARBOR_SCREENSHOTS not set");
        CChannelList list;
        MakeList(list);
        CChannelDesigner designer(list, "Weather", "http://weather.example/");
        designer.Open(0, 0);
        designer.tree()->expandAll();
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        QVERIFY(designer.grab().save("/tmp/designer.png"));
        designer.tree()->setCurrentItem(nullptr);
        QTest::qWait(50);
        QVERIFY(designer.grab().save("/tmp/designer-empty.png"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UiDesignerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_designer_test.moc"
