#include "sleepinhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDebug>

#include <atomic>
#include <unistd.h>

namespace support {

namespace {

int const call_timeout_ms = 2000;

void report_once(QString const& reason)
{
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        qInfo().noquote() << "The machine may go to sleep during a firmware write (no sleep "
                             "inhibitor):"
                          << reason;
}

} // namespace

SleepInhibitor::SleepInhibitor(QString const& why)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        report_once(QStringLiteral("no system bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Kalvora Firmware Upgrade Tool") << why
         << QStringLiteral("block");
    QDBusMessage const reply = bus.call(call, QDBus::Block, call_timeout_ms);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        report_once(reply.errorMessage());
        return;
    }
    auto const lock = reply.arguments().first().value<QDBusUnixFileDescriptor>();
    if (lock.isValid())
        fd = ::dup(lock.fileDescriptor());
}

SleepInhibitor::~SleepInhibitor()
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace support
