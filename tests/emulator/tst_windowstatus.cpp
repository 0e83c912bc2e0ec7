#include "emulateddevice.h"
#include "logcapture.h"
#include "smalldisk.h"
#include "wholeprogram.h"

#include "app/appobjects.h"
#include "app/startup.h"
#include "gui/installbutton.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTranslator>
#include <QtTest>

#include <memory>
#include <utility>

using namespace WholeProgram;

// What the window tells while lamps come and go: the whole program in real-device mode, one
// run for all cases, against an emulated bootloader that is unplugged and plugged in again
// as another lamp between them. Each case ends with no lamp connected.
class tst_WindowStatus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void failedCheck_data();
    void failedCheck();
    void lampNotHandled_data();
    void lampNotHandled();
    void ignoredClick_data();
    void ignoredClick();
    void noEffect_data();
    void noEffect();
    void cleanupTestCase();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A lamp: its OTP, its flash and a fault, as the emulator takes them.
    struct Lamp
    {
        Lamp(QByteArray otp, QByteArray flash, QString fault = QString(),
             QString param = QStringLiteral("0"), int runs = 1,
             QString serial = QStringLiteral("376235643036"))
            : otp(std::move(otp)), flash(std::move(flash)), fault(std::move(fault)),
              param(std::move(param)), runs(runs), serial(std::move(serial))
        {
        }
        QByteArray otp;
        QByteArray flash;
        QString fault;
        QString param;
        int runs;
        QString serial;
    };
    void unplug();
    void plugIn(Lamp const& lamp);
    void clickInstall();
    void expectDone();
    void screenshot(QString const& name) const;

    EmulatedDevice device; // before start-up, so that dfu-util finds the stand-in libusb
    SmallDisk disk{6144};  // the temporary folder, to be filled
    std::unique_ptr<LogCapture> capture;
    QStringList enabledWhileBusy; // when the install button was enabled in B3 or B4
    int busyStates = 0;           // how often B3 or B4 was entered
    int busyBeforeClick = 0;
};

namespace {

int constexpr timeout = 20000; // every step takes a few seconds at the emulator's pace
QString const checkFailed = QStringLiteral("The firmware check failed: the lamp's firmware "
                                           "differs from this tool's. Click to try again.") + reportHint;
QString const unreadable = QStringLiteral("A lamp was found but could not be read. Disconnect "
                                          "it and connect it again.");
QString const noEffectText = QStringLiteral("The upgrade did not take effect: the Rel-41 still "
                                            "does not have firmware version C4. Click to try "
                                            "again.") + reportHint;
QString const incompleteText = QStringLiteral("The last firmware write did not complete: the "
                                              "Rel-41 does not have firmware version C4. Click to "
                                              "try again.") + reportHint;
QStringList const faults = {QStringLiteral("flip_readback"), QStringLiteral("stall_upload"),
                            QStringLiteral("err_erase"), QStringLiteral("err_write")};

bool busy()
{
    return sm_B->configuration().contains(sm_B->B3) || sm_B->configuration().contains(sm_B->B4);
}

} // namespace

void tst_WindowStatus::initTestCase()
{
    QCOMPARE(carriedFirmware().size(), 807136);
    device.set(QStringLiteral("present"), QStringLiteral("0"));
    capture = std::make_unique<LogCapture>();
    if (disk.isMounted())
        qputenv("TMPDIR", QFile::encodeName(disk.path()));
    QVERIFY(GUI_init());
    mainWindow->installButton->installEventFilter(this);
    // After the flow's own handlers, which disable the button.
    for (QState* state : {sm_B->B3, sm_B->B4})
        connect(state, &QState::entered, this, [this, state] {
            ++busyStates;
            if (mainWindow->installButton->isEnabled())
                enabledWhileBusy << QStringLiteral("on entering ") + state->objectName();
        });
    QTRY_VERIFY_WITH_TIMEOUT(statusLine().startsWith(noDevice), timeout);
}

// Each case starts without a lamp, also after a case that failed with one connected.
void tst_WindowStatus::init()
{
    unplug();
    enabledWhileBusy.clear();
}

// The install button is disabled whenever the flow writes or verifies.
void tst_WindowStatus::cleanup()
{
    QCOMPARE(enabledWhileBusy, QStringList());
}

bool tst_WindowStatus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && mainWindow->installButton->isEnabled() &&
        busy())
        enabledWhileBusy << QStringLiteral("enabled while the status said: ") + statusLine();
    return QObject::eventFilter(watched, event);
}

void tst_WindowStatus::screenshot(QString const& name) const
{
    QString const dir = qEnvironmentVariable("KALVORA_SCREENSHOT_DIR");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    QString const file = QStringLiteral("%1/status-%2.png").arg(dir, name).replace(' ', '-');
    QGuiApplication::primaryScreen()->grabWindow(mainWindow->winId()).save(file);
}

void tst_WindowStatus::plugIn(Lamp const& lamp)
{
    for (QString const& fault : faults)
        device.set(QStringLiteral("fault.") + fault, QString());
    device.setOtp(lamp.otp);
    device.setFlash(lamp.flash);
    device.set(QStringLiteral("serial"), lamp.serial);
    if (!lamp.fault.isEmpty())
        device.setFault(lamp.fault, lamp.param, lamp.runs);
    device.set(QStringLiteral("present"), QStringLiteral("1"));
}

// Whatever the window said, once the lamp is gone it shows the note again.
void tst_WindowStatus::unplug()
{
    device.set(QStringLiteral("present"), QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(sm_B->configuration().contains(sm_B->B1), timeout);
    QTRY_VERIFY_WITH_TIMEOUT(statusLine().startsWith(noDevice), timeout);
    QVERIFY(!mainWindow->installButton->isEnabled());
    QVERIFY(mainWindow->progressBar->isHidden());
}

void tst_WindowStatus::clickInstall()
{
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow->installButton->isEnabled(), timeout);
    busyBeforeClick = busyStates;
    QTest::mouseClick(mainWindow->installButton, Qt::LeftButton);
    QCOMPARE(mainWindow->progressBar->format(), QStringLiteral("Upgrading firmware"));
    QVERIFY(mainWindow->progressBar->isVisible());
    QCOMPARE(busyStates, busyBeforeClick + 1);
}

// The download, the restart and the read-back with the install button disabled throughout.
void tst_WindowStatus::expectDone()
{
    ProgressBar* bar = mainWindow->progressBar;
    QTRY_COMPARE_WITH_TIMEOUT(bar->format(), done, timeout);
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(statusLine(), revisionStatus(QStringLiteral("C4")));
    QVERIFY(!mainWindow->installButton->isEnabled());
    QVERIFY(device.flash().left(807136) == carriedFirmware());
    QCOMPARE(busyStates, busyBeforeClick + 2); // B3, then B4
    QCOMPARE(enabledWhileBusy, QStringList());
}

void tst_WindowStatus::failedCheck_data()
{
    QTest::addColumn<QByteArray>("flash");
    QTest::addColumn<bool>("click"); // the lamp needs the upgrade
    QTest::newRow("after the write") << EmulatedDevice::firmwareWithRevision("C3") << true;
    QTest::newRow("lamp already upgraded") << carriedFirmware() << false;
}

// A read-back with a flipped byte: the status line says that the check failed and the install
// button offers to try again, which then succeeds.
void tst_WindowStatus::failedCheck()
{
    QFETCH(QByteArray, flash);
    QFETCH(bool, click);
    plugIn({otpOf(0x04), flash, QStringLiteral("flip_readback"), QStringLiteral("0x08010000"), -1});
    if (click) {
        QTRY_COMPARE_WITH_TIMEOUT(statusLine(), revisionStatus(QStringLiteral("C3")), timeout);
        clickInstall();
    }
    ProgressBar* bar = mainWindow->progressBar;
    QTRY_COMPARE_WITH_TIMEOUT(bar->format(), QStringLiteral("FW differs"), timeout);
    QVERIFY(sm_B->configuration().contains(sm_B->B7));
    QCOMPARE(statusLine(), checkFailed);
    QVERIFY(mainWindow->installButton->isEnabled());
    QVERIFY(bar->isHidden());
    screenshot(QStringLiteral("check-failed-") + QTest::currentDataTag());
    QTest::qWait(1500); // the lamp is polled meanwhile: nothing changes while it stays
    QCOMPARE(statusLine(), checkFailed);
    QVERIFY(mainWindow->installButton->isEnabled());

    device.set(QStringLiteral("fault.flip_readback"), QString());
    clickInstall();
    expectDone();
    unplug();
}

void tst_WindowStatus::lampNotHandled_data()
{
    // Whether the lamp takes the place of a readable one, and is replaced by one, between two
    // polls (another serial at once), or is plugged in and out; what the status line says.
    QTest::addColumn<bool>("swappedIn");
    QTest::addColumn<bool>("swappedOut");
    QTest::addColumn<QString>("status");
    QString const full = QStringLiteral("The computer's folder %1 is full or cannot be written");
    QTest::newRow("unreadable, plugged in and out") << false << false << unreadable;
    QTest::newRow("unreadable in place of a readable lamp") << true << false << unreadable;
    QTest::newRow("unreadable, replaced by a readable lamp") << false << true << unreadable;
    QTest::newRow("two devices") << false << false
                                 << QStringLiteral("More than one device in bootloader mode is "
                                                   "connected. Disconnect all but the lamp.");
    QTest::newRow("full before the information block") << false << false << full.arg(disk.path());
    QTest::newRow("full before the read-back") << false << false << full.arg(disk.path());
}

// A lamp that cannot be read, or is not read for a cause the user can fix (never blamed on the
// lamp): the status line says so until the lamp is gone, and nothing is written. The folder
// fills while the information block's read (of alternate setting 0) is held, or as the
// read-back begins.
void tst_WindowStatus::lampNotHandled()
{
    QFETCH(bool, swappedIn);
    QFETCH(bool, swappedOut);
    QFETCH(QString, status);
    QString const tag = QString::fromLatin1(QTest::currentDataTag());
    bool const full = tag.startsWith("full"), readBack = tag.endsWith("read-back");
    if (full && !disk.isMounted())
        QSKIP(qPrintable(disk.reason()));
    auto const fill = [this] {
        QFile filler(disk.filePath(QStringLiteral("filler")));
        for (filler.open(QIODevice::WriteOnly); filler.write(QByteArray(65536, 'x')) > 0 && filler.flush();) {
        }
    };
    QMetaObject::Connection const filling = connect(
        sm_A, &SM_A::sig_FwUploading, sm_A, [=] { readBack ? fill() : void(); }, Qt::DirectConnection);
    QByteArray const c3 = EmulatedDevice::firmwareWithRevision("C3");
    QString const otherSerial = QStringLiteral("376235643037");
    Lamp const readable{otpOf(0x04), c3};
    Lamp broken{otpOf(0x04), c3, QStringLiteral("stall_upload"), QStringLiteral("1"), -1,
                otherSerial};
    if (status != unreadable) // the lamp itself is readable
        broken = {otpOf(0x04), readBack ? carriedFirmware() : c3, full && !readBack ? "hang_before_main" : "", "0:1500"};
    device.set(QStringLiteral("second_serial"), tag == "two devices" ? QStringLiteral("3762356430A7") : QString());
    if (swappedIn) {
        plugIn(readable);
        QTRY_COMPARE_WITH_TIMEOUT(statusLine(), revisionStatus(QStringLiteral("C3")), timeout);
        // The fault first: the polls of the connected lamp never read its OTP.
        device.setFault(broken.fault, broken.param, broken.runs);
        device.set(QStringLiteral("serial"), otherSerial);
    } else {
        plugIn(broken);
    }
    if (full && !readBack) {
        QTRY_VERIFY_WITH_TIMEOUT(device.countTransfers(QStringLiteral("hang_before_main")), timeout);
        fill();
    }
    QTRY_VERIFY2_WITH_TIMEOUT(statusLine().startsWith(status), qPrintable(statusLine()), timeout);
    QVERIFY(!mainWindow->installButton->isEnabled());
    QVERIFY(mainWindow->progressBar->isHidden());
    screenshot(tag);
    QTest::qWait(2500);
    QVERIFY2(statusLine().startsWith(status), qPrintable(statusLine()));
    QVERIFY(device.flash().left(807136) == broken.flash);
    disconnect(filling);
    QFile::remove(disk.filePath(QStringLiteral("filler")));
    device.set(QStringLiteral("second_serial"), QString());

    if (swappedOut) {
        // The fault first: the polls of the unreadable lamp only list it.
        device.set(QStringLiteral("fault.stall_upload"), QString());
        device.set(QStringLiteral("serial"), readable.serial);
        QTRY_COMPARE_WITH_TIMEOUT(statusLine(), revisionStatus(QStringLiteral("C3")), timeout);
        QVERIFY(mainWindow->installButton->isEnabled());
    }
    unplug();
}

void tst_WindowStatus::ignoredClick_data()
{
    QTest::addColumn<QByteArray>("otp");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("state");
    QTest::newRow("another product")
        << otpOf(0x2B) << QStringLiteral("Connected to a K7.") << sm_B->B8->objectName();
    QTest::newRow("another product, in German")
        << otpOf(0x2B) << QStringLiteral("Angeschlossen: K7.") << sm_B->B8->objectName();
    QTest::newRow("blank product record")
        << QByteArray(512, char(0xFF))
        << QStringLiteral("Connected to a N/A with unknown firmware version.")
        << sm_B->B9->objectName();
}

// The key A forces the install button on for a lamp that must not be written: the click is
// ignored, the bar does not start and nothing is written.
void tst_WindowStatus::ignoredClick()
{
    QFETCH(QByteArray, otp);
    QFETCH(QString, status);
    QFETCH(QString, state);
    QByteArray const c3 = EmulatedDevice::firmwareWithRevision("C3");
    QTranslator german; // as under LANG=de_DE.UTF-8, from here on
    if (QByteArray(QTest::currentDataTag()).endsWith("in German"))
        QVERIFY(german.load(QStringLiteral(":/translations/kalvora_de.qm")) &&
                QCoreApplication::installTranslator(&german));
    plugIn({otp, c3});
    QTRY_COMPARE_WITH_TIMEOUT(statusLine(), status, timeout);
    QVERIFY(!mainWindow->installButton->isEnabled());
    QTest::keyClick(mainWindow, Qt::Key_A);
    QVERIFY(mainWindow->installButton->isEnabled());
    int const records = device.progress().size();
    auto const downloads = [this] {
        return capture->texts().filter(QStringLiteral("Start ")).filter(
            QStringLiteral("\"-D\"")).size();
    };
    int const started = downloads();

    QTest::mouseClick(mainWindow->installButton, Qt::LeftButton);
    QVERIFY(mainWindow->progressBar->isHidden());
    QTest::qWait(2500); // more than two polls of the lamp
    QVERIFY(mainWindow->progressBar->isHidden());
    QCOMPARE(statusLine(), status);
    QCOMPARE(sm_B->configuration().size(), 1);
    QCOMPARE(sm_B->configuration().values().first()->objectName(), state);
    QCOMPARE(downloads(), started);
    QCOMPARE(device.progress().size(), records);
    QVERIFY(device.flash().left(807136) == c3);
    QVERIFY(device.otp() == otp);
    QCoreApplication::removeTranslator(&german);
    unplug();
}

void tst_WindowStatus::noEffect_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("param");
    QTest::addColumn<bool>("restoreFlash"); // as the lamp restarts after the download
    QTest::addColumn<QString>("status");
    QTest::newRow("erase fails") << QStringLiteral("err_erase") << QStringLiteral("0x08000000")
                                 << false << incompleteText;
    QTest::newRow("first block not written")
        << QStringLiteral("err_write") << QStringLiteral("0x08000000") << false << incompleteText;
    QTest::newRow("restarts with its old firmware") << QString() << QString() << true << noEffectText;
}

// The lamp comes back from a download without the new firmware: the status line says that the
// write did not complete, or (written whole) that the upgrade did not take effect, and the
// install button offers to try again.
void tst_WindowStatus::noEffect()
{
    QFETCH(QString, fault);
    QFETCH(QString, param);
    QFETCH(bool, restoreFlash);
    QFETCH(QString, status);
    QByteArray const c3 = EmulatedDevice::firmwareWithRevision("C3");
    plugIn({otpOf(0x04), c3, fault, param});
    QTRY_COMPARE_WITH_TIMEOUT(statusLine(), revisionStatus(QStringLiteral("C3")), timeout);
    QMetaObject::Connection restore;
    if (restoreFlash)
        restore = connect(sm_B->B3, &QState::exited, this, [this, c3] { device.setFlash(c3); });
    clickInstall();
    QTRY_COMPARE_WITH_TIMEOUT(statusLine(), status, timeout);
    disconnect(restore);
    QVERIFY(sm_B->configuration().contains(sm_B->B2));
    QVERIFY(mainWindow->installButton->isEnabled());
    QVERIFY(mainWindow->progressBar->isHidden());
    QVERIFY(device.flash().left(807136) != carriedFirmware());
    screenshot(QStringLiteral("no-effect-") + QTest::currentDataTag());
    QTest::qWait(1500);
    QCOMPARE(statusLine(), status);

    clickInstall();
    expectDone();
    unplug();
}

void tst_WindowStatus::cleanupTestCase()
{
    if (!mainWindow)
        return;
    mainWindow->close();
    QCOMPARE(GUI_cleanup(0), 0);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    int appArgc = 1;
    char program[] = "tst_windowstatus";
    char* appArgv[] = {program, nullptr};
    QApplication app(appArgc, appArgv);
    tst_WindowStatus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowstatus.moc"
