// The worker and the flow together against the fake dfu-util, through random sequences of
// devices that come, go and change, read faults, clicks, the key A and a GUI thread that is
// sometimes busy. churnchecker.h lists the rules checked after every step.
//
// The sequences come from a hand-rolled std::mt19937_64 rather than from RapidCheck's stateful
// testing: a sequence must be replayable from KALVORA_CHURN_SEED and counted by
// KALVORA_CHURN_ITERATIONS, and whether it fails depends on thread timing as much as on its
// actions. Shrinking assumes that a sequence fails the same way every time, so it would chase
// timing noise; instead a failing sequence is printed whole, and a replay runs it a few times.
//
//   KALVORA_CHURN_SEED=<n>        run the sequence of that seed, three times
//   KALVORA_CHURN_ITERATIONS=<n>  number of sequences (default 24, 12 under ThreadSanitizer,
//                                 both cut short after 75 s)
//   KALVORA_CHURN_STEPS=<n>       steps per sequence (default 40)
//   KALVORA_CHURN_SURVEY=1        go on after violations and report, for each kind, the first
//                                 sequence in which it appeared

#include "churnactions.h"
#include "churnchecker.h"
#include "logcapture.h"
#include "stdoutcapture.h"
#include "workerfixture.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <random>

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool thread_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool thread_sanitizer = true;
#else
constexpr bool thread_sanitizer = false;
#endif
#else
constexpr bool thread_sanitizer = false;
#endif

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_sanitizer = true;
#else
constexpr bool address_sanitizer = false;
#endif

// A counted run can outlast QtTest's watchdog (five minutes per test function), which reads
// its limit once, when it starts: lifted here, before main(), unless the caller set one.
bool const watchdog_lifted = [] {
    if (!qEnvironmentVariableIsSet("KALVORA_CHURN_ITERATIONS") ||
        qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        return false;
    return qputenv("QTEST_FUNCTION_TIMEOUT", "86400000");
}();

// Threads and dfu-util runs are several times slower under ThreadSanitizer, about twice as slow
// under AddressSanitizer.
int const slowdown = thread_sanitizer ? 5 : address_sanitizer ? 2 : 1;

quint64 environment_number(char const* name, quint64 fallback)
{
    QByteArray const text = qgetenv(name);
    bool ok = false;
    quint64 const value = text.toULongLong(&ok, 0);
    return ok ? value : fallback;
}

quint64 mix(quint64 x) // splitmix64: neighbouring indices give unrelated seeds
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

void print(QString const& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Runs the event loop for ms: the GUI thread handles whatever arrives, as it would idle.
void process_events_for(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Outcome
{
    QList<Churn::Violation> violations;
    QStringList actions;
    QStringList trace;
    QStringList log; // the program's last messages
    QMap<QString, int> coverage;
    int steps = 0;
};

// One sequence: a fresh fake, worker and flow, the actions given, then every device removed.
class Sequence
{
public:
    Sequence(int poll_ms, int scan_ms) : poll_ms(poll_ms), scan_ms(scan_ms) {}

    // Performs the actions that next() gives, until it gives none.
    Outcome run(std::function<bool(Churn::Action*)> const& next, bool stop_at_first);

private:
    void perform(Churn::Action const& action);
    void present(QStringList const& after);
    void start();
    void finish(int step);

    int poll_ms;
    int scan_ms;
    WorkerFixture fixture;
    std::unique_ptr<SM_B> flow;
    std::unique_ptr<Churn::Checker> checker;
    QStringList now_present;
    bool install_enabled = false; // the install button, as the main window drives it
};

void Sequence::start()
{
    fixture.worker->poll_pause_ms = poll_ms;
    fixture.worker->rescan_pause_ms = poll_ms;
    fixture.device.setUnits({});
    flow = std::make_unique<SM_B>(fixture.worker.get(), Device::Type::VELK, QStringLiteral("C4"));
    int const removal_limit = 3 * poll_ms * slowdown + scan_ms;
    checker = std::make_unique<Churn::Checker>(&fixture.device, fixture.worker.get(), flow.get(),
                                               fixture.image, removal_limit);
    QObject::connect(flow.get(), &SM_B::sig_UpgradePossible, checker.get(),
                     [this] { install_enabled = true; });
    QObject::connect(flow.get(), &SM_B::sig_UpgradeImpossible, checker.get(),
                     [this] { install_enabled = false; });
    flow->start();
    QElapsedTimer waited;
    waited.start();
    while (!flow->isRunning() && waited.elapsed() < 10000)
        process_events_for(1);
    fixture.worker->start();
}

void Sequence::present(QStringList const& after)
{
    fixture.device.setPresent(after);
    checker->swapped(now_present, after);
    now_present = after;
}

void Sequence::perform(Churn::Action const& action)
{
    using Churn::Kind;
    switch (action.kind) {
    case Kind::Plug:
    case Kind::Replace:
        checker->add_unit(action.unit);
        fixture.device.addUnit(Churn::make_unit(action.unit, fixture.image));
        present({action.unit.serial});
        break;
    case Kind::PlugSecond:
        checker->add_unit(action.unit);
        fixture.device.addUnit(Churn::make_unit(action.unit, fixture.image));
        present(now_present + QStringList{action.unit.serial});
        break;
    case Kind::Replug:
        present({action.serial});
        break;
    case Kind::Unplug:
        present({});
        break;
    case Kind::SetFaults:
        checker->add_unit(action.unit);
        fixture.device.setUnitFaults(Churn::make_unit(action.unit, fixture.image));
        break;
    case Kind::Click:
        checker->clicked(install_enabled);
        if (install_enabled)
            flow->do_download();
        break;
    case Kind::KeyA:
        install_enabled = !install_enabled;
        break;
    case Kind::Stall:
        QThread::msleep(action.ms);
        break;
    case Kind::Wait:
        process_events_for(action.ms);
        break;
    }
}

// Every device goes; the test waits until that removal is judged, then stops both machines.
void Sequence::finish(int step)
{
    present({});
    QElapsedTimer waited;
    waited.start();
    while (!checker->removals_settled() && waited.elapsed() < 4 * scan_ms + 5000) {
        process_events_for(10);
        checker->check(step);
    }
    checker->stop();
    flow->stop();
    fixture.worker->do_stop();
    fixture.worker->wait();
    QCoreApplication::processEvents();
}

Outcome Sequence::run(std::function<bool(Churn::Action*)> const& next, bool stop_at_first)
{
    Outcome outcome;
    LogCapture log;
    start();
    Churn::Action action;
    for (int step = 0; next(&action); ++step) {
        outcome.actions << QStringLiteral("%1: %2").arg(step, 2).arg(action.text());
        checker->note(QStringLiteral("step %1: %2").arg(step).arg(action.text()));
        perform(action);
        checker->check(step);
        outcome.steps = step + 1;
        if (stop_at_first && !checker->violations().isEmpty())
            break;
    }
    finish(outcome.steps);
    checker->check(outcome.steps);
    outcome.violations = checker->violations();
    outcome.trace = checker->trace();
    outcome.coverage = checker->coverage();
    outcome.log = log.texts().mid(qMax(0, log.texts().size() - 40));
    return outcome;
}

void report(QString const& title, Outcome const& outcome)
{
    print(QStringLiteral("== ") + title);
    for (auto const& v : outcome.violations)
        print(QStringLiteral("VIOLATION at step %1 (%2): %3\n    %4")
                  .arg(v.step)
                  .arg(v.rule, v.kind, v.detail));
    print(QStringLiteral("-- Actions:"));
    for (auto const& line : outcome.actions)
        print(QStringLiteral("  ") + line);
    print(QStringLiteral("-- What happened last:"));
    for (auto const& line : outcome.trace)
        print(QStringLiteral("  ") + line);
    print(QStringLiteral("-- The program's last messages:"));
    for (auto const& line : outcome.log)
        print(QStringLiteral("  ") + line.left(300));
}

// The first sequence in which a kind of violation appeared, and how often it did.
struct Sighting
{
    int first_sequence = 0;
    quint64 seed = 0;
    int step = 0;
    int sequences = 0;
    QString rule;
    QString detail;
};

} // namespace

class TestChurn : public QObject
{
    Q_OBJECT

private:
    int scan_ms = 0;

    // The flow prints each classification on standard output: kept out of the report.
    Outcome run_quietly(quint64 seed, int steps, bool stop_at_first)
    {
        StdoutCapture quiet;
        Churn::Generator generator(seed);
        Sequence sequence(generator.poll_pause_ms(), scan_ms);
        int step = 0;
        return sequence.run(
            [&](Churn::Action* action) {
                if (step++ == steps)
                    return false;
                *action = generator.next();
                return true;
            },
            stop_at_first);
    }

    Outcome run_script(QStringList const& script)
    {
        StdoutCapture quiet;
        Sequence sequence(20, scan_ms);
        int step = 0;
        return sequence.run(
            [&](Churn::Action* action) {
                if (step == script.size())
                    return false;
                *action = Churn::parse_action(script[step++]);
                action->ms *= slowdown; // the pauses give the worker time to act
                return true;
            },
            false);
    }

    // A generous time for one scan or read: ten times the slowest of a few list runs, at
    // least a second, times the sanitizer's slowdown.
    void measure_scan()
    {
        FakeDevice fake;
        fake.setUnits({FakeDevice::Unit{QStringLiteral("2B5F00000000"), FakeDevice::otpRecord(0x04),
                                        QByteArray()}});
        for (auto& entry : DFU::commands)
            entry.second.program = TestPaths::fake_dfu_util();
        DFU::Command::path.clear();
        qint64 slowest = 0;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer t;
            t.start();
            DFU::make_scan();
            slowest = qMax(slowest, t.elapsed());
        }
        scan_ms = static_cast<int>(qMax<qint64>(1000, 10 * slowest)) * slowdown;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        measure_scan();
    }

    void random_sequences()
    {
        int const steps = static_cast<int>(environment_number("KALVORA_CHURN_STEPS", 40));
        if (qEnvironmentVariableIsSet("KALVORA_CHURN_SEED")) {
            replay(environment_number("KALVORA_CHURN_SEED", 0), steps);
            return;
        }
        bool const survey = qgetenv("KALVORA_CHURN_SURVEY") == "1";
        bool const counted = qEnvironmentVariableIsSet("KALVORA_CHURN_ITERATIONS");
        int const iterations = static_cast<int>(
            environment_number("KALVORA_CHURN_ITERATIONS", thread_sanitizer ? 12 : 24));
        quint64 const base = std::random_device{}();
        print(QStringLiteral("churn: %1 sequences of %2 steps, base %3, removal limit %4 ms + "
                             "three polls")
                  .arg(iterations)
                  .arg(steps)
                  .arg(base)
                  .arg(scan_ms));

        QMap<QString, Sighting> sightings;
        QElapsedTimer clock;
        clock.start();
        int total_steps = 0;
        QMap<QString, int> coverage;
        int run = 0;
        for (; run < iterations && (counted || clock.elapsed() < 75000); ++run) {
            quint64 const seed = mix(base + run);
            Outcome const outcome = run_quietly(seed, steps, !survey);
            total_steps += outcome.steps;
            for (auto it = outcome.coverage.begin(); it != outcome.coverage.end(); ++it)
                coverage[it.key()] += it.value();
            if (outcome.violations.isEmpty())
                continue;
            if (!survey) {
                report(
                    QStringLiteral("Sequence of seed %1 (replay: KALVORA_CHURN_SEED=%1)").arg(seed),
                    outcome);
                QFAIL(qPrintable(QStringLiteral("sequence %1 (seed %2) broke a rule: %3")
                                     .arg(run + 1)
                                     .arg(seed)
                                     .arg(outcome.violations.first().kind)));
            }
            record(sightings, run + 1, seed, outcome);
            if (run % 50 == 0 || sightings.size() < 20)
                print(QStringLiteral("sequence %1 (seed %2): %3 violation(s), first: %4")
                          .arg(run + 1)
                          .arg(seed)
                          .arg(outcome.violations.size())
                          .arg(outcome.violations.first().kind));
        }
        double const seconds = clock.elapsed() / 1000.0;
        print(QStringLiteral("churn: %1 sequences, %2 steps in %3 s (%4 steps/s)")
                  .arg(run)
                  .arg(total_steps)
                  .arg(seconds, 0, 'f', 1)
                  .arg(total_steps / qMax(seconds, 0.001), 0, 'f', 1));
        QStringList applied;
        for (auto it = coverage.begin(); it != coverage.end(); ++it)
            applied << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        print(QStringLiteral("churn: checked ") + applied.join(QStringLiteral(", ")));
        if (survey)
            print_survey(sightings, run);
        QVERIFY2(sightings.isEmpty(), "violations found: see the survey above");
    }

    // Sequences that once broke a rule, written out so that they run every time. The stalls
    // are long enough for the worker to act while the GUI thread is away.
    void known_sequences_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::newRow("announcement handled after the device left, next device verified")
            << QStringList{
                   "plug 2B5F000000A1 rel41 image", "stall 300", "unplug", "stall 300", "wait 300",
                   "plug 2B5F000000A2 k7 c3",       "wait 400",  "click",  "wait 400"};
        QTest::newRow("Rel-41 replaced between two polls by one with erased flash")
            << QStringList{"plug 2B5F000000B1 rel41 c3", "wait 300",
                           "replace 2B5F000000B2 rel41 erased", "wait 300"};
        QTest::newRow("C4 device replaced between two polls by one with erased flash")
            << QStringList{"plug 2B5F000000B3 rel41 image", "wait 400",
                           "replace 2B5F000000B4 rel41 erased", "wait 400"};
        QTest::newRow("Rel-41 swapped for a K7 and install clicked at once")
            << QStringList{"plug 2B5F000000C1 rel41 c3",
                           "wait 300",
                           "replace 2B5F000000C2 k7 c3",
                           "click",
                           "stall 200",
                           "wait 300"};
        QTest::newRow("key A and a click on a blank product record")
            << QStringList{"plug 2B5F000000D1 blank c3", "wait 300", "key A", "click", "wait 400"};
        QTest::newRow("empty OTP dump of a Rel-41")
            << QStringList{"plug 2B5F000000E1 rel41 c3 otp=0", "wait 300"};
        QTest::newRow("16-byte OTP dump of a K7 whose first slot says Rel-41")
            << QStringList{"plug 2B5F000000E2 rel41+k7 c3 otp=16", "wait 300", "click", "wait 300"};
    }

    void known_sequences()
    {
        QFETCH(QStringList, script);
        Outcome const outcome = run_script(script);
        if (outcome.violations.isEmpty())
            return;
        report(QStringLiteral("Sequence ") + QTest::currentDataTag(), outcome);
        QStringList kinds;
        for (auto const& v : outcome.violations)
            kinds << v.kind;
        kinds.removeDuplicates();
        QFAIL(qPrintable(QStringLiteral("broke a rule: ") + kinds.join(QStringLiteral("; "))));
    }

private:
    void replay(quint64 seed, int steps)
    {
        int failed = 0;
        for (int i = 0; i < 3; ++i) {
            Outcome const outcome = run_quietly(seed, steps, true);
            print(QStringLiteral("replay %1 of seed %2: %3")
                      .arg(i + 1)
                      .arg(seed)
                      .arg(outcome.violations.isEmpty() ? QStringLiteral("no violation")
                                                        : outcome.violations.first().kind));
            if (!outcome.violations.isEmpty()) {
                report(
                    QStringLiteral("Sequence of seed %1 (replay: KALVORA_CHURN_SEED=%1)").arg(seed),
                    outcome);
                ++failed;
            }
        }
        QCOMPARE(failed, 0);
    }

    static void record(QMap<QString, Sighting>& sightings, int sequence, quint64 seed,
                       Outcome const& outcome)
    {
        QSet<QString> seen;
        for (auto const& v : outcome.violations) {
            if (seen.contains(v.kind))
                continue;
            seen.insert(v.kind);
            Sighting& s = sightings[v.kind];
            if (s.sequences++ == 0)
                s = Sighting{sequence, seed, v.step, 1, v.rule, v.detail};
        }
    }

    static void print_survey(QMap<QString, Sighting> const& sightings, int sequences)
    {
        QList<QPair<int, QString>> order;
        for (auto it = sightings.begin(); it != sightings.end(); ++it)
            order.append(qMakePair(it->first_sequence, it.key()));
        std::sort(order.begin(), order.end());
        print(QStringLiteral("== Survey of %1 sequences: kinds of violation by first appearance")
                  .arg(sequences));
        for (auto const& [first, kind] : order) {
            Sighting const& s = sightings[kind];
            print(QStringLiteral("[%1] %2\n    first in sequence %3 (seed %4, step %5), in %6 "
                                 "sequence(s)\n    e.g. %7")
                      .arg(s.rule, kind)
                      .arg(first)
                      .arg(s.seed)
                      .arg(s.step)
                      .arg(s.sequences)
                      .arg(s.detail));
        }
    }
};

QTEST_GUILESS_MAIN(TestChurn)
#include "tst_churn.moc"
