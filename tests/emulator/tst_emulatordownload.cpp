// Downloads by the carried dfu-util into the emulated ST DfuSe bootloader: the program's
// download with ":leave", the faults that can break it, the device named by serial, the
// DfuSe file the program carries, and the time a real device takes.

#include "emulateddevice.h"
#include "testpaths.h"
#include "timing.h"

#include "dfu/dfucommand.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
qint64 constexpr image_size = 807136;
qint64 constexpr erased_size = 0xE0000; // the sectors that hold the image
} // namespace

class TestEmulatorDownload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void download_data();
    void download();
    void dfuseFile();
    void realisticTiming();

private:
    static QByteArray firmware();
    static qint64 checkRecord(QVector<EmulatedDevice::Progress> const& points,
                              emu::timing::Model const& model);
    QTemporaryDir tool;
};

QByteArray TestEmulatorDownload::firmware()
{
    QFile f(TestPaths::generated_file(QStringLiteral("firmware.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestEmulatorDownload::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(tool.isValid());
    QVERIFY(EmulatedDevice::installDfuUtil(tool.path()));
    QCOMPARE(firmware().size(), 807136);
}

void TestEmulatorDownload::cleanupTestCase()
{
    DFU::Command::path.clear();
}

void TestEmulatorDownload::download_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("param");
    QTest::addColumn<int>("reappearMs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("written"); // the whole image is in flash afterwards
    QTest::addColumn<bool>("left");    // the device went away and is not yet back
    QTest::addColumn<QStringList>("extra"); // after the file

    QStringList const none;
    QTest::newRow("leave") << QString() << QString() << 400 << 0 << true << true << none;
    QTest::newRow("gone before the leave answer") << "vanish_on_leave" << "0" << 400 << 74
                                                  << true << true << none;
    QTest::newRow("never comes back") << QString() << QString() << -1 << 0 << true << true << none;
    QTest::newRow("write error") << "err_write" << "0x08000800" << 400 << 74 << false << false
                                 << none;
    QTest::newRow("erase error") << "err_erase" << "0x08020000" << 400 << 74 << false << false
                                 << none;
    QTest::newRow("third block stalls") << "stall_dnload" << "3" << 400 << 74 << false << false
                                        << none;
    QTest::newRow("named by its serial") << QString() << QString() << 400 << 0 << true << true
                                         << QStringList{"-S", "376235643036"};
    QTest::newRow("serial of no present device") << QString() << QString() << 400 << 74 << false
                                                 << false << QStringList{"-S", "000000000000"};
}

void TestEmulatorDownload::download()
{
    QFETCH(QString, fault);
    QFETCH(QString, param);
    QFETCH(int, reappearMs);
    QFETCH(int, exitCode);
    QFETCH(bool, written);
    QFETCH(bool, left);
    QFETCH(QStringList, extra);

    EmulatedDevice device;
    QByteArray old = EmulatedDevice::firmwareWithRevision("C3");
    old.append(QByteArray(1024 * 1024 - old.size(), '\0')); // programmed to the end
    device.setFlash(old);
    device.set(QStringLiteral("reappear_ms"), QString::number(reappearMs));
    if (!fault.isEmpty())
        device.setFault(fault, param);
    QString const address = device.value(QStringLiteral("address"));

    auto const [code, output] = DFU::run_command(
        DFU::download_FW,
        QStringList{TestPaths::generated_file(QStringLiteral("firmware.bin"))} << extra);
    QCOMPARE(code, exitCode);
    if (extra.contains(QStringLiteral("000000000000")))
        QCOMPARE(device.countTransfers(QStringLiteral(" CLAIM ")), 0);
    QByteArray const flash = device.flash();
    QCOMPARE(flash.left(807136) == firmware(), written);
    QCOMPARE(device.value(QStringLiteral("present")), left ? QStringLiteral("0")
                                                         : QStringLiteral("1"));
    if (!left)
        return;
    // Only the sectors the image touches were erased: its last one ends at 0xE0000.
    QCOMPARE(flash.mid(807136, 0xE0000 - 807136), QByteArray(0xE0000 - 807136, char(0xFF)));
    QCOMPARE(flash.mid(0xE0000), old.mid(0xE0000));
    QCOMPARE(EmulatedDevice::listedDevices().size(), 0);
    if (reappearMs < 0) {
        QTest::qWait(1000);
        QCOMPARE(EmulatedDevice::listedDevices().size(), 0);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(EmulatedDevice::listedDevices().size(), 4, 5000);
    QString const devnum = QStringLiteral("devnum=%1,").arg(address.toInt() + 1);
    QVERIFY(EmulatedDevice::listedDevices().first().contains(devnum));
    QVERIFY(device.flash() == flash);
}

// The DfuSe form of the image names its own address and alternate setting: "-D" alone puts
// exactly the bytes of the raw image at 0x08000000.
void TestEmulatorDownload::dfuseFile()
{
    EmulatedDevice device;
    QProcess dfuUtil;
    dfuUtil.start(tool.filePath(QStringLiteral("dfu-util")),
                  {QStringLiteral("-d"), QStringLiteral("0483"), QStringLiteral("-D"),
                   TestPaths::generated_file(QStringLiteral("firmware.dfu"))});
    QVERIFY(dfuUtil.waitForFinished(120000));
    QCOMPARE(dfuUtil.exitStatus(), QProcess::NormalExit);
    QCOMPARE(dfuUtil.exitCode(), 0);
    QByteArray const flash = device.flash();
    QVERIFY(flash.left(807136) == firmware());
    QCOMPARE(flash.mid(807136), QByteArray(flash.size() - 807136, char(0xFF)));
    QCOMPARE(device.value(QStringLiteral("present")), QStringLiteral("1"));
}

// Checks the progress record of the carried image's download: the erase of its sectors, each
// taking its time, then the write of all its bytes, taking at least their programming time.
// Returns the time the device was busy, in ms.
qint64 TestEmulatorDownload::checkRecord(QVector<EmulatedDevice::Progress> const& points,
                                         emu::timing::Model const& model)
{
    qint64 busyUs = emu::timing::program_us(model, image_size);
    [&] {
        QVERIFY(points.size() > 2);
        QCOMPARE(points.first().phase, QStringLiteral("erase"));
        QCOMPARE(points.first().bytes, 0);
        QCOMPARE(points.last().phase, QStringLiteral("write"));
        QCOMPARE(points.last().bytes, image_size);
        qint64 writeStart = -1;
        for (int i = 1; i < points.size(); ++i) {
            auto const& p = points[i];
            auto const& before = points[i - 1];
            QVERIFY(p.ms >= before.ms);
            if (p.phase != before.phase) {
                QCOMPARE(p.phase, QStringLiteral("write"));
                QCOMPARE(p.bytes, 0);
                QCOMPARE(before.bytes, erased_size);
                writeStart = p.ms;
                continue;
            }
            QVERIFY(p.bytes > before.bytes);
            if (p.phase == QLatin1String("erase")) {
                qint64 const us = emu::timing::erase_us(model, p.bytes - before.bytes);
                QVERIFY2(p.ms - before.ms >= us / 1000 - 1, qPrintable(QString::number(p.bytes)));
                busyUs += us;
            }
        }
        QVERIFY(writeStart > 0);
        QVERIFY(points.last().ms - writeStart >=
                emu::timing::program_us(model, image_size) / 1000 - 1);
    }();
    return busyUs / 1000;
}

// With the realistic timing dfu-util waits for each sector erase and block write as long as
// the device says, so that the download takes the device's time; the progress record grows
// while it runs, starting afresh, and a later read-back leaves it alone.
void TestEmulatorDownload::realisticTiming()
{
    emu::timing::Model const model{true, 0.25};
    EmulatedDevice device;
    device.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
    device.set(QStringLiteral("timing"), QStringLiteral("realistic"));
    device.set(QStringLiteral("time_scale"), QString::number(model.scale));
    device.set(QStringLiteral("reappear_ms"), QStringLiteral("200"));
    QFile old(device.dir() + QStringLiteral("/progress.log")); // of an earlier download
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("1 erase 16384\n1 write 2048\n") > 0);
    old.close();

    QProcess dfuUtil;
    QElapsedTimer timer;
    timer.start();
    dfuUtil.start(tool.filePath(QStringLiteral("dfu-util")),
                  DFU::commands.at(DFU::download_FW).arguments
                      << TestPaths::generated_file(QStringLiteral("firmware.bin")));
    bool partlyErased = false;
    bool partlyWritten = false;
    while (!dfuUtil.waitForFinished(50)) {
        auto const points = device.progress();
        if (points.isEmpty() || points.first().ms == 1)
            continue;
        auto const& p = points.last();
        QVERIFY(p.ms <= QDateTime::currentMSecsSinceEpoch());
        partlyErased |= p.phase == QLatin1String("erase") && p.bytes > 0 && p.bytes < erased_size;
        partlyWritten |= p.phase == QLatin1String("write") && p.bytes > 0 && p.bytes < image_size;
    }
    qint64 const elapsed = timer.elapsed();
    QCOMPARE(dfuUtil.exitCode(), 0);
    QVERIFY(partlyErased && partlyWritten);
    auto const points = device.progress();
    qint64 const busyMs = checkRecord(points, model);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(elapsed >= busyMs, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    // Each erase and write announced its time: dfu-util waited it out and found it done.
    QStringList const transfers = device.transfers();
    QRegularExpression const busy(QStringLiteral(" GETSTATUS .* state=4 "));
    QRegularExpression const command(QStringLiteral(" DNLOAD .* wLength=[1-9]"));
    QCOMPARE(transfers.filter(busy).size(), transfers.filter(command).size());
    QVERIFY(device.flash().left(image_size) == firmware());

    // The read-back: one 2048-byte transfer after the other.
    QTRY_COMPARE_WITH_TIMEOUT(EmulatedDevice::listedDevices().size(), 4, 5000);
    QTemporaryDir work;
    QString const file = work.filePath(QStringLiteral("readback.bin"));
    timer.restart();
    QCOMPARE(DFU::run_command(DFU::upload_FW, {"-s", "0x08000000:807136", "-U", file}).first, 0);
    QVERIFY(timer.elapsed() >= image_size / 2048 * emu::timing::transfer_us(model, 2048) / 1000);
    QFile readBack(file);
    QVERIFY(readBack.open(QIODevice::ReadOnly) && readBack.readAll() == firmware());
    auto const after = device.progress();
    QCOMPARE(after.size(), points.size());
    QCOMPARE(after.last().ms, points.last().ms);
}

QTEST_GUILESS_MAIN(TestEmulatorDownload)
#include "tst_emulatordownload.moc"
