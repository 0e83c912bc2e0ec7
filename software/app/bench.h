#pragma once

#include "lifecycle.h"

#include "dfu/scan.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class QJsonObject;

// The service bench: the upgrade flow without a window, lamp after lamp. Running it is the
// owner's click for every lamp that it reports as found with action "install". It reports on
// standard output only, one JSON object a line; everything else goes to standard error.
namespace bench {

// Exit statuses; with several lamps the first that is not ok.
enum Status : int
{
    ok = 0,
    startup_failure = 1,
    usage = 2,
    wrong_product = 3,
    unreadable = 4,
    check_failed = 5,
    write_failed = 6,
    no_permission = 7,
    several_devices = 8,
    folder_full = 9,
    no_lamp = 10,
};

// The whole command: options, start-up, the lamps, the end. events: the descriptor the JSON
// lines go to (a copy of the original standard output; -1: none).
int run(int argc, char** argv, int events);

class Lamps : public QObject
{
    Q_OBJECT

public:
    Lamps(int count, int wait_seconds, int events);
    int exitStatus() const { return status; }
    // A termination signal: the lifecycle stops the flow (a write goes on to its end).
    void signalled(int sig);

private:
    enum class Phase
    {
        waiting,  // for the next lamp
        handling, // found; its result not yet known
        leaving,  // it has its result; the next is handled once it has gone
    };

    void write(QJsonObject const& event);
    void nextLamp();
    void found(char const* action);
    void result(char const* what, int exit);
    void classified(char const* state);
    void written(bool whole);
    void stopped(Lifecycle::LeftWith leftWith);
    void gone();

    int const count;
    int const waitMs;
    int const events;
    int lamp = 0;    // the number of the lamp under way (or awaited), from 1
    int results = 0; // lamps that have their result
    Phase phase = Phase::waiting;
    bool finishing = false;
    QString serial;         // of the lamp being handled
    QSet<QString> written_; // serials the command has started a write for
    bool lastWriteWhole = false;
    bool problemResult = false; // the last result was a scan problem: wait for it to clear
    int lastPercent = -1;
    int status = ok;
    int signal = 0;
    QTimer wait; // for a lamp (and for it to come back after its write)
    // A problem of the scan counts once it has lasted: udev gives a new device its
    // permissions a moment after it appears.
    QTimer problemLasts;
    DFU::ScanProblem problem = DFU::ScanProblem::none;
};

} // namespace bench
