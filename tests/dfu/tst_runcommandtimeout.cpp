#include "dfu/dfucommand.h"
#include "logcapture.h"
#include "testpaths.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>

// A dfu-util run that outlasts the 30-second wait is waited for again and still reports
// its exit code and the output that came after the first wait.
class tst_RunCommandTimeout : public QObject
{
    Q_OBJECT

private slots:
    void slowRunStillReturnsItsResult()
    {
        QFileInfo const helper(TestPaths::fake_dfu_util());
        DFU::Command::path = helper.absolutePath();
        DFU::commands[DFU::version].program = helper.fileName();
        DFU::commands[DFU::version].arguments = QStringList{QStringLiteral("--helper-sleep=31500"),
                                                 QStringLiteral("--helper-print=late"),
                                                 QStringLiteral("--helper-exit=3")};
        LogCapture log;
        QElapsedTimer timer;
        timer.start();
        auto const [code, output] = DFU::run_command(DFU::version);
        QVERIFY(timer.elapsed() >= 31000);
        QCOMPARE(code, 3);
        QCOMPARE(output, QStringLiteral("late"));
        QStringList const info = log.texts(QtInfoMsg);
        QVERIFY(info.contains(QStringLiteral(
            "waitForFinished(): Process did not finish in time, exit status: QProcess::NormalExit "
            "and output: \"\"")));
        QVERIFY(info.contains(QStringLiteral("will wait again, forever")));
        QVERIFY(log.anyStartsWith(QStringLiteral("Exit with 3 from")));
    }
};

QTEST_GUILESS_MAIN(tst_RunCommandTimeout)
#include "tst_runcommandtimeout.moc"
