#include "testpaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QtTest>

// Option parsing and the device preparation, run in a child process with a real command line.
class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void rejectedOptions_data();
    void rejectedOptions();

private:
    struct Run
    {
        int code;
        QMap<QString, QString> values;
        QString log;
    };
    static Run probe(QStringList const& arguments);
};

tst_Startup::Run tst_Startup::probe(QStringList const& arguments)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/startup_probe"), arguments);
    p.waitForFinished(30000);
    Run run{p.exitCode(), {}, QString::fromLocal8Bit(p.readAllStandardError())};
    for (QString const& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        int const eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            run.values[line.left(eq)] = line.mid(eq + 1);
    }
    return run;
}

void tst_Startup::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("simulator");
    QTest::addColumn<bool>("logWindow");
    QTest::addColumn<QString>("parseLine");

    QString const none = "Initial value of 'simulator::use'=false, isSet('-s')=false, isSet('-S')=false";
    QString const both = "Initial value of 'simulator::use'=false, isSet('-s')=true, isSet('-S')=true";
    QTest::newRow("no option") << QStringList{} << false << false << none;
    QTest::newRow("-s") << QStringList{"-s"} << true << false
                        << "Initial value of 'simulator::use'=false, isSet('-s')=true, isSet('-S')=false";
    QTest::newRow("--use-simulator") << QStringList{"--use-simulator"} << true << false
                                     << "Initial value of 'simulator::use'=false, isSet('-s')=true, isSet('-S')=false";
    QTest::newRow("-S") << QStringList{"-S"} << false << false
                        << "Initial value of 'simulator::use'=false, isSet('-s')=false, isSet('-S')=true";
    QTest::newRow("-s -S") << QStringList{"-s", "-S"} << false << false << both;
    QTest::newRow("-S -s") << QStringList{"-S", "-s"} << false << false << both;
    QTest::newRow("-l") << QStringList{"-l"} << false << true << none;
    QTest::newRow("-sl") << QStringList{"-s", "--use-log-window"} << true << true
                         << "Initial value of 'simulator::use'=false, isSet('-s')=true, isSet('-S')=false";
}

void tst_Startup::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, simulator);
    QFETCH(bool, logWindow);
    QFETCH(QString, parseLine);

    Run const run = probe(arguments);
    QCOMPARE(run.code, 0);
    QCOMPARE(run.values.value("simulator"), QString(simulator ? "true" : "false"));
    QCOMPARE(run.values.value("log_window"), QString(logWindow ? "true" : "false"));
    QStringList const log = run.log.split(QLatin1Char('\n'));
    QVERIFY2(log.contains(parseLine), qPrintable(run.log));
    QVERIFY(log.contains(simulator ? "Will use simulator (i.e. option 'use_simulator)."
                                   : "Will use real device (i.e. no option 'use_simulator'.)"));
    QVERIFY(log.contains("Compiled for platform (OS): Linux with 'DEBUG' not defined"));

    // The device side: the working files are extracted and only dfu-util is executable, in
    // both modes; the real dfu-util runs from the working directory unless the simulator is used.
    QString const workdir = run.values.value("workdir");
    QCOMPARE(run.values.value("files"),
             QStringLiteral("dfu-util* firmware.bin firmware.dfu libusb-1.0.so.0"));
    QVERIFY(!QFileInfo::exists(workdir)); // removed when the probe ended
    if (simulator) {
        QVERIFY(run.values.value("command_path").isEmpty());
        QCOMPARE(run.values.value("list_program"),
                 TestPaths::simulator_dir() + QStringLiteral("/dfu-util_simulator.sh"));
    } else {
        QCOMPARE(run.values.value("command_path"), workdir);
        QCOMPARE(run.values.value("list_program"), QStringLiteral("dfu-util"));
        QVERIFY(log.contains(QStringLiteral("Start  \"%1/dfu-util\" (\"-V\")").arg(workdir)));
        QVERIFY(log.contains("Result of execution test: status was ok and output: as expected"));
    }
}

void tst_Startup::rejectedOptions_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("message");
    QTest::newRow("--help") << "--help" << "Unknown option 'help'.";
    QTest::newRow("-x") << "-x" << "Unknown option 'x'.";
    QTest::newRow("--version") << "--version" << "Unknown option 'version'.";
}

// The program itself ends at once, with the parser's message, for an option it does not know.
void tst_Startup::rejectedOptions()
{
    QFETCH(QString, option);
    QFETCH(QString, message);
    QProcess p;
    p.start(TestPaths::program(), {option});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY(p.exitCode() != 0);
    QString const err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
