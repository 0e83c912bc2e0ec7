// How the program stops handling devices and how it ends, in the order it happens: a
// request, the stop of the flow and the worker, the wait for a write that was already under
// way, and what the lamp is left with.
#include "lifecycle.h"

#include "dfu/dfucommand.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QCoreApplication>
#include <QDebug>

Lifecycle::Lifecycle(SM_A* worker, SM_B* flow, LampAccount* account, QObject* parent)
    : QObject(parent), worker(worker), flow(flow), account(account)
{
    // A download taken up ends in one of these: written (wholly or not), or not started.
    connect(worker, &SM_A::sig_FwDownloaded, this, &Lifecycle::downloadEnded);
    connect(worker, &SM_A::sig_FwDownloadRefused, this, &Lifecycle::downloadEnded);
    connect(worker, &SM_A::sig_FolderFull, this,
            [this](QString const&, qint64, bool before_write) {
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
        qInfo() << "Trying to stop sm_A";
        // Decided under the worker's mutex: from here on no command is taken up.
        worker->do_stop();
        flow->stop();
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
    if (stopAsked && !settled && !worker->is_downloading())
        settle();
}

void Lifecycle::settle()
{
    settled = true;
    waitForWorker();
    // The worker has ended: what it reported last is queued, and the account must have it.
    QCoreApplication::sendPostedEvents(account, QEvent::MetaCall);
    Outcome const leftWith = account->afterStop(account->lastRead());
    qInfo() << "sm_A stopped; the lamp is left with" << name(leftWith);
    // A window closed in the belief that the write would finish stays when it did not, to say
    // so; the next close is carried out.
    bool const closing =
        closeWanted && writeAnnounced && leftWith != Outcome::stoppedWriteIncomplete;
    closeWanted = closeWanted && !writeAnnounced;
    if (writeAnnounced && (quitWanted || closing))
        qInfo() << "Firmware write finished: quitting";
    emit stopped(leftWith);
    if (quitWanted) {
        emit ending();
        QCoreApplication::quit();
    } else if (closing) {
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
