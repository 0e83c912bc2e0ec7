// The simulator script as the program uses it: every run goes through DFU::run_command after
// the command table was redirected, the dumps land in the working directory next to the
// extracted "firmware.bin", and each prepared configuration acts as its device.

#include "device/fwinfo.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "dfu/scan.h"
#include "logcapture.h"
#include "sim/simulator.h"
#include "simscript.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

using namespace SimScript;

namespace {

// Runs shell commands as another program would run the script: "$0" is the script.
QByteArray run_in_other_program(QString const& config, QString const& commands)
{
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KALVORA_SIM_CONFIG"), config);
    shell.setProcessEnvironment(env);
    shell.start(
        QStringLiteral("/bin/sh"),
        {"-c", commands, simulator::dfu_util_path(QStringLiteral("dfu-util_simulator.sh"))});
    shell.waitForFinished(20000);
    return shell.readAllStandardOutput();
}

QString state_of(QByteArray const& pid)
{
    return QDir::tempPath() + QStringLiteral("/kalvora-dfu-sim.") +
           QString::fromLatin1(pid.trimmed());
}

// The progress frames of a run's output; the last one without the line that ends the bar.
QStringList frames_of(QString const& output)
{
    QStringList frames = output.split(QLatin1Char('\r')).mid(1);
    if (!frames.isEmpty())
        frames.last().remove(QStringLiteral("\nUpload done.\n"));
    return frames;
}

// dfu-util's output without the frames it adds when a second passes: those whose bar is
// as long as that of the frame before.
QByteArray without_ticks(QByteArray const& output)
{
    static QRegularExpression const frame_start(QStringLiteral("^(\\w+)\\s*\\t\\[(=*)"));
    QList<QByteArray> const pieces = output.split('\r');
    QByteArray kept = pieces.first();
    QString previous;
    for (QByteArray const& piece : pieces.mid(1)) {
        QRegularExpressionMatch const m = frame_start.match(QString::fromLatin1(piece));
        QString const bar = m.hasMatch() ? m.captured(1) + m.captured(2) : QString();
        if (!bar.isEmpty() && bar == previous && !piece.contains('\n'))
            continue;
        previous = bar;
        kept += '\r' + piece;
    }
    return kept;
}

// What follows the version banner, which differs between platforms.
QByteArray after_banner(QByteArray const& output)
{
    return output.mid(output.indexOf("Opening DFU capable USB device"));
}

QString frame(char const* bar, int percent, int bytes)
{
    return QStringLiteral("Upload\t[%1] %2% %3 bytes")
        .arg(QLatin1String(bar), -25)
        .arg(percent, 3)
        .arg(bytes, 12);
}

} // namespace

class TestSimulatorScript : public QObject
{
    Q_OBJECT

    PreparedDevice device;

private slots:
    void initTestCase()
    {
        QVERIFY(simulate_dfu_util());
        QCOMPARE(carried_image().size(), 807136);
        QCOMPARE(carried_image().mid(info_block + 40, 3), QByteArray("C4\0", 3));
    }

    void version()
    {
        DFU::Result const result = DFU::run_command(DFU::version);
        QCOMPARE(result.first, 0);
        QCOMPARE(result.second, DFU::dfu_util::expected_output_of_execution_test);
        QVERIFY(DFU::dfu_util::execution_test());
    }

    void list_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QString>("devices");
        QTest::addColumn<int>("scanError");

        QString const second = QStringLiteral("3574364C3035");
        QStringList const all;
        QTest::newRow("default") << "default" << all << device_lines(serial, 7, 2) << 0;
        QTest::newRow("two_devices")
            << "two_devices" << all << device_lines(serial, 7, 2) + device_lines(second, 8, 3) << 1;
        QTest::newRow("no_device") << "no_device" << all << QString() << 1;
        QTest::newRow("two_devices, the second by its serial")
            << "two_devices" << QStringList{"-S", second} << device_lines(second, 8, 3) << 0;
        QTest::newRow("default, by another serial")
            << "default" << QStringList{"-S", second} << QString() << 1;
    }

    void list()
    {
        QFETCH(QString, config);
        QFETCH(QStringList, selection);
        QFETCH(QString, devices);
        QFETCH(int, scanError);

        QElapsedTimer since_setup;
        since_setup.start();
        device.setup(config);
        QString const early = DFU::run_command(DFU::list).second;
        if (since_setup.elapsed() < 800)
            QCOMPARE(found_lines(early), 0); // a device shows up about a second after start

        QThread::msleep(1300);
        DFU::Result const result = DFU::run_command(DFU::list, selection);
        QCOMPARE(result.first, 0);
        QCOMPARE(result.second, DFU::dfu_util::expected_output_of_execution_test + devices);
        QCOMPARE(DFU::scan_for_devices(result.second).error, scanError);
    }

    void reads_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("devices");
        QTest::addColumn<int>("otpCode");
        QTest::addColumn<QByteArray>("otp");
        QTest::addColumn<int>("flashCode");
        QTest::addColumn<QByteArray>("flash");
        QTest::addColumn<QString>("revision");

        QByteArray const c3 = initial_flash("C3");
        QByteArray const k7 = initial_flash("B2", 0x2B, "K7");
        QByteArray const none;
        QTest::newRow("default") << "default" << 1 << 0 << otp_with_record(0x04) << 0 << c3 << "C3";
        QTest::newRow("same_revision")
            << "same_revision" << 1 << 0 << otp_with_record(0x04) << 0 << carried_image() << "C4";
        QTest::newRow("empty_otp")
            << "empty_otp" << 1 << 0 << QByteArray(512, char(0xFF)) << 0 << c3 << "C3";
        QTest::newRow("other_product")
            << "other_product" << 1 << 0 << otp_with_record(0x23) << 0 << k7 << "B2";
        QTest::newRow("fw_other_product")
            << "fw_other_product" << 1 << 0 << otp_with_record(0x04) << 0 << k7 << "B2";
        QTest::newRow("read_error") << "read_error" << 1 << 74 << none << 0 << c3 << "C3";
        QTest::newRow("blank_flash") << "blank_flash" << 1 << 0 << otp_with_record(0x04) << 0
                                     << QByteArray(c3.size(), char(0xFF)) << "";
        QTest::newRow("two_devices") << "two_devices" << 2 << 74 << none << 74 << none << "";
    }

    // What each prepared device gives for the OTP read, the information block read and the
    // read of the whole image.
    void reads()
    {
        QFETCH(QString, config);
        QFETCH(int, devices);
        QFETCH(int, otpCode);
        QFETCH(QByteArray, otp);
        QFETCH(int, flashCode);
        QFETCH(QByteArray, flash);
        QFETCH(QString, revision);

        device.use(config, devices);
        QCOMPARE(read_otp().first, otpCode);
        QCOMPARE(otp_dump(), otp);

        QCOMPARE(read_info().first, flashCode);
        QCOMPARE(info_dump(), flash.left(2048));
        QCOMPARE(Device::make_FW_Info(info_dump()).revision, revision);

        QCOMPARE(read_flash(whole_image()).first, flashCode);
        QVERIFY(flash_dump() == flash);
    }

    void readFrames_data()
    {
        QTest::addColumn<QString>("range");
        QTest::addColumn<QStringList>("frames");

        char const* const full = "=========================";
        QTest::newRow("information block")
            << "0x08000000:2048" << QStringList{frame("", 0, 0), frame(full, 100, 2048)};
        QTest::newRow("two transfers")
            << "0x08000000:4096"
            << QStringList{frame("", 0, 0), frame("============", 50, 2048),
                           frame(full, 100, 4096)};
        QTest::newRow("a byte more than a transfer")
            << "0x08000000:2049"
            << QStringList{frame("", 0, 0), frame("========================", 99, 2048),
                           frame(full, 100, 2049)};
    }

    // Short reads show a frame before the first transfer and one after each transfer that
    // lengthens the bar, as dfu-util does with the bootloader's 2048-byte transfers.
    void readFrames()
    {
        QFETCH(QString, range);
        QFETCH(QStringList, frames);

        device.use(QStringLiteral("default"));
        DFU::Result const result = read_flash(range, serial);
        QCOMPARE(result.first, 0);
        QVERIFY(result.second.endsWith(QStringLiteral("\nUpload done.\n")));
        QCOMPARE(frames_of(result.second), frames);
    }

    void sameOutputAsDfuUtil_data()
    {
        QTest::addColumn<QString>("capture");
        QTest::newRow("read-back of the carried image") << "dfu-util-upload.out";
        QTest::newRow("download of the carried image") << "dfu-util-download.out";
    }

    // The output of dfu-util 0.11 for the same run against the emulated bootloader, captured
    // in tests/dfu/data, without the frames that dfu-util adds when a second passes.
    void sameOutputAsDfuUtil()
    {
        QFETCH(QString, capture);

        QByteArray const captured = read_file(QStringLiteral(DFU_UTIL_CAPTURES_DIR "/") + capture);
        QVERIFY2(!captured.isEmpty(), qPrintable(capture));
        device.setup(QStringLiteral("default")); // fresh, since the download changes the device
        QCOMPARE(found_lines(wait_for_devices(1)), 4);
        DFU::Result const result =
            capture.contains(QLatin1String("download"))
                ? download(Files::path_of(Files::desired_FW_fileName_bin), serial)
                : read_flash(whole_image(), serial);
        device.forget();
        QCOMPARE(result.first, 0);
        QCOMPARE(after_banner(result.second.toLatin1()), after_banner(without_ticks(captured)));
    }

    // The read-back of the whole image takes about five seconds and shows its progress over
    // all of them, not only at the end.
    void readBackShowsProgressAsItGoes()
    {
        device.use(QStringLiteral("default"));
        QString const path = Files::path_of(Files::uploaded_FW_fileName_bin);
        QFile::remove(path);
        ScriptRun const run = run_script({"--dfu-util-command", "upload_FW", "-d", "0483", "-a",
                                          "0", "-s", whole_image(), "-U", path, "-S", serial});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.frame_ms.size(), 26);
        qint64 const took = run.frame_ms.last() - run.frame_ms.first();
        qint64 const half = run.frame_ms.at(13) - run.frame_ms.first(); // 52 %
        QString const times = QStringLiteral("%1 ms, half at %2 ms").arg(took).arg(half);
        QVERIFY2(took >= 4500 && took < 10000, qPrintable(times));
        QVERIFY2(half > took / 4 && half < took * 3 / 4, qPrintable(times));
        QVERIFY(read_file(path) == initial_flash("C3"));
    }

    void flashRanges_data()
    {
        QTest::addColumn<QString>("range");
        QTest::addColumn<QByteArray>("bytes");

        QByteArray const flash = initial_flash("C3");
        QTest::newRow("one byte") << "0x08000000:1" << flash.left(1);
        QTest::newRow("information block") << "0x08000200:72" << flash.mid(info_block, 72);
        QTest::newRow("hexadecimal length") << "0x08000228:0x20" << text_field("C3");
        QTest::newRow("end of the image and erased flash after it")
            << "0x080C50D0:32" << flash.mid(0xC50D0, 16) + QByteArray(16, char(0xFF));
        QTest::newRow("last byte of the flash") << "0x080FFFFF:1" << QByteArray(1, char(0xFF));
    }

    void flashRanges()
    {
        QFETCH(QString, range);
        QFETCH(QByteArray, bytes);

        device.use(QStringLiteral("default"));
        QCOMPARE(read_flash(range).first, 0);
        QCOMPARE(flash_dump(), bytes);
    }

    void refusedReads_data()
    {
        QTest::addColumn<QString>("range");
        QTest::newRow("past the end of the flash") << "0x080FFFFF:2";
        QTest::newRow("before the flash") << "0x07FFFFFF:16";
        QTest::newRow("no length") << "0x08000000";
        QTest::newRow("length with letters") << "0x08000000:12ab";
    }

    void refusedReads()
    {
        QFETCH(QString, range);

        device.use(QStringLiteral("default"));
        QVERIFY(read_flash(range).first != 0);
        QVERIFY(flash_dump().isEmpty());
    }

    void existingDumpIsKept()
    {
        device.use(QStringLiteral("default"));
        QString const path = Files::path_of(Files::uploaded_OTP_fileName_bin);
        QVERIFY(write_file(path, "earlier dump"));
        QCOMPARE(DFU::run_command(DFU::upload_OTP, {path}).first, 73);
        QCOMPARE(read_file(path), QByteArray("earlier dump"));
    }

    void noDevice_data()
    {
        QTest::addColumn<QString>("config");
        QTest::newRow("no_device") << "no_device";
        QTest::newRow("default before it shows up") << "default";
    }

    void noDevice()
    {
        QFETCH(QString, config);

        device.setup(config);
        QElapsedTimer timer;
        timer.start();
        DFU::Result const otp = read_otp();
        DFU::Result const info = read_info();
        DFU::Result const flash = read_flash(whole_image());
        DFU::Result const written = download(Files::path_of(Files::desired_FW_fileName_bin));
        if (timer.elapsed() > 800)
            QSKIP("the device may have shown up in the meantime");
        for (DFU::Result const& result : {otp, info, flash, written}) {
            QCOMPARE(result.first, 74);
            QCOMPARE(result.second, DFU::dfu_util::expected_output_of_execution_test);
        }
        QVERIFY(!QFile::exists(Files::path_of(Files::uploaded_OTP_fileName_bin)));
        QVERIFY(!QFile::exists(Files::path_of(Files::uploaded_FW_info_fileName_bin)));
        QVERIFY(!QFile::exists(Files::path_of(Files::uploaded_FW_fileName_bin)));
    }

    void rejectedConfig_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("unknown") << "nosuch";
        QTest::newRow("path") << "../simulator/configs/default";
        QTest::newRow("empty") << "";
        QTest::newRow("with a blank") << "default x";
    }

    // A rejected name is logged with its exit code and leaves the current device alone.
    void rejectedConfig()
    {
        QFETCH(QString, name);

        device.use(QStringLiteral("two_devices"), 2);
        LogCapture log;
        int const code = simulator::sim_setup_prepared_config(name);
        QCOMPARE(code, 2);
        QVERIFY2(
            log.contains(
                QStringLiteral("Failed to setup simulation config  \"%1\" with code 2").arg(name)),
            qPrintable(log.texts().join('\n')));
        QCOMPARE(found_lines(DFU::run_command(DFU::list).second), 8);
    }

    // A program that starts without ever calling setup_prepared_config gets the configuration
    // of the environment, and its device is not the one of this test.
    void environmentChoosesConfig()
    {
        device.use(QStringLiteral("default"));
        QByteArray output = run_in_other_program(
            QStringLiteral("two_devices"),
            QStringLiteral("\"$0\" --dfu-util-command version >/dev/null; sleep 1.3;"
                           "\"$0\" --dfu-util-command list -d 0483 -l"));
        QCOMPARE(found_lines(QString::fromLatin1(output)), 8);
        QCOMPARE(found_lines(DFU::run_command(DFU::list).second), 4);

        output = run_in_other_program(
            QStringLiteral("nosuch"),
            QStringLiteral("\"$0\" --dfu-util-command list -d 0483 -l; echo \"exit $?\""));
        QVERIFY2(output.contains("unknown configuration \"nosuch\""), output.constData());
        QVERIFY(output.endsWith("exit 64\n"));
    }

    // The state of a program that has ended is removed when the next program starts.
    void endedProgramsLeaveNoState()
    {
        QString const ended = state_of(run_in_other_program(
            QStringLiteral("default"),
            QStringLiteral("echo $$; \"$0\" --dfu-util-command version >/dev/null")));
        QVERIFY2(QFileInfo::exists(ended), qPrintable(ended));

        run_in_other_program(QStringLiteral("default"),
                             QStringLiteral("\"$0\" --dfu-util-command version"));
        QVERIFY(!QFileInfo::exists(ended));
        QVERIFY(
            QFileInfo::exists(state_of(QByteArray::number(QCoreApplication::applicationPid()))));
    }
};

QTEST_GUILESS_MAIN(TestSimulatorScript)
#include "tst_simulator_script.moc"
