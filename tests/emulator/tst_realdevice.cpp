#include "emulateddevice.h"
#include "emustate.h"
#include "logcapture.h"
#include "testpaths.h"

#include "app/appobjects.h"
#include "app/startup.h"
#include "app/wiring.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "gui/installbutton.h"
#include "gui/logwindow.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextDocument>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>

// The whole application in real-device mode: start-up extracts the carried dfu-util, which
// loads the emulated bootloader's stand-in libusb and talks DfuSe to it. Each run of this
// program plays one scenario, named by KALVORA_EMULATOR_SCENARIO, from start-up to shutdown.
class tst_RealDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scenario();
    void shutdownEnds();

private:
    using Scenario = std::pair<std::function<void(EmulatedDevice&)>, void (tst_RealDevice::*)()>;
    static std::map<QString, Scenario> const& scenarios();
    static QString name();
    static QString status();
    static QString revisionStatus(QString const& revision);
    static QByteArray otpOf(int type);
    static QByteArray carriedFirmware();
    static QString firstLine(QStringList const& lines, QString const& prefix);

    void upgrade();
    void vanishBeforeLeaveAnswer();
    void readBackDiffers();
    void otpReadFails();
    void blankOtp();
    void otherProduct();
    void stuckDevice();
    void accessRefused();

    void clickInstall();
    void expectVerified();
    void countSignals();

    EmulatedDevice device; // before start-up, so that dfu-util finds the stand-in libusb
    // Made by initTestCase: the test library installs its own message handler first.
    std::unique_ptr<LogCapture> capture;
    int deviceErrors = 0;
    int matches = 0;
    int differs = 0;
};

namespace {
int constexpr timeout = 60000;
QString const noDevice = QStringLiteral("Note: Once the update is finished");
QString const done = QStringLiteral("Done. Disconnect USB cable.");
} // namespace

std::map<QString, tst_RealDevice::Scenario> const& tst_RealDevice::scenarios()
{
    auto const c3 = [](EmulatedDevice& d) {
        d.setOtp(otpOf(0x04));
        d.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
    };
    static std::map<QString, Scenario> const all = {
        {QStringLiteral("upgrade"), {c3, &tst_RealDevice::upgrade}},
        {QStringLiteral("vanish_on_leave"),
         {[c3](EmulatedDevice& d) {
              c3(d);
              d.setFault(QStringLiteral("vanish_on_leave"));
          },
          &tst_RealDevice::vanishBeforeLeaveAnswer}},
        {QStringLiteral("readback_differs"),
         {[](EmulatedDevice& d) {
              d.setOtp(otpOf(0x04));
              d.setFlash(carriedFirmware());
              d.setFault(QStringLiteral("flip_readback"), QStringLiteral("0x08010000"), -1);
          },
          &tst_RealDevice::readBackDiffers}},
        {QStringLiteral("otp_read_fails"),
         {[c3](EmulatedDevice& d) {
              c3(d);
              d.setFault(QStringLiteral("stall_upload"), QStringLiteral("1"), -1);
          },
          &tst_RealDevice::otpReadFails}},
        {QStringLiteral("blank_otp"),
         {[](EmulatedDevice& d) { d.setFlash(EmulatedDevice::firmwareWithRevision("C3")); },
          &tst_RealDevice::blankOtp}},
        {QStringLiteral("other_product"),
         {[](EmulatedDevice& d) {
              d.setOtp(otpOf(0x2B));
              d.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
          },
          &tst_RealDevice::otherProduct}},
        {QStringLiteral("stuck_busy"), {c3, &tst_RealDevice::stuckDevice}},
        {QStringLiteral("access_refused"),
         {[c3](EmulatedDevice& d) {
              c3(d);
              d.setFault(QStringLiteral("refuse_open"), QStringLiteral("0"), -1);
          },
          &tst_RealDevice::accessRefused}},
    };
    return all;
}

QString tst_RealDevice::name()
{
    return qEnvironmentVariable("KALVORA_EMULATOR_SCENARIO", QStringLiteral("upgrade"));
}

// The status line as the user reads it: the rich text without its markup.
QString tst_RealDevice::status()
{
    QTextDocument doc;
    doc.setHtml(mainWindow->statusLabel->text());
    return doc.toPlainText().simplified();
}

QString tst_RealDevice::revisionStatus(QString const& revision)
{
    return QStringLiteral("Connected to a Rel-41 with firmware version ") + revision;
}

QByteArray tst_RealDevice::otpOf(int type)
{
    std::vector<std::uint8_t> const record = emu::otp_record(std::uint8_t(type));
    QByteArray otp(512, char(0xFF));
    otp.replace(0, int(record.size()),
                QByteArray(reinterpret_cast<char const*>(record.data()), int(record.size())));
    return otp;
}

QByteArray tst_RealDevice::carriedFirmware()
{
    QFile f(TestPaths::generated_file(QStringLiteral("firmware.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString tst_RealDevice::firstLine(QStringList const& lines, QString const& prefix)
{
    for (QString const& line : lines)
        if (line.startsWith(prefix))
            return line;
    return {};
}

void tst_RealDevice::countSignals()
{
    // Queued to this object in the GUI thread, so the counters need no lock.
    connect(sm_A, &SM_A::sig_DeviceError, this, [this] { ++deviceErrors; });
    connect(sm_B, &SM_B::sig_FwMatches, this, [this] { ++matches; });
    connect(sm_B, &SM_B::sig_FwDiffers, this, [this] { ++differs; });
}

void tst_RealDevice::initTestCase()
{
    auto const found = scenarios().find(name());
    QVERIFY2(found != scenarios().end(), qPrintable(QStringLiteral("no scenario ") + name()));
    QCOMPARE(carriedFirmware().size(), 807136);
    found->second.first(device);
    capture = std::make_unique<LogCapture>();
    long_silent_write_ms = 35000; // in place of 5 minutes

    GUI_init();
    QVERIFY(mainWindow);
    QCOMPARE(DFU::Command::path, Files::external_dir.path());
    QVERIFY(capture->contains(QStringLiteral("Will use real device (i.e. no option 'use_simulator'.)")));
    QVERIFY(capture->contains(
        QStringLiteral("Result of execution test: status was ok and output: as expected")));
    countSignals();
    QTRY_VERIFY_WITH_TIMEOUT(sm_A->isRunning(), 5000);
}

void tst_RealDevice::scenario()
{
    QVERIFY(status().startsWith(noDevice));
    (this->*scenarios().at(name()).second)();
}

void tst_RealDevice::clickInstall()
{
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow->installButton->isEnabled(), timeout);
    QTest::mouseClick(mainWindow->installButton, Qt::LeftButton);
    QCOMPARE(mainWindow->progressBar->format(), QStringLiteral("Upgrading firmware"));
}

// After the download the device restarts, comes back with the carried firmware and is
// read back and compared.
void tst_RealDevice::expectVerified()
{
    ProgressBar* bar = mainWindow->progressBar;
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(noDevice), timeout);
    QTRY_COMPARE_WITH_TIMEOUT(bar->format(), done, timeout);
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(status(), revisionStatus(QStringLiteral("C4")));
    QVERIFY(!mainWindow->installButton->isEnabled());
    QVERIFY(sm_B->configuration().contains(sm_B->B6));
    QCOMPARE(matches, 1);
    QCOMPARE(differs, 0);
    QVERIFY(device.flash().left(807136) == carriedFirmware());
}

void tst_RealDevice::upgrade()
{
    QTRY_COMPARE_WITH_TIMEOUT(status(), revisionStatus(QStringLiteral("C3")), timeout);
    QVERIFY(mainWindow->installButton->isEnabled());
    clickInstall();
    expectVerified();
    // Every command line was one that the real dfu-util accepts and carries out.
    QCOMPARE(firstLine(capture->texts(), QStringLiteral("Exit with")), QString());
}

// Many boards restart before they answer the leave request: dfu-util then reports an error,
// but the device comes back with the new firmware and is verified as usual.
void tst_RealDevice::vanishBeforeLeaveAnswer()
{
    QTRY_COMPARE_WITH_TIMEOUT(status(), revisionStatus(QStringLiteral("C3")), timeout);
    clickInstall();
    expectVerified();
    QStringList const texts = capture->texts();
    QCOMPARE(texts.filter(QStringLiteral("Exit with")).size(), 1);
    QVERIFY(firstLine(texts, QStringLiteral("Exit with 74 from \"")).contains(
        QStringLiteral("\"0x08000000:leave\"")));
    QString const reason = QStringLiteral(
        "dfu-util error output: \"dfu-util: Warning: Invalid DFU suffix signature\\n"
        "dfu-util: A valid DFU suffix will be required in a future dfu-util release\\n"
        "dfu-util: Error during download get_status\\n\"");
    QVERIFY2(texts.contains(reason),
             qPrintable(texts.filter(QStringLiteral("error output")).join(QLatin1Char('\n'))));
}

// The device already holds the carried revision, so it is verified at once; a flipped byte
// in what it sends back makes the comparison fail, never pass.
void tst_RealDevice::readBackDiffers()
{
    ProgressBar* bar = mainWindow->progressBar;
    QTRY_COMPARE_WITH_TIMEOUT(bar->format(), QStringLiteral("FW differs"), timeout);
    QTest::qWait(3000); // nothing more happens while the device stays
    QCOMPARE(bar->format(), QStringLiteral("FW differs"));
    QVERIFY(!bar->isVisible());
    QCOMPARE(status(), QStringLiteral("The firmware check failed: the lamp's firmware differs "
                                      "from this tool's. Click to try again. If it happens "
                                      "again, save a support report (Ctrl+Shift+S) and send it "
                                      "to support."));
    QVERIFY(mainWindow->installButton->isEnabled());
    QVERIFY(sm_B->configuration().contains(sm_B->B7));
    QCOMPARE(differs, 1);
    QCOMPARE(matches, 0);
    QVERIFY(device.flash().left(807136) == carriedFirmware()); // only the read-back was flipped
}

// A device whose OTP cannot be read is reported once and left alone while it stays; once
// it has gone and come back it is read again.
void tst_RealDevice::otpReadFails()
{
    QString const otpRead = QStringLiteral("\"0x1FFF7800:512\"");
    QTRY_COMPARE_WITH_TIMEOUT(deviceErrors, 1, timeout);
    QTest::qWait(4000); // the worker keeps polling the device meanwhile
    QCOMPARE(deviceErrors, 1);
    QStringList const exits = capture->texts().filter(QStringLiteral("Exit with"));
    QCOMPARE(exits.size(), 1);
    QVERIFY(exits.first().startsWith(QStringLiteral("Exit with 74 from \"")));
    QVERIFY(exits.first().contains(otpRead));
    QCOMPARE(capture->texts().filter(QStringLiteral("Start ")).filter(otpRead).size(), 1);
    QCOMPARE(status(), QStringLiteral("A lamp was found but could not be read. Disconnect it and "
                                      "connect it again."));
    QVERIFY(!mainWindow->installButton->isEnabled());

    device.set(QStringLiteral("fault.stall_upload"), QString());
    device.set(QStringLiteral("present"), QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(noDevice), timeout);
    QTest::qWait(1000);
    device.set(QStringLiteral("present"), QStringLiteral("1"));
    QTRY_COMPARE_WITH_TIMEOUT(status(), revisionStatus(QStringLiteral("C3")), timeout);
    QCOMPARE(deviceErrors, 1);
}

void tst_RealDevice::blankOtp()
{
    QTRY_COMPARE_WITH_TIMEOUT(status(),
                              QStringLiteral("Connected to a N/A with unknown firmware version."),
                              timeout);
    QVERIFY(sm_B->configuration().contains(sm_B->B9));
    QVERIFY(!mainWindow->installButton->isEnabled());
    QStringList const blank = capture->texts().filter(QStringLiteral("OTP is blank."));
    QCOMPARE(blank.size(), 1);
    QVERIFY(blank.first().endsWith(QStringLiteral("Upload done.\nOTP is blank.\n")));
}

void tst_RealDevice::otherProduct()
{
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Connected to a K7."), timeout);
    QVERIFY(sm_B->configuration().contains(sm_B->B8));
    QTest::qWait(2000);
    QVERIFY(!mainWindow->installButton->isEnabled());
}

// A device that stays busy holds the download: the worker waits, the window does not.
void tst_RealDevice::stuckDevice()
{
    QTRY_COMPARE_WITH_TIMEOUT(status(), revisionStatus(QStringLiteral("C3")), timeout);
    // Set only now: the reads of a new device send a command too, and would hang instead.
    device.setFault(QStringLiteral("stuck_busy"), QStringLiteral("0"), -1);
    clickInstall();
    ProgressBar* bar = mainWindow->progressBar;
    // Busy answers to the first command: the device stays in dfuDNLOAD-SYNC.
    QTRY_VERIFY_WITH_TIMEOUT(
        device.transfers().filter(QStringLiteral("GETSTATUS")).filter(QStringLiteral("state=3"))
                .size() > 3,
        timeout);
    // The bar shows real progress, not a clock: it stands still with the device.
    int const progress = bar->value();
    QTest::qWait(2000);
    QCOMPARE(bar->value(), progress);
    QTest::keyClick(mainWindow, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(logWindow->dialog->isVisible());
    QTest::keyClick(logWindow->dialog, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(!logWindow->dialog->isVisible());

    // After 30 s without progress the window says so; the write is never cut, not even by
    // closing the window.
    QTRY_COMPARE_WITH_TIMEOUT(status(),
                              QStringLiteral("The lamp is not responding. Please wait and keep "
                                             "it connected: the tool does not stop a firmware "
                                             "write."),
                              45000);
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(QStringLiteral(
                                 "The lamp is not responding. The tool does not stop a firmware "
                                 "write: unplugging the lamp ends it.")),
                             15000);
    QTRY_VERIFY_WITH_TIMEOUT(capture->contains(QStringLiteral("will wait again, forever")),
                             15000);
    QVERIFY(capture->anyStartsWith(
        QStringLiteral("waitForFinished(): Process did not finish in time, exit status: "
                       "QProcess::NormalExit and output: \"dfu-util 0.11")));
    QCOMPARE(bar->format(), QStringLiteral("Upgrading firmware"));
    mainWindow->close();
    QVERIFY(mainWindow->isVisible());
    QCOMPARE(status(), QStringLiteral("Writing firmware. Please wait until the upgrade has "
                                      "finished."));
    QTest::qWait(1000);
    QVERIFY(sm_A->is_downloading());

    // Only the lamp itself ends the write: pulled, dfu-util gives up. The window, closed in
    // the belief that the write would finish, stays to say that it did not; the next close ends.
    device.set(QStringLiteral("present"), QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(!sm_A->is_downloading(), timeout);
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(QStringLiteral("The firmware write did not complete:")), timeout);
    QVERIFY(mainWindow->isVisible());
    mainWindow->close();
    QTRY_VERIFY_WITH_TIMEOUT(!mainWindow->isVisible(), timeout);
}

void tst_RealDevice::accessRefused()
{
    QString const refused =
        QStringLiteral("dfu-util error output: \"dfu-util: Cannot open DFU device 0483:df11 "
                       "found on devnum 5 (LIBUSB_ERROR_ACCESS)\\n\"");
    QTRY_VERIFY_WITH_TIMEOUT(device.countTransfers(QStringLiteral("OPEN -> -3")) >= 4, timeout);
    QCOMPARE(capture->count(refused), 1); // logged once, however often the list runs
    QVERIFY(status().startsWith(QStringLiteral("A lamp is connected, but this user may not open "
                                               "it. Install the tool's package")));
    QVERIFY(!mainWindow->installButton->isEnabled());
    QCOMPARE(firstLine(capture->texts(), QStringLiteral("Exit with")), QString());
}

// Closing the window ends the program in every scenario, even with a dfu-util that hangs.
void tst_RealDevice::shutdownEnds()
{
    mainWindow->close();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(GUI_cleanup(0), 0);
    QVERIFY(timer.elapsed() >= 2000);
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    // A download is never killed, not even one that hangs.
    QVERIFY(!capture->anyStartsWith(QStringLiteral("Shutdown requested")));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    int appArgc = 1;
    char program[] = "tst_realdevice";
    char* appArgv[] = {program, nullptr};
    QApplication app(appArgc, appArgv);
    tst_RealDevice test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_realdevice.moc"
