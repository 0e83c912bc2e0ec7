// The machine is kept awake while the worker writes or reads back the firmware: a logind
// inhibitor lock, checked against python3-dbusmock's logind on a private system bus.

#include "dfu/sleepinhibitor.h"
#include "logcapture.h"
#include "workerfixture.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

int const wait_ms = 15000;

QStringList locksFor(QString const& why) // the three locks, each asked for on its own
{
    return QStringList{"handle-lid-switch", "idle", "sleep"}.replaceInStrings(
        QRegularExpression(QStringLiteral("$")), "|Kalvora Firmware Upgrade Tool|" + why + "|block");
}
QString const mockPython = QStringLiteral("/usr/bin/python3");

} // namespace

class TestSleepInhibitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void lockFollowsTheInhibitor();
    void lockIsHeldWhileTheWorkerWrites_data();
    void lockIsHeldWhileTheWorkerWrites();
    void withoutBusTheUpgradeWorks();

private:
    // (what, who, why, mode) of each lock logind holds now.
    QStringList inhibitors();

    QProcess bus;
    QProcess logind;
};

void TestSleepInhibitor::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    if (!QFileInfo(mockPython).isExecutable() ||
        QProcess::execute(mockPython, {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0)
        QSKIP("python3-dbusmock is not installed");
    // Both end with the test, however it ends (killed at a time limit too).
    QStringList const withTheTest{QStringLiteral("--pdeathsig"), QStringLiteral("KILL")};
    bus.start(QStringLiteral("setpriv"),
              withTheTest + QStringList{QStringLiteral("dbus-daemon"), QStringLiteral("--session"),
                                        QStringLiteral("--nofork"),
                                        QStringLiteral("--print-address=1")});
    QVERIFY(bus.waitForReadyRead(10000));
    QByteArray const address = bus.readLine().trimmed();
    QVERIFY(!address.isEmpty());
    // Read by the program's first use of the system bus, which happens in this test only.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    logind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    logind.start(QStringLiteral("setpriv"),
                 withTheTest + QStringList{mockPython, QStringLiteral("-m"),
                                           QStringLiteral("dbusmock"), QStringLiteral("--system"),
                                           QStringLiteral("--template"), QStringLiteral("logind")});
    QDBusConnection system = QDBusConnection::systemBus();
    QVERIFY(system.isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(system.interface()->isServiceRegistered(
                                 QStringLiteral("org.freedesktop.login1")),
                             wait_ms);
}

void TestSleepInhibitor::cleanupTestCase()
{
    for (QProcess* p : {&logind, &bus}) {
        p->terminate();
        p->waitForFinished(5000);
    }
}

QStringList TestSleepInhibitor::inhibitors()
{
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QDBusConnection::systemBus());
    QDBusMessage const reply = manager.call(QStringLiteral("ListInhibitors"));
    QStringList locks;
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {QStringLiteral("no answer: ") + reply.errorMessage()};
    QDBusArgument const list = reply.arguments().first().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        locks << QStringList{what, who, why, mode}.join(QLatin1Char('|'));
    }
    list.endArray();
    locks.sort();
    return locks;
}

void TestSleepInhibitor::lockFollowsTheInhibitor()
{
    QCOMPARE(inhibitors(), QStringList());
    {
        support::SleepInhibitor const awake(QStringLiteral("testing"));
        QVERIFY(awake.isHeld());
        QCOMPARE(inhibitors(), locksFor(QStringLiteral("testing")));
    }
    QTRY_COMPARE_WITH_TIMEOUT(inhibitors(), QStringList(), wait_ms);
}

void TestSleepInhibitor::lockIsHeldWhileTheWorkerWrites_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("why");
    QTest::newRow("download") << "download" << 0 << "Writing firmware to the lamp";
    QTest::newRow("failing download") << "download" << 74 << "Writing firmware to the lamp";
    QTest::newRow("read-back") << "readback" << 0 << "Verifying the lamp's firmware";
}

// Taken when the run starts, released when it ends, whatever its outcome.
void TestSleepInhibitor::lockIsHeldWhileTheWorkerWrites()
{
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QString, why);
    WorkerFixture f;
    f.plug_product("C3");
    f.device.setFlash(f.image);
    f.worker->start();
    QTRY_COMPARE_WITH_TIMEOUT(f.log->count("DevConn"), 1, wait_ms);
    f.device.setDelayMs(1500);
    f.device.setDownloadExitCode(exitCode);
    bool const download = command == QLatin1String("download");
    f.worker->set_command(download ? SM_A::DownloadFW : SM_A::UploadAndCompareFW,
                          f.connection());
    QString const started = download ? "FwDownloading" : "FwUploading";
    QString const ended = download ? "FwDownloaded" : "FwUploadedMatches";
    QTRY_VERIFY_WITH_TIMEOUT(f.log->names().contains(started), wait_ms);
    QCOMPARE(inhibitors(), locksFor(why));
    QTRY_VERIFY_WITH_TIMEOUT(f.log->names().contains(ended), wait_ms);
    QTRY_COMPARE_WITH_TIMEOUT(inhibitors(), QStringList(), wait_ms);
    f.device.setDelayMs(0);
    QVERIFY(f.stops_within(10000));
}

// Without a system bus: said once, and the write goes ahead.
void TestSleepInhibitor::withoutBusTheUpgradeWorks()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
               QStringLiteral("unix:path=/nonexistent/system_bus_socket"));
    env.insert(QStringLiteral("TST_SLEEPINHIBITOR_NO_BUS"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(60000));
    QByteArray const output = child.readAllStandardOutput() + child.readAllStandardError();
    QVERIFY2(child.exitCode() == 0, output.constData());
}

// Two downloads without a bus: both complete, the missing lock is reported once.
static int downloadsWithoutBus()
{
    LogCapture log;
    WorkerFixture f;
    f.plug_product("C3");
    f.worker->start();
    for (int round = 1; round <= 2; ++round) {
        QElapsedTimer timer;
        timer.start();
        while (f.log->count("DevConn") < round && timer.elapsed() < wait_ms)
            QTest::qWait(10);
        f.worker->set_command(SM_A::DownloadFW, f.connection());
        while (f.log->count("FwDownloaded") < round && timer.elapsed() < wait_ms)
            QTest::qWait(10);
    }
    bool const ok = f.stops_within(10000) && f.log->count("FwDownloaded") == 2 &&
                    f.device.countCalls("-D") == 2 && f.device.flash() == f.image;
    int const reported = log.texts(QtInfoMsg)
                             .filter(QStringLiteral("no sleep inhibitor"))
                             .size();
    std::fprintf(stderr, "downloads ok: %d, reported: %d\n", int(ok), reported);
    return ok && reported == 1 ? 0 : 1;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TST_SLEEPINHIBITOR_NO_BUS"))
        return downloadsWithoutBus();
    TestSleepInhibitor test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sleepinhibitor.moc"
