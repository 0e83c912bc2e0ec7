// The device operations, run against the helper executable that acts as dfu-util.

#include "device/fwinfo.h"
#include "device/otpinfo.h"
#include "dfu/deviceoperations.h"
#include "dfu/files.h"
#include "dfu/scan.h"
#include "fakedevice.h"
#include "logcapture.h"
#include "testpaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString const banner =
    QStringLiteral("dfu-util 0.11\n\n"
                   "Copyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\n"
                   "Copyright 2010-2021 Tormod Volden and Stefan Schmidt\n"
                   "This program is Free Software and has ABSOLUTELY NO WARRANTY\n"
                   "Please report bugs to http://sourceforge.net/p/dfu-util/tickets/\n\n");
QString const otpUploadOutput =
    banner + QStringLiteral("Upload\t[=========================] 100%\t512 bytes\nUpload done.\n");

// Functions, not constants: the working directory and its names are other files' statics.
QString otpDump()
{
    return Files::path_of(Files::uploaded_OTP_fileName_bin);
}

QString infoDump()
{
    return Files::path_of(Files::uploaded_FW_info_fileName_bin);
}

QString const serial = QStringLiteral("3276365F3236");
QString const bySerial = QStringLiteral("\t-S\t3276365F3236");

QString otpCall()
{
    return QStringLiteral("-d\t0483\t-a\t2\t-s\t0x1FFF7800:512\t-U\t") + otpDump() + bySerial;
}

QString infoCall()
{
    return QStringLiteral("-d\t0483\t-a\t0\t-s\t0x08000000:2048\t-U\t") + infoDump() + bySerial;
}

QByteArray readFile(QString const& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(QString const& path, QByteArray const& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A record that read_device_info must not touch when the OTP read fails.
DFU::DeviceInfo earlierDevice()
{
    DFU::DeviceInfo info;
    info.valid = true;
    info.FW_revision = QStringLiteral("B2");
    info.OTP_info = Device::make_OTP_Info(FakeDevice::otpRecord(0x04));
    info.FW_info = Device::make_FW_Info(FakeDevice::flashWithInfo(0x04, "B2"));
    info.device_type = Device::Type::VELK;
    return info;
}

void compareInfo(DFU::DeviceInfo const& actual, DFU::DeviceInfo const& expected)
{
    QCOMPARE(QString(actual), QString(expected));
    QCOMPARE(actual.serial, expected.serial);
    QCOMPARE(QString(actual.OTP_info), QString(expected.OTP_info));
    QCOMPARE(actual.OTP_info.empty, expected.OTP_info.empty);
    QCOMPARE(QString(actual.FW_info), QString(expected.FW_info));
    QCOMPARE(actual.device_type, expected.device_type);
}

} // namespace

class TestDeviceOperations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void desiredInfoIsParsedOnce();
    void makeScan_data();
    void makeScan();
    void displayForm_data();
    void displayForm();
    void commandLines_data();
    void commandLines();
    void failedOtpReadLeavesInfo_data();
    void failedOtpReadLeavesInfo();
    void readDeviceInfo_data();
    void readDeviceInfo();
    void staleDumpsAreReplaced();
    void shortDumpsAreNoData_data();
    void shortDumpsAreNoData();
    void otherSerialIsNotRead();
    void uploadAndCompare_data();
    void uploadAndCompare();
    void compareFiles_data();
    void compareFiles();

private:
    FakeDevice device;
    QTemporaryDir scratch;
    QByteArray image; // the carried firmware.bin
};

void TestDeviceOperations::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(Files::external_dir.create());
    DFU::Command::path.clear();
    for (auto& row : DFU::commands)
        row.second.program = TestPaths::fake_dfu_util();
    image = readFile(TestPaths::generated_file(QStringLiteral("firmware.bin")));
    QCOMPARE(image.size(), 807136);
}

void TestDeviceOperations::init()
{
    device.plug();
    device.setOtp(FakeDevice::otpRecord(0x04));
    device.setFlash(FakeDevice::flashWithInfo(0x04, "C4"));
    device.failUpload(QStringLiteral("0x1FFF7800"), 0);
    device.failUpload(QStringLiteral("0x08000000"), 0);
    device.setFlipReadback(false);
    device.clearCalls();
}

// Must run before anything extracts firmware.bin: the first call finds no image.
void TestDeviceOperations::desiredInfoIsParsedOnce()
{
    QString const path = Files::path_of(Files::desired_FW_fileName_bin);
    QString const line = QStringLiteral("Reading desired FW_Info from  \"%1\"").arg(path);
    LogCapture log;
    Device::FW_Info const& first = DFU::desired_FW_Info();
    QVERIFY(!first.valid);
    QCOMPARE(log.texts(QtDebugMsg), QStringList{line});

    QVERIFY(Files::extract_resources({Files::desired_FW_bin}, true));
    QCOMPARE(&DFU::desired_FW_Info(), &first);
    QVERIFY(!DFU::desired_FW_Info().valid);
    QCOMPARE(log.count(line), 1);

    Device::FW_Info const carried = DFU::read_FW_Info_from_desired_FW();
    QVERIFY(carried.valid);
    QCOMPARE(carried.product.type, Device::Type::VELK);
    QCOMPARE(carried.name, QStringLiteral("REL41"));
    QCOMPARE(carried.revision, QStringLiteral("C4"));
    QCOMPARE(log.count(line), 2);
}

void TestDeviceOperations::makeScan_data()
{
    QTest::addColumn<QByteArray>("listed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("error");
    QTest::addColumn<QStringList>("serials");

    QString const serial = QStringLiteral("3276365F3236");
    QByteArray const four = FakeDevice::deviceLines(serial);
    QTest::newRow("no device") << QByteArray() << 0 << 1 << QStringList{};
    QTest::newRow("one device") << four << 0 << 0 << QStringList{serial};
    QTest::newRow("three alternates")
        << FakeDevice::deviceLines(serial, 3) << 0 << 1 << QStringList{serial};
    QTest::newRow("failing list with valid lines") << four << 74 << 1 << QStringList{};
}

void TestDeviceOperations::makeScan()
{
    QFETCH(QByteArray, listed);
    QFETCH(int, exitCode);
    QFETCH(int, error);
    QFETCH(QStringList, serials);
    device.setListOutput(listed);
    device.setListExitCode(exitCode);

    DFU::ScanResult const scan = DFU::make_scan();
    device.setListExitCode(0);
    QCOMPARE(scan.error, error);
    QStringList found;
    for (auto const& item : scan.devices)
        found << item.serial;
    QCOMPARE(found, serials);
    QCOMPARE(device.calls(), QStringList{QStringLiteral("-d\t0483\t-l")});
}

void TestDeviceOperations::displayForm_data()
{
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("text");
    QTest::newRow("valid") << true
                           << QStringLiteral(
                                  "DeviceInfo:\n\tDevice type:\t4\n\tFW_revision:\tR9\n");
    QTest::newRow("invalid") << false << QStringLiteral("DeviceInfo:\nInvalid");
}

void TestDeviceOperations::displayForm()
{
    QFETCH(bool, valid);
    QFETCH(QString, text);
    DFU::DeviceInfo info;
    info.valid = valid;
    info.device_type = Device::Type::VELK;
    info.FW_revision = QStringLiteral("R9");
    QCOMPARE(QString(info), text);

    QString streamed;
    QDebug(&streamed) << info << QStringLiteral("next");
    QCOMPARE(streamed, text + QStringLiteral(" \"next\" "));
}

void TestDeviceOperations::commandLines_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("calls");
    QString const file = scratch.filePath(QStringLiteral("image.bin"));
    QString const readBack = scratch.filePath(QStringLiteral("readback.bin"));

    QTest::newRow("read_device_info") << "read_device_info" << QStringList{otpCall(), infoCall()};
    QTest::newRow("read_FW_Info") << "read_FW_Info" << QStringList{infoCall()};
    QTest::newRow("download_FW_to_device")
        << "download_FW_to_device"
        << QStringList{QStringLiteral("-d\t0483\t-a\t0\t-s\t0x08000000:leave\t-D\t") + file +
                       bySerial};
    QTest::newRow("upload_FW_from_device")
        << "upload_FW_from_device"
        << QStringList{QStringLiteral("-d\t0483\t-a\t0\t-s\t0x08000000:807136\t-U\t") + file +
                       bySerial};
    QTest::newRow("upload_and_compare_FW_bin")
        << "upload_and_compare_FW_bin"
        << QStringList{QStringLiteral("-d\t0483\t-a\t0\t-s\t0x08000000:807136\t-U\t") +
                       readBack + bySerial};
}

void TestDeviceOperations::commandLines()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, calls);
    QString const file = scratch.filePath(QStringLiteral("image.bin"));
    QString const readBack = scratch.filePath(QStringLiteral("readback.bin"));
    writeFile(file, image);
    device.setFlash(image);

    DFU::DeviceItem const item{serial};
    DFU::DeviceInfo info;
    if (operation == QLatin1String("read_device_info"))
        QCOMPARE(DFU::read_device_info(&item, &info).first, 0);
    else if (operation == QLatin1String("read_FW_Info"))
        QVERIFY(DFU::read_FW_Info(&item).valid);
    else if (operation == QLatin1String("download_FW_to_device"))
        QCOMPARE(DFU::download_FW_to_device(file, serial), 0);
    else if (operation == QLatin1String("upload_FW_from_device"))
        QCOMPARE(DFU::upload_FW_from_device(file, 807136, serial), 0);
    else
        QVERIFY(DFU::upload_and_compare_FW_bin(file, readBack, serial));
    QCOMPARE(device.calls(), calls);
}

void TestDeviceOperations::failedOtpReadLeavesInfo_data()
{
    QTest::addColumn<bool>("unplugged");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("upload fails") << false << 74
                                  << banner + QStringLiteral("Upload of 0x1FFF7800 failed\n");
    QTest::newRow("upload fails, other code")
        << false << 1 << banner + QStringLiteral("Upload of 0x1FFF7800 failed\n");
    QTest::newRow("device gone") << true << 74 << banner;
}

void TestDeviceOperations::failedOtpReadLeavesInfo()
{
    QFETCH(bool, unplugged);
    QFETCH(int, code);
    QFETCH(QString, text);
    if (unplugged)
        device.vanish();
    else
        device.failUpload(QStringLiteral("0x1FFF7800"), code);

    DFU::DeviceItem const item{QStringLiteral("3276365F3236")};
    DFU::DeviceInfo info = earlierDevice();
    DFU::Result const result = DFU::read_device_info(&item, &info);
    QCOMPARE(result.first, code);
    QCOMPARE(result.second, text);
    compareInfo(info, earlierDevice());
    QCOMPARE(device.calls(), QStringList{otpCall()});
}

void TestDeviceOperations::readDeviceInfo_data()
{
    QTest::addColumn<QByteArray>("otp");
    QTest::addColumn<QByteArray>("flash");
    QTest::addColumn<bool>("infoReadFails");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("revision");
    QTest::addColumn<QString>("display");

    QByteArray const blank(512, char(0xFF));
    QByteArray const erased(2048, char(0xFF));
    QByteArray const velk = FakeDevice::otpRecord(0x04);
    QByteArray const rel41 = FakeDevice::flashWithInfo(0x04, "R7");
    QString const old = QStringLiteral("old");

    QTest::newRow("matching product")
        << velk << rel41 << false << true << QStringLiteral("R7")
        << QStringLiteral("DeviceInfo:\n\tDevice type:\t4\n\tFW_revision:\tR7\n");
    QTest::newRow("firmware of another product")
        << velk << FakeDevice::flashWithInfo(0x03, "R7") << false << false << old
        << QStringLiteral("DeviceInfo:\n\tDevice type:\t4\n\tFW_revision:\told\n");
    QTest::newRow("firmware information read fails")
        << velk << rel41 << true << false << old
        << QStringLiteral("DeviceInfo:\n\tDevice type:\t4\n\tFW_revision:\told\n");
    QTest::newRow("erased flash") << velk << erased << false << false << old
                                  << QStringLiteral(
                                         "DeviceInfo:\n\tDevice type:\t4\n\tFW_revision:\told\n");
    QTest::newRow("blank OTP, firmware of the product")
        << blank << rel41 << false << false << old
        << QStringLiteral("DeviceInfo:\n\tDevice type:\t0\n\tFW_revision:\told\n");
    // Neither names a product: both types are 0x00, which the product check accepts.
    QTest::newRow("blank OTP, erased flash")
        << blank << erased << false << true << QString()
        << QStringLiteral("DeviceInfo:\n\tDevice type:\t0\n\tFW_revision:\t\n");
}

void TestDeviceOperations::readDeviceInfo()
{
    QFETCH(QByteArray, otp);
    QFETCH(QByteArray, flash);
    QFETCH(bool, infoReadFails);
    QFETCH(bool, accepted);
    QFETCH(QString, revision);
    QFETCH(QString, display);
    device.setOtp(otp);
    device.setFlash(flash);
    if (infoReadFails)
        device.failUpload(QStringLiteral("0x08000000"), 74);
    Device::FW_Info const read = infoReadFails ? Device::FW_Info{} : Device::make_FW_Info(flash);
    bool const blank = otp == QByteArray(512, char(0xFF));

    DFU::DeviceItem const item{QStringLiteral("3276365F3236")};
    DFU::DeviceInfo info;
    info.FW_revision = QStringLiteral("old");
    LogCapture log;
    DFU::Result const result = DFU::read_device_info(&item, &info);

    QCOMPARE(result.first, 0);
    QVERIFY(info.valid);
    QCOMPARE(info.serial, item.serial);
    QCOMPARE(info.OTP_info.empty, blank);
    QCOMPARE(info.FW_revision, revision);
    QCOMPARE(QString(info), display);
    QCOMPARE(info.FW_info.valid, accepted && read.valid);
    QCOMPARE(info.FW_info.revision, read.revision);
    QCOMPARE(log.count(otpUploadOutput + QStringLiteral("OTP is blank.\n")), blank ? 1 : 0);
    QVERIFY(log.contains(QString(info.OTP_info)));
    if (accepted) {
        QCOMPARE(result.second, otpUploadOutput);
        QVERIFY(log.contains(display + QLatin1Char(' ') + QString(info.FW_info)));
        return;
    }
    QString const mismatch = QStringLiteral("FW assumed invalid because of product type mismatch."
                                            "\nOTP contains") +
                             QString(info.OTP_info.product) +
                             QStringLiteral("\nwhereas FW contains\n") + QString(read);
    QCOMPARE(result.second, otpUploadOutput + mismatch);
    QCOMPARE(log.texts(QtInfoMsg).last(), result.second);
    QVERIFY(result.second.contains(QStringLiteral("\nOTP containsProductInfo: ")));
}

// dfu-util refuses to write over an existing file: left-over dumps must go first.
void TestDeviceOperations::staleDumpsAreReplaced()
{
    writeFile(otpDump(), QByteArray(512, char(0xFF)));
    writeFile(infoDump(), FakeDevice::flashWithInfo(0x04, "OLD"));
    DFU::DeviceItem const item{QStringLiteral("3276365F3236")};
    DFU::DeviceInfo info;
    QCOMPARE(DFU::read_device_info(&item, &info).first, 0);
    QCOMPARE(info.device_type, Device::Type::VELK);
    QCOMPARE(info.FW_revision, QStringLiteral("C4"));
}

// A run that ends well but leaves less than the whole area in its dump is not read as the
// device's memory: a short OTP dump is a read error (a 0-byte one must not pass as blank,
// a 16-byte one not as the first of several records), a short information block names no
// firmware.
void TestDeviceOperations::shortDumpsAreNoData_data()
{
    QTest::addColumn<int>("otpBytes");
    QTest::addColumn<int>("infoBytes");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("infoValid");
    QTest::newRow("OTP dump empty") << 0 << -1 << DFU::short_dump_code << false;
    QTest::newRow("OTP dump of one slot") << 16 << -1 << DFU::short_dump_code << false;
    QTest::newRow("OTP dump one byte short") << 511 << -1 << DFU::short_dump_code << false;
    QTest::newRow("information block empty") << -1 << 0 << 0 << false;
    QTest::newRow("information block cut") << -1 << 1024 << 0 << false;
    QTest::newRow("both whole") << -1 << -1 << 0 << true;
}

void TestDeviceOperations::shortDumpsAreNoData()
{
    QFETCH(int, otpBytes);
    QFETCH(int, infoBytes);
    QFETCH(int, code);
    QFETCH(bool, infoValid);
    FakeDevice::Unit unit;
    unit.serial = serial;
    // A Rel-41 record in the first slot and a K7 record in the second: only the whole area
    // tells which one counts.
    unit.otp = FakeDevice::otpRecord(0x04);
    unit.otp.replace(16, 16, FakeDevice::otpRecord(0x2B).left(16));
    unit.flash = FakeDevice::flashWithInfo(0x04, "C3");
    unit.otpDumpBytes = otpBytes;
    unit.infoDumpBytes = infoBytes;
    device.setUnits({unit});

    DFU::DeviceItem const item{serial};
    DFU::DeviceInfo info = earlierDevice();
    LogCapture log;
    DFU::Result const result = DFU::read_device_info(&item, &info);
    QCOMPARE(result.first, code);
    if (code != 0) {
        compareInfo(info, earlierDevice());
        QVERIFY(result.second.endsWith(
            QStringLiteral("The OTP dump holds %1 bytes instead of 512.").arg(otpBytes)));
        QCOMPARE(device.calls(), QStringList{otpCall()});
        return;
    }
    QCOMPARE(info.device_type, Device::Type::ORVK);
    QCOMPARE(info.FW_info.valid, false); // a K7 record and a Rel-41 block never match
    if (!infoValid)
        QVERIFY(log.contains(QStringLiteral(
            "The firmware information dump holds %1 bytes instead of 2048").arg(infoBytes)));
}

// Every run that addresses the device names it: a device with another serial in its place
// is never read, written or read back.
void TestDeviceOperations::otherSerialIsNotRead()
{
    QString const file = scratch.filePath(QStringLiteral("image.bin"));
    writeFile(file, image);
    device.setFlash(FakeDevice::flashWithInfo(0x04, "C3"));
    device.plug(QStringLiteral("205B3591524B"));
    DFU::DeviceItem const item{serial};
    DFU::DeviceInfo info;
    QCOMPARE(DFU::read_device_info(&item, &info).first, 74);
    QCOMPARE(DFU::download_FW_to_device(file, serial), 74);
    QVERIFY(!DFU::upload_and_compare_FW_bin(file, scratch.filePath(QStringLiteral("r.bin")),
                                            serial));
    QCOMPARE(device.flash(), FakeDevice::flashWithInfo(0x04, "C3"));
    QCOMPARE(device.countCalls(QStringLiteral("-S")), 3);
}

void TestDeviceOperations::uploadAndCompare_data()
{
    QTest::addColumn<QString>("reference"); // "image", "empty", "missing" or "folder"
    QTest::addColumn<QByteArray>("staleTarget");
    QTest::addColumn<bool>("flip");
    QTest::addColumn<int>("uploadCode");
    QTest::addColumn<bool>("equal");
    QTest::addColumn<int>("runs");

    QTest::newRow("image read back") << "image" << QByteArray() << false << 0 << true << 1;
    QTest::newRow("last byte differs") << "image" << QByteArray() << true << 0 << false << 1;
    QTest::newRow("stale read-back replaced")
        << "image" << QByteArray("old") << false << 0 << true << 1;
    QTest::newRow("read-back fails, stale copy of the image")
        << "image" << image << false << 74 << false << 1;
    QTest::newRow("empty reference") << "empty" << QByteArray() << false << 0 << false << 0;
    QTest::newRow("missing reference") << "missing" << QByteArray() << false << 0 << false << 0;
    QTest::newRow("folder as reference") << "folder" << QByteArray() << false << 0 << false << 0;
}

void TestDeviceOperations::uploadAndCompare()
{
    QFETCH(QString, reference);
    QFETCH(QByteArray, staleTarget);
    QFETCH(bool, flip);
    QFETCH(int, uploadCode);
    QFETCH(bool, equal);
    QFETCH(int, runs);

    QString const target = scratch.filePath(QStringLiteral("uploaded.bin"));
    QFile::remove(target);
    if (!staleTarget.isEmpty())
        writeFile(target, staleTarget);
    QString ref = scratch.filePath(reference);
    QFile::remove(ref);
    if (reference == QLatin1String("image"))
        writeFile(ref, image);
    else if (reference == QLatin1String("empty"))
        writeFile(ref, QByteArray());
    else if (reference == QLatin1String("folder"))
        ref = scratch.path();
    device.setFlash(image);
    device.setFlipReadback(flip);
    device.failUpload(QStringLiteral("0x08000000"), uploadCode);

    QCOMPARE(DFU::upload_and_compare_FW_bin(ref, target), equal);
    QCOMPARE(device.calls().size(), runs);
    if (runs == 1)
        QCOMPARE(readFile(target).size(), uploadCode == 0 ? image.size() : 0);
}

void TestDeviceOperations::compareFiles_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("bExists");
    QTest::addColumn<bool>("equal");

    QByteArray const bytes = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    QByteArray lastDiffers = bytes;
    lastDiffers[lastDiffers.size() - 1] = char(0xFE);
    QTest::newRow("equal") << bytes << bytes << true << true;
    QTest::newRow("last byte differs") << bytes << lastDiffers << true << false;
    QTest::newRow("first byte differs")
        << bytes << QByteArray(1, 'x') + bytes.mid(1) << true << false;
    QTest::newRow("two empty files") << QByteArray() << QByteArray() << true << false;
    QTest::newRow("second longer") << bytes << bytes + '\0' << true << false;
    QTest::newRow("second shorter") << bytes << bytes.chopped(1) << true << false;
    QTest::newRow("second missing") << bytes << QByteArray() << false << false;
}

void TestDeviceOperations::compareFiles()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, bExists);
    QFETCH(bool, equal);
    QString const pathA = scratch.filePath(QStringLiteral("a.bin"));
    QString const pathB = scratch.filePath(QStringLiteral("b.bin"));
    writeFile(pathA, a);
    QFile::remove(pathB);
    if (bExists)
        writeFile(pathB, b);
    QCOMPARE(DFU::compare_FW_bin_files(pathA, pathB), equal);
    QCOMPARE(DFU::compare_FW_bin_files(pathB, pathA), equal);
    QCOMPARE(DFU::compare_FW_bin_files(pathA, pathA), !a.isEmpty());
}

QTEST_GUILESS_MAIN(TestDeviceOperations)
#include "tst_deviceoperations.moc"
