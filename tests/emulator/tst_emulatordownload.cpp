// Downloads by the carried dfu-util into the emulated ST DfuSe bootloader: the program's
// download with ":leave", the faults that can break it, and the DfuSe file the program carries.

#include "emulateddevice.h"
#include "testpaths.h"

#include "dfu/dfucommand.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestEmulatorDownload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void download_data();
    void download();
    void dfuseFile();

private:
    static QByteArray firmware();
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

    QTest::newRow("leave") << QString() << QString() << 400 << 0 << true << true;
    QTest::newRow("gone before the leave answer") << "vanish_on_leave" << "0" << 400 << 74
                                                  << true << true;
    QTest::newRow("never comes back") << QString() << QString() << -1 << 0 << true << true;
    QTest::newRow("write error") << "err_write" << "0x08000800" << 400 << 74 << false << false;
    QTest::newRow("erase error") << "err_erase" << "0x08020000" << 400 << 74 << false << false;
    QTest::newRow("third block stalls") << "stall_dnload" << "3" << 400 << 74 << false << false;
}

void TestEmulatorDownload::download()
{
    QFETCH(QString, fault);
    QFETCH(QString, param);
    QFETCH(int, reappearMs);
    QFETCH(int, exitCode);
    QFETCH(bool, written);
    QFETCH(bool, left);

    EmulatedDevice device;
    QByteArray old = EmulatedDevice::firmwareWithRevision("C3");
    old.append(QByteArray(1024 * 1024 - old.size(), '\0')); // programmed to the end
    device.setFlash(old);
    device.set(QStringLiteral("reappear_ms"), QString::number(reappearMs));
    if (!fault.isEmpty())
        device.setFault(fault, param);
    QString const address = device.value(QStringLiteral("address"));

    auto const [code, output] = DFU::run_command(
        DFU::download_FW, {TestPaths::generated_file(QStringLiteral("firmware.bin"))});
    QCOMPARE(code, exitCode);
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

QTEST_GUILESS_MAIN(TestEmulatorDownload)
#include "tst_emulatordownload.moc"
