// How the program stops handling devices and how it ends, in the order it happens: a
// request, the stop of the flow and the worker, the wait for a write that was already under
// way, and what the lamp is left with.
#include "lifecycle.h"

#include "dfu/dfucommand.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QCoreApplication>
#include <QDebug>

Lifecycle::Lifecycle(SM_A* worker, SM_B* flow, QObject* parent)
    : QObject(parent), worker(worker), flow(flow)
{
    // A download taken up ends in one of these: written (wholly or not), or not started.
    connect(worker, &SM_A::sig_FwDownloaded, this, &Lifecycle::downloadEnded);
    connect(worker, &SM_A::sig_FwDownloadRefused, this, &Lifecycle::downloadEnded);
    connect(worker, &SM_A::sig_FolderFull, this, [this](QString const&, qint64, bool before_write) {
        if (before_write)
            downloadEnded();
    });
}

bool Lifecycle::request(Request what)
{
    closeWanted = closeWanted || what == Request::close;
    quitWanted = quitWanted || what == Request::quit;
    if (!stopAsked) {
        stopAsked = true;
        bool const checking = flow->configuration().contains(flow->B4);
        bool const done = flow->configuration().contains(flow->B6);
        bool const failed = flow->configuration().contains(flow->B7);
        qInfo() << "Trying to stop sm_A";
        // Decided under the worker's mutex: from here on no command is taken up.
        worker->do_stop();
        flow->stop();
        if (worker->is_verifying() || checking)
            checked = LeftWith::not_checked;
        else if (done)
            checked = LeftWith::as_shown;
        else if (failed)
            checked = LeftWith::check_failed;
    }
    if (worker->is_downloading()) {
        if (!writeAnnounced) {
            writeAnnounced = true;
            emit writeGoesOn();
        }
        if (what == Request::stop)
            qInfo() << "The firmware write goes on; sm_A stops once it has ended";
        else if (!endAnnounced)
            qInfo() << "The firmware write goes on; the program ends once it has finished";
        endAnnounced = endAnnounced || what != Request::stop;
        return false;
    }
    if (!settled)
        settle();
    else if (what == Request::quit)
        QCoreApplication::quit();
    return true;
}

// Only a stop waits for it; without one the flow goes on and reads the lamp again.
void Lifecycle::downloadEnded()
{
    if (!stopAsked || settled || worker->is_downloading())
        return;
    if (closeWanted || quitWanted)
        qInfo() << "Firmware write finished: quitting";
    settle();
}

void Lifecycle::settle()
{
    settled = true;
    waitForWorker();
    // What the last download left, as the worker recorded it before it counted as ended.
    LeftWith leftWith = checked;
    if (checked == LeftWith::nothing_written && worker->last_download() == SM_A::Written::whole)
        leftWith = LeftWith::written_unchecked;
    else if (checked == LeftWith::nothing_written &&
             worker->last_download() == SM_A::Written::partly)
        leftWith = LeftWith::write_incomplete;
    qInfo() << "sm_A stopped; the lamp is left with" << leftWith;
    emit stopped(leftWith);
    if (quitWanted) {
        emit ending();
        QCoreApplication::quit();
    } else if (closeWanted && writeAnnounced) {
        emit ending(); // the window closes now; Qt's rule for the last window takes over
    }
}

// Outside a download the worker ends within milliseconds of its stop: its pauses wake and its
// dfu-util runs are ended.
void Lifecycle::waitForWorker()
{
    if (!worker->wait(1000)) {
        qWarning() << "Oops, SM_A not dead yet";
        worker->terminate();
        worker->wait();
    }
}

void Lifecycle::shut_down()
{
    if (flow->isRunning())
        flow->stop();
    DFU::shutdown_requested = true;
    worker->do_stop();
}
