#pragma once

#include "lampaccount.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

class QJsonObject;

// The service bench: the upgrade flow without a window, lamp after lamp. Running it is the
// owner's click for every lamp that it reports as found with action "install". It reports on
// standard output only, one JSON object a line; everything else goes to standard error.
namespace bench {

// Exit statuses; with several lamps the first that is not ok. Each lamp's comes with its
// result, from the table of outcomes (lampaccount.h).
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
    void write(QJsonObject const& event);
    void nextLamp();
    void concluded(QString const& lampSerial, Outcome outcome);
    void claim(QString const& lampSerial, Outcome outcome);
    void click();
    void saySeveral(); // once a lamp
    void result(Outcome outcome);
    void stopped();

    int const count;
    int const waitMs;
    int const events;
    int lamp = 0;    // the number of the lamp under way (or awaited), from 1
    int results = 0; // lamps that have their result
    bool finishing = false;
    QString serial; // of the lamp under way; empty while one is awaited
    // The lamps that have a result, and whether each may be taken again (its write was never
    // started).
    QHash<QString, bool> resulted;
    int lastPercent = -1;
    int status = ok;
    int signal = 0;
    bool severalSaid = false;
    bool permissionReported = false; // until the refused access clears
    QTimer wait; // for a lamp (and for it to come back after its write)
    // A refused access counts once it has lasted: udev gives a new device its permissions a
    // moment after it appears.
    QTimer problemLasts;
};

} // namespace bench
