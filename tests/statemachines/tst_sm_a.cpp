// The device worker against the test helper acting as dfu-util.

#include "logcapture.h"
#include "workerfixture.h"

#include <QStandardPaths>
#include <QtTest>

namespace {
int const wait_ms = 15000;
QString const serial_a = QStringLiteral("3276365F3236");
QString const serial_b = QStringLiteral("205B3591524B");
} // namespace

class TestWorker : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WorkerFixture> f;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { f = std::make_unique<WorkerFixture>(); }
    void cleanup() { f.reset(); }

    // No pause before the first scan, the rescan pause after it, and a stop request cuts
    // that pause short.
    void cycle_without_device()
    {
        f->worker->rescan_pause_ms = 600000;
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("NoDevConn"), 2, wait_ms);
        QCOMPARE(f->log->names(),
                 (QStringList{"A0", "A1", "NoDevConn", "A2", "scanning", "A0", "A1", "NoDevConn"}));
        QVERIFY(f->stops_within(5000));
        QCOMPARE(f->device.countCalls("-l"), 1);
    }

    void cycles_repeat_without_device_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::newRow("no device") << QByteArray();
        QTest::newRow("two devices")
            << FakeDevice::deviceLines(serial_a) + FakeDevice::deviceLines(serial_b);
        QTest::newRow("incomplete device") << FakeDevice::deviceLines(serial_a, 3);
    }

    void cycles_repeat_without_device()
    {
        QFETCH(QByteArray, list);
        f->plug_product("C3");
        f->device.setListOutput(list);
        f->worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(f->log->count("A2") >= 3, wait_ms);
        QVERIFY(f->stops_within(5000));
        QStringList const names = f->log->names();
        QStringList cycle{"A0", "A1", "NoDevConn", "A2", "scanning"};
        for (int i = 0; i + 5 <= names.size(); i += 5)
            QCOMPARE(names.mid(i, 5), cycle);
        QCOMPARE(f->device.countCalls("0x1FFF7800"), 0);
    }

    void device_is_read_once_while_it_stays()
    {
        f->plug_product("C3");
        f->worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(f->log->count("A4") >= 5, wait_ms);
        QVERIFY(f->stops_within(5000));

        QStringList const names = f->log->names();
        QCOMPARE(names.mid(0, 9), (QStringList{"A0", "A1", "NoDevConn", "A2", "scanning",
                                               "readingInfo", "NoDevConn", "DevConn", "A4"}));
        for (int i = 9; i + 3 <= names.size(); i += 3)
            QCOMPARE(names.mid(i, 3), (QStringList{"A2", "scanning", "A4"}));
        QCOMPARE(f->device.countCalls("0x1FFF7800"), 1);
        QCOMPARE(f->log->announced().size(), 1);
        DFU::DeviceInfo const info = f->log->announced().first();
        QVERIFY(info.valid);
        QCOMPARE(info.device_type, Device::Type::VELK);
        QCOMPARE(info.FW_revision, QStringLiteral("C3"));
    }

    void changed_device_is_read_again_data()
    {
        QTest::addColumn<bool>("unplug_first");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QStringList>("between");
        QTest::newRow("same device plugged in again")
            << true << serial_a
            << QStringList{"A1", "NoDevConn", "readingInfo", "NoDevConn", "DevConn"};
        QTest::newRow("replaced between two polls")
            << false << serial_b << QStringList{"readingInfo", "NoDevConn", "DevConn"};
    }

    void changed_device_is_read_again()
    {
        QFETCH(bool, unplug_first);
        QFETCH(QString, serial);
        QFETCH(QStringList, between);

        f->plug_product("C3", serial_a);
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 1, wait_ms);
        if (unplug_first) {
            f->device.unplug();
            QTRY_VERIFY_WITH_TIMEOUT(f->log->from("DevConn").contains("A1"), wait_ms);
        }
        f->plug_product("C4", serial);
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 2, wait_ms);
        QVERIFY(f->stops_within(5000));

        QStringList seen;
        for (auto const& name : f->log->from("DevConn"))
            if (QStringList{"A1", "NoDevConn", "readingInfo", "DevConn"}.contains(name))
                seen << name;
        seen.removeFirst();
        seen.removeDuplicates(); // the polls without device repeat A1 and NoDevConn
        QStringList expected = between;
        expected.removeDuplicates();
        QCOMPARE(seen, expected);
        QCOMPARE(f->log->announced().last().FW_revision, QStringLiteral("C4"));
    }

    // Nothing of a replaced device survives into the record of the next one: a blank flash
    // (no information block) must not show the revision of the device before it.
    void replacement_starts_from_an_empty_record()
    {
        f->plug_product("C3", serial_a);
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 1, wait_ms);
        f->device.setFlash(QByteArray(2048, char(0xFF)));
        f->device.plug(serial_b);
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 2, wait_ms);
        QVERIFY(f->stops_within(5000));
        DFU::DeviceInfo const second = f->log->announced().last();
        QCOMPARE(second.serial, serial_b);
        QVERIFY(second.FW_revision.isEmpty());
        QVERIFY(!second.FW_info.valid);
        QCOMPARE(second.connection, f->log->announced().first().connection + 1);
    }

    // The faulty device is reported once and not read again until it is gone; a stop request
    // ends the wait for its removal.
    void read_failure_waits_for_removal()
    {
        f->plug_product("C3");
        f->device.failUpload("0x1FFF7800", 74);
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DeviceError"), 1, wait_ms);
        int const scans = f->device.countCalls("-l");
        QTRY_VERIFY_WITH_TIMEOUT(f->device.countCalls("-l") >= scans + 3, wait_ms);

        QCOMPARE(f->log->from("DeviceError"), (QStringList{"DeviceError", "A7", "scanning"}));
        QCOMPARE(f->device.countCalls("0x1FFF7800"), 1);
        QCOMPARE(f->log->errors().size(), 1);
        QVERIFY(f->log->errors().first().contains("Upload of 0x1FFF7800 failed"));

        f->worker->poll_pause_ms = 600000;
        QVERIFY(f->stops_within(5000));
    }

    void faulty_device_removed_starts_over()
    {
        f->plug_product("C3");
        f->device.failUpload("0x1FFF7800", 74);
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("A7"), 1, wait_ms);
        f->device.failUpload("0x1FFF7800", 0);
        f->device.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(f->log->count("A1") >= 2, wait_ms);
        f->device.plug(serial_a);
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 1, wait_ms);
        QVERIFY(f->stops_within(5000));
        QCOMPARE(f->log->count("DeviceError"), 1);
    }

    // A command wakes the pause of a connected device: the long poll pause is cut short.
    void download_while_idle_starts_over()
    {
        f->worker->poll_pause_ms = 600000;
        f->plug_product("C3");
        f->worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(f->log->from("DevConn").contains("A4"), wait_ms);
        f->worker->set_command(SM_A::DownloadFW, f->connection());
        QTRY_VERIFY_WITH_TIMEOUT(f->log->names().contains("A5"), 1000);
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 2, wait_ms);
        QVERIFY(f->stops_within(5000));

        QCOMPARE(f->log->from("A5").mid(0, 5),
                 (QStringList{"A5", "FwDownloading", "FwDownloaded", "A0", "A1"}));
        QCOMPARE(f->device.countCalls("-D"), 1);
        QCOMPARE(f->device.flash(), f->image);
        QCOMPARE(f->worker->get_command(), SM_A::NoCommand);
        QCOMPARE(f->log->announced().last().FW_revision, QStringLiteral("C4"));
    }

    // Every announcement gets a number of its own, also the same device plugged in again, and
    // a command runs only for the number it was given.
    void command_belongs_to_its_connection_data()
    {
        QTest::addColumn<QString>("between"); // what happens after the first announcement
        QTest::addColumn<int>("downloads");
        QTest::newRow("same connection") << "" << 1;
        QTest::newRow("same device plugged in again") << "replug" << 0;
        QTest::newRow("device replaced") << "replace" << 0;
    }

    void command_belongs_to_its_connection()
    {
        QFETCH(QString, between);
        QFETCH(int, downloads);
        LogCapture capture;
        f->plug_product("C3", serial_a);
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 1, wait_ms);
        int const first = f->connection();
        QCOMPARE(f->log->announced().first().serial, serial_a);
        if (between == QLatin1String("replug")) {
            f->device.unplug();
            QTRY_VERIFY_WITH_TIMEOUT(f->log->from("DevConn").contains("A1"), wait_ms);
            f->plug_product("C3", serial_a);
        } else if (between == QLatin1String("replace")) {
            f->plug_product("C3", serial_b);
        }
        if (!between.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 2, wait_ms);
            QCOMPARE(f->connection(), first + 1);
        }
        f->worker->set_command(SM_A::DownloadFW, first);
        QTRY_COMPARE_WITH_TIMEOUT(f->worker->get_command(), SM_A::NoCommand, wait_ms);
        QTRY_VERIFY_WITH_TIMEOUT(f->log->count("A4") >= 8, wait_ms);
        QVERIFY(f->stops_within(5000));
        QCOMPARE(f->device.countCalls("-D"), downloads);
        QCOMPARE(f->log->count("FwDownloaded"), downloads);
        QCOMPARE(capture.count(QStringLiteral(
                     "Command 1 for connection %1 dropped: the device of connection %2 is "
                     "connected")
                                   .arg(first)
                                   .arg(first + 1)),
                 1 - downloads);
    }

    // A stop drops a command not yet taken; a download already taken runs to its end. The
    // worker takes a command at its next poll, so it is set while the poll's list run is held.
    void stop_drops_a_pending_command()
    {
        f->plug_product("C3");
        f->worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(f->log->count("A4") > 0, wait_ms);
        f->device.setDelayMs(60000); // every run that starts from now on is held
        int const scans = f->device.countCalls("-l");
        QTRY_VERIFY_WITH_TIMEOUT(f->device.countCalls("-l") > scans, wait_ms);
        f->worker->set_command(SM_A::DownloadFW, f->connection());
        QVERIFY(f->stops_within(5000));
        QCOMPARE(f->device.countCalls("-D"), 0);
        QVERIFY(!f->worker->is_downloading());
    }

    void stop_during_a_download_lets_it_finish()
    {
        f->plug_product("C3");
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 1, wait_ms);
        f->device.setDelayMs(1500);
        f->worker->set_command(SM_A::DownloadFW, f->connection());
        QTRY_VERIFY_WITH_TIMEOUT(f->log->names().contains("FwDownloading"), wait_ms);
        QVERIFY(f->worker->is_downloading());
        QVERIFY(SM_A::any_download_running());
        f->worker->do_stop();
        QVERIFY(f->worker->is_downloading());
        QVERIFY(f->worker->wait(10000));
        QVERIFY(!f->worker->is_downloading());
        QVERIFY(!SM_A::any_download_running());
        QCOMPARE(f->device.flash(), f->image);
        QCOMPARE(f->log->names().mid(f->log->names().indexOf("FwDownloading")),
                 (QStringList{"FwDownloading", "FwDownloaded", "A0", "A1"}));
    }

    // The image on disk is checked against the carried one before every download.
    void changed_image_file_is_not_downloaded()
    {
        LogCapture capture;
        f->plug_product("C3");
        QFile file(f->bin);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(100);
        file.write("x");
        file.close();
        QSignalSpy refused(f->worker.get(), &SM_A::sig_FwDownloadRefused);
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 1, wait_ms);
        f->worker->set_command(SM_A::DownloadFW, f->connection());
        QTRY_COMPARE_WITH_TIMEOUT(refused.count(), 1, wait_ms);
        QTRY_VERIFY_WITH_TIMEOUT(f->log->from("A5").count("A4") >= 2, wait_ms);
        QVERIFY(f->stops_within(5000));
        QCOMPARE(f->device.countCalls("-D"), 0);
        QVERIFY(!f->log->names().contains("FwDownloading"));
        QCOMPARE(f->log->count("DevConn"), 1); // the device stays connected, not read again
        QVERIFY(refused.first().first().toString().contains("differs from the firmware"));
        QVERIFY(!f->worker->is_downloading());
    }

    void compare_data()
    {
        QTest::addColumn<bool>("flip");
        QTest::addColumn<bool>("matches");
        QTest::newRow("same firmware") << false << true;
        QTest::newRow("last byte differs") << true << false;
    }

    void compare()
    {
        QFETCH(bool, flip);
        QFETCH(bool, matches);
        LogCapture capture;
        f->plug_product("C4");
        f->device.setFlash(f->image);
        f->device.setFlipReadback(flip);
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("DevConn"), 1, wait_ms);
        f->worker->set_command(SM_A::UploadAndCompareFW, f->connection());
        QTRY_VERIFY_WITH_TIMEOUT(f->log->names().contains("FwUploading"), wait_ms);
        QTRY_VERIFY_WITH_TIMEOUT(f->log->from("A6").count("A4") >= 2, wait_ms);
        QVERIFY(f->stops_within(5000));

        QCOMPARE(f->log->count("FwUploadedMatches"), matches ? 1 : 0);
        QCOMPARE(f->log->count("FwUploadedDiffers"), matches ? 0 : 1);
        QString const result = matches ? "FwUploadedMatches" : "FwUploadedDiffers";
        QCOMPARE(f->log->from("A6").mid(0, 5),
                 (QStringList{"A6", "FwUploading", result, "A2", "scanning"}));
        QVERIFY(capture.contains(matches ? "Uploaded FW matches" : "Uploaded FW does not match"));
        QCOMPARE(f->log->count("readingInfo"), 1); // the same device is not read again
        QCOMPARE(f->worker->get_command(), SM_A::NoCommand);
    }

    void stop_while_connected()
    {
        f->plug_product("C3");
        f->worker->poll_pause_ms = 600000;
        f->worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(f->log->count("A4"), 1, wait_ms);
        QVERIFY(f->stops_within(5000));
        QCOMPARE(f->log->names().last(), QStringLiteral("A4"));
    }

    void stop_before_start_leaves_in_A1()
    {
        f->worker->do_stop();
        f->worker->start();
        QVERIFY(f->worker->wait(5000));
        QCOMPARE(f->log->names(), (QStringList{"A0", "A1"}));
    }

    // After a quiet signal the polling signals log nothing (so scanning is not logged after the
    // first NoDevConn); any other signal breaks the silence.
    void quiet_debug_output()
    {
        LogCapture capture;
        f->worker->enable_debug_output();
        f->worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(f->log->count("A2") >= 3, wait_ms);
        f->plug_product("C3");
        QTRY_VERIFY_WITH_TIMEOUT(f->log->from("DevConn").count("A4") >= 3, wait_ms);
        QVERIFY(f->stops_within(5000));

        QStringList shown;
        for (auto const& text : capture.texts(QtDebugMsg))
            if (text.startsWith("\"SM_A: /sig_"))
                shown << text;
        QCOMPARE(shown, (QStringList{"\"SM_A: /sig_NoDevConn\"", "\"SM_A: /sig_readingInfo\"",
                                     "\"SM_A: /sig_NoDevConn\"", "\"SM_A: /sig_DevConn\"",
                                     "\"SM_A: /sig_scanning\""}));
        QVERIFY(
            capture.contains("SM_A: Adding connections to show debug output (state transitions)"));
    }
};

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_sm_a.moc"
