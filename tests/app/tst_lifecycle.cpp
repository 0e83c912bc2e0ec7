#include "emulateddevice.h"
#include "emustate.h"
#include "programrun.h"
#include "testpaths.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <functional>
#include <map>
#include <memory>

// How the program ends when it is asked to while it writes the firmware, while it waits for a
// click, and while it starts. Each scenario runs the built program against its own emulated
// Rel-41 holding revision C3, at the pace of the real bootloader (a write takes about 15 s), and
// all scenarios run side by side from the start; each row checks its own. Signals come from
// outside, as a shell, a terminal or coreutils' timeout send them; the window is used through
// the window driver.
class tst_Lifecycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void askedToEndDuringWrite_data();
    void askedToEndDuringWrite();
    void escapeDuringWrite();
    void sigtermTwiceWithoutWrite_data();
    void sigtermTwiceWithoutWrite();
    void signalDuringStartup_data();
    void signalDuringStartup();
    void stopTellsWhatTheLampHas_data();
    void stopTellsWhatTheLampHas();
    void closeRightAfterTheClick_data();
    void closeRightAfterTheClick();
    void cleanupTestCase();

private:
    // One run of the program and what the test did to it.
    struct Scenario
    {
        enum class Moment
        {
            startup,
            idle,
            started, // the worker has started
            clicked, // in the same look as the click
            halfWrite,
            readBack,
            checkFailed
        };
        Moment moment = Moment::idle;
        // Asks the program to end; called again at every look until it returns true.
        std::function<bool(ProgramRun&)> act;
        EmulatedDevice device;
        ProgramRun run;
        bool clicked = false;
        bool acting = false;
        qint64 actedAt = 0;          // when act returned true (ms since the epoch)
        qint64 writtenAtAction = -1; // image bytes written when the program was first asked
        bool dirExistedAtAction = false;
        QString workingDir;
        QStringList arguments;
    };

    void add(QString const& name, Scenario::Moment moment, std::function<bool(ProgramRun&)> act,
             std::function<void(EmulatedDevice&)> const& prepare = {},
             QStringList const& arguments = {});
    void look(Scenario& s);
    Scenario& scenario(QString const& name);
    bool waitForEnd(Scenario& s, int ms);
    void expectWriteFinishedFirst(Scenario& s);

    std::map<QString, std::unique_ptr<Scenario>> scenarios;
    QTimer looking;
};

namespace {

int constexpr image_size = 807136;
QString const connected = QStringLiteral("Connected to a Rel-41 with firmware version C3");
QString const writing =
    QStringLiteral("Writing firmware. Please wait until the upgrade has finished.");

QByteArray carriedImage()
{
    QFile f(TestPaths::generated_file(QStringLiteral("firmware.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether a process (a dfu-util left running) names folder on its command line.
bool processesIn(QString const& folder)
{
    return QProcess::execute(QStringLiteral("pgrep"), {QStringLiteral("-f"), folder}) == 0;
}

std::function<bool(ProgramRun&)> once(std::function<void(ProgramRun&)> act)
{
    return [act](ProgramRun& run) {
        act(run);
        return true;
    };
}

} // namespace

void tst_Lifecycle::add(QString const& name, Scenario::Moment moment,
                        std::function<bool(ProgramRun&)> act,
                        std::function<void(EmulatedDevice&)> const& prepare,
                        QStringList const& arguments)
{
    auto s = std::make_unique<Scenario>();
    s->moment = moment;
    s->act = std::move(act);
    s->device.setOtp([] {
        std::vector<std::uint8_t> const record = emu::otp_record(0x04);
        QByteArray otp(512, char(0xFF));
        otp.replace(0, int(record.size()),
                    QByteArray(reinterpret_cast<char const*>(record.data()), int(record.size())));
        return otp;
    }());
    s->device.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
    s->device.set(QStringLiteral("timing"), QStringLiteral("realistic"));
    s->device.set(QStringLiteral("time_scale"), QStringLiteral("1"));
    if (moment == Scenario::Moment::startup)
        s->device.setFault(QStringLiteral("hang_before_main"), QStringLiteral("-V:4000"), 1);
    if (prepare)
        prepare(s->device);
    s->arguments = arguments;
    s->run.useDevice(s->device.dir());
    scenarios[name] = std::move(s);
}

void tst_Lifecycle::initTestCase()
{
    QCOMPARE(carriedImage().size(), image_size);
    using M = Scenario::Moment;
    add(QStringLiteral("close"), M::halfWrite, once([](ProgramRun& r) { r.send("close"); }));
    // As coreutils' timeout does: to the program, then to its own process group.
    auto const sigtermTwice = once([](ProgramRun& r) {
        r.signal(SIGTERM);
        r.signalGroup(SIGTERM);
    });
    add(QStringLiteral("SIGTERM twice"), M::halfWrite, sigtermTwice);
    // The second once the program has taken the first: two signals, never merged into one.
    auto const sigtermAfterTheFirstWasTaken = [sent = false](ProgramRun& r) mutable {
        if (!sent)
            r.signal(SIGTERM);
        sent = true;
        if (!r.logHas(QStringLiteral("Signal 15 received, quitting")))
            return false;
        r.signal(SIGTERM);
        return true;
    };
    add(QStringLiteral("SIGTERM, then again"), M::halfWrite, sigtermAfterTheFirstWasTaken);
    add(QStringLiteral("Ctrl+C"), M::halfWrite, once([](ProgramRun& r) { r.signalGroup(SIGINT); }));
    add(QStringLiteral("SIGHUP"), M::halfWrite, once([](ProgramRun& r) { r.signal(SIGHUP); }));
    add(QStringLiteral("Escape"), M::halfWrite, once([](ProgramRun& r) { r.send("escape"); }));
    add(QStringLiteral("idle: together"), M::idle, sigtermTwice);
    add(QStringLiteral("idle: one after the other"), M::idle, sigtermAfterTheFirstWasTaken);
    // The first cannot be handed to the GUI thread before the second comes.
    add(QStringLiteral("idle: while the GUI thread is busy"), M::idle,
        [step = 0](ProgramRun& r) mutable {
            switch (step) {
            case 0:
                r.send("busy 2000");
                break;
            case 1:
                if (r.reports(QStringLiteral("busy")).isEmpty())
                    return false;
                r.signal(SIGTERM);
                break;
            default: // a look later
                r.signal(SIGTERM);
                return true;
            }
            ++step;
            return false;
        });
    add(QStringLiteral("startup: SIGTERM"), M::startup,
        once([](ProgramRun& r) { r.signal(SIGTERM); }));
    add(QStringLiteral("startup: Ctrl+C"), M::startup,
        once([](ProgramRun& r) { r.signalGroup(SIGINT); }));
    add(QStringLiteral("startup: SIGHUP"), M::startup,
        once([](ProgramRun& r) { r.signal(SIGHUP); }));

    // Asked to stop handling devices while the lamp is left with each outcome.
    auto const escape = once([](ProgramRun& r) { r.send("escape"); });
    // One write: the window driver handles both before the flow has asked the worker.
    add(QStringLiteral("Escape on the click"), M::idle,
        once([](ProgramRun& r) { r.send("click\nescape"); }));
    add(QStringLiteral("Escape during the read-back"), M::readBack, escape,
        [](EmulatedDevice& d) { d.setFlash(carriedImage()); });
    add(QStringLiteral("Escape after a failed check"), M::checkFailed, escape, [](EmulatedDevice& d) {
        d.setFlash(carriedImage());
        d.setFault(QStringLiteral("flip_readback"), QStringLiteral("0x08010000"), -1);
    });
    add(QStringLiteral("Escape, then the write fails"), M::halfWrite, escape,
        [](EmulatedDevice& d) { d.setFault(QStringLiteral("err_write"), QStringLiteral("0x08070000")); });
    add(QStringLiteral("close, then the write fails"), M::halfWrite, once([](ProgramRun& r) { r.send("close"); }),
        [](EmulatedDevice& d) { d.setFault(QStringLiteral("err_write"), QStringLiteral("0x08070000")); });
    add(QStringLiteral("Escape, then the lamp leaves without an answer"), M::halfWrite, escape,
        [](EmulatedDevice& d) { d.setFault(QStringLiteral("vanish_on_leave")); });
    add(QStringLiteral("Escape after a failed write, the lamp back"), M::clicked,
        [](ProgramRun& r) { return r.status().startsWith("The last firmware write did not complete") && (r.send("escape"), true); },
        [](EmulatedDevice& d) { d.setFault(QStringLiteral("err_write"), QStringLiteral("0x08000000")); });
    auto const close = once([](ProgramRun& r) { r.send("close"); });
    add(QStringLiteral("close on the click"), M::clicked, close);
    add(QStringLiteral("close on the click, log window open"), M::clicked, close, {},
        {QStringLiteral("-l")});
    // While a dfu-util run hangs: the -V run of start-up, a list run (two signals, a look apart).
    add(QStringLiteral("startup: SIGTERM, -V hangs"), M::startup,
        once([](ProgramRun& r) { r.signal(SIGTERM); }),
        [](EmulatedDevice& d) { d.setFault(QStringLiteral("hang_before_main"), QStringLiteral("-V:600000")); });
    add(QStringLiteral("idle: a list run hangs"), M::started,
        [at = qint64(0), sent = 0](ProgramRun& r) mutable {
            at = at ? at : epoch_ms() + 1500; // by then a list run has started and hangs
            if (epoch_ms() >= at && ++sent)
                r.signal(SIGTERM);
            return sent == 2;
        },
        [](EmulatedDevice& d) { d.setFault(QStringLiteral("hang_before_main"), QStringLiteral("-l:600000")); });

    for (auto& [name, s] : scenarios)
        s->run.start(s->arguments);
    connect(&looking, &QTimer::timeout, this, [this] {
        for (auto& [name, s] : scenarios)
            look(*s);
    });
    looking.start(50);
}

void tst_Lifecycle::cleanupTestCase()
{
    looking.stop();
    scenarios.clear();
}

// Clicks install once the device is shown, and asks the program to end at its moment.
void tst_Lifecycle::look(Scenario& s)
{
    ProgramRun& run = s.run;
    if (run.ended() || s.actedAt)
        return;
    if (s.workingDir.isEmpty())
        s.workingDir = run.workingDir();
    bool ready = s.acting;
    switch (s.moment) {
    case Scenario::Moment::startup:
        ready = ready || (!s.workingDir.isEmpty() && run.logHas(QStringLiteral("(\"-V\")")));
        break;
    case Scenario::Moment::idle:
        ready = ready || (run.status() == connected && run.buttonEnabled());
        break;
    case Scenario::Moment::started:
        ready = ready || run.logHas(QStringLiteral("Starting sm_A"));
        break;
    case Scenario::Moment::clicked:
    case Scenario::Moment::halfWrite:
        if (!s.clicked && run.status() == connected && run.buttonEnabled()) {
            if (s.arguments.contains(QStringLiteral("-l")))
                run.send("toggle log");
            run.send("click");
            s.clicked = true;
        }
        ready = ready || (s.clicked && (s.moment == Scenario::Moment::clicked ||
                                        s.device.written() >= image_size / 2));
        break;
    case Scenario::Moment::readBack:
        ready = ready || run.logHas(QStringLiteral("/uploaded_FW.bin\""));
        break;
    case Scenario::Moment::checkFailed:
        ready = ready || run.status().startsWith(QStringLiteral("The firmware check failed:"));
        break;
    }
    if (!ready)
        return;
    if (!s.acting) {
        s.acting = true;
        s.writtenAtAction = s.device.written();
        s.dirExistedAtAction = QFileInfo::exists(s.workingDir);
    }
    if (s.act(run))
        s.actedAt = epoch_ms();
}

tst_Lifecycle::Scenario& tst_Lifecycle::scenario(QString const& name)
{
    return *scenarios.at(name);
}

bool tst_Lifecycle::waitForEnd(Scenario& s, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!s.run.ended() && timer.elapsed() < ms)
        QTest::qWait(50);
    return s.run.ended();
}

// Asked to end half-way through the write, the program first finishes it: the window stays
// and says why, the device gets the whole image, and only then does the program end.
void tst_Lifecycle::expectWriteFinishedFirst(Scenario& s)
{
    QVERIFY2(s.actedAt > 0, s.run.describe());
    QVERIFY2(s.writtenAtAction >= image_size / 2 && s.writtenAtAction < image_size,
             qPrintable(QString::number(s.writtenAtAction)));
    qint64 writeEnd = 0;
    QTRY_COMPARE_WITH_TIMEOUT(s.device.written(&writeEnd), qint64(image_size), 60000);

    qint64 writingShownAt = 0;
    for (QJsonObject const& report : s.run.reports(QStringLiteral("status")))
        if (report.value(QStringLiteral("text")).toString() == writing && !writingShownAt)
            writingShownAt = qint64(report.value(QStringLiteral("ms")).toDouble());
    QVERIFY2(writingShownAt >= s.actedAt - 100 && writingShownAt < writeEnd,
             qPrintable(QStringLiteral("asked at %1, \"%2\" at %3, write ended at %4\n")
                            .arg(s.actedAt)
                            .arg(writing)
                            .arg(writingShownAt)
                            .arg(writeEnd) +
                        s.run.describe()));
    QVERIFY(!s.run.reports(QStringLiteral("shown")).isEmpty());
    qint64 const hidden = s.run.hiddenAt();
    QVERIFY2(hidden == 0 || hidden >= writeEnd, s.run.describe());
}

void tst_Lifecycle::askedToEndDuringWrite_data()
{
    QTest::addColumn<QString>("asked");
    QTest::newRow("close") << QStringLiteral("The firmware write goes on");
    QTest::newRow("SIGTERM twice") << QStringLiteral("Signal 15 received, quitting");
    QTest::newRow("SIGTERM, then again")
        << QStringLiteral("Signal 15 received during the firmware write: ignored");
    QTest::newRow("Ctrl+C") << QStringLiteral("Signal 2 received, quitting");
    QTest::newRow("SIGHUP") << QStringLiteral("Signal 1 received, quitting");
}

void tst_Lifecycle::askedToEndDuringWrite()
{
    QFETCH(QString, asked);
    Scenario& s = scenario(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY2(waitForEnd(s, 120000), s.run.describe());
    expectWriteFinishedFirst(s);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(s.run.logHas(asked), s.run.describe());
    QVERIFY(s.run.logHas(
        QStringLiteral("The firmware write goes on; the program ends once it has finished")));
    QVERIFY(s.run.logHas(QStringLiteral("Firmware write finished: quitting")));
    QVERIFY2(s.run.exitStatus() == QProcess::NormalExit && s.run.exitCode() == 0, s.run.describe());
    QVERIFY(s.run.endedAt() > s.run.hiddenAt());
    QVERIFY(s.device.flash().left(image_size) == carriedImage());
    QVERIFY(!s.workingDir.isEmpty());
    QVERIFY2(!QFileInfo::exists(s.workingDir), qPrintable(s.workingDir));
}

// Escape stops the handling of devices but leaves the window open: the write goes on, the
// worker stops after it (nothing reads the device back), and closing the window later ends
// the program as usual.
void tst_Lifecycle::escapeDuringWrite()
{
    Scenario& s = scenario(QStringLiteral("Escape"));
    QTRY_VERIFY2_WITH_TIMEOUT(s.actedAt > 0, s.run.describe(), 120000);
    expectWriteFinishedFirst(s);
    if (QTest::currentTestFailed())
        return;
    qint64 writeEnd = 0;
    s.device.written(&writeEnd);
    QTest::qWait(int(qMax<qint64>(0, writeEnd + 4000 - epoch_ms())));
    QVERIFY2(!s.run.ended() && s.run.windowShown(), s.run.describe());
    // The device is back a second after the write; a worker still running would read it.
    QStringList const transfers = s.device.transfers();
    QString const download =
        transfers.filter(QStringLiteral("wLength=2048")).last().section(QLatin1Char(' '), 1, 1);
    QStringList others;
    for (QString const& line : transfers)
        if (line.section(QLatin1Char(' '), 0, 0).toLongLong() > writeEnd &&
            line.section(QLatin1Char(' '), 1, 1) != download)
            others << line;
    QVERIFY2(others.isEmpty(), qPrintable(others.join(QLatin1Char('\n'))));
    QVERIFY(
        s.run.logHas(QStringLiteral("The firmware write goes on; sm_A stops once it has ended")));
    QVERIFY(!s.run.logHas(QStringLiteral("Oops, SM_A not dead yet")));
    // Not "Writing firmware" any more, and not a success that nothing checked.
    QCOMPARE(s.run.status(),
             QStringLiteral("The firmware was written, but not checked: the tool has stopped "
                            "handling the lamp. Close the tool and start it again to check the "
                            "lamp."));

    s.run.send("close");
    QVERIFY2(waitForEnd(s, 15000), s.run.describe());
    QVERIFY2(s.run.exitStatus() == QProcess::NormalExit && s.run.exitCode() == 0, s.run.describe());
    QVERIFY(s.device.flash().left(image_size) == carriedImage());
    QVERIFY(!QFileInfo::exists(s.workingDir));
}

void tst_Lifecycle::sigtermTwiceWithoutWrite_data()
{
    QTest::addColumn<bool>("mayMerge");
    QTest::addColumn<bool>("firstHandled");
    // Two signals sent at once may arrive as one (the kernel does not count them): that one is
    // handled as the first of two, and the program ends in order with status 0.
    QTest::newRow("idle: together") << true << true;
    QTest::newRow("idle: one after the other") << false << true;
    QTest::newRow("idle: while the GUI thread is busy") << false << false;
    QTest::newRow("idle: a list run hangs") << false << true;
}

// A second SIGTERM ends the program at once with status 128 + 15 and removes its working
// directory; the first alone ends it in order.
void tst_Lifecycle::sigtermTwiceWithoutWrite()
{
    QFETCH(bool, mayMerge);
    QFETCH(bool, firstHandled);
    Scenario& s = scenario(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY2(waitForEnd(s, 120000), s.run.describe());
    QVERIFY(s.dirExistedAtAction);
    QCOMPARE(s.run.exitStatus(), QProcess::NormalExit);
    bool const inOrder = s.run.logHas(QStringLiteral("Waiting 2 s before deleting objects"));
    if (mayMerge && s.run.exitCode() == 0) {
        qInfo("The two signals arrived as one: the program ended in order");
        QVERIFY(inOrder);
        QVERIFY(s.run.endedAt() - s.actedAt >= 2000);
    } else {
        QCOMPARE(s.run.logHas(QStringLiteral("Signal 15 received, quitting")), firstHandled);
        QCOMPARE(s.run.exitCode(), 128 + SIGTERM);
        QVERIFY2(s.run.endedAt() - s.actedAt < 1500,
                 qPrintable(QString::number(s.run.endedAt() - s.actedAt)));
    }
    QVERIFY(!QFileInfo::exists(s.workingDir));
    QTRY_VERIFY_WITH_TIMEOUT(!processesIn(s.workingDir), 1000);
}

void tst_Lifecycle::signalDuringStartup_data()
{
    QTest::addColumn<int>("sig");
    QTest::newRow("startup: SIGTERM") << SIGTERM;
    QTest::newRow("startup: Ctrl+C") << SIGINT;
    QTest::newRow("startup: SIGHUP") << SIGHUP;
    QTest::newRow("startup: SIGTERM, -V hangs") << SIGTERM;
}

// While dfu-util's execution test runs (held for 4 s), the working directory and its files
// exist; a signal then ends the program at once and removes them.
void tst_Lifecycle::signalDuringStartup()
{
    QFETCH(int, sig);
    Scenario& s = scenario(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY2(waitForEnd(s, 60000), s.run.describe());
    QVERIFY2(s.dirExistedAtAction, s.run.describe());
    QCOMPARE(s.run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(s.run.exitCode(), 128 + sig);
    QVERIFY2(s.run.endedAt() - s.actedAt < 1500,
             qPrintable(QString::number(s.run.endedAt() - s.actedAt)));
    QVERIFY(!s.run.logHas(QStringLiteral("Result of execution test")));
    QVERIFY(s.run.reports(QStringLiteral("shown")).isEmpty());
    QVERIFY(!QFileInfo::exists(s.workingDir));
    QTRY_VERIFY_WITH_TIMEOUT(!processesIn(s.workingDir), 1000);
}

void tst_Lifecycle::stopTellsWhatTheLampHas_data()
{
    QTest::addColumn<QString>("status"); // how it starts
    QTest::addColumn<bool>("written");
    // The worker takes a command at once: the Escape may come before it or not.
    QTest::newRow("Escape on the click") << QString() << false;
    QTest::newRow("Escape during the read-back") << "The lamp's firmware was not checked:" << true;
    QTest::newRow("Escape after a failed check") << "The firmware check failed: the lamp's firmware differs from this tool's, and the tool" << true;
    QTest::newRow("Escape, then the write fails") << "The firmware write did not complete:" << false;
    QTest::newRow("Escape after a failed write, the lamp back") << "The firmware write did not complete:" << false;
    // The window was closed in the belief that the write would finish: it stays to say so.
    QTest::newRow("close, then the write fails") << "The firmware write did not complete:" << false;
    QTest::newRow("Escape, then the lamp leaves without an answer")
        << "The firmware was written, but not checked:" << true;
}

// What the window says 35 s after Escape is what the lamp was left with: no timer of a write
// or a bar outlives the stop (35 s: longer than the no-progress message's 30 s).
// The worker ends without being terminated, and a read-back it ended reports nothing.
void tst_Lifecycle::stopTellsWhatTheLampHas()
{
    QFETCH(QString, status);
    QFETCH(bool, written);
    Scenario& s = scenario(QString::fromLatin1(QTest::currentDataTag()));
    QTRY_VERIFY2_WITH_TIMEOUT(s.actedAt > 0, s.run.describe(), 120000);
    QTRY_VERIFY2_WITH_TIMEOUT(s.run.logHas(QStringLiteral("sm_A stopped")), s.run.describe(),
                              60000);
    if (status.isEmpty()) {
        written = !s.device.progress().isEmpty();
        status = written ? "The firmware was written, but not checked:" : "Stopped: ";
    }
    QTest::qWait(int(qMax<qint64>(0, s.actedAt + 35000 - epoch_ms())));
    QVERIFY2(s.run.status().startsWith(status), qPrintable(s.run.status()));
    QVERIFY2(!s.run.ended() && s.run.windowShown(), s.run.describe());
    QVERIFY(!s.run.log().section(QStringLiteral("Trying to stop sm_A"), 1).contains("Uploaded FW"));
    QCOMPARE(s.device.flash().left(image_size) == carriedImage(), written);
    QVERIFY(!s.run.barShowed(QStringLiteral("Done. Disconnect USB cable.")));
}

void tst_Lifecycle::closeRightAfterTheClick_data()
{
    QTest::addColumn<bool>("logWindow"); // open: it keeps the program, not the worker
    QTest::newRow("close on the click") << false;
    QTest::newRow("close on the click, log window open") << true;
}

// The worker may or may not have taken the download when the window is closed: either
// nothing is written and the program ends, or the window stays until the write is over.
void tst_Lifecycle::closeRightAfterTheClick()
{
    QFETCH(bool, logWindow);
    Scenario& s = scenario(QString::fromLatin1(QTest::currentDataTag()));
    QTRY_VERIFY2_WITH_TIMEOUT(logWindow ? s.run.logHas(QStringLiteral("sm_A stopped"))
                                        : s.run.ended(),
                              s.run.describe(), 120000);
    qint64 writeEnd = 0;
    if (s.device.written(&writeEnd) > 0) {
        QCOMPARE(s.device.written(), qint64(image_size));
        QVERIFY2(s.run.hiddenAt() >= writeEnd, s.run.describe());
    }
}

QTEST_GUILESS_MAIN(tst_Lifecycle)
#include "tst_lifecycle.moc"
