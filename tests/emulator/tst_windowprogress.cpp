#include "emulateddevice.h"
#include "logcapture.h"
#include "wholeprogram.h"
#include "xsession.h"

#include "app/appobjects.h"
#include "app/startup.h"
#include "dfu/progress.h"
#include "gui/installbutton.h"
#include "gui/logwindow.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"
#include "statemachines/sm_b.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <memory>

using namespace WholeProgram;

// The whole program in a real X window (Xvfb and openbox) against the emulated bootloader at
// the pace of a real lamp: the bar shows how far the device has got and never shows the end
// before the result; the log window opens where it can be seen.
class tst_WindowProgress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void logWindowPlacement_data();
    void logWindowPlacement();
    void barFollowsDevice();
    void cleanupTestCase();

private:
    // What the window showed at one moment.
    struct Sample
    {
        qint64 ms = 0; // since the epoch, the clock of the device's progress record
        int value = 0;
        bool downloading = false; // the flow was in B3
        bool verifying = false;   // in B4, before the result arrived
    };
    double expectedPercent(qint64 ms) const;
    static void screenshot(QString const& name);

    EmulatedDevice device; // before start-up, so that dfu-util finds the stand-in libusb
    std::unique_ptr<LogCapture> capture;
    QVector<EmulatedDevice::Progress> record;
};

namespace {

int constexpr timeout = 60000;
double constexpr erased_total = 917504;  // the sectors the carried image needs
double constexpr written_total = 807136; // the carried image

// Runs xdotool as a person's keyboard would act: through the X server, on the active window.
bool xdotool(QStringList const& arguments)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    if (!p.waitForStarted(5000))
        return false;
    return QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 10000) &&
           p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString describe(QRect const& r)
{
    return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

} // namespace

void tst_WindowProgress::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QCOMPARE(carriedFirmware().size(), int(written_total));
    device.setOtp(otpOf(0x04));
    device.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
    device.set(QStringLiteral("timing"), QStringLiteral("realistic"));
    device.set(QStringLiteral("time_scale"), QStringLiteral("1"));
    device.set(QStringLiteral("present"), QStringLiteral("0"));
    capture = std::make_unique<LogCapture>();
    QVERIFY(GUI_init());
    // Framed by the window manager: its frame is known from here on.
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow->frameGeometry() != mainWindow->geometry(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(statusLine().startsWith(noDevice), timeout);
}

void tst_WindowProgress::screenshot(QString const& name)
{
    QString const dir = qEnvironmentVariable("KALVORA_SCREENSHOT_DIR");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    QString const file = QString(name).replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")),
                                               QStringLiteral("-"));
    QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QLatin1Char('/') + file + ".png");
}

void tst_WindowProgress::logWindowPlacement_data()
{
    // Where the main window's frame is moved: its top, and how far its right edge stays from
    // the screen's (at most to the left edge).
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("fromRight");
    QTest::addColumn<bool>("rightOfMain");
    // The first opening shows a window that the window manager has not framed yet.
    QTest::newRow("first opening, top of the screen") << 0 << 1280 << true;
    QTest::newRow("room on the right") << 100 << 1280 << true;
    QTest::newRow("near the right edge") << 100 << 8 << false;
    QTest::newRow("at the right edge") << 300 << 0 << false;
}

// Ctrl+L, typed into the main window, opens the log window beside it when there is room, and
// always wholly on the screen, title bar and borders included.
void tst_WindowProgress::logWindowPlacement()
{
    QFETCH(int, top);
    QFETCH(int, fromRight);
    QFETCH(bool, rightOfMain);
    QDialog* log = logWindow->dialog;
    log->hide();
    QRect const available = mainWindow->screen()->availableGeometry();
    QRect const main = mainWindow->frameGeometry();
    QPoint const at(qMax(available.left(), available.right() + 1 - fromRight - main.width()),
                    available.top() + top);
    mainWindow->move(at);
    QTRY_COMPARE_WITH_TIMEOUT(mainWindow->frameGeometry().topLeft(), at, 5000);

    QVERIFY(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                     QString::number(mainWindow->winId()), QStringLiteral("key"),
                     QStringLiteral("ctrl+l")}));
    QTRY_VERIFY_WITH_TIMEOUT(log->isVisible(), 5000);
    QTest::qWait(1000); // the window manager frames and moves it
    QRect const placed = log->frameGeometry();
    screenshot(QStringLiteral("log-window-") + QTest::currentDataTag());
    QString const where = QStringLiteral("log window %1, main window %2, screen %3")
                              .arg(describe(placed), describe(mainWindow->frameGeometry()),
                                   describe(available));
    QVERIFY2(placed.size() != log->geometry().size(), qPrintable("no frame: " + where));
    QVERIFY2(available.contains(placed), qPrintable(where));
    if (rightOfMain)
        QVERIFY2(placed.topLeft() == QPoint(mainWindow->frameGeometry().right() + 1, at.y()),
                 qPrintable(where));
    log->hide();
}

double tst_WindowProgress::expectedPercent(qint64 ms) const
{
    qint64 erased = 0;
    qint64 written = 0;
    for (EmulatedDevice::Progress const& p : record) {
        if (p.ms > ms)
            continue;
        if (p.phase == QLatin1String("erase"))
            erased = qMax(erased, p.bytes);
        else if (p.phase == QLatin1String("write"))
            written = qMax(written, p.bytes);
    }
    int const share = DFU::erase_share_percent;
    return share * erased / erased_total + (100 - share) * written / written_total;
}

// While the firmware is written the bar follows the device's own record of how far its erase
// and write have got; during the read-back it never shows the end before the result.
void tst_WindowProgress::barFollowsDevice()
{
    device.set(QStringLiteral("present"), QStringLiteral("1"));
    QTRY_COMPARE_WITH_TIMEOUT(statusLine(), revisionStatus(QStringLiteral("C3")), timeout);
    ProgressBar* bar = mainWindow->progressBar;
    QVector<Sample> samples;
    // Every value the bar took while the flow waited for the read-back's result: once the
    // flow has left B4, the result has arrived.
    QVector<int> beforeResult;
    QObject scope;
    auto const verifying = [] { return sm_B->configuration().contains(sm_B->B4); };
    connect(bar, &QProgressBar::valueChanged, &scope, [&](int value) {
        if (verifying())
            beforeResult << value;
    });
    QTimer sampler;
    sampler.setInterval(50);
    bool pictured = false;
    connect(&sampler, &QTimer::timeout, &scope, [&] {
        bool const downloading = sm_B->configuration().contains(sm_B->B3);
        if (downloading && bar->value() >= 75 && !pictured) {
            pictured = true;
            screenshot(QStringLiteral("realistic-upgrading"));
        }
        samples.append({QDateTime::currentMSecsSinceEpoch(), bar->value(), downloading,
                        verifying()});
    });
    sampler.start();

    QElapsedTimer upgrade;
    double seconds = 0;
    connect(sm_B, &SM_B::sig_FwMatches, &scope, [&] { seconds = upgrade.elapsed() / 1000.0; },
            Qt::DirectConnection);
    qint64 const clicked = QDateTime::currentMSecsSinceEpoch();
    upgrade.start();
    QTest::mouseClick(mainWindow->installButton, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(bar->format(), done, 2 * timeout);
    sampler.stop();
    screenshot(QStringLiteral("realistic-done"));
    QCOMPARE(bar->value(), bar->maximum());

    record = device.progress();
    QVERIFY(!record.isEmpty());
    QCOMPARE(record.last().phase, QStringLiteral("write"));
    QCOMPARE(record.last().bytes, qint64(written_total));
    double largest = 0;
    Sample largestAt;
    int downloadSamples = 0;
    for (Sample const& s : samples) {
        if (!s.downloading)
            continue;
        ++downloadSamples;
        double const error = std::abs(s.value - expectedPercent(s.ms));
        if (error > largest) {
            largest = error;
            largestAt = s;
        }
    }
    QVERIFY2(downloadSamples > 200, qPrintable(QString::number(downloadSamples)));
    // A quarter, a half and three quarters of the write: the first sample after the device
    // got there.
    QStringList checks;
    for (int quarter : {1, 2, 3}) {
        qint64 reached = 0;
        for (EmulatedDevice::Progress const& p : record)
            if (!reached && p.phase == QLatin1String("write") &&
                p.bytes >= quarter * written_total / 4)
                reached = p.ms;
        QVERIFY(reached > 0);
        auto const after = std::find_if(samples.begin(), samples.end(),
                                        [reached](Sample const& s) { return s.ms >= reached; });
        QVERIFY(after != samples.end());
        double const expected = expectedPercent(after->ms);
        checks << QStringLiteral("%1 % written: bar %2, device %3")
                      .arg(quarter * 25)
                      .arg(after->value)
                      .arg(expected, 0, 'f', 1);
        QVERIFY2(after->downloading && std::abs(after->value - expected) <= 10,
                 qPrintable(checks.join(QStringLiteral("; "))));
    }
    for (Sample const& s : samples)
        if (s.verifying)
            beforeResult << s.value;
    QVERIFY(beforeResult.size() > 10);
    QVERIFY2(*std::max_element(beforeResult.begin(), beforeResult.end()) < bar->maximum(),
             "the bar was full before the read-back's result");
    // The lamp's own busy time: its erase and write, its restart, and the read-back's transfers.
    QList<qint64> readBack;
    for (QString const& line : device.transfers().filter(QStringLiteral(" UPLOAD ")))
        if (line.section(QLatin1Char(' '), 0, 0).toLongLong() > record.last().ms)
            readBack << line.section(QLatin1Char(' '), 0, 0).toLongLong();
    double const busy = (record.last().ms - record.first().ms + readBack.last() - readBack.first() +
                         device.value(QStringLiteral("reappear_ms")).toLongLong()) / 1000.0;
    std::printf("Bar against the device's record: largest error %.1f points (bar %d, device %.1f, "
                "%.2f s after the click) over %d samples of the download; %s; "
                "whole upgrade %.2f s from the click to \"%s\", of which the device erased "
                "and wrote for %.2f s; busy for %.2f s\n",
                largest, largestAt.value, expectedPercent(largestAt.ms),
                (largestAt.ms - clicked) / 1000.0, downloadSamples,
                qPrintable(checks.join(QStringLiteral("; "))), seconds, qPrintable(done),
                (record.last().ms - record.first().ms) / 1000.0, busy);
    std::fflush(stdout);
}

void tst_WindowProgress::cleanupTestCase()
{
    if (!mainWindow)
        return;
    mainWindow->close();
    QCOMPARE(GUI_cleanup(0), 0);
}

int main(int argc, char** argv)
{
    XSession x;
    if (!x.ok())
        return 1;
    qputenv("QT_FONT_DPI", "96");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    int appArgc = 1;
    char program[] = "tst_windowprogress";
    char* appArgv[] = {program, nullptr};
    QApplication app(appArgc, appArgv);
    tst_WindowProgress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowprogress.moc"
