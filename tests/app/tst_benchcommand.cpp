#include "emulateddevice.h"
#include "emustate.h"
#include "programrun.h"
#include "testpaths.h"
#include "wholeprogram.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QtTest>

#include <csignal>

using namespace WholeProgram;

// kalvora-upgrade-cli against the emulated bootloader: what it writes, what it reports on
// standard output (JSON Lines alone) and its exit status.
class tst_BenchCommand : public QObject
{
    Q_OBJECT

private slots:
    void lamps_data();
    void lamps();
};

void tst_BenchCommand::lamps_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("results"); // of each lamp, in order
    QTest::addColumn<int>("exit");
    QStringList const none, two{"--count", "2"};
    QTest::newRow("one lamp") << 0x04 << QString() << none << "verified" << 0;
    QTest::newRow("a K7") << 0x2B << QString() << none << "wrong_product" << 3;
    QTest::newRow("flipped read-back") << 0x04 << "flip_readback" << none << "check_failed" << 5;
    QTest::newRow("two lamps") << 0x04 << QString() << two << "verified,verified" << 0;
    // Lamp 2 is plugged in while lamp 1 is still connected, then lamp 1 is unplugged.
    QTest::newRow("two lamps, the second plugged in first")
        << 0x04 << QString() << two << "verified,verified" << 0;
    QTest::newRow("lamp 1's write breaks off, then lamp 2")
        << 0x04 << "err_write" << two << "write_failed,verified" << 6;
    QTest::newRow("SIGTERM half-way") << 0x04 << QString() << none << "written_unchecked" << 143;
    QTest::newRow("one lamp, a support report")
        << 0x04 << QString() << QStringList{"--report", "report.txt"} << "verified" << 0;
    QTest::newRow("simulator, no display") << 0x04 << QString() << QStringList{"-s"} << "verified" << 0;
}

void tst_BenchCommand::lamps()
{
    QFETCH(int, product);
    QFETCH(QString, fault);
    QFETCH(QStringList, arguments);
    QFETCH(QString, results);
    QFETCH(int, exit);
    bool const twoLamps = arguments.contains(QStringLiteral("2")), sigterm = exit == 128 + SIGTERM;
    bool const secondFirst = QByteArray(QTest::currentDataTag()).endsWith("plugged in first");
    QByteArray const c3 = EmulatedDevice::firmwareWithRevision("C3");
    EmulatedDevice device;
    device.setOtp(otpOf(product));
    device.setFlash(c3);
    if (!fault.isEmpty())
        device.setFault(fault, QStringLiteral("0x08010000"), -1);
    if (sigterm) // a write of about 15 s, as a real lamp's
        device.set(QStringLiteral("timing"), QStringLiteral("realistic"));
    ProgramRun run;
    run.program = QFileInfo(TestPaths::program()).dir().filePath("kalvora-upgrade-cli");
    run.outputFile = QDir(run.directory()).filePath(QStringLiteral("events.jsonl"));
    run.environment.remove(QStringLiteral("DISPLAY"));
    run.environment.insert(QStringLiteral("KALVORA_SIM_FAST_PROGRESS"), QStringLiteral("1"));
    if (!arguments.contains(QStringLiteral("-s")))
        run.useDevice(device.dir());
    run.start(arguments);
    auto const events = [&run] { // an empty object for a line that is not a JSON object
        QList<QJsonObject> all;
        QFile file(run.outputFile);
        file.open(QIODevice::ReadOnly);
        for (QByteArray const& line : file.readAll().split('\n'))
            all << QJsonDocument::fromJson(line).object();
        return all.mid(0, all.size() - 1); // after the last line's end
    };
    if (twoLamps) { // the second lamp once the first has its result
        QTRY_VERIFY2_WITH_TIMEOUT(!events().isEmpty() && events().last().value("event") == "result",
                                  run.describe(), 60000);
        QString const second = QStringLiteral("376235643037");
        if (secondFirst) { // both are listed; lamp 1 then leaves and lamp 2 stays
            device.set(QStringLiteral("second_serial"), second);
            QTest::qWait(3000);
        } else {
            device.set(QStringLiteral("present"), QStringLiteral("0"));
            QTest::qWait(1500);
        }
        if (!fault.isEmpty())
            device.set(QStringLiteral("fault.") + fault, QString());
        device.setFlash(c3);
        device.set(QStringLiteral("serial"), second);
        device.set(QStringLiteral("second_serial"), QString());
        device.set(QStringLiteral("present"), QStringLiteral("1"));
    }
    if (sigterm) {
        QTRY_VERIFY2_WITH_TIMEOUT(device.written() > 807136 / 2, run.describe(), 60000);
        run.signal(SIGTERM);
    }
    QTRY_VERIFY2_WITH_TIMEOUT(run.ended(), run.describe(), 120000);
    QCOMPARE(run.exitCode(), exit);
    QList<QJsonObject> const all = events();
    QStringList kinds;
    for (QJsonObject const& event : all)
        kinds << event.value("event").toString(); // empty: not a JSON object
    QStringList got;
    for (QJsonObject const& event : all)
        if (event.value("event") == "result")
            got << event.value("result").toString();
    QVERIFY2(!kinds.contains(QString()), run.describe());
    QCOMPARE(kinds.last(), QStringLiteral("result"));
    QCOMPARE(got.join(QLatin1Char(',')), results);
    if (arguments.contains(QStringLiteral("--report"))) { // nothing private in it
        QFile file(QDir(run.directory()).filePath(QStringLiteral("report.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString const report = QString::fromUtf8(file.readAll());
        QFile osRelease(QStringLiteral("/etc/os-release"));
        osRelease.open(QIODevice::ReadOnly);
        QString const pretty = QString::fromUtf8(osRelease.readAll()).section("PRETTY_NAME=\"", 1).section('"', 0, 0);
        for (QString const& part : {QStringLiteral("serial 376235643036, product Rel-41, revisions read: C3, C4"),
                                    QStringLiteral(" verified\n"), QStringLiteral("dfu-util: dfu-util 0.11"), pretty})
            QVERIFY2(report.contains(part), qPrintable(part));
        for (QString const& secret : {QDir::homePath(), qEnvironmentVariable("USER", "root"), QSysInfo::machineHostName()})
            QVERIFY2(!report.contains(secret), qPrintable(secret));
    }
    if (!arguments.contains(QStringLiteral("-s"))) // a K7 is never written
        QCOMPARE(device.flash().left(807136) == carriedFirmware(), product == 0x04);
}

QTEST_GUILESS_MAIN(tst_BenchCommand)
#include "tst_benchcommand.moc"
