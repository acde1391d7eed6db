// The address book pane as a user works it: the first tree, the sheet, the
// boxes, drags between folders and onto an address field, Chat.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "core/addressbook/address_book.h"
#include "core/base/settings_store.h"
#include "support/sandbox.h"
#include "ui/base/messages.h"
#include "ui/mail/address_book_picker.h"
#include "ui/mail/address_book_view.h"
#include "ui/mail/contact_sheet.h"

using namespace sky;
using namespace sky::ui;

namespace {

// A picture for a person to look at, when SKYHARBOR_SHOTS names a folder.
void Shot(QWidget* w, const char* name) {
    if (qEnvironmentVariableIsSet("SKYHARBOR_SHOTS"))
        w->grab().save(qEnvironmentVariable("SKYHARBOR_SHOTS") + QLatin1Char('/') + QLatin1String(name));
}

}  // namespace

class AddressBookTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<SettingsStore> settings_;
    QStringList boxes_;
    bool answer_ = true;

    QString Book(const QString& rel = {}) const {
        return QString::fromStdString(sandbox_->path("Sky Address Book/Address Book")) +
               (rel.isEmpty() ? "" : "/" + rel);
    }
    std::unique_ptr<CAddressBookView> NewView() {
        auto view = std::make_unique<CAddressBookView>(*settings_, "127.0.0.1:7780");
        view->resize(300, 400);
        view->show();
        return view;
    }
    static void Select(CAddressBookView& view, const QString& path) {
        QTreeWidgetItem* item = view.ItemForPath(path);
        QVERIFY2(item, qPrintable(path));
        view.setCurrentItem(item);
    }
    static QStringList Texts(QTreeWidgetItem* parent) {
        QStringList out;
        for (int i = 0; i < parent->childCount(); ++i) out << parent->child(i)->text(0);
        return out;
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        settings_ = std::make_unique<SettingsStore>(sandbox_->path("skyharbor.ini"));
        boxes_.clear();
        answer_ = true;
        SetMessageHook([this](MessageKind, const QString& title, const QString& text) {
            boxes_ << title + "|" + text;
            return answer_;
        });
    }
    void cleanup() {
        SetMessageHook({});
        SetDialogHook({});
        settings_.reset();
        sandbox_.reset();
    }

    void firstOpeningMakesTheDefaultTree() {
        auto view = NewView();
        QCOMPARE(view->topLevelItemCount(), 1);
        QTreeWidgetItem* book = view->topLevelItem(0);
        QCOMPARE(book->text(0), QStringLiteral("Address Book"));
        QCOMPARE(view->currentItem(), book);
        QVERIFY(book->isExpanded());
        QCOMPARE(Texts(book), QStringList{"SkyHarbor"});
        QCOMPARE(Texts(book->child(0)), (QStringList{"Comments", "Letters to the Editor", "Problems",
                                                     "Suggest a Site", "Suggestions"}));
        book->child(0)->setExpanded(true);
        Shot(view.get(), "address-book.png");
    }

    void addEditAndDeleteWithTheirBoxes() {
        auto view = NewView();
        QStringList titles;
        int tabCount = 0;
        QString emailShown;
        SetDialogHook([&](QDialog& dialog) {
            titles << dialog.windowTitle();
            auto* sheet = qobject_cast<CABContactSheet*>(&dialog);
            if (!sheet) return -1;
            if (titles.size() == 1) {
                tabCount = sheet->tabs()->count();
                sheet->field("firstName")->setText("Mary");
                emit sheet->field("firstName")->textEdited("Mary");
                sheet->field("lastName")->setText("O'Neil");
                emit sheet->field("lastName")->textEdited("O'Neil");
                sheet->field("email")->setText("mary@example.org");
                Shot(sheet, "contact-sheet.png");
            } else {
                emailShown = sheet->field("email")->text();
                sheet->field("email")->setText("mary@work.example");
            }
            return int(QDialog::Accepted);
        });
        // Insert adds into the selected folder.
        QTest::keyClick(view.get(), Qt::Key_Insert);
        QCOMPARE(titles, QStringList{"Add New Contact"});
        QString file = Book("MaryONeil");
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(view->currentItem()->text(0), QStringLiteral("Mary O'Neil"));
        // Folders come first, then contacts.
        QCOMPARE(Texts(view->topLevelItem(0)), (QStringList{"SkyHarbor", "Mary O'Neil"}));

        view->EditSelected();
        QCOMPARE(titles.last(), QStringLiteral("Edit Contact"));
        QCOMPARE(tabCount, 4);
        QCOMPARE(emailShown, QStringLiteral("mary@example.org"));
        addressbook::CABEntry saved;
        QVERIFY(addressbook::ReadContact(file.toStdString(), &saved));
        QCOMPARE(QString::fromStdString(saved.email), QStringLiteral("mary@work.example"));
        QCOMPARE(QDir(Book()).entryList(QDir::Files).size(), 1);  // same file, no second one

        answer_ = false;
        QTest::keyClick(view.get(), Qt::Key_Delete);
        QCOMPARE(
            boxes_.last(),
            QStringLiteral("Comfirm Delete|Are you sure that you want to delete the Address Book entry for: "
                           "'Mary O'Neil'?"));
        QVERIFY(QFileInfo::exists(file));
        answer_ = true;
        view->DeleteSelected();
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(!view->ItemForPath(file));

        // A contact of another version: its fields are not read, so it is not edited.
        const QByteArray newer = QByteArray::fromHex("53b67d8202000000") + "fields of version 2";
        QFile other(Book("Newer"));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write(newer) == newer.size());
        other.close();
        view->Reload();
        Select(*view, Book("Newer"));
        const int sheets = titles.size();
        view->EditSelected();
        QCOMPARE(titles.size(), sheets);
        QVERIFY(boxes_.last().contains(QStringLiteral("another version")));
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), newer);
        other.close();

        // A folder name with a slash is refused and asked again.
        QStringList answers{"a/b", "Bob's Friends"}, prompts;
        SetDialogHook([&](QDialog& dialog) {
            auto* input = qobject_cast<QInputDialog*>(&dialog);
            if (!input) return -1;
            prompts << input->labelText();
            input->setTextValue(answers.takeFirst());
            return int(QDialog::Accepted);
        });
        Select(*view, Book());
        view->AddFolder();
        QCOMPARE(prompts, (QStringList{"Enter the name of the folder", "Enter the name of the folder"}));
        QVERIFY(
            boxes_.contains("Bad Folder Name|The folder name may only contain A-Z, a-z, 0-9, '.', '-', "
                            "''', or spaces"));
        QVERIFY(QFileInfo(Book("Bob's Friends")).isDir());
        QCOMPARE(view->currentItem()->text(0), QStringLiteral("Bob's Friends"));

        answers = {"Old Friends"};
        view->EditSelected();
        QCOMPARE(prompts.last(), QStringLiteral("Edit folder name"));
        QVERIFY(QFileInfo(Book("Old Friends")).isDir());
        QVERIFY(!QFileInfo::exists(Book("Bob's Friends")));

        Select(*view, Book("SkyHarbor"));
        view->DeleteSelected();
        QVERIFY(
            boxes_.contains("Comfirm Delete|Are you sure that you want to delete the folder: 'SkyHarbor'?"));
        QCOMPARE(boxes_.last(), QStringLiteral("Error deleting folder|Make sure the folder is empty."));
        QVERIFY(QFileInfo(Book("SkyHarbor")).isDir());
        Select(*view, Book("Old Friends"));
        view->DeleteSelected();
        QVERIFY(!QFileInfo::exists(Book("Old Friends")));
    }

    void dragToAFolderMovesTheFile() {
        auto view = NewView();
        QDir().mkpath(Book("Friends"));
        view->Reload();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QString source = Book("SkyHarbor/Comments");
        auto drop = [&](Qt::DropAction action) {
            std::unique_ptr<QMimeData> data(view->MimeDataFor(view->ItemForPath(source)));
            QTreeWidgetItem* friends = view->ItemForPath(Book("Friends"));
            if (!QTest::qWaitFor([&] { return view->visualItemRect(friends).isValid(); })) return false;
            QPoint at = view->visualItemRect(friends).center();
            // The events of a real drag, in order.
            QDragEnterEvent enter(at, action, data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view->viewport(), &enter);
            QDragMoveEvent move(at, action, data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view->viewport(), &move);
            QDropEvent event(at, action, data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view->viewport(), &event);
            return event.isAccepted();
        };
        QVERIFY(drop(Qt::CopyAction));
        QVERIFY(QFileInfo::exists(Book("Friends/Comments")));
        QVERIFY(QFileInfo::exists(source));
        QVERIFY(drop(Qt::MoveAction));
        QVERIFY(QFileInfo::exists(Book("Friends/Comments1")));
        QVERIFY(!QFileInfo::exists(source));
        QVERIFY(!view->ItemForPath(source));
        QCOMPARE(Texts(view->ItemForPath(Book("Friends"))), (QStringList{"Comments", "Comments"}));
    }

    void dropOnAnAddressFieldAppends() {
        auto view = NewView();
        std::unique_ptr<QMimeData> data(view->MimeDataFor(view->ItemForPath(Book("SkyHarbor/Problems"))));
        QVERIFY(data);
        QLineEdit to;
        QVERIFY(CAddressBookView::AppendDroppedContact(&to, data.get()));
        QCOMPARE(to.text(), QStringLiteral("support@skyharbor.example"));
        to.setText("ann@example.org");
        QVERIFY(CAddressBookView::AppendDroppedContact(&to, data.get()));
        QCOMPARE(to.text(), QStringLiteral("ann@example.org, support@skyharbor.example"));
        QMimeData text;
        text.setText("not a contact");
        QVERIFY(!CAddressBookView::AppendDroppedContact(&to, &text));
    }

    void sendMailAndChat() {
        auto view = NewView();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QSignalSpy mail(view.get(), &CAddressBookView::sendMailRequested);
        QSignalSpy page(view.get(), &CAddressBookView::openPageRequested);
        QSignalSpy chat(view.get(), &CAddressBookView::startChatRequested);
        QTreeWidgetItem* sky = view->ItemForPath(Book("SkyHarbor"));
        sky->setExpanded(true);
        QTreeWidgetItem* problems = view->ItemForPath(Book("SkyHarbor/Problems"));
        QTRY_VERIFY(view->visualItemRect(problems).isValid());
        QRect rect = view->visualItemRect(problems);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(mail.size(), 1);
        QCOMPARE(mail.at(0).at(0).toString(), QStringLiteral("support@skyharbor.example"));

        view->Chat();
        QCOMPARE(boxes_.last(),
                 QStringLiteral("SkyHarbor|This entry does not have a SkyHarbor ID specified"));
        QCOMPARE(page.size(), 0);
        QCOMPARE(chat.size(), 0);

        addressbook::CABEntry e;
        e.firstName = e.displayName = "Pat";
        e.memberId = "pat42  ";
        e.notes = "met at the fair\nchat:10.1.2.3:8081";
        QVERIFY(addressbook::SaveNewContact(Book().toStdString(), &e));
        view->Reload();
        Select(*view, Book("Pat"));
        boxes_.clear();
        view->Chat();
        QCOMPARE(page.size(), 1);
        QCOMPARE(page.at(0).at(0).toString(),
                 QStringLiteral("http://127.0.0.1:7780/Scripts/channelx.dll?QueryUser&User=pat42"));
        QCOMPARE(page.at(0).at(1).toString(), QStringLiteral("PersonLookup"));
        QCOMPARE(boxes_.size(), 1);
        QVERIFY(boxes_[0].contains("10.1.2.3:8081"));
        QCOMPARE(chat.size(), 1);
        QCOMPARE(chat.at(0).at(0).toString(), QStringLiteral("10.1.2.3:8081"));
    }

    void pickerReturnsTheCheckedAddresses() {
        addressbook::EnsureDefaultFolder(addressbook::AddressBookRoot());
        AddressPickerDialog picker;
        QTreeWidgetItemIterator it(picker.tree());
        int checked = 0;
        for (; *it; ++it) {
            QString text = (*it)->text(0);
            if (text == "Comments" || text == "Suggestions") {
                (*it)->setCheckState(0, Qt::Checked);
                ++checked;
            }
        }
        QCOMPARE(checked, 2);
        QCOMPARE(picker.addresses(),
                 (QStringList{"comments@skyharbor.example", "suggestions@skyharbor.example"}));
    }
};

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AddressBookTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "address_book_test.moc"
