// The device layer with the dfu-util that the program carries, extracted as start-up does,
// on a machine without any DFU device.

#include "dfu/deviceoperations.h"
#include "dfu/dfucommand.h"
#include "dfu/dfuutilparser.h"
#include "dfu/files.h"
#include "dfu/scan.h"
#include "dfu/supportmisc.h"

#include <QFile>
#include <QStandardPaths>
#include <QtTest>

class TestRealDfuUtil : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scanFindsNoDevice();
    void readDeviceInfoFailsWithoutTouchingInfo();
    void downloadAndVerifyFail();
};

void TestRealDfuUtil::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(Files::external_dir.create());
    QVERIFY(Files::extract_resources(
        {Files::desired_FW_bin, Files::dfu_util_executable, Files::libusb_library}, true));
    QVERIFY(support_misc::mark_file_executable(DFU::dfu_util::full_path()));
    DFU::Command::path = Files::external_dir.path();
    QVERIFY(DFU::dfu_util::execution_test());
}

void TestRealDfuUtil::scanFindsNoDevice()
{
    DFU::Result const listed = DFU::run_command(DFU::list);
    QCOMPARE(listed.first, 0);
    QCOMPARE(listed.second, DFU::dfu_util::expected_output_of_execution_test);
    QCOMPARE(DfuUtilParser(listed.second).status_as_string(), QStringLiteral("no_dfu_device"));

    DFU::ScanResult const scan = DFU::make_scan();
    QCOMPARE(scan.error, 1);
    QVERIFY(scan.devices.empty());
}

void TestRealDfuUtil::readDeviceInfoFailsWithoutTouchingInfo()
{
    DFU::DeviceItem const item{QStringLiteral("3276365F3236")};
    DFU::DeviceInfo info;
    info.valid = true;
    info.FW_revision = QStringLiteral("C3");
    info.device_type = Device::Type::VELK;
    info.FW_info.revision = QStringLiteral("C3");
    info.FW_info.valid = true;

    DFU::Result const result = DFU::read_device_info(&item, &info);
    QVERIFY(result.first != 0);
    QCOMPARE(result.second, DFU::dfu_util::expected_output_of_execution_test);
    QCOMPARE(QString(info), QStringLiteral("DeviceInfo:\n\tDevice type:\t4\n\tFW_revision:\tC3\n"));
    QVERIFY(info.FW_info.valid);
    QCOMPARE(info.FW_info.revision, QStringLiteral("C3"));
    QVERIFY(!info.OTP_info.valid && !info.OTP_info.empty);
    QVERIFY(!QFile::exists(Files::path_of(Files::uploaded_OTP_fileName_bin)));
}

void TestRealDfuUtil::downloadAndVerifyFail()
{
    QString const image = Files::path_of(Files::desired_FW_fileName_bin);
    QString const readBack = Files::path_of(Files::uploaded_FW_fileName_bin);
    QVERIFY(DFU::download_FW_to_device(image) != 0);
    QVERIFY(!DFU::upload_and_compare_FW_bin(image, readBack));
    QVERIFY(!QFile::exists(readBack));
    QVERIFY(!DFU::read_FW_Info(nullptr).valid);
}

QTEST_GUILESS_MAIN(TestRealDfuUtil)
#include "tst_realdfuutil.moc"
