#pragma once

#include "churnactions.h"
#include "fakedevice.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <mutex>

// Watches the worker, the flow and the fake dfu-util while the churn test drives them, and
// checks the rules that must hold whatever the devices, the faults and the timing:
//  - a download or a read-back runs only against the device that the flow announced and
//    classified as a Rel-41 with a valid product record, for the connection on which install
//    was clicked (or B4 was entered), with no new announcement in between;
//  - B6 follows only a read-back that equals the image byte for byte;
//  - once the device that the worker's last scan found is removed, the worker reports "no
//    device" within three poll periods and one scan, and that report leaves the flow in B1;
//  - the revision shown is the device's own, and the classification fits the device.
// The worker's signals are recorded in its thread with the size of the fake's run log, so that
// each dfu-util run is placed exactly between two signals. The flow's side is seen in the GUI
// thread: this object's slots run right after the flow has handled the same signal.
namespace Churn {

struct Violation
{
    QString rule;   // the rule broken
    QString kind;   // a finer name that tells the causes apart
    QString detail; // what happened
    int step = 0;
};

// A device record in one line, for reports.
QString describe(DFU::DeviceInfo const& info);

class Checker : public QObject
{
    Q_OBJECT

public:
    // Connects to worker (before it starts) and flow. removal_limit_ms: three poll periods and
    // one scan, with room for a slow machine.
    Checker(FakeDevice* fake, SM_A* worker, SM_B* flow, QByteArray image, int removal_limit_ms);

    void add_unit(UnitSpec const& unit);
    // After the fake's present devices changed from before to after.
    void swapped(QStringList const& before, QStringList const& after);
    void clicked(bool enabled);
    // Checks what has happened up to now; call after every step.
    void check(int step);
    // The flow is stopped: what it does no longer counts.
    void stop() { stopped = true; }
    // Whether every removal has been judged.
    bool removals_settled() const { return removals.isEmpty(); }

    QList<Violation> const& violations() const { return found; }
    // How often each rule was applied: a rule that never applies proves nothing.
    QMap<QString, int> const& coverage() const { return applied; }
    void note(QString const& line); // adds a line to the trace
    QStringList trace() const { return lines; }
    qint64 now_ms() const;

private:
    enum class Signal
    {
        ReadingInfo,
        DevConn,
        DeviceError,
        NoDevConn,
        FwDownloading,
        FwDownloaded,
        FwUploading,
        Matches,
        Differs,
    };
    struct WorkerEvent
    {
        Signal signal;
        qint64 seq;   // order among everything this checker records, in every thread
        qint64 stamp; // the size of the run log when the signal was emitted
        qint64 ms;
        DFU::DeviceInfo info;
    };
    struct Announcement
    {
        DFU::DeviceInfo info;
        qint64 seq;
        QList<FakeDevice::Run> runs; // the runs of its read
    };
    // A state entered with a command for the worker: B3 (download) or B4 (read-back).
    struct Request
    {
        qint64 seq;
        int connection; // index of the announcement the flow had classified; -1: none
    };
    struct Removal
    {
        QString serial;
        qint64 seq;
        qint64 ms;
        bool came_back = false;    // present again before the worker reported anything
        bool flow_checked = false; // the first report after it has reached the flow
        bool timing_checked = false;
    };
    enum class Group
    {
        None,
        Read,
        Download,
        Readback
    };

    void record(Signal signal, DFU::DeviceInfo const& info = {});
    void connect_worker(SM_A* worker);
    void connect_flow();
    void pump();
    void handle(WorkerEvent const& event);
    void handle(FakeDevice::Run const& run);
    void end_read(WorkerEvent const& event);
    void end_download();
    void end_readback(bool matches);
    int request_before(QList<Request> const& requests, qint64 seq) const;
    bool announced_since(int connection, qint64 seq) const;
    bool ignored_since(int connection, qint64 seq) const;
    void on_devconn_delivered();
    void on_nodevconn_delivered();
    void on_matches_delivered();
    void check_classification(int index, QAbstractState* state);
    void check_revision(Announcement const& a, UnitSpec const& unit);
    void check_removals();
    void violate(QString const& rule, QString const& kind, QString const& detail);
    void applies(QString const& what) { ++applied[what]; }
    QString state_name() const;
    qint64 next_seq() { return sequence++; }

    FakeDevice* fake;
    SM_B* flow;
    QByteArray image;
    QString image_hash;
    int removal_limit_ms;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::atomic<qint64> sequence{0};
    bool stopped = false;
    int step = 0;

    std::mutex mutex; // guards events: the worker thread appends
    QList<WorkerEvent> events;
    int events_taken = 0;
    qint64 runs_offset = 0;

    QMap<QString, UnitSpec> units;
    QMap<QString, Flash> flash_by_hash; // the information areas the fake can return
    QList<Announcement> announcements;
    QList<WorkerEvent> no_device_reports;
    QList<bool> exact_readbacks; // per sig_FwUploadedMatches: the read-back equalled the image
    QStringList last_listed;
    bool last_was_no_device = false;
    Group group = Group::None;
    qint64 group_seq = 0;
    QList<FakeDevice::Run> group_runs;

    // The flow, as seen in the GUI thread.
    int connection = -1;
    int delivered_devconn = 0;
    int delivered_nodevconn = 0;
    int delivered_matches = 0;
    bool left_B1 = false;
    qint64 B1_exit_seq = 0;
    qint64 click_seq = 0;
    QAbstractState* classified = nullptr;
    bool entered_B6 = false;
    QList<Request> downloads;
    QList<Request> readbacks;
    QList<QPair<int, qint64>> ignored; // announcements the flow did not take up, when

    QList<Removal> removals;
    QList<Violation> found;
    QMap<QString, int> applied;
    QStringList lines;
};

} // namespace Churn
