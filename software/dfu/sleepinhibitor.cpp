#include "sleepinhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <unistd.h>

namespace support {

namespace {

int const call_timeout_ms = 2000;
char const* const kinds[] = {"sleep", "idle", "handle-lid-switch"};

void report_once(QString const& reason)
{
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        qInfo().noquote() << "The machine may go to sleep during a firmware write (no sleep "
                             "inhibitor):"
                          << reason;
}

} // namespace

SleepInhibitor::SleepInhibitor(QString const& why, std::function<bool()> const& give_up)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        report_once(QStringLiteral("no system bus"));
        return;
    }
    std::vector<QDBusPendingCall> calls;
    for (char const* kind : kinds) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QString::fromLatin1(kind) << QStringLiteral("Kalvora Firmware Upgrade Tool")
             << why << QStringLiteral("block");
        calls.push_back(bus.asyncCall(call, call_timeout_ms));
    }
    // The replies are taken in by the bus's own thread: this one only looks, so that a stop
    // is never held up by a slow bus.
    QElapsedTimer waited;
    waited.start();
    auto const all_answered = [&calls] {
        for (QDBusPendingCall const& call : calls)
            if (!call.isFinished())
                return false;
        return true;
    };
    while (!all_answered() && waited.elapsed() < call_timeout_ms && !(give_up && give_up()))
        QThread::msleep(5);
    QStringList refused;
    for (QDBusPendingCall const& call : calls) {
        if (!call.isFinished())
            continue; // a late answer is dropped, and the lock it brings with it
        QDBusPendingReply<QDBusUnixFileDescriptor> const reply = call;
        if (reply.isError() || !reply.value().isValid()) {
            refused << reply.error().message();
            continue;
        }
        int const fd = ::dup(reply.value().fileDescriptor());
        if (fd >= 0)
            locks.push_back(fd);
    }
    if (!refused.isEmpty())
        report_once(refused.join(QStringLiteral("; ")));
}

SleepInhibitor::~SleepInhibitor()
{
    for (int fd : locks)
        ::close(fd);
}

} // namespace support
