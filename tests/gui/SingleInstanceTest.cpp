#include "TestRegistry.h"
#include "config/RegistryStore.h"
#include "shell/FirstRun.h"
#include "shell/StoredLists.h"
#include "support/LineLog.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tb::test {

// Two real desktop programs started at the same moment on one store: one
// runs, the other asks it to show its window and ends with 1.
class SingleInstanceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QProcess> Start(const QString& config) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(environment);
        process->start(TUNEBRIDGE_EXECUTABLE, {"--config-dir", config, "--port", "0"});
        return process;
    }

private slots:
    void oneOfTwoSimultaneousStartsRuns() {
        QTemporaryDir config, music;
        {
            RegisterStoredTypes();
            LineLog log;
            auto store = RegistryStore::Open(config.path().toUtf8().constData());
            RunFirstTimeSetup(*store, {"Den", music.path().toUtf8().constData(), "a", "b"}, log);
        }
        for (int round = 0; round < 40; ++round) {
            std::unique_ptr<QProcess> pair[2] = {Start(config.path()), Start(config.path())};
            QTRY_VERIFY_WITH_TIMEOUT(pair[0]->state() == QProcess::NotRunning ||
                                         pair[1]->state() == QProcess::NotRunning,
                                     20000);
            int loser = pair[0]->state() == QProcess::NotRunning ? 0 : 1;
            QProcess& winner = *pair[1 - loser];
            QCOMPARE(pair[loser]->exitCode(), 1);
            QVERIFY2(pair[loser]->readAllStandardError().contains("its window was brought up"),
                     qPrintable(QString("round %1").arg(round)));
            QCOMPARE(winner.state(), QProcess::Running);
            winner.terminate(); // SIGTERM: the same orderly way out as "Unload & exit"
            QVERIFY(winner.waitForFinished(20000));
            QCOMPARE(winner.exitStatus(), QProcess::NormalExit);
            QCOMPARE(winner.exitCode(), 0);
        }
    }
};

static RegisterTest<SingleInstanceTest> registration("SingleInstanceTest");

} // namespace tb::test

#include "SingleInstanceTest.moc"
