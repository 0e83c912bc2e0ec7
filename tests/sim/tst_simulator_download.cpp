// Writing the simulated device's flash: the device keeps what it was given, leaves for about
// two seconds, and the configurations with faults spoil the read-back or the download.

#include "device/fwinfo.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "dfu/scan.h"
#include "sim/simulator.h"
#include "simscript.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtTest>

using namespace SimScript;

class TestSimulatorDownload : public QObject
{
    Q_OBJECT

    void setup_and_wait(QString const& config)
    {
        QCOMPARE(simulator::sim_setup_prepared_config(config), 0);
        QCOMPARE(found_lines(wait_for_devices(1)), 4);
    }

    static QString firmware() { return Files::path_of(Files::desired_FW_fileName_bin); }

private slots:
    void initTestCase() { QVERIFY(simulate_dfu_util()); }

    void downloadWritesTheGivenFile()
    {
        setup_and_wait(QStringLiteral("default"));
        QByteArray image = carried_image();
        image[image.size() - 1] = char(~image.at(image.size() - 1));
        image.replace(info_block + 40, 32, text_field("C9"));
        QString const file = Files::path_of(QStringLiteral("other_image.bin"));
        QVERIFY(write_file(file, image));

        QElapsedTimer timer;
        timer.start();
        DFU::Result const result = download(file);
        qint64 const took = timer.elapsed();
        QCOMPARE(result.first, 0);
        QVERIFY(result.second.contains(QStringLiteral("File downloaded successfully\n")));
        QVERIFY2(took >= 900 && took < 8000, qPrintable(QString::number(took))); // a second or two

        timer.restart();
        QCOMPARE(found_lines(DFU::run_command(DFU::list).second), 0);
        QString const back = wait_for_devices(1);
        QCOMPARE(found_lines(back), 4);
        QVERIFY2(timer.elapsed() >= 1000,
                 qPrintable(QString::number(timer.elapsed()))); // about two
        QCOMPARE(DFU::scan_for_devices(back).devices.at(0).serial, serial);

        QCOMPARE(read_info().first, 0);
        QCOMPARE(Device::make_FW_Info(info_dump()).revision, QStringLiteral("C9"));
        QCOMPARE(read_flash(whole_image()).first, 0);
        QVERIFY(flash_dump() == image);
        QFile::remove(file);
    }

    void missingImageIsRefused()
    {
        setup_and_wait(QStringLiteral("default"));
        QVERIFY(download(Files::path_of(QStringLiteral("no_such_image.bin"))).first != 0);
        QCOMPARE(found_lines(DFU::run_command(DFU::list).second), 4); // it did not leave
        QCOMPARE(read_info().first, 0);
        QCOMPARE(info_dump(), initial_flash("C3").left(2048));
    }

    void downloadSelectsBySerial_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<bool>("written");
        QTest::newRow("its serial") << serial << true;
        QTest::newRow("another serial") << "3574364C3035" << false;
    }

    // A write names its device as the reads do; for another serial number nothing is erased
    // or written, and the device does not leave.
    void downloadSelectsBySerial()
    {
        QFETCH(QString, selection);
        QFETCH(bool, written);

        setup_and_wait(QStringLiteral("default"));
        DFU::Result const result = download(firmware(), selection);
        QCOMPARE(result.first, written ? 0 : 74);
        QCOMPARE(result.second.contains(QStringLiteral("Erase")), written);
        QCOMPARE(found_lines(wait_for_devices(1)), 4);
        QCOMPARE(read_flash(whole_image()).first, 0);
        QVERIFY(flash_dump() == (written ? carried_image() : initial_flash("C3")));
    }

    // The device is replaced while it is written: the write fails, and the device that took
    // its place, present at once, keeps its blank flash.
    void replacedDuringDownload()
    {
        setup_and_wait(QStringLiteral("replaced_by_blank"));
        QThread::msleep(4300); // the replacement comes 5 s after the device showed up
        DFU::Result const result = download(firmware(), serial);
        if (!result.second.contains(QStringLiteral("Erase   \t[")))
            QSKIP("the device was replaced before the write began");
        QCOMPARE(result.first, 74);
        QVERIFY(!result.second.contains(QStringLiteral("File downloaded successfully")));

        QString const next = QStringLiteral("3574364C3142");
        QCOMPARE(DFU::scan_for_devices(DFU::run_command(DFU::list).second).devices.at(0).serial,
                 next);
        QCOMPARE(read_flash(whole_image(), next).first, 0);
        QVERIFY(flash_dump() == QByteArray(carried_image().size(), char(0xFF)));
    }

    // The whole image reads back with one byte changed; the information block reads right.
    void readbackDiffers()
    {
        setup_and_wait(QStringLiteral("readback_differs"));
        QByteArray const image = initial_flash("C3");
        QCOMPARE(read_info().first, 0);
        QCOMPARE(info_dump(), image.left(2048));

        QCOMPARE(read_flash(whole_image()).first, 0);
        QByteArray const back = flash_dump();
        QCOMPARE(back.size(), image.size());
        int differing = 0;
        for (int i = 0; i < back.size(); ++i)
            differing += back.at(i) != image.at(i);
        QCOMPARE(differing, 1);
    }

    // The first download breaks off with the cable pulled; the device comes back with a
    // half-written flash, and the next download succeeds.
    void unplugDuringDownload()
    {
        setup_and_wait(QStringLiteral("unplug_during_download"));
        QVERIFY(download(firmware()).first != 0);
        QCOMPARE(found_lines(DFU::run_command(DFU::list).second), 0);
        QCOMPARE(found_lines(wait_for_devices(1)), 4);

        QCOMPARE(read_info().first, 0);
        QCOMPARE(Device::make_FW_Info(info_dump()).revision, QStringLiteral("C4"));
        QCOMPARE(read_flash(whole_image()).first, 0);
        QByteArray const half = flash_dump();
        QCOMPARE(half.size(), carried_image().size());
        QVERIFY(half != carried_image());
        QCOMPARE(half.right(1024), QByteArray(1024, char(0xFF)));

        QCOMPARE(download(firmware()).first, 0);
        QCOMPARE(found_lines(wait_for_devices(1)), 4);
        QCOMPARE(read_flash(whole_image()).first, 0);
        QVERIFY(flash_dump() == carried_image());
    }
};

QTEST_GUILESS_MAIN(TestSimulatorDownload)
#include "tst_simulator_download.moc"
