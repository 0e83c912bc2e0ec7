#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "dfu/supportmisc.h"
#include "logcapture.h"
#include "testpaths.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

// Runs of the command table against the helper executable that stands in for dfu-util.
class tst_DfuCommand : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tableRows_data();
    void tableRows();
    void programPathAndArguments();
    void exitCodeAndOutput_data();
    void exitCodeAndOutput();
    void listRunIsNotAnnounced();
    void listErrorOutputIsLoggedWhenItChanges();
    void shutdownRequestSparesARunWithinItsFirstWait();
    void programThatDoesNotStart_data();
    void programThatDoesNotStart();
    void executionTest_data();
    void executionTest();
    void executionTestWithTheCarriedDfuUtil();

private:
    void useHelperFor(DFU::CmdID id, QStringList const& arguments);
    std::map<DFU::CmdID, DFU::Command> savedTable;
};

void tst_DfuCommand::init()
{
    savedTable = DFU::commands;
    DFU::Command::path.clear();
}

void tst_DfuCommand::cleanup()
{
    DFU::commands = savedTable;
    DFU::Command::path.clear();
    DFU::shutdown_requested = false;
}

void tst_DfuCommand::useHelperFor(DFU::CmdID id, QStringList const& arguments)
{
    QFileInfo const helper(TestPaths::fake_dfu_util());
    DFU::Command::path = helper.absolutePath();
    DFU::commands[id].program = helper.fileName();
    DFU::commands[id].arguments = arguments;
}

void tst_DfuCommand::tableRows_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("display");
    QTest::newRow("version") << int(DFU::version) << "dfu-util(-V)";
    QTest::newRow("list") << int(DFU::list) << "dfu-util(-d,0483,-l)";
    QTest::newRow("upload_OTP") << int(DFU::upload_OTP) << "dfu-util(-d,0483,-a,2,-s,0x1FFF7800:512,-U)";
    QTest::newRow("upload_FW_Info") << int(DFU::upload_FW_Info)
                                    << "dfu-util(-d,0483,-a,0,-s,0x08000000:2048,-U)";
    QTest::newRow("upload_FW") << int(DFU::upload_FW) << "dfu-util(-d,0483,-a,0)";
    QTest::newRow("download_FW") << int(DFU::download_FW)
                                 << "dfu-util(-d,0483,-a,0,-s,0x08000000:leave,-D)";
    QTest::newRow("setup_prepared_config") << int(DFU::setup_prepared_config) << "dfu-util()";
}

void tst_DfuCommand::tableRows()
{
    QFETCH(int, id);
    QFETCH(QString, display);
    QCOMPARE(DFU::commands.size(), std::size_t(7));
    QCOMPARE(QString(DFU::commands.at(DFU::CmdID(id))), display);
}

// The program runs from Command::path when that is set, with the fixed arguments first.
void tst_DfuCommand::programPathAndArguments()
{
    QTemporaryDir state;
    qputenv("FAKE_DFU_DIR", state.path().toLocal8Bit());
    QFileInfo const helper(TestPaths::fake_dfu_util());
    DFU::commands[DFU::upload_FW].program = helper.fileName();
    DFU::Command::path = helper.absolutePath();

    LogCapture log;
    QString const target = state.filePath(QStringLiteral("uploaded_FW.bin"));
    auto const [code, output] = DFU::run_command(
        DFU::upload_FW, {QStringLiteral("-s"), QStringLiteral("0x08000000:807136"), QStringLiteral("-U"), target});
    QCOMPARE(code, 0);
    QVERIFY(output.startsWith(QLatin1String("dfu-util 0.11\n")));
    QFile calls(state.filePath(QStringLiteral("calls.log")));
    QVERIFY(calls.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(calls.readAll()),
             QStringLiteral("-d\t0483\t-a\t0\t-s\t0x08000000:807136\t-U\t%1\n").arg(target));
    QCOMPARE(QFileInfo(target).size(), 807136);
    QCOMPARE(log.texts(QtInfoMsg),
             QStringList{QStringLiteral("Start  \"%1\" (\"-d\", \"0483\", \"-a\", \"0\", \"-s\", "
                                        "\"0x08000000:807136\", \"-U\", \"%2\")")
                             .arg(helper.absoluteFilePath(), target)});
    qunsetenv("FAKE_DFU_DIR");
}

void tst_DfuCommand::exitCodeAndOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("exitLine");
    QTest::addColumn<QString>("errorLine"); // the log line of standard error, if any

    QTest::newRow("success") << QStringList{"--helper-print=all fine\n"} << 0 << "all fine\n"
                             << false << QString();
    QTest::newRow("failure keeps output")
        << QStringList{"--helper-print=dfu-util: no device\n", "--helper-exit=74"} << 74
        << "dfu-util: no device\n" << true << QString();
    QTest::newRow("standard error is logged, not returned")
        << QStringList{"--helper-stderr=dfu-util: Cannot open DFU device\n", "--helper-print=out"}
        << 0 << "out" << false
        << "dfu-util error output: \"dfu-util: Cannot open DFU device\\n\"";
    QTest::newRow("failure with standard error")
        << QStringList{"--helper-stderr=dfu-util: No DFU capable USB device available\n",
                       "--helper-exit=74"}
        << 74 << QString() << true
        << "dfu-util error output: \"dfu-util: No DFU capable USB device available\\n\"";
    QTest::newRow("crash") << QStringList{"--helper-print=partial", "--helper-crash"} << -1
                           << "partial" << true << QString();
    QTest::newRow("UTF-8 output") << QStringList{"--helper-print=Gr\xc3\xbc\xc3\x9f"} << 0
                                  << QStringLiteral("Gr\u00fc\u00df") << false << QString();
}

void tst_DfuCommand::exitCodeAndOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, output);
    QFETCH(bool, exitLine);
    QFETCH(QString, errorLine);

    useHelperFor(DFU::version, arguments);
    LogCapture log;
    auto const result = DFU::run_command(DFU::version);
    QCOMPARE(result.first, code);
    QCOMPARE(result.second, output);
    QCOMPARE(log.anyStartsWith(QStringLiteral("Exit with %1 from \"").arg(code)), exitLine);
    QStringList const errorLines = log.texts(QtInfoMsg).filter(QStringLiteral("error output"));
    QCOMPARE(errorLines, errorLine.isEmpty() ? QStringList() : QStringList{errorLine});
    if (exitLine && !errorLine.isEmpty()) // the reason comes before the failure it explains
        QVERIFY(log.texts().indexOf(errorLine) < log.texts().size() - 1);
}

void tst_DfuCommand::listRunIsNotAnnounced()
{
    useHelperFor(DFU::list, {QStringLiteral("--helper-print=x")});
    LogCapture log;
    QCOMPARE(DFU::run_command(DFU::list).first, 0);
    QVERIFY(log.texts().isEmpty());
}

// The list run repeats every second: a lasting message is logged once, a new one again.
void tst_DfuCommand::listErrorOutputIsLoggedWhenItChanges()
{
    QStringList const texts{QString(), QStringLiteral("refused"), QStringLiteral("refused"),
                            QString(), QStringLiteral("refused"), QStringLiteral("busy"),
                            QStringLiteral("busy")};
    LogCapture log;
    for (QString const& text : texts) {
        useHelperFor(DFU::list, {text.isEmpty() ? QStringLiteral("--helper-exit=0")
                                                : QStringLiteral("--helper-stderr=") + text});
        QCOMPARE(DFU::run_command(DFU::list), DFU::Result(0, QString()));
    }
    QCOMPARE(log.texts(), (QStringList{QStringLiteral("dfu-util error output: \"refused\""),
                                       QStringLiteral("dfu-util error output: \"refused\""),
                                       QStringLiteral("dfu-util error output: \"busy\"")}));

    log.clear(); // other commands log every time
    useHelperFor(DFU::version, {QStringLiteral("--helper-stderr=busy")});
    DFU::run_command(DFU::version);
    DFU::run_command(DFU::version);
    QCOMPARE(log.count(QStringLiteral("dfu-util error output: \"busy\"")), 2);
}

// Shutdown ends only runs that already hang beyond their first wait; a run that finishes
// within it keeps its result.
void tst_DfuCommand::shutdownRequestSparesARunWithinItsFirstWait()
{
    useHelperFor(DFU::download_FW, {QStringLiteral("--helper-sleep=1500"),
                                    QStringLiteral("--helper-print=written")});
    DFU::shutdown_requested = true;
    LogCapture log;
    QCOMPARE(DFU::run_command(DFU::download_FW), DFU::Result(0, QStringLiteral("written")));
    QVERIFY(!log.anyStartsWith(QStringLiteral("Shutdown requested")));
}

void tst_DfuCommand::programThatDoesNotStart_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing program") << false;
    QTest::newRow("not executable") << true;
}

// A dfu-util that cannot be started must never read as a successful run.
void tst_DfuCommand::programThatDoesNotStart()
{
    QFETCH(bool, exists);
    QTemporaryDir dir;
    if (exists) {
        QFile f(dir.filePath(QStringLiteral("dfu-util")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nexit 0\n");
    }
    DFU::Command::path = dir.path();
    LogCapture log;
    auto const [code, output] = DFU::run_command(DFU::list);
    QCOMPARE(code, -1);
    QVERIFY(output.isEmpty());
    QVERIFY(log.anyStartsWith(QStringLiteral("Exit with -1 from \"%1/dfu-util\"").arg(dir.path())));
    QVERIFY(!DFU::dfu_util::execution_test());
}

void tst_DfuCommand::executionTest_data()
{
    QString const banner = DFU::dfu_util::expected_output_of_execution_test;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("line");

    QTest::newRow("banner") << QStringList{"--helper-print=" + banner} << true
                            << "Result of execution test: status was ok and output: as expected";
    QString const shortened = banner.left(banner.size() - 1);
    QTest::newRow("missing final empty line")
        << QStringList{"--helper-print=" + shortened} << false
        << "Result of execution test: status was ok and output: \"" + QString(shortened).replace("\n", "\\n") + "\"";
    QTest::newRow("failure with the banner")
        << QStringList{"--helper-print=" + banner, "--helper-exit=1"} << false
        << "Result of execution test: status was bad and output: as expected";
    QTest::newRow("other version")
        << QStringList{"--helper-print=" + QString(banner).replace("0.11", "0.10")} << false << QString();
}

void tst_DfuCommand::executionTest()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, result);
    QFETCH(QString, line);

    QCOMPARE(DFU::dfu_util::expected_output_of_execution_test.size(), 262);
    QCOMPARE(DFU::dfu_util::expected_output_of_execution_test.count(QLatin1Char('\n')), 7);
    useHelperFor(DFU::version, arguments);
    LogCapture log;
    QCOMPARE(DFU::dfu_util::execution_test(), result);
    if (!line.isEmpty())
        QVERIFY2(log.contains(line), qPrintable(log.texts().join(QLatin1Char('|'))));
}

// The dfu-util that the program carries passes, extracted and started as start-up does it.
void tst_DfuCommand::executionTestWithTheCarriedDfuUtil()
{
    QVERIFY(Files::external_dir.create());
    Files::extract_resources({Files::dfu_util_executable, Files::libusb_library}, false);
    QVERIFY(support_misc::mark_file_executable(DFU::dfu_util::full_path()));
    DFU::Command::path = Files::external_dir.path();
    QCOMPARE(DFU::dfu_util::full_path(), Files::external_dir.path() + QStringLiteral("/dfu-util"));
    QCOMPARE(DFU::dfu_util::basename(), QStringLiteral("dfu-util"));
    LogCapture log;
    QVERIFY(DFU::dfu_util::execution_test());
    QVERIFY(log.contains(QStringLiteral("Start  \"%1\" (\"-V\")").arg(DFU::dfu_util::full_path())));
}

QTEST_GUILESS_MAIN(tst_DfuCommand)
#include "tst_dfucommand.moc"
