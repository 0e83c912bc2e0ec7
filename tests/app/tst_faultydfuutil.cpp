#include "emulateddevice.h"
#include "emustate.h"
#include "programrun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <memory>

// The carried dfu-util misbehaving before it even looks at its arguments: the emulator's
// stand-in libusb holds it (hang_before_main) or makes it print without pause
// (flood_before_main) before dfu-util's main runs. Both runs of the built program go side by
// side, each against its own emulated Rel-41.
class tst_FaultyDfuUtil : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void executionTestHangs();
    void listRunFloods();

private:
    struct Run
    {
        EmulatedDevice device;
        ProgramRun program;
    };
    std::unique_ptr<Run> hanging;
    std::unique_ptr<Run> flooding;
    qint64 floodPeakKiB = 0; // the flooded program's peak resident memory, while it ran
};

namespace {

qint64 constexpr flood_mib = 2048;

QByteArray otp()
{
    std::vector<std::uint8_t> const record = emu::otp_record(0x04);
    QByteArray bytes(512, char(0xFF));
    bytes.replace(0, int(record.size()),
                  QByteArray(reinterpret_cast<char const*>(record.data()), int(record.size())));
    return bytes;
}

qint64 peakResidentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    QRegularExpression const peak(QStringLiteral("^VmHWM:\\s+(\\d+) kB"),
                                  QRegularExpression::MultilineOption);
    return peak.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

// The pid that the emulator recorded for the dfu-util run that a fault held.
qint64 heldRun(EmulatedDevice const& device, QString const& fault)
{
    for (QString const& line : device.transfers().filter(fault))
        return line.section(QStringLiteral("pid="), 1).section(QLatin1Char(' '), 0, 0).toLongLong();
    return 0;
}

} // namespace

void tst_FaultyDfuUtil::initTestCase()
{
    hanging = std::make_unique<Run>();
    flooding = std::make_unique<Run>();
    for (Run* run : {hanging.get(), flooding.get()}) {
        run->device.setOtp(otp());
        run->device.setFlash(EmulatedDevice::firmwareWithRevision("C3"));
        run->program.useDevice(run->device.dir());
    }
    hanging->device.setFault(QStringLiteral("hang_before_main"), QStringLiteral("-V"), -1);
    flooding->device.setFault(QStringLiteral("flood_before_main"),
                              QStringLiteral("-l:%1").arg(flood_mib), 1);
    for (Run* run : {hanging.get(), flooding.get()})
        run->program.start();
}

// An execution test that never ends makes dfu-util unusable: start-up ends after its 10 s
// with the message and a failure status, the hanging run killed and the working directory gone.
void tst_FaultyDfuUtil::executionTestHangs()
{
    ProgramRun& program = hanging->program;
    QTRY_VERIFY2_WITH_TIMEOUT(program.logHas(QStringLiteral("(\"-V\")")), program.describe(),
                              30000);
    QElapsedTimer sinceTest;
    sinceTest.start();
    QTRY_VERIFY2_WITH_TIMEOUT(program.ended(), program.describe(), 30000);
    qint64 const took = sinceTest.elapsed();
    QVERIFY2(took >= 9000 && took < 12500, qPrintable(QString::number(took)));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY(program.exitCode() != 0);
    QString const dir = program.workingDir();
    QVERIFY(!dir.isEmpty());
    QVERIFY2(program.log()
                 .split(QLatin1Char('\n'))
                 .contains(QStringLiteral(
                               "kalvora-upgrade: The program's dfu-util (%1/dfu-util) did not run "
                               "or did not answer within 10 s.")
                               .arg(dir)),
             program.describe());
    QVERIFY(!QFileInfo::exists(dir));
    QVERIFY(program.reports(QStringLiteral("shown")).isEmpty());
    qint64 const held = heldRun(hanging->device, QStringLiteral("hang_before_main -V"));
    QVERIFY(held > 0);
    QVERIFY(::kill(pid_t(held), 0) != 0 && errno == ESRCH);
}

// A list run that prints gigabytes is read to its end and all but its first MiB dropped: the
// program neither blocks on the pipe nor keeps the output, finds the device with the next
// run, and ends normally when closed.
void tst_FaultyDfuUtil::listRunFloods()
{
    ProgramRun& program = flooding->program;
    QString const connected = QStringLiteral("Connected to a Rel-41 with firmware version C3");
    QElapsedTimer watching;
    watching.start();
    while (program.status() != connected && !program.ended() && watching.elapsed() < 120000) {
        floodPeakKiB = qMax(floodPeakKiB, peakResidentKiB(program.pid()));
        QTest::qWait(100);
    }
    floodPeakKiB = qMax(floodPeakKiB, peakResidentKiB(program.pid()));
    QVERIFY2(program.status() == connected, program.describe());
    QVERIFY(heldRun(flooding->device, QStringLiteral("flood_before_main")) > 0);
    QRegularExpression const dropped(
        QStringLiteral("Output of \"%1/dfu-util\" beyond 1048576 bytes per stream was dropped: "
                       "(\\d+) bytes of standard output, 0 of standard error")
            .arg(QRegularExpression::escape(program.workingDir())));
    QRegularExpressionMatch const match = dropped.match(program.log());
    QVERIFY2(match.hasMatch(), program.describe());
    QVERIFY(match.captured(1).toLongLong() >= flood_mib * 1024 * 1024 - 1024 * 1024);
    // Far below what keeping the output would take.
    QVERIFY2(floodPeakKiB > 0 && floodPeakKiB < 512 * 1024,
             qPrintable(QString::number(floodPeakKiB)));

    QString const dir = program.workingDir();
    program.send("close");
    QTRY_VERIFY2_WITH_TIMEOUT(program.ended(), program.describe(), 30000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(dir));
}

QTEST_GUILESS_MAIN(tst_FaultyDfuUtil)
#include "tst_faultydfuutil.moc"
