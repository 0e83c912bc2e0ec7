// The service bench in the order of its run: options, start-up as in the window program, then
// each lamp from its discovery to its one result, and the end.
#include "bench.h"

#include "appobjects.h"
#include "dfu/files.h"
#include "sim/simulator.h"
#include "startup.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"
#include "termination.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace bench {

namespace {

char const* const usage_text =
    "Usage: kalvora-upgrade-cli [-s] [--count N] [--wait SECONDS] [--help]\n"
    "Upgrades N Kalvora Rel-41 lamps (default 1), one after another, without a window.\n"
    "Each lamp is written when it is found with another firmware revision, then read back\n"
    "and compared byte for byte. Standard output holds one JSON object a line.\n"
    "  -s               use the simulated lamp instead of a real one\n"
    "  --count N        the number of lamps to handle\n"
    "  --wait SECONDS   give up on a lamp that is not found within this time\n"
    "  --help           show this text\n"
    "Exit status: 0 every lamp verified, 1 start-up failure, 2 usage, 3 wrong product or blank\n"
    "record, 4 unreadable, 5 check failed, 6 write failed or no effect, 7 no permission,\n"
    "8 several devices, 9 folder full, 10 no lamp within the wait, 128+N signal N.\n";

Lamps* lamps = nullptr;

} // namespace

int run(int argc, char** argv, int events)
{
    QCoreApplication app(argc, argv);
    int count = 1;
    int wait = 0;
    QStringList const arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        QString const& a = arguments.at(i);
        bool number = true;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(usage_text, stderr);
            return ok;
        } else if (a == QLatin1String("-s")) {
            simulator::use = true;
        } else if (a == QLatin1String("--count") && i + 1 < arguments.size()) {
            count = arguments.at(++i).toInt(&number);
            number = number && count > 0;
        } else if (a == QLatin1String("--wait") && i + 1 < arguments.size()) {
            wait = arguments.at(++i).toInt(&number);
            number = number && wait > 0;
        } else {
            number = false;
        }
        if (!number) {
            std::fprintf(stderr, "kalvora-upgrade-cli: unknown option or bad value: %s\n%s",
                         qPrintable(a), usage_text);
            return usage;
        }
    }

    // First, so that a signal at any later moment removes what start-up puts on disk.
    install_termination_handlers(&app, [](int sig) {
        if (lamps)
            lamps->signalled(sig);
    });
    QString failure;
    if (!prepare_device_side(&failure) || !desired_firmware_known(&failure)) {
        std::fprintf(stderr, "kalvora-upgrade-cli: %s\n", qPrintable(failure));
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
    lifecycle->shut_down();
    delete sm_A;
    delete sm_B;
    Files::external_dir.remove();
    return handled.exitStatus();
}

Lamps::Lamps(int count, int wait_seconds, int events)
    : count(count), waitMs(wait_seconds * 1000), events(events)
{
    wait.setSingleShot(true);
    connect(&wait, &QTimer::timeout, this, [this] {
        if (phase == Phase::waiting)
            result("no_lamp", no_lamp);
        else if (phase == Phase::handling) // it did not come back after its write
            result(lastWriteWhole ? "written_unchecked" : "write_failed", write_failed);
    });
    connect(sm_B->B2, &QState::entered, this, [this] { classified("B2"); });
    connect(sm_B->B4, &QState::entered, this, [this] { classified("B4"); });
    // The read-back's result, of the lamp under way only.
    auto const ours = [this] {
        return phase == Phase::handling && sm_B->device_info.serial == serial;
    };
    connect(sm_B->B6, &QState::entered, this, [this, ours] {
        if (ours())
            result("verified", ok);
    });
    connect(sm_B->B7, &QState::entered, this, [this, ours] {
        if (ours())
            result("check_failed", check_failed);
    });
    connect(sm_B->B8, &QState::entered, this, [this] { classified("B8"); });
    connect(sm_B->B9, &QState::entered, this, [this] { classified("B9"); });
    connect(sm_A, &SM_A::sig_FwDownloaded, this, &Lamps::written);
    connect(sm_A, &SM_A::sig_NoDevConn, this, &Lamps::gone);
    connect(sm_A, &SM_A::sig_FwProgress, this, [this](int percent) {
        bool const writing = sm_B->configuration().contains(sm_B->B3);
        if (phase != Phase::handling || percent == lastPercent ||
            !(writing || sm_B->configuration().contains(sm_B->B4)))
            return;
        lastPercent = percent;
        write({{"event", "progress"},
               {"lamp", lamp},
               {"phase", writing ? "write" : "verify"},
               {"percent", percent}});
    });
    connect(sm_A, &SM_A::sig_DeviceError, this, [this] {
        if (phase != Phase::leaving)
            result("unreadable", unreadable);
    });
    connect(sm_A, &SM_A::sig_FwDownloadRefused, this, [this] {
        if (phase == Phase::handling)
            result("write_failed", write_failed);
    });
    connect(sm_A, &SM_A::sig_FolderFull, this, [this] {
        if (phase != Phase::leaving)
            result("folder_full", folder_full);
    });
    problemLasts.setSingleShot(true);
    problemLasts.setInterval(2000);
    connect(&problemLasts, &QTimer::timeout, this, [this] {
        if (phase != Phase::waiting)
            return;
        problemResult = true;
        if (problem == DFU::ScanProblem::access_refused)
            result("no_permission", no_permission);
        else
            result("several_devices", several_devices);
    });
    connect(sm_A, &SM_A::sig_ScanProblem, this, [this](DFU::ScanProblem now) {
        problem = now;
        problemLasts.stop();
        if (now != DFU::ScanProblem::none)
            problemLasts.start();
        else if (std::exchange(problemResult, false))
            gone();
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
    ++lamp;
    phase = Phase::waiting;
    serial.clear();
    lastPercent = -1;
    if (waitMs > 0)
        wait.start(waitMs);
    if (problem != DFU::ScanProblem::none)
        problemLasts.start(); // it came while the previous lamp was leaving
}

void Lamps::found(char const* action)
{
    DFU::DeviceInfo const& info = sm_B->device_info;
    serial = info.serial;
    phase = Phase::handling;
    wait.stop();
    write({{"event", "found"},
           {"lamp", lamp},
           {"serial", serial},
           {"product", info.OTP_info.product_name()},
           {"revision", info.FW_revision},
           {"action", action}});
}

// Every lamp ends here, once. The last one ends the run.
void Lamps::result(char const* what, int exit)
{
    if (phase == Phase::leaving || finishing)
        return;
    wait.stop();
    write({{"event", "result"},
           {"lamp", lamp},
           {"serial", serial.isEmpty() ? QJsonValue() : QJsonValue(serial)},
           {"result", what}});
    if (status == ok)
        status = exit;
    phase = Phase::leaving;
    if (++results >= count && !finishing) {
        finishing = true;
        lifecycle->request(Lifecycle::Request::quit);
    }
}

// A device the flow has classified: a new lamp, or the lamp under way back from its write.
void Lamps::classified(char const* state)
{
    QString const s = QString::fromLatin1(state);
    bool const same = phase == Phase::handling && sm_B->device_info.serial == serial;
    if (phase == Phase::leaving || (phase == Phase::handling && !same))
        return; // the next lamp is handled only after the previous one has gone
    if (same)
        wait.stop(); // it is back from its write
    if (s == QLatin1String("B4")) {
        if (!same)
            found("verify");
    } else if (written_.contains(sm_B->device_info.serial)) {
        // Back from a write without the new revision: never written twice.
        if (!same)
            found("none");
        result(lastWriteWhole ? "no_effect" : "write_failed", write_failed);
    } else if (s == QLatin1String("B8") || s == QLatin1String("B9")) {
        found("none");
        result(s == QLatin1String("B8") ? "wrong_product" : "blank_record", wrong_product);
    } else {
        found("install");
        written_.insert(serial);
        // The owner's click, for this classified lamp while the flow still offers it.
        QTimer::singleShot(0, sm_B, [this] {
            if (sm_B->configuration().contains(sm_B->B2) && sm_B->device_info.serial == serial)
                sm_B->do_download();
        });
    }
}

void Lamps::written(bool whole)
{
    lastWriteWhole = whole;
    lastPercent = -1;
    if (phase == Phase::handling && waitMs > 0)
        wait.start(waitMs); // for the lamp to come back
}

void Lamps::gone()
{
    if (phase == Phase::leaving && !problemResult && results < count)
        nextLamp();
}

void Lamps::signalled(int sig)
{
    qInfo() << "Signal" << sig << "received, stopping";
    if (!signal)
        signal = sig;
    lifecycle->request(Lifecycle::Request::quit);
}

// The flow and the worker have stopped: a lamp still under way (or awaited) ends here.
void Lamps::stopped(Lifecycle::LeftWith leftWith)
{
    if (!signal)
        return;
    if (phase != Phase::leaving && results < count) {
        char const* what = leftWith == Lifecycle::LeftWith::written_unchecked ? "written_unchecked"
                           : leftWith == Lifecycle::LeftWith::write_incomplete ? "write_failed"
                                                                               : "stopped";
        result(what, ok);
    }
    status = 128 + signal;
}

} // namespace bench
