// The service bench in the order of its run: options, start-up as in the window program, then
// each lamp from its discovery to its one result, and the end.
#include "bench.h"

#include "appobjects.h"
#include "languages.h"
#include "lifecycle.h"
#include "logrecord.h"
#include "sim/simulator.h"
#include "startup.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"
#include "supportreport.h"
#include "termination.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace bench {

namespace {

char const* const usage_text = QT_TRANSLATE_NOOP(
    "Bench",
    "Usage: kalvora-upgrade-cli [-s] [--count N] [--wait SECONDS] [--report FILE] [--help]\n"
    "Upgrades N Kalvora Rel-41 lamps (default 1), one after another, without a window.\n"
    "Each lamp is written when it is found with another firmware revision, then read back\n"
    "and compared byte for byte. Standard output holds one JSON object a line.\n"
    "  -s               use the simulated lamp instead of a real one\n"
    "  --count N        the number of lamps to handle\n"
    "  --wait SECONDS   give up on a lamp that is not found within this time\n"
    "  --report FILE    write a support report to FILE when the run ends\n"
    "  --help           show this text\n"
    "Exit status: 0 every lamp verified, 1 start-up failure, 2 usage, 3 wrong product or blank\n"
    "record, 4 unreadable, 5 check failed, 6 write failed or no effect, 7 no permission,\n"
    "8 several devices, 9 folder full, 10 no lamp within the wait, 128+N signal N.\n");

// A line on standard error in the user's language, and the usage when asked.
void say(QString const& text, bool withUsage = false)
{
    QString const usage = withUsage ? QCoreApplication::translate("Bench", usage_text) : QString();
    std::fprintf(stderr, "kalvora-upgrade-cli: %s\n%s", qPrintable(text), qPrintable(usage));
}

Lamps* lamps = nullptr;

} // namespace

int run(int argc, char** argv, int events)
{
    QCoreApplication app(argc, argv);
    install_translators(&app); // before the options, whose errors it translates
    QCommandLineParser parser;
    QCommandLineOption const simulated(QStringLiteral("s"));
    QCommandLineOption const countOption(QStringLiteral("count"), QString(), QStringLiteral("N"),
                                         QStringLiteral("1"));
    QCommandLineOption const waitOption(QStringLiteral("wait"), QString(),
                                        QStringLiteral("SECONDS"), QStringLiteral("0"));
    QCommandLineOption const reportOption(QStringLiteral("report"), QString(),
                                          QStringLiteral("FILE"));
    QCommandLineOption const help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({simulated, countOption, waitOption, reportOption, help});
    bool count_ok = false;
    bool wait_ok = false;
    bool const parsed = parser.parse(app.arguments());
    int const count = parser.value(countOption).toInt(&count_ok);
    int const wait = parser.value(waitOption).toInt(&wait_ok);
    if (parsed && parser.isSet(help)) {
        std::fputs(qPrintable(QCoreApplication::translate("Bench", usage_text)), stderr);
        return ok;
    }
    QString const bad = !parsed ? parser.errorText()
                        : !parser.positionalArguments().isEmpty()
                            ? QCoreApplication::translate("Bench", "unexpected argument: %1")
                                  .arg(parser.positionalArguments().first())
                        : !count_ok || count <= 0
                            ? QCoreApplication::translate("Bench", "bad value for --count: %1")
                                  .arg(parser.value(countOption))
                        : !wait_ok || wait < 0 || (parser.isSet(waitOption) && wait == 0)
                            ? QCoreApplication::translate("Bench", "bad value for --wait: %1")
                                  .arg(parser.value(waitOption))
                            : QString();
    if (!bad.isEmpty()) {
        say(bad, true);
        return usage;
    }
    simulator::use = parser.isSet(simulated);
    log_record::install(); // kept for a support report, passed on to standard error

    // First, so that a signal at any later moment removes what start-up puts on disk.
    install_termination_handlers(&app, [](int sig) {
        if (lamps)
            lamps->signalled(sig);
    });
    // At the run's end, also after a signal or a failed start-up, while the working folder is
    // there; a report that cannot be written does not change the status.
    QString const reportFile = parser.value(reportOption);
    auto const report = [&reportFile] {
        QString why;
        if (!reportFile.isEmpty() &&
            !support_report::save(reportFile, support_report::make(support_report::of_this_program()),
                                  &why))
            say(QCoreApplication::translate("Bench",
                                            "the support report could not be written to %1: %2")
                    .arg(reportFile, why));
    };
    QString failure;
    if (!prepare_device_side(&failure) || !desired_firmware_known(&failure)) {
        say(failure);
        report();
        return startup_failure;
    }
    create_worker_and_flow();
    Lamps handled(count, wait, events);
    lamps = &handled;
    sm_B->start();
    deliver_termination_signals();
    app.exec();
    end_termination_delivery();
    lamps = nullptr;
    report();
    tear_down(0);
    return handled.exitStatus();
}

Lamps::Lamps(int count, int wait_seconds, int events)
    : count(count), waitMs(wait_seconds * 1000), events(events)
{
    wait.setSingleShot(true);
    connect(&wait, &QTimer::timeout, this, [this] {
        if (!serial.isEmpty()) // it did not come back after its write
            result(lampAccount->afterStop(serial));
        else if (lampAccount->scanProblem() == DFU::ScanProblem::several_devices)
            result(Outcome::severalDevices);
        else
            result(Outcome::noLamp);
    });
    connect(lampAccount, &LampAccount::concluded, this, &Lamps::concluded);
    connect(sm_A, &SM_A::sig_FwProgress, this, [this](int percent) {
        LampAccount::Lamp const* under = lampAccount->lamp(serial);
        bool const writing = under && under->underWay == LampAccount::UnderWay::writing;
        if (percent == lastPercent || !under ||
            !(writing || under->underWay == LampAccount::UnderWay::readingBack))
            return;
        lastPercent = percent;
        write({{"event", "progress"},
               {"lamp", lamp},
               {"phase", writing ? "write" : "verify"},
               {"percent", percent}});
    });
    problemLasts.setSingleShot(true);
    problemLasts.setInterval(2000);
    connect(&problemLasts, &QTimer::timeout, this, [this] {
        if (serial.isEmpty() && lampAccount->scanProblem() == DFU::ScanProblem::access_refused)
            result(Outcome::noPermission);
    });
    connect(sm_A, &SM_A::sig_ScanProblem, this, [this](DFU::ScanProblem now) {
        problemLasts.stop();
        permissionReported = permissionReported && now == DFU::ScanProblem::access_refused;
        if (now == DFU::ScanProblem::access_refused)
            problemLasts.start();
        if (now == DFU::ScanProblem::several_devices && serial.isEmpty())
            saySeveral();
    });
    connect(lifecycle, &Lifecycle::stopped, this, &Lamps::stopped);
    nextLamp();
}

// One compact object a line, written at once. A closed or broken standard output is ignored:
// it never stops the upgrade.
void Lamps::write(QJsonObject const& event)
{
    QByteArray const line = QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
    for (qint64 done = 0; events >= 0 && done < line.size();) {
        ssize_t const n = ::write(events, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
}

void Lamps::nextLamp()
{
    QString const previous = std::exchange(serial, QString());
    ++lamp;
    lastPercent = -1;
    severalSaid = false;
    if (waitMs > 0)
        wait.start(waitMs);
    DFU::ScanProblem const problem = lampAccount->scanProblem();
    if (problem == DFU::ScanProblem::access_refused && !permissionReported)
        problemLasts.start(); // it came while the previous lamp was handled
    else if (problem == DFU::ScanProblem::several_devices)
        saySeveral();
    // A lamp read while the previous one was handled, never handled itself.
    LampAccount::Lamp const* read = lampAccount->lamp(lampAccount->lastRead());
    if (read && read->connected && read->serial != previous && !resulted.contains(read->serial) &&
        read->outcome != Outcome::none)
        claim(read->serial, read->outcome);
}

void Lamps::saySeveral()
{
    if (!std::exchange(severalSaid, true))
        say(QCoreApplication::translate("Bench", "more than one device in bootloader mode is "
                                                 "connected: lamp %1 is read once it is the only "
                                                 "one")
                .arg(lamp));
}

// What the account concluded about a lamp: the lamp under way, or one that may become it.
void Lamps::concluded(QString const& lampSerial, Outcome outcome)
{
    if (finishing)
        return;
    if (serial.isEmpty() && resulted.value(lampSerial, true) && !finishing)
        claim(lampSerial, outcome);
    else if (lampSerial != serial)
        return; // another lamp than the one under way, or one that has its result
    else if (outcome == Outcome::written && waitMs > 0)
        wait.start(waitMs); // for it to come back and be read back
    else if (wait.stop(), row(outcome).result)
        result(outcome);
    else if (outcome == Outcome::upgradable) // back before its write was started
        click();
}

// A lamp without a result yet (or whose write was never started) becomes the lamp under way.
void Lamps::claim(QString const& lampSerial, Outcome outcome)
{
    serial = lampSerial;
    wait.stop();
    problemLasts.stop();
    LampAccount::Lamp const* read = lampAccount->lamp(lampSerial);
    if (outcome != Outcome::unreadable && outcome != Outcome::folderFull) // it was read
        write({{"event", "found"},
               {"lamp", lamp},
               {"serial", serial},
               {"product", read->product},
               {"revision", read->revisions.value(read->revisions.size() - 1)},
               {"action", outcome == Outcome::upgradable  ? "install"
                          : outcome == Outcome::verifying ? "verify"
                                                          : "none"}});
    if (row(outcome).result)
        result(outcome);
    else if (outcome == Outcome::upgradable)
        click();
}

// The owner's click, for the lamp under way while the flow offers install for it and it has
// never been written: a command for another connection is dropped by the worker.
void Lamps::click()
{
    QTimer::singleShot(0, sm_B, [this, clicked = serial] {
        if (serial == clicked && lampAccount->lastRead() == clicked &&
            lampAccount->current() == Outcome::upgradable)
            sm_B->do_download();
    });
}

// Every lamp ends here, once; the next is awaited at once. The last one ends the run.
void Lamps::result(Outcome outcome)
{
    if (finishing)
        return;
    wait.stop();
    OutcomeRow const& r = row(outcome);
    write({{"event", "result"},
           {"lamp", lamp},
           {"serial", serial.isEmpty() ? QJsonValue() : QJsonValue(serial)},
           {"result", r.result}});
    // Taken again: a lamp never written that could not be read, or whose write was not started.
    if (!serial.isEmpty())
        resulted.insert(serial, lampAccount->lamp(serial)->holds == LampAccount::Holds::untouched &&
                                    (outcome == Outcome::unreadable || outcome == Outcome::folderFull ||
                                     outcome == Outcome::folderFullWrite || outcome == Outcome::refused));
    permissionReported = permissionReported || outcome == Outcome::noPermission;
    if (status == ok)
        status = r.exit;
    if (++results >= count) {
        finishing = true;
        lifecycle->request(Lifecycle::Request::quit);
    } else {
        nextLamp();
    }
}

void Lamps::signalled(int sig)
{
    qInfo() << "Signal" << sig << "received, stopping";
    if (!signal)
        signal = sig;
    lifecycle->request(Lifecycle::Request::quit);
}

// The flow and the worker have stopped: a lamp still under way (or awaited) ends here.
void Lamps::stopped()
{
    if (!signal)
        return;
    if (!finishing)
        result(serial.isEmpty() ? Outcome::stopped : lampAccount->afterStop(serial));
    status = 128 + signal;
}

} // namespace bench
