#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <condition_variable>
#include <mutex>

#include "ui/base/tool_registry.h"
#include "ui/base/ui_job.h"

using namespace sky;
using namespace sky::ui;

class UiBaseTest : public QObject {
    Q_OBJECT

private slots:
    // Menu, link word and typed word all reach a command through its one action.
    void registryResolvesEveryWayToOneCommand() {
        ToolRegistry registry;
        QStringList ran;
        QAction* action = registry.AddCommand(
            CommandSpec(QStringLiteral("member.login"), QStringLiteral("&Member"),
                        QStringLiteral("&Login...")),
            ToolRegistry::Run([&](const QString& arg) { ran << QStringLiteral("login:") + arg; }));
        QCOMPARE(registry.action(QStringLiteral("member.login")), action);
        // A second registration under the same id keeps the first.
        QCOMPARE(registry.AddCommand(CommandSpec(QStringLiteral("member.login")), [] {}), action);
        registry.ClaimLinkWord(LinkCommand::Login, QStringLiteral("member.login"));

        int triggered = 0;
        connect(action, &QAction::triggered, this, [&] { ++triggered; });
        action->trigger();  // as the menu does
        QVERIFY(registry.InvokeLink(LinkCommand::Login, 3));
        QCOMPARE(ran, (QStringList{QStringLiteral("login:"), QStringLiteral("login:3")}));

        QVERIFY(registry.Invoke(QStringLiteral("member.login")));
        QCOMPARE(triggered, 2);

        // A word nobody claims runs nothing and says so to the caller.
        QVERIFY(!registry.InvokeLink(LinkCommand::Register, 0));
        QVERIFY(!registry.Invoke(QStringLiteral("no.such.command")));
        QCOMPARE(ran.size(), 3);

        // Typed words go to the tool that claims them, plain addresses to the navigator.
        QStringList typed, navigated;
        registry.ClaimTypedAction(TypedAction::SendMessage,
                                  [&](const TypedCommand&) { typed << QStringLiteral("sendmessage"); });
        registry.SetNavigator([&](const QString& address, bool main) {
            navigated << address + (main ? QStringLiteral(" main") : QString());
        });
        registry.HandleAddress(QStringLiteral("sendmessage"), false, "service.example:7780");
        registry.HandleAddress(QStringLiteral("example.com/page"), true, "service.example:7780");
        registry.HandleAddress(QStringLiteral("   "), false, "service.example:7780");
        // A typed word whose tool is missing does nothing rather than navigate.
        registry.HandleAddress(QStringLiteral("post"), false, "service.example:7780");
        QCOMPARE(typed, QStringList{QStringLiteral("sendmessage")});
        QCOMPARE(navigated.size(), 1);
        QVERIFY(navigated[0].endsWith(QLatin1String(" main")));
        QVERIFY(navigated[0].contains(QLatin1String("example.com/page")));
    }

    // An event the job posts after its owner is gone never arrives.
    void destroyedOwnerGetsNoLateEvent() {
        int late = 0, finished = 0;
        std::mutex m;
        std::condition_variable_any cv;
        auto* owner = new QObject;
        auto* job = new UiJob(owner);
        connect(job, &UiJob::finished, this, [&] { ++finished; });
        std::atomic<bool> waiting{false};
        QVERIFY(job->Start([&](std::stop_token stop, const UiJob::Post& post) {
            std::unique_lock lock(m);
            waiting = true;
            // Runs until the owner goes, then still tries to report.
            cv.wait(lock, stop, [] { return false; });
            post([&late] { ++late; });
            return 1;
        }));
        QVERIFY(QTest::qWaitFor([&] { return waiting.load(); }, 5000));
        QVERIFY(job->busy());
        delete owner;  // cancels and joins the job
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(late, 0);
        QCOMPARE(finished, 0);
    }

    void jobRefusesASecondRunAndReportsCancel() {
        UiJob job;
        std::atomic<bool> release{false};
        QList<int> results;
        connect(&job, &UiJob::finished, this, [&](int r) { results << r; });
        QVERIFY(job.Start([&](std::stop_token stop, const UiJob::Post&) {
            while (!stop.stop_requested() && !release) std::this_thread::yield();
            return stop.stop_requested() ? -41 : 0;
        }));
        QVERIFY(!job.Start([](std::stop_token, const UiJob::Post&) { return 5; }));
        QVERIFY(job.Cancel());
        QVERIFY(QTest::qWaitFor([&] { return !results.isEmpty(); }, 5000));
        QCOMPARE(results, QList<int>{-41});
        QVERIFY(job.cancelled());
        QVERIFY(!job.busy());
        // Free again: the next run goes through.
        QVERIFY(job.Start([](std::stop_token, const UiJob::Post&) { return 7; }));
        QVERIFY(QTest::qWaitFor([&] { return results.size() == 2; }, 5000));
        QCOMPARE(results.last(), 7);
        QVERIFY(!job.cancelled());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UiBaseTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_base_test.moc"
