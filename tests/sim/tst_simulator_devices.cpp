// Which device a run of the simulator script reaches: the one that "-S serial" names, and
// the one that has taken the place of another with no moment without a device.

#include "device/fwinfo.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "sim/simulator.h"
#include "simscript.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtTest>

using namespace SimScript;

class TestSimulatorDevices : public QObject
{
    Q_OBJECT

    PreparedDevice device;

private slots:
    void initTestCase() { QVERIFY(simulate_dfu_util()); }

    void serialSelects_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("devices");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<int>("code");

        QString const second = QStringLiteral("3574364C3035");
        QTest::newRow("its serial") << "default" << 1 << serial << 0;
        QTest::newRow("another serial") << "default" << 1 << second << 74;
        QTest::newRow("the start of its serial") << "default" << 1 << serial.left(10) << 74;
        QTest::newRow("its serial in DFU mode after a comma")
            << "default" << 1 << "0000," + serial << 0;
        QTest::newRow("its serial before a comma") << "default" << 1 << serial + ",0000" << 74;
        QTest::newRow("first of two") << "two_devices" << 2 << serial << 0;
        QTest::newRow("second of two") << "two_devices" << 2 << second << 0;
        QTest::newRow("neither of two") << "two_devices" << 2 << "3574364C3036" << 74;
    }

    // "-S serial" after the other arguments picks the device of each read; a serial that no
    // present device has is answered as when no device is there, and leaves no dump.
    void serialSelects()
    {
        QFETCH(QString, config);
        QFETCH(int, devices);
        QFETCH(QString, selection);
        QFETCH(int, code);

        device.use(config, devices);
        QString const otp_path = Files::path_of(Files::uploaded_OTP_fileName_bin);
        QFile::remove(otp_path);
        ScriptRun const otp =
            run_script({"--dfu-util-command", "upload_OTP", "-d", "0483", "-a", "2", "-s",
                        "0x1FFF7800:512", "-U", otp_path, "-S", selection});
        QCOMPARE(otp.code, code);
        QCOMPARE(read_info(selection).first, code);
        QCOMPARE(read_flash(whole_image(), selection).first, code);

        bool const read = code == 0;
        QCOMPARE(otp.error,
                 read ? QByteArray() : "dfu-util: No DFU capable USB device available\n");
        QCOMPARE(otp_dump(), read ? otp_with_record(0x04) : QByteArray());
        QCOMPARE(info_dump(), read ? initial_flash("C3").left(2048) : QByteArray());
        QVERIFY(flash_dump() == (read ? initial_flash("C3") : QByteArray()));
    }

    void replacedWithoutGap_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QByteArray>("otp");
        QTest::addColumn<QByteArray>("flash");
        QTest::addColumn<QString>("revision");

        QTest::newRow("replaced_by_blank") << "replaced_by_blank"
                                           << "3574364C3142" << otp_with_record(0x04)
                                           << QByteArray(carried_image().size(), char(0xFF)) << "";
        QTest::newRow("replaced_by_other_product")
            << "replaced_by_other_product"
            << "2F6E35483036" << otp_with_record(0x23) << initial_flash("B2", 0x2B, "K7") << "B2";
    }

    // A Rel-41 with C3 stays long enough to be found and read; then the other device takes
    // its place between two list runs, with its own serial number and the next device number,
    // and the first one's serial number selects nothing any more.
    void replacedWithoutGap()
    {
        QFETCH(QString, config);
        QFETCH(QString, next);
        QFETCH(QByteArray, otp);
        QFETCH(QByteArray, flash);
        QFETCH(QString, revision);

        device.setup(config);
        QCOMPARE(found_lines(wait_for_devices(1)), 4);
        QElapsedTimer since_found;
        since_found.start();
        QCOMPARE(read_otp(serial).first, 0);
        QCOMPARE(otp_dump(), otp_with_record(0x04));
        QCOMPARE(read_info(serial).first, 0);
        QCOMPARE(Device::make_FW_Info(info_dump()).revision, QStringLiteral("C3"));

        QString listed;
        do {
            QThread::msleep(100);
            listed = DFU::run_command(DFU::list).second;
            QCOMPARE(found_lines(listed), 4); // never none, never two
        } while (!listed.contains(next) && since_found.elapsed() < 15000);
        QVERIFY2(since_found.elapsed() >= 4000, qPrintable(QString::number(since_found.elapsed())));
        QCOMPARE(listed,
                 DFU::dfu_util::expected_output_of_execution_test + device_lines(next, 8, 2));

        QCOMPARE(read_otp(serial).first, 74);
        QCOMPARE(read_otp(next).first, 0);
        QCOMPARE(otp_dump(), otp);
        QCOMPARE(read_info(next).first, 0);
        QCOMPARE(Device::make_FW_Info(info_dump()).revision, revision);
        QCOMPARE(read_flash(whole_image(), next).first, 0);
        QVERIFY(flash_dump() == flash);
    }
};

QTEST_GUILESS_MAIN(TestSimulatorDevices)
#include "tst_simulator_devices.moc"
