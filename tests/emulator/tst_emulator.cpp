// The carried dfu-util, run by DFU::run_command as the program runs it, against the emulated
// ST DfuSe bootloader: the list and the three reads, each checked against the device's memory.

#include "emulateddevice.h"

#include "dfu/dfucommand.h"
#include "dfu/dfuutilparser.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void list_data();
    void list();
    void upload_data();
    void upload();
    void uploadFault_data();
    void uploadFault();
    void serialSelect_data();
    void serialSelect();

private:
    static QByteArray otpWithRecord(char type);
    static QByteArray readFile(QString const& path);

    QString tool_path() const { return tool.filePath(QStringLiteral("dfu-util")); }

    QTemporaryDir tool;
    QTemporaryDir work;
};

QByteArray TestEmulator::otpWithRecord(char type)
{
    QByteArray otp(512, char(0xFF));
    otp.replace(0, 8, QByteArray::fromHex("11472301") + type + QByteArray(3, char(0xFF)));
    return otp;
}

QByteArray TestEmulator::readFile(QString const& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestEmulator::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(tool.isValid() && work.isValid());
    QVERIFY(EmulatedDevice::installDfuUtil(tool.path()));
}

void TestEmulator::cleanupTestCase()
{
    DFU::Command::path.clear();
}

void TestEmulator::list_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("alternates"); // of the device lines, in order
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("serials");

    // dfu-util lists the device it found last first.
    QString const serial = QStringLiteral("376235643036");
    QTest::newRow("one device") << QString() << QString() << "3,2,1,0"
                                << int(DfuUtilParser::one_dfu_device) << QStringList{serial};
    QTest::newRow("second device") << "second_serial" << "3762356430A7" << "3,2,1,0,3,2,1,0"
                                   << int(DfuUtilParser::multiple_dfu_devices)
                                   << QStringList{QStringLiteral("3762356430A7"), serial};
    QTest::newRow("unplugged") << "present" << "0" << "" << int(DfuUtilParser::no_dfu_device)
                               << QStringList();
    QTest::newRow("access refused") << "fault.refuse_open" << "0,1" << ""
                                    << int(DfuUtilParser::no_dfu_device) << QStringList();
}

void TestEmulator::list()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, alternates);
    QFETCH(int, status);
    QFETCH(QStringList, serials);

    EmulatedDevice device;
    if (!key.isEmpty())
        device.set(key, value);
    auto const [code, output] = DFU::run_command(DFU::list);
    QCOMPARE(code, 0);

    QStringList alts;
    QRegularExpression const alt(QStringLiteral("^Found DFU: \\[0483:df11\\] ver=2200, .* alt=(\\d),"));
    for (QString const& line : output.split(QLatin1Char('\n'))) {
        if (auto const m = alt.match(line); m.hasMatch())
            alts << m.captured(1);
    }
    QCOMPARE(alts.join(QLatin1Char(',')), alternates);
    DfuUtilParser const parser(output);
    QCOMPARE(int(parser.status), status);
    QCOMPARE(QStringList(parser.serials.begin(), parser.serials.end()), serials);
}

void TestEmulator::upload_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("range"); // arguments in front of the file
    QTest::addColumn<bool>("fromOtp");
    QTest::addColumn<int>("length");

    QTest::newRow("OTP record") << int(DFU::upload_OTP) << QStringList() << true << 512;
    QTest::newRow("information block") << int(DFU::upload_FW_Info) << QStringList() << false
                                       << 2048;
    QTest::newRow("whole image") << int(DFU::upload_FW)
                                 << QStringList{"-s", "0x08000000:807136", "-U"} << false
                                 << 807136;
}

void TestEmulator::upload()
{
    QFETCH(int, id);
    QFETCH(QStringList, range);
    QFETCH(bool, fromOtp);
    QFETCH(int, length);

    EmulatedDevice device;
    device.setOtp(otpWithRecord(0x04));
    device.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
    QString const file = work.filePath(QStringLiteral("upload.bin"));
    QFile::remove(file);

    auto const [code, output] = DFU::run_command(DFU::CmdID(id), range << file);
    QCOMPARE(code, 0);
    QByteArray const expected = (fromOtp ? device.otp() : device.flash()).left(length);
    QCOMPARE(expected.size(), length);
    QVERIFY(readFile(file) == expected);
    QVERIFY(expected != QByteArray(length, char(0xFF)));
    // Every run leaves the device idle for the next one.
    QCOMPARE(device.value(QStringLiteral("dfu_state")), QStringLiteral("2"));
}

void TestEmulator::uploadFault_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("param");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("flipped"); // offset of the inverted byte in the file, or -1

    QTest::newRow("first upload stalls") << "stall_upload" << "1" << 74 << -1;
    QTest::newRow("read-back byte flipped") << "flip_readback" << "0x08000300" << 0 << 0x300;
    QTest::newRow("starts in dfuERROR") << "start_error" << "0" << 0 << -1;
    QTest::newRow("busy for ten polls") << "stuck_busy" << "10" << 0 << -1;
}

// A fault acts in one run; the device answers the next run correctly, and the stored
// flash never changes.
void TestEmulator::uploadFault()
{
    QFETCH(QString, fault);
    QFETCH(QString, param);
    QFETCH(int, exitCode);
    QFETCH(int, flipped);

    EmulatedDevice device;
    device.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
    QByteArray const flash = device.flash();
    device.setFault(fault, param);
    QString const file = work.filePath(QStringLiteral("info.bin"));

    for (int run = 0; run < 2; ++run) {
        QFile::remove(file);
        auto const [code, output] = DFU::run_command(DFU::upload_FW_Info, {file});
        QCOMPARE(code, run == 0 ? exitCode : 0);
        QByteArray expected = flash.left(2048);
        if (run == 0 && flipped >= 0)
            expected[flipped] = char(~expected[flipped]);
        if (code == 0)
            QVERIFY(readFile(file) == expected);
    }
    QVERIFY(device.flash() == flash);
    QVERIFY(device.value(QStringLiteral("fault.") + fault).isEmpty());
    if (fault == QLatin1String("start_error"))
        QCOMPARE(device.countTransfers(QStringLiteral(" CLRSTATUS ")), 1);
    if (fault == QLatin1String("stuck_busy"))
        QVERIFY(device.countTransfers(QStringLiteral("GETSTATUS")) >= 10);
}

void TestEmulator::serialSelect_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("range"); // arguments in front of the file
    QTest::addColumn<QString>("secondSerial");
    QTest::addColumn<QString>("serial"); // after "-S"; empty: no "-S"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("claimedDevice"); // its address; 0: no device claimed
    QTest::addColumn<QString>("error");     // a line of standard error

    QString const own = QStringLiteral("376235643036");
    QString const second = QStringLiteral("3762356430A7");
    QString const absent = QStringLiteral("000000000000");
    QString const noDevice = QStringLiteral("dfu-util: No DFU capable USB device available");
    QStringList const image{"-s", "0x08000000:807136", "-U"};
    int const otp = DFU::upload_OTP;
    int const info = DFU::upload_FW_Info;

    QTest::newRow("OTP by its serial") << otp << QStringList() << "" << own << 0 << 5 << "";
    QTest::newRow("information block by its serial")
        << info << QStringList() << "" << own << 0 << 5 << "";
    QTest::newRow("whole image by its serial")
        << int(DFU::upload_FW) << image << "" << own << 0 << 5 << "";
    QTest::newRow("serial of no present device")
        << otp << QStringList() << "" << absent << 74 << 0 << noDevice;
    QTest::newRow("first of two") << otp << QStringList() << second << own << 0 << 5 << "";
    QTest::newRow("second of two") << otp << QStringList() << second << second << 0 << 6 << "";
    QTest::newRow("second of two, information block")
        << info << QStringList() << second << second << 0 << 6 << "";
    QTest::newRow("neither of two")
        << otp << QStringList() << second << absent << 74 << 0 << noDevice;
    QTest::newRow("two without serial")
        << otp << QStringList() << second << "" << 74 << 0
        << "dfu-util: More than one DFU capable USB device found! Try `--list' and specify the "
           "serial number or disconnect all but one device";
}

// "-S" after the program's other arguments picks the device to read; a serial that no
// device has ends the run before any device is claimed.
void TestEmulator::serialSelect()
{
    QFETCH(int, id);
    QFETCH(QStringList, range);
    QFETCH(QString, secondSerial);
    QFETCH(QString, serial);
    QFETCH(int, exitCode);
    QFETCH(int, claimedDevice);
    QFETCH(QString, error);

    EmulatedDevice device;
    device.setOtp(otpWithRecord(0x04));
    device.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
    device.set(QStringLiteral("second_serial"), secondSerial);
    QByteArray const flash = device.flash();
    QString const file = work.filePath(QStringLiteral("upload.bin"));
    QFile::remove(file);
    QStringList arguments = DFU::commands.at(DFU::CmdID(id)).arguments + range << file;
    if (!serial.isEmpty())
        arguments << QStringLiteral("-S") << serial;

    QProcess dfuUtil;
    dfuUtil.start(tool_path(), arguments);
    QVERIFY(dfuUtil.waitForFinished(60000));
    QCOMPARE(dfuUtil.exitCode(), exitCode);
    QString const standardError = QString::fromLocal8Bit(dfuUtil.readAllStandardError());
    if (!error.isEmpty())
        QVERIFY2(standardError.split(QLatin1Char('\n')).contains(error), qPrintable(standardError));

    QStringList const claims = device.transfers().filter(QStringLiteral(" CLAIM "));
    QCOMPARE(claims.size(), claimedDevice ? 1 : 0);
    if (claimedDevice)
        QVERIFY2(claims.first().contains(QStringLiteral(" dev=%1 ").arg(claimedDevice)),
                 qPrintable(claims.first()));
    QCOMPARE(device.countTransfers(QStringLiteral(" UPLOAD ")) > 0, exitCode == 0);
    QCOMPARE(QFile::exists(file), exitCode == 0);
    if (exitCode == 0) {
        QByteArray const uploaded = readFile(file);
        QByteArray const memory = id == DFU::upload_OTP ? device.otp() : flash;
        QVERIFY(!uploaded.isEmpty() && uploaded == memory.left(uploaded.size()));
    }
    QVERIFY(device.flash() == flash);
}

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
