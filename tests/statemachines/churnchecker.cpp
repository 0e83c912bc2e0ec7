#include "churnchecker.h"

#include <QAbstractState>

namespace Churn {

namespace {

int const trace_length = 150;

} // namespace

Checker::Checker(FakeDevice* fake, SM_A* worker, SM_B* flow, QByteArray image, int removal_limit_ms)
    : fake(fake), flow(flow), image(std::move(image)), removal_limit_ms(removal_limit_ms)
{
    image_hash = FakeDevice::hashOf(this->image);
    for (Flash f : {Flash::Rel41C3, Flash::Image, Flash::Blank, Flash::OtherProduct})
        flash_by_hash.insert(FakeDevice::hashOf(info_area(f, this->image)), f);
    connect_worker(worker);
    connect_flow();
}

qint64 Checker::now_ms() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now() - start).count();
}

void Checker::record(Signal signal, DFU::DeviceInfo const& info)
{
    qint64 const stamp = fake->runsLogSize();
    WorkerEvent const event{signal, next_seq(), stamp, now_ms(), info};
    std::lock_guard<std::mutex> lock(mutex);
    events.append(event);
}

void Checker::connect_worker(SM_A* worker)
{
    // Direct: recorded in the worker thread when emitted, between its dfu-util runs.
    auto on = [this, worker](auto signal, Signal name) {
        connect(
            worker, signal, this, [this, name] { record(name); }, Qt::DirectConnection);
    };
    on(&SM_A::sig_readingInfo, Signal::ReadingInfo);
    on(&SM_A::sig_DeviceError, Signal::DeviceError);
    on(&SM_A::sig_NoDevConn, Signal::NoDevConn);
    on(&SM_A::sig_FwDownloading, Signal::FwDownloading);
    on(&SM_A::sig_FwDownloaded, Signal::FwDownloaded);
    on(&SM_A::sig_FwUploading, Signal::FwUploading);
    on(&SM_A::sig_FwUploadedMatches, Signal::Matches);
    on(&SM_A::sig_FwUploadedDiffers, Signal::Differs);
    connect(
        worker, &SM_A::sig_DevConn, this,
        [this](DFU::DeviceInfo const& info) { record(Signal::DevConn, info); },
        Qt::DirectConnection);
    // Queued, and made after the flow's own connections: each runs right after the flow has
    // handled the same emission.
    connect(worker, &SM_A::sig_DevConn, this, &Checker::on_devconn_delivered, Qt::QueuedConnection);
    connect(worker, &SM_A::sig_NoDevConn, this, &Checker::on_nodevconn_delivered,
            Qt::QueuedConnection);
    connect(worker, &SM_A::sig_FwUploadedMatches, this, &Checker::on_matches_delivered,
            Qt::QueuedConnection);
}

void Checker::connect_flow()
{
    for (QState* s :
         {flow->B1, flow->B2, flow->B3, flow->B4, flow->B6, flow->B7, flow->B8, flow->B9})
        connect(s, &QState::entered, this,
                [this, s] { note(QStringLiteral("flow enters ") + s->objectName()); });
    // Before the flow's handler of the state entered next gives the worker a command.
    connect(flow->B1, &QState::exited, this, [this] {
        left_B1 = true;
        B1_exit_seq = next_seq();
    });
    connect(flow->B1, &QState::entered, this, [this] { connection = -1; });
    for (QState* s : {flow->B2, flow->B4, flow->B8, flow->B9})
        connect(s, &QState::entered, this, [this, s] {
            if (left_B1)
                classified = s;
            left_B1 = false;
        });
    // B4 is entered only by classifying the announcement being delivered.
    connect(flow->B4, &QState::entered, this, [this] {
        readbacks.append(Request{B1_exit_seq, delivered_devconn});
    });
    // B3 is entered only by a click, within clicked(). The click may come after the flow has
    // classified an announcement but before this object's queued slot for it has run (a step
    // that processes events can end between the two): the click is then for that announcement.
    connect(flow->B3, &QState::entered, this, [this] {
        downloads.append(Request{click_seq, classified ? delivered_devconn : connection});
    });
    connect(flow->B6, &QState::entered, this, [this] { entered_B6 = true; });
}

void Checker::add_unit(UnitSpec const& unit)
{
    units.insert(unit.serial, unit);
}

void Checker::swapped(QStringList const& before, QStringList const& after)
{
    pump();
    note(QStringLiteral("present: ") +
         (after.isEmpty() ? QStringLiteral("none") : after.join(QLatin1Char(' '))));
    for (Removal& r : removals)
        if (!r.timing_checked && after.contains(r.serial))
            r.came_back = true;
    // Only a device that the worker's last scan found alone is one whose removal it must
    // report: one swapped in and out between two scans was never seen.
    if (before.size() == 1 && !after.contains(before.front()) && last_listed == before)
        removals.append(Removal{before.front(), next_seq(), now_ms()});
}

void Checker::clicked(bool enabled)
{
    click_seq = next_seq();
    note(enabled ? QStringLiteral("click on the enabled button")
                 : QStringLiteral("click on the disabled button"));
}

void Checker::check(int current_step)
{
    step = current_step;
    pump();
    check_removals();
}

// Takes the worker's signals and the fake's runs in the order they happened: a run whose line
// ends before a signal's stamp ran before the signal.
void Checker::pump()
{
    QList<FakeDevice::Run> const runs = fake->runsFrom(&runs_offset);
    QList<WorkerEvent> fresh;
    {
        // Element by element: a list that shared its data with events would be detached
        // later, outside the lock, while the worker thread appends.
        std::lock_guard<std::mutex> lock(mutex);
        for (int i = events_taken; i < events.size(); ++i)
            fresh.append(events.at(i));
    }
    int next_run = 0;
    for (auto const& event : qAsConst(fresh)) {
        if (event.stamp > runs_offset)
            break; // runs before it are not read yet
        while (next_run < runs.size() && runs[next_run].end <= event.stamp)
            handle(runs[next_run++]);
        handle(event);
        ++events_taken;
    }
    while (next_run < runs.size())
        handle(runs[next_run++]);
}

void Checker::handle(FakeDevice::Run const& run)
{
    if (run.op == QLatin1String("list")) {
        if (run.listed != last_listed)
            note(QStringLiteral("run: ") + run.text);
        last_listed = run.listed;
        return;
    }
    note(QStringLiteral("run: ") + run.text);
    if (group != Group::None)
        group_runs.append(run);
}

void Checker::handle(WorkerEvent const& event)
{
    static char const* const names[] = {"readingInfo", "DevConn",           "DeviceError",
                                        "NoDevConn",   "FwDownloading",     "FwDownloaded",
                                        "FwUploading", "FwUploadedMatches", "FwUploadedDiffers"};
    // The polls without a device repeat sig_NoDevConn: the first of a row is enough.
    bool const repeated = event.signal == Signal::NoDevConn && last_was_no_device;
    last_was_no_device = event.signal == Signal::NoDevConn;
    if (!repeated)
        note(QStringLiteral("worker: %1%2 (emitted at +%3 ms)")
                 .arg(QLatin1String(names[static_cast<int>(event.signal)]),
                      event.signal == Signal::DevConn ? QStringLiteral(" ") + describe(event.info)
                                                      : QString())
                 .arg(event.ms));
    switch (event.signal) {
    case Signal::ReadingInfo:
    case Signal::FwDownloading:
    case Signal::FwUploading:
        group = event.signal == Signal::ReadingInfo     ? Group::Read
                : event.signal == Signal::FwDownloading ? Group::Download
                                                        : Group::Readback;
        group_seq = event.seq;
        group_runs.clear();
        break;
    case Signal::DevConn:
        end_read(event);
        break;
    case Signal::DeviceError:
        group = Group::None;
        break;
    case Signal::NoDevConn:
        no_device_reports.append(event);
        break;
    case Signal::FwDownloaded:
        end_download();
        break;
    case Signal::Matches:
    case Signal::Differs:
        end_readback(event.signal == Signal::Matches);
        break;
    }
}

int Checker::request_before(QList<Request> const& requests, qint64 seq) const
{
    for (int i = requests.size() - 1; i >= 0; --i)
        if (requests[i].seq < seq)
            return i;
    return -1;
}

bool Checker::announced_since(int index, qint64 seq) const
{
    for (int i = index + 1; i < announcements.size(); ++i)
        if (announcements[i].seq < seq)
            return true;
    return false;
}

bool Checker::ignored_since(int index, qint64 seq) const
{
    for (auto const& [ignored_index, when] : ignored)
        if (ignored_index > index && when < seq)
            return true;
    return false;
}

void Checker::on_devconn_delivered()
{
    int const index = delivered_devconn++;
    pump();
    if (stopped)
        return;
    if (!classified) {
        ignored.append(qMakePair(index, next_seq()));
        note(QStringLiteral("flow ignores announcement %1 in %2").arg(index).arg(state_name()));
        return;
    }
    connection = index;
    check_classification(index, classified);
    classified = nullptr;
}

void Checker::violate(QString const& rule, QString const& kind, QString const& detail)
{
    found.append(Violation{rule, kind, detail, step});
    note(QStringLiteral("VIOLATION (%1) %2: %3").arg(rule, kind, detail));
}

void Checker::note(QString const& line)
{
    lines.append(QStringLiteral("+%1 ms  %2").arg(now_ms(), 5).arg(line));
    if (lines.size() > trace_length)
        lines.removeFirst();
}

QString Checker::state_name() const
{
    auto const active = flow->configuration();
    return active.isEmpty() ? QStringLiteral("no state") : (*active.begin())->objectName();
}

} // namespace Churn
