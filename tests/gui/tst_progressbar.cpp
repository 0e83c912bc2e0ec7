// Tests of the time-driven progress bar.
#include "gui/progressbar.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

class TestProgressBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void start_data();
    void start();
    void shortRunFinishesOnce();
    void restartDuringRun();
    void previousDurationKept();
    void stoppedTimerEmitsNothing();
    void valueNeverAboveMaximum();
    void realProgress();
    void styleSheet();
};

void TestProgressBar::start_data()
{
    QTest::addColumn<double>("duration");
    QTest::addColumn<int>("durationMs");
    QTest::addColumn<int>("interval");

    QTest::newRow("zero") << 0.0 << 1 << 50;
    QTest::newRow("one millisecond") << 0.001 << 1 << 50;
    QTest::newRow("half a second") << 0.5 << 500 << 50;
    QTest::newRow("initial ten seconds") << -1.0 << 10000 << 100;
    QTest::newRow("upgrade") << 60.0 << 60000 << 600;
    QTest::newRow("huge") << 1e12 << 2147483647 << 21474836;
}

void TestProgressBar::start()
{
    QFETCH(double, duration);
    ProgressBar bar;
    QVERIFY(bar.isHidden());
    bar.setValue(40);
    bar.startAutoProgress(QStringLiteral("Upgrading firmware"), duration);
    QTEST(bar.durationMs, "durationMs");
    QTEST(bar.timer->interval(), "interval");
    QCOMPARE(bar.steps, 100);
    QCOMPARE(bar.value(), 0);
    QCOMPARE(bar.format(), QStringLiteral("Upgrading firmware"));
    QVERIFY(bar.timer->isActive());
    QVERIFY(bar.isVisible());
}

void TestProgressBar::shortRunFinishesOnce()
{
    ProgressBar bar;
    QSignalSpy finished(&bar, &ProgressBar::finished);
    QElapsedTimer clock;
    clock.start();
    bar.startAutoProgress(QStringLiteral("Uploading & verifying"), 0.5);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 2000);
    QVERIFY(clock.elapsed() >= 500);
    QCOMPARE(bar.value(), 100);
    QVERIFY(!bar.timer->isActive());
    QTest::qWait(150);
    QCOMPARE(finished.count(), 1);

    bar.startAutoProgress(QStringLiteral("zero"), 0.0);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 1000);
    QCOMPARE(bar.value(), 100);
}

void TestProgressBar::restartDuringRun()
{
    ProgressBar bar;
    bar.startAutoProgress(QStringLiteral("Upgrading firmware"), 1.0);
    QTRY_VERIFY_WITH_TIMEOUT(bar.value() >= 20, 2000);
    bar.startAutoProgress();
    QCOMPARE(bar.value(), 0);
    QCOMPARE(bar.format(), QStringLiteral("Upgrading firmware"));
    QCOMPARE(bar.durationMs, 1000);
    QVERIFY(bar.timer->isActive());
}

void TestProgressBar::previousDurationKept()
{
    ProgressBar bar;
    bar.startAutoProgress(QStringLiteral("Upgrading firmware"), 60.0);
    bar.startAutoProgress(QStringLiteral("again"));
    QCOMPARE(bar.durationMs, 60000);
    QCOMPARE(bar.format(), QStringLiteral("again"));
    bar.startAutoProgress(QStringLiteral("third"), -1.0);
    QCOMPARE(bar.durationMs, 60000);
    QCOMPARE(bar.timer->interval(), 600);
}

void TestProgressBar::stoppedTimerEmitsNothing()
{
    ProgressBar bar;
    QSignalSpy finished(&bar, &ProgressBar::finished);
    bar.startAutoProgress(QStringLiteral("Uploading & verifying"), 0.2);
    QTest::qWait(60);
    bar.timer->stop();
    int const value = bar.value();
    QTest::qWait(400);
    QCOMPARE(bar.value(), value);
    QCOMPARE(finished.count(), 0);
}

void TestProgressBar::valueNeverAboveMaximum()
{
    ProgressBar bar;
    bar.startAutoProgress(QStringLiteral("late"), 0.1);
    bar.timer->stop();
    QTest::qWait(180);
    // A tick long after the expected end: the bar ends exactly at its maximum.
    bar.durationMs = 1000000;
    bar.increase();
    QVERIFY(bar.value() < 100);
    bar.durationMs = 100;
    QSignalSpy finished(&bar, &ProgressBar::finished);
    bar.increase();
    QCOMPARE(bar.value(), 100);
    QCOMPARE(finished.count(), 1);
}

// Real progress replaces the clock; it never shows a hidden bar, and neither it nor the
// clock of an operation whose end only its owner knows ever fills the bar.
void TestProgressBar::realProgress()
{
    ProgressBar bar;
    bar.setProgress(40);
    QVERIFY(bar.isHidden());
    QCOMPARE(bar.value(), -1);

    bar.fillsToMaximum = false;
    bar.startAutoProgress(QStringLiteral("Upgrading firmware"), 0.2);
    QSignalSpy finished(&bar, &ProgressBar::finished);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(bar.value(), 99);

    bar.startAutoProgress(QStringLiteral("Upgrading firmware"), 60.0);
    bar.setProgress(37);
    QVERIFY(!bar.timer->isActive());
    QCOMPARE(bar.value(), 37);
    bar.setProgress(100);
    QCOMPARE(bar.value(), 99);
    QCOMPARE(bar.format(), QStringLiteral("Upgrading firmware"));
    bar.hide();
    bar.setProgress(50);
    QVERIFY(bar.isHidden());
    QCOMPARE(bar.value(), 99);
}

void TestProgressBar::styleSheet()
{
    ProgressBar bar;
    QCOMPARE(bar.styleSheet(),
             QStringLiteral("\nQProgressBar {\n    border: 2px solid grey;\n    border-radius: "
                            "5px;\n    text-align: center;\n}\n\nQProgressBar::chunk {\n    "
                            "background-color: rgba(160,240,140,100%);\n    width: 5px;\n}\n"));
    QCOMPARE(bar.minimum(), 0);
    QCOMPARE(bar.maximum(), 100);
}

QTEST_MAIN(TestProgressBar)
#include "tst_progressbar.moc"
