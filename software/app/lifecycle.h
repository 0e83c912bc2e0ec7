#pragma once

#include "lampaccount.h"

#include <QObject>

class SM_A;
class SM_B;

// Every request to stop handling devices or to end the program goes through here: Escape or
// Q, closing the main window, SIGINT, SIGTERM and SIGHUP, and the program's own end. The worker
// is asked to stop first (from then on it takes up no command), and only then is it asked
// whether a download was already taken up: without one the request is carried out at once;
// with one, the write goes on to its end and the request is carried out when the worker
// reports that end. What the lamp is left with comes from the account of the lamps. Free of
// widgets: a window listens to its signals.
class Lifecycle : public QObject
{
    Q_OBJECT

public:
    enum class Request
    {
        stop, // stop handling devices; the program goes on
        close, // the main window is being closed: it may close unless a write goes on
        quit,  // end the program
    };
    Lifecycle(SM_A* worker, SM_B* flow, LampAccount* account, QObject* parent = nullptr);

    // False while a firmware write goes on, and after one that did not complete: a window
    // that is being closed must then stay (a second close is carried out).
    bool request(Request what);
    // Whether a stop or an end has been asked for: a report of the worker's that comes
    // afterwards is out of date.
    bool stopping() const { return stopAsked; }
    // Whether a stop or an end waits for a write that goes on.
    bool waitsForWrite() const { return writeAnnounced && !settled; }
    // For the program's end: the flow and the worker are asked to stop, whatever they do; a
    // dfu-util run that hangs beyond its first 30 s is then ended, never a download.
    void shut_down();

signals:
    // A write goes on: the window stays and says so until stopped() or ending().
    void writeGoesOn();
    // The worker has ended; what the lamp read last is left with.
    void stopped(Outcome leftWith);
    // The write asked to end the program for is over: the main window closes now (and, for a
    // quit request, the event loop is told to quit once this returns).
    void ending();

private:
    void downloadEnded();
    void settle();
    void waitForWorker();

    SM_A* worker;
    SM_B* flow;
    LampAccount* account;
    bool stopAsked = false;
    bool closeWanted = false;
    bool quitWanted = false;
    bool settled = false;
    bool writeAnnounced = false;
    bool endAnnounced = false;
};
