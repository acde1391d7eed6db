#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "core/base/settings_store.h"
#include "support/sandbox.h"
#include "ui/webspace/local_files_panel.h"

using namespace sky;
using namespace sky::ui;

class UiWebSpaceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> sandbox_;
    QString root_;

    static QStringList Names(const LocalFilesPanel& panel) {
        QStringList out;
        QTreeWidget* list = panel.list();
        for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
        return out;
    }
    static QTreeWidgetItem* Row(const LocalFilesPanel& panel, const QString& name) {
        const auto found = panel.list()->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    void Touch(const char* name, int size, int daysAgo) {
        const std::string path = sandbox_->path(std::string("files/") + name);
        test::WriteFile(path, std::string(size, 'a'));
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-daysAgo),
                                 QFileDevice::FileModificationTime));
    }

private slots:
    void init() {
        sandbox_ = std::make_unique<test::Sandbox>();
        root_ = QString::fromStdString(sandbox_->path("files"));
        QDir().mkpath(root_ + QStringLiteral("/b"));
        QDir().mkpath(root_ + QStringLiteral("/A/inner"));
        Touch("c.txt", 5, 1);
        Touch("a.txt", 100, 3);
        Touch("B.htm", 1, 2);
    }
    void cleanup() { sandbox_.reset(); }

    // Folders first in every order; the folder walk, and the folder kept.
    void walkAndSort() {
        SettingsStore settings(sandbox_->path("sky.ini"));
        LocalFilesPanel panel(settings);
        panel.resize(500, 300);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.SetFolder(root_);
        QCOMPARE(panel.folder(), root_);
        QCOMPARE(QString::fromStdString(settings.GetString("fileman", "localdir")), root_);
        const QString parent = QStringLiteral("Parent Folder");
        QCOMPARE(Names(panel), (QStringList{parent, "A", "b", "a.txt", "B.htm", "c.txt"}));
        QCOMPARE(Row(panel, "a.txt")->text(LocalFilesPanel::SizeColumn), QStringLiteral("100"));
        QCOMPARE(Row(panel, "A")->text(LocalFilesPanel::SizeColumn), QString());
        QCOMPARE(Row(panel, "A")->text(LocalFilesPanel::TypeColumn), QStringLiteral("File Folder"));
        QCOMPARE(Row(panel, "c.txt")->text(LocalFilesPanel::TypeColumn), QStringLiteral("File"));

        panel.SortBy(LocalFilesPanel::SizeColumn);
        QCOMPARE(Names(panel), (QStringList{parent, "A", "b", "B.htm", "c.txt", "a.txt"}));
        // A click on the header sorts by that column.
        QTest::mouseClick(
            panel.list()->header()->viewport(), Qt::LeftButton, {},
            QPoint(panel.list()->header()->sectionViewportPosition(LocalFilesPanel::ModifiedColumn) + 5,
                   panel.list()->header()->height() / 2));
        QCOMPARE(panel.sortColumn(), LocalFilesPanel::ModifiedColumn);
        QCOMPARE(Names(panel).mid(3), (QStringList{"a.txt", "B.htm", "c.txt"}));

        // Into A, into A/inner, back up twice.
        emit panel.list()->itemDoubleClicked(Row(panel, "A"), 0);
        QCOMPARE(panel.folder(), root_ + QStringLiteral("/A"));
        QCOMPARE(Names(panel), (QStringList{parent, "inner"}));
        emit panel.list()->itemDoubleClicked(Row(panel, "inner"), 0);
        QCOMPARE(Names(panel), QStringList{parent});
        emit panel.list()->itemDoubleClicked(Row(panel, parent), 0);
        emit panel.list()->itemDoubleClicked(Row(panel, parent), 0);
        QCOMPARE(panel.folder(), root_);

        QSignalSpy activated(&panel, &LocalFilesPanel::fileActivated);
        emit panel.list()->itemDoubleClicked(Row(panel, "B.htm"), 0);
        QCOMPARE(activated.size(), 1);
        QCOMPARE(activated[0][0].toString(), root_ + QStringLiteral("/B.htm"));

        // A folder that cannot be listed changes nothing.
        panel.SetFolder(root_ + QStringLiteral("/gone"));
        QCOMPARE(panel.folder(), root_);
        QCOMPARE(QString::fromStdString(settings.GetString("fileman", "localdir")), root_);
        QVERIFY(Row(panel, "c.txt"));

        // A new file shows after Refresh; the next panel starts where this one is.
        test::WriteFile(sandbox_->path("files/new.txt"), "n");
        panel.Refresh();
        QVERIFY(Row(panel, "new.txt"));
        LocalFilesPanel next(settings);
        QCOMPARE(next.folder(), root_);

        // The root has no parent row.
        next.SetFolder(QStringLiteral("/"));
        QVERIFY(!Row(next, parent));
    }

    void dropOfRemoteFiles() {
#ifndef SKYHARBOR_HAVE_FTP_CORE
        QSKIP("this build has no FTP client");
#endif
        SettingsStore settings(sandbox_->path("sky.ini"));
        LocalFilesPanel panel(settings);
        panel.SetFolder(root_);
        panel.resize(300, 200);
        panel.show();
        QSignalSpy dropped(&panel, &LocalFilesPanel::remoteFilesDropped);

        // The block as the remote lists write it: a 20-byte head whose first
        // word is the offset of the first address, then NUL-ended addresses.
        QByteArray block(20, '\0');
        block[0] = 20;
        block += QByteArrayLiteral("ftp://host//a.txt");
        block += '\0';
        block += QByteArrayLiteral("ftp://host/pub/b.htm");
        block += '\0';
        block += '\0';
        QMimeData mime;
        mime.setData(QLatin1String(LocalFilesPanel::kRemoteFilesMime), block);
        QWidget* target = panel.list()->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped[0][0].toStringList(), (QStringList{"ftp://host//a.txt", "ftp://host/pub/b.htm"}));
        QCOMPARE(dropped[0][1].toString(), root_);

        // Plain text is not taken.
        QMimeData text;
        text.setText(QStringLiteral("ftp://host/c.txt"));
        QDragEnterEvent other(at, Qt::CopyAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(target, &other);
        QVERIFY(!other.isAccepted());
        QCOMPARE(dropped.size(), 1);
    }
};

QTEST_MAIN(UiWebSpaceTest)
#include "ui_webspace_test.moc"
