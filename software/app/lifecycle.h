#pragma once

#include <QObject>

class SM_A;
class SM_B;

// Every request to stop handling devices or to end the program goes through here: Escape or
// Q, closing the main window, SIGINT, SIGTERM and SIGHUP, and the program's own end. The worker
// is asked to stop first (from then on it takes up no command), and only then is it asked
// whether a download was already taken up: without one the request is carried out at once;
// with one, the write goes on to its end and the request is carried out when the worker
// reports that end. Free of widgets: a window listens to its signals.
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
    // What the lamp is left with once the worker has stopped.
    enum class LeftWith
    {
        nothing_written,   // stopped before any write
        written_unchecked, // the whole image was written; nothing read it back
        write_incomplete,  // the write ended before the whole image was written
        not_checked,       // a read-back was under way or asked for, and stopped
        as_shown,          // "Done" is shown already
        check_failed,      // the read-back's failed check is shown already
    };
    Q_ENUM(LeftWith)

    Lifecycle(SM_A* worker, SM_B* flow, QObject* parent = nullptr);

    // False while a firmware write goes on: a window that is being closed must then stay.
    bool request(Request what);
    // For the program's end: the flow and the worker are asked to stop, whatever they do; a
    // dfu-util run that hangs beyond its first 30 s is then ended, never a download.
    void shut_down();

signals:
    // A write goes on: the window stays and says so until stopped() or ending().
    void writeGoesOn();
    // The worker has ended (it may be sent again should a write's end be reported later).
    void stopped(Lifecycle::LeftWith leftWith);
    // The write asked to end the program for is over: the main window closes now (and, for a
    // quit request, the event loop is told to quit once this returns).
    void ending();

private:
    void downloadEnded();
    void settle();
    void waitForWorker();

    SM_A* worker;
    SM_B* flow;
    bool stopAsked = false;
    bool closeWanted = false;
    bool quitWanted = false;
    bool settled = false;
    bool writeAnnounced = false;
    bool endAnnounced = false;
    LeftWith checked = LeftWith::nothing_written; // as far as the flow knew at the stop
};
