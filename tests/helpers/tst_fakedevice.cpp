// The bus of the fake dfu-util: which device a run talks to, the faults of each device, and
// swaps that never fall inside a run. The churn test trusts these.

#include "dfu/dfucommand.h"
#include "fakedevice.h"
#include "logcapture.h"
#include "testpaths.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

namespace {

QString const serial_a = QStringLiteral("2B5F0000000A");
QString const serial_b = QStringLiteral("2B5F0000000B");

FakeDevice::Unit unit(QString const& serial, quint8 type)
{
    return FakeDevice::Unit{serial, FakeDevice::otpRecord(type),
                            FakeDevice::flashWithInfo(type, "C3")};
}

QByteArray read_file(QString const& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFakeDevice : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeDevice> fake;
    QTemporaryDir scratch;
    qint64 offset = 0;

    // Uploads the OTP area, with "-S" serial when serial is not empty.
    int upload_otp(QString const& serial, QString const& name = QStringLiteral("otp.bin"))
    {
        QStringList extra{scratch.filePath(name)};
        if (!serial.isEmpty())
            extra << QStringLiteral("-S") << serial;
        QFile::remove(scratch.filePath(name));
        return DFU::run_command(DFU::upload_OTP, extra).first;
    }

    FakeDevice::Run last_run()
    {
        QList<FakeDevice::Run> const runs = fake->runsFrom(&offset);
        return runs.isEmpty() ? FakeDevice::Run{} : runs.last();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        DFU::Command::path.clear();
        for (auto& row : DFU::commands)
            row.second.program = TestPaths::fake_dfu_util();
    }

    void init()
    {
        fake.reset(); // the old one unsets FAKE_DFU_DIR
        fake = std::make_unique<FakeDevice>();
        offset = 0;
    }

    void addressing_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("device"); // the device the run talked to
        QTest::addColumn<QString>("error");  // the start of dfu-util's standard error
        QString const none = QStringLiteral("No DFU capable USB device available");
        QString const many = QStringLiteral("More than one DFU capable USB device found!");
        QTest::newRow("one device")
            << QStringList{serial_a} << QString() << 0 << serial_a << QString();
        QTest::newRow("one device, its serial")
            << QStringList{serial_a} << serial_a << 0 << serial_a << QString();
        QTest::newRow("one device, another serial")
            << QStringList{serial_a} << serial_b << 74 << QString() << none;
        QTest::newRow("no device") << QStringList{} << QString() << 74 << QString() << none;
        QTest::newRow("two devices")
            << QStringList{serial_a, serial_b} << QString() << 74 << QString() << many;
        QTest::newRow("two devices, a serial")
            << QStringList{serial_a, serial_b} << serial_b << 0 << serial_b << QString();
    }

    void addressing()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, selected);
        QFETCH(int, code);
        QFETCH(QString, device);
        QFETCH(QString, error);
        fake->setUnits({unit(serial_a, 0x04), unit(serial_b, 0x2B)});
        fake->setPresent(present);
        LogCapture log;
        QCOMPARE(upload_otp(selected), code);
        FakeDevice::Run const run = last_run();
        QCOMPARE(run.device, device);
        QCOMPARE(run.exitCode, code);
        if (code == 0)
            QCOMPARE(read_file(scratch.filePath(QStringLiteral("otp.bin"))),
                     FakeDevice::otpRecord(device == serial_a ? 0x04 : 0x2B));
        else
            QVERIFY(
                log.anyStartsWith(QStringLiteral("dfu-util error output: \"dfu-util: ") + error));
    }

    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("written");
        QTest::addColumn<bool>("equal"); // the bytes written are the device's memory
        QTest::newRow("none, OTP") << ""
                                   << "0x1FFF7800" << 512 << 0 << 512 << true;
        QTest::newRow("short OTP dump") << "otp16"
                                        << "0x1FFF7800" << 512 << 0 << 16 << false;
        QTest::newRow("empty OTP dump") << "otp0"
                                        << "0x1FFF7800" << 512 << 0 << 0 << false;
        QTest::newRow("unreadable OTP") << "otpfails"
                                        << "0x1FFF7800" << 512 << 74 << 0 << false;
        QTest::newRow("short information block") << "info16"
                                                 << "0x08000000" << 2048 << 0 << 16 << false;
        QTest::newRow("short dump, read-back whole") << "info16"
                                                     << "0x08000000" << 4096 << 0 << 4096 << true;
        QTest::newRow("information block fails") << "infofails"
                                                 << "0x08000000" << 2048 << 74 << 0 << false;
        QTest::newRow("information block fails, read-back works")
            << "infofails"
            << "0x08000000" << 4096 << 0 << 4096 << true;
        QTest::newRow("read-back flipped") << "flip"
                                           << "0x08000000" << 4096 << 0 << 4096 << false;
        QTest::newRow("flip spares the block") << "flip"
                                               << "0x08000000" << 2048 << 0 << 2048 << true;
    }

    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, address);
        QFETCH(int, length);
        QFETCH(int, code);
        QFETCH(int, written);
        QFETCH(bool, equal);
        FakeDevice::Unit u = unit(serial_a, 0x04);
        u.otpDumpBytes = fault == "otp16" ? 16 : fault == "otp0" ? 0 : -1;
        u.otpReadFails = fault == "otpfails" ? 74 : 0;
        u.infoDumpBytes = fault == "info16" ? 16 : -1;
        u.infoReadFails = fault == "infofails" ? 74 : 0;
        u.flipReadback = fault == "flip";
        fake->setUnits({u});
        QString const target = scratch.filePath(QStringLiteral("dump.bin"));
        QFile::remove(target);
        QStringList const extra{QStringLiteral("-s"),
                                QStringLiteral("%1:%2").arg(address).arg(length),
                                QStringLiteral("-U"), target};
        QCOMPARE(DFU::run_command(DFU::upload_FW, extra).first, code);
        FakeDevice::Run const run = last_run();
        QCOMPARE(run.exitCode, code);
        QCOMPARE(run.device, serial_a);
        if (code != 0)
            return;
        QByteArray memory = address == "0x1FFF7800" ? u.otp : u.flash;
        memory = memory.leftJustified(length, char(0xFF), true);
        QByteArray const dump = read_file(target);
        QCOMPARE(dump.size(), written);
        QCOMPARE(run.written, written);
        QCOMPARE(dump == memory, equal);
        QCOMPARE(run.equalsMemory, equal);
        QCOMPARE(run.memory, FakeDevice::hashOf(memory));
        QCOMPARE(run.returned, FakeDevice::hashOf(dump));
    }

    // Each device keeps its memory while it is away; the list names the present ones.
    void memory_stays_with_the_device()
    {
        fake->setUnits({unit(serial_a, 0x04)});
        QByteArray const image = FakeDevice::flashWithInfo(0x04, "C4");
        QString const file = scratch.filePath(QStringLiteral("image.bin"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(image);
        f.close();
        QCOMPARE(DFU::run_command(DFU::download_FW, {file}).first, 0);
        QCOMPARE(last_run().device, serial_a);

        fake->setUnits({unit(serial_b, 0x2B)});
        auto const [code, output] = DFU::run_command(DFU::list);
        QCOMPARE(code, 0);
        QVERIFY(output.contains(QStringLiteral("serial=\"%1\"").arg(serial_b)));
        QVERIFY(!output.contains(serial_a));
        QCOMPARE(last_run().listed, QStringList{serial_b});
        fake->setPresent({serial_a});
        QCOMPARE(fake->unitFlash(serial_a), image);
        QCOMPARE(fake->unitFlash(serial_b), FakeDevice::flashWithInfo(0x2B, "C3"));
    }

    // A swap made while a run is going waits for its end: the run saw one bus from start to end.
    void swap_waits_for_the_run()
    {
        fake->setUnits({unit(serial_a, 0x04), unit(serial_b, 0x2B)});
        fake->setPresent({serial_a});
        fake->setDelayMs(400);
        int code = -2;
        std::thread run([this, &code] { code = upload_otp(QString()); });
        QTRY_COMPARE(fake->calls().size(), 1); // logged under the lock, which the run now holds
        QElapsedTimer swap;
        swap.start();
        fake->setPresent({serial_b});
        qint64 const waited = swap.elapsed();
        run.join();
        QCOMPARE(code, 0);
        QVERIFY2(waited >= 100, qPrintable(QStringLiteral("the swap took %1 ms").arg(waited)));
        FakeDevice::Run const seen = last_run();
        QCOMPARE(seen.device, serial_a);
        QCOMPARE(read_file(scratch.filePath(QStringLiteral("otp.bin"))),
                 FakeDevice::otpRecord(0x04));
        fake->setDelayMs(0);
        QCOMPARE(upload_otp(QString()), 0);
        FakeDevice::Run const after = last_run();
        QCOMPARE(after.device, serial_b);
        QCOMPARE(after.generation, seen.generation + 1);
    }
};

QTEST_GUILESS_MAIN(TestFakeDevice)
#include "tst_fakedevice.moc"
