#include "dfu/dfucommand.h"
#include "logcapture.h"
#include "testpaths.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QtTest>

#include <future>
#include <utility>

// A dfu-util run that outlasts the 30-second wait is waited for again and still reports
// its exit code and the output that came after the first wait; the program's shutdown ends
// such a run then, unless it is a download.
class tst_RunCommandTimeout : public QObject
{
    Q_OBJECT

    static void useHelperFor(DFU::CmdID id, QStringList const& arguments)
    {
        QFileInfo const helper(TestPaths::fake_dfu_util());
        DFU::Command::path = helper.absolutePath();
        DFU::commands[id].program = helper.fileName();
        DFU::commands[id].arguments = arguments;
    }

    using TimedResult = std::pair<DFU::Result, qint64>;
    static TimedResult timedRun(DFU::CmdID id)
    {
        QElapsedTimer timer;
        timer.start();
        DFU::Result const result = DFU::run_command(id);
        return {result, timer.elapsed()};
    }

private slots:
    void slowRunStillReturnsItsResult()
    {
        useHelperFor(DFU::version,
                     {QStringLiteral("--helper-sleep=31500"), QStringLiteral("--helper-print=late"),
                      QStringLiteral("--helper-exit=3")});
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

    // A shutdown requested while a 40-second download and a list run that hangs are under way
    // (side by side, to keep the test short; the worker runs one at a time): the list run is
    // killed once its 30-second wait is over, the download runs to its end and keeps its exit
    // code and output.
    void shutdownKillsAHangingRunButNeverADownload()
    {
        useHelperFor(DFU::download_FW,
                     {QStringLiteral("--helper-sleep=40000"),
                      QStringLiteral("--helper-print=written"), QStringLiteral("--helper-exit=3")});
        useHelperFor(DFU::list, {QStringLiteral("--helper-sleep=60000")});
        LogCapture log;
        std::future<TimedResult> download =
            std::async(std::launch::async, timedRun, DFU::download_FW);
        std::future<TimedResult> list = std::async(std::launch::async, timedRun, DFU::list);
        QThread::msleep(1000);
        DFU::shutdown_requested = true;
        auto const [listResult, listMs] = list.get();
        auto const [downloadResult, downloadMs] = download.get();
        DFU::shutdown_requested = false;

        QCOMPARE(listResult, DFU::Result(-1, QString()));
        QVERIFY2(listMs >= 30000 && listMs < 33000, qPrintable(QString::number(listMs)));
        QCOMPARE(downloadResult, DFU::Result(3, QStringLiteral("written")));
        QVERIFY2(downloadMs >= 40000, qPrintable(QString::number(downloadMs)));
        QString const program = TestPaths::fake_dfu_util();
        QStringList const killed =
            log.texts(QtInfoMsg).filter(QStringLiteral("Shutdown requested"));
        QCOMPARE(killed, QStringList{QStringLiteral("Shutdown requested: killing \"%1\" "
                                                    "(\"--helper-sleep=60000\")")
                                         .arg(program)});
        QVERIFY(log.anyStartsWith(QStringLiteral("Exit with 3 from \"%1\"").arg(program)));
    }
};

QTEST_GUILESS_MAIN(tst_RunCommandTimeout)
#include "tst_runcommandtimeout.moc"
