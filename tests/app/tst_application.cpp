#include "app/appobjects.h"
#include "app/startup.h"
#include "dfu/files.h"
#include "gui/installbutton.h"
#include "gui/logwindow.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QTextDocument>
#include <QtTest>

// The whole application as start-up builds it, in simulator mode, driven as a user would.
// Each run of this program plays one prepared configuration of the simulated device, named
// by KALVORA_SIM_CONFIG.
class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void upgradeFlow();
    void escapeStopsBothMachinesAndLeavesTheWindowOpen();
    void cleanupEndsInOrder();

private:
    static QString status();
    static QString config();
    void clickInstall();
    void expectEndState(QString const& statusText, bool buttonEnabled);
};

namespace {
int constexpr timeout = 60000;
}

QString tst_Application::config()
{
    return qEnvironmentVariable("KALVORA_SIM_CONFIG", QStringLiteral("default"));
}

// The status line as the user reads it: the rich text without its markup.
QString tst_Application::status()
{
    QTextDocument doc;
    doc.setHtml(mainWindow->statusLabel->text());
    return doc.toPlainText().simplified();
}

void tst_Application::initTestCase()
{
    GUI_init();
    QVERIFY(mainWindow);
    QVERIFY(logWindow);
    QCOMPARE(mainWindow->windowTitle(), QStringLiteral("Kalvora Firmware Upgrade Tool"));
    QCOMPARE(sm_A->rescan_pause_ms, 500);
    QCOMPARE(sm_A->poll_pause_ms, 1000);
    QVERIFY(!sm_A->isRunning()); // started only once the event loop runs
    QCOMPARE(settings.desired_revision, QStringLiteral("C4"));
    QCOMPARE(settings.desired_name, QStringLiteral("REL41"));
    QCOMPARE(settings.desired_type, Device::Type::VELK);
    QTRY_VERIFY_WITH_TIMEOUT(sm_A->isRunning(), 5000);
}

void tst_Application::clickInstall()
{
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow->installButton->isEnabled(), timeout);
    QTest::mouseClick(mainWindow->installButton, Qt::LeftButton);
    QCOMPARE(mainWindow->progressBar->format(), QStringLiteral("Upgrading firmware"));
    QVERIFY(mainWindow->progressBar->isVisible());
}

void tst_Application::expectEndState(QString const& statusText, bool buttonEnabled)
{
    QTRY_COMPARE_WITH_TIMEOUT(status(), statusText, timeout);
    QTest::qWait(3000); // the flow stays there while the device stays
    QCOMPARE(status(), statusText);
    QCOMPARE(mainWindow->installButton->isEnabled(), buttonEnabled);
}

void tst_Application::upgradeFlow()
{
    QString const noDevice = QStringLiteral("Note: Once the update is finished");
    QVERIFY(status().startsWith(noDevice));
    QVERIFY(!mainWindow->installButton->isEnabled());
    QVERIFY(!mainWindow->progressBar->isVisible());
    ProgressBar* bar = mainWindow->progressBar;

    if (config() == QLatin1String("default") || config() == QLatin1String("readback_differs")) {
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Connected to a Rel-41 with firmware version C3"),
                                  timeout);
        clickInstall();
        QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(noDevice), timeout); // the device restarts
        QTRY_VERIFY_WITH_TIMEOUT(bar->format() != QLatin1String("This text should not be visible!"),
                                 timeout);
        QVERIFY(bar->format() == QLatin1String("Uploading & verifying")
                || bar->format() == QLatin1String("Done. Disconnect USB cable.")
                || bar->format() == QLatin1String("FW differs"));
        if (config() == QLatin1String("default")) {
            QTRY_COMPARE_WITH_TIMEOUT(bar->format(), QStringLiteral("Done. Disconnect USB cable."), timeout);
            QVERIFY(bar->isVisible());
            QCOMPARE(bar->value(), bar->maximum());
            expectEndState(QStringLiteral("Connected to a Rel-41 with firmware version C4"), false);
            QVERIFY(sm_B->configuration().contains(sm_B->B6));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(bar->format(), QStringLiteral("FW differs"), timeout);
            QVERIFY(!bar->isVisible());
            expectEndState(QStringLiteral("The firmware check failed: the lamp's firmware differs "
                                          "from this tool's. Click to try again. If it happens "
                                          "again, save a support report (Ctrl+Shift+S) and "
                                          "send it to support."),
                           true);
            QVERIFY(sm_B->configuration().contains(sm_B->B7));
        }
    } else if (config() == QLatin1String("same_revision")) {
        QTRY_COMPARE_WITH_TIMEOUT(bar->format(), QStringLiteral("Done. Disconnect USB cable."), timeout);
        expectEndState(QStringLiteral("Connected to a Rel-41 with firmware version C4"), false);
    } else if (config() == QLatin1String("other_product")) {
        expectEndState(QStringLiteral("Connected to a K7."), false);
        QVERIFY(sm_B->configuration().contains(sm_B->B8));
    } else if (config() == QLatin1String("empty_otp")) {
        expectEndState(QStringLiteral("Connected to a N/A with unknown firmware version."), false);
        QVERIFY(sm_B->configuration().contains(sm_B->B9));
    } else if (config() == QLatin1String("fw_other_product")) {
        expectEndState(QStringLiteral("Connected to a Rel-41 with unknown firmware version."), true);
        QVERIFY(sm_B->configuration().contains(sm_B->B2));
    } else if (config() == QLatin1String("replaced_by_blank")
               || config() == QLatin1String("replaced_by_other_product")) {
        // A Rel-41 with C3 is shown; the device that takes its place, with no moment without
        // a device, is read anew and shown as what it is.
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Connected to a Rel-41 with firmware version C3"),
                                  timeout);
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow->installButton->isEnabled(), 3000);
        if (config() == QLatin1String("replaced_by_blank")) {
            expectEndState(QStringLiteral("Connected to a Rel-41 with unknown firmware version."), true);
            QVERIFY(sm_B->configuration().contains(sm_B->B2));
        } else {
            expectEndState(QStringLiteral("Connected to a K7."), false);
            QVERIFY(sm_B->configuration().contains(sm_B->B8));
        }
    } else {
        QFAIL(qPrintable(QStringLiteral("no expectations for configuration ") + config()));
    }
    QVERIFY(!bar->isVisible() || bar->format() == QLatin1String("Done. Disconnect USB cable."));
}

void tst_Application::escapeStopsBothMachinesAndLeavesTheWindowOpen()
{
    QTest::keyClick(mainWindow, Qt::Key_Escape);
    QVERIFY(sm_A->isFinished());
    QTRY_VERIFY(!sm_B->isRunning());
    QVERIFY(mainWindow->isVisible());
    QVERIFY(!mainWindow->installButton->isEnabled() || config() != QLatin1String("default"));
}

// Closing the window after Escape still runs the whole shutdown: stopping stopped machines
// is harmless, the pause is kept, the objects are deleted, and the working directory with
// the carried files goes last.
void tst_Application::cleanupEndsInOrder()
{
    QString const dir = Files::external_dir.path();
    QVERIFY(QFileInfo(dir + QStringLiteral("/firmware.bin")).isFile());
    mainWindow->close();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(GUI_cleanup(0), 0);
    QVERIFY(timer.elapsed() >= 2000);
    QVERIFY(!Files::external_dir.isValid());
    QVERIFY(!QFileInfo::exists(dir));
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KALVORA_SIM_FAST_PROGRESS", "1");
    QStandardPaths::setTestModeEnabled(true);
    int appArgc = 2;
    char program[] = "tst_application";
    char simulator[] = "-s";
    char* appArgv[] = {program, simulator, nullptr};
    QApplication app(appArgc, appArgv);
    tst_Application test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
