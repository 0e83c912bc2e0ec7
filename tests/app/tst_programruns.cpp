#include "emulateddevice.h"
#include "emustate.h"
#include "programrun.h"
#include "testpaths.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

// Runs of the built program against the emulated bootloader that only a whole run shows: the
// extracted image changed on disk behind its back, a device whose revision text looks like
// markup, and a log window closed while the worker still writes its last lines.
class tst_ProgramRuns : public QObject
{
    Q_OBJECT

private slots:
    void imageChangedOnDisk_data();
    void imageChangedOnDisk();
    void revisionShownLiterally();
    void logKeptWhenClosedDuringReadBack();

private:
    static void prepare(EmulatedDevice& device, QByteArray const& flash);
    static bool endsNormally(ProgramRun& program, QString const& dir);
};

namespace {

int constexpr image_size = 807136;
int constexpr timeout = 60000;

QByteArray carriedImage()
{
    QFile f(TestPaths::generated_file(QStringLiteral("firmware.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool anyBold(QString const& html)
{
    QTextDocument document;
    document.setHtml(html);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().fontWeight() > QFont::Normal)
                return true;
    return false;
}

} // namespace

void tst_ProgramRuns::prepare(EmulatedDevice& device, QByteArray const& flash)
{
    std::vector<std::uint8_t> const record = emu::otp_record(0x04);
    QByteArray otp(512, char(0xFF));
    otp.replace(0, int(record.size()),
                QByteArray(reinterpret_cast<char const*>(record.data()), int(record.size())));
    device.setOtp(otp);
    device.setFlash(flash);
}

bool tst_ProgramRuns::endsNormally(ProgramRun& program, QString const& dir)
{
    program.send("close");
    QElapsedTimer timer;
    timer.start();
    while (!program.ended() && timer.elapsed() < 30000)
        QTest::qWait(50);
    return program.ended() && program.exitStatus() == QProcess::NormalExit &&
           program.exitCode() == 0 && !dir.isEmpty() && !QFileInfo::exists(dir);
}

void tst_ProgramRuns::imageChangedOnDisk_data()
{
    QTest::addColumn<bool>("lampHasTheChange");
    QTest::newRow("lamp with C3") << false;
    QTest::newRow("lamp holding the changed image") << true;
}

// The image file in the working directory is what dfu-util writes. Changed after start-up, it
// is refused: the device gets nothing, the window says why and never reports success, also
// 35 s later. A lamp that holds the same change is read back against the carried image, never
// against the file: its check fails.
void tst_ProgramRuns::imageChangedOnDisk()
{
    QFETCH(bool, lampHasTheChange);
    EmulatedDevice device;
    QByteArray const c3 = EmulatedDevice::firmwareWithRevision("C3");
    QByteArray changed = carriedImage();
    changed[0x1000] = char(~changed[0x1000]);
    prepare(device, lampHasTheChange ? changed : c3);
    ProgramRun program;
    program.useDevice(device.dir());
    program.start();
    QString dir;
    QTRY_VERIFY2_WITH_TIMEOUT(!(dir = program.workingDir()).isEmpty() &&
                                  QFileInfo::exists(dir + QStringLiteral("/firmware.bin")),
                              program.describe(), timeout);
    QString const image = dir + QStringLiteral("/firmware.bin");
    QFile file(image);
    QFile::Permissions const permissions = file.permissions();
    QVERIFY(!(permissions & QFile::WriteOwner)); // extracted read-only
    QVERIFY(file.setPermissions(permissions | QFile::WriteOwner));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(0x1000));
    QVERIFY(file.putChar(changed.at(0x1000)));
    file.close();
    QVERIFY(file.setPermissions(permissions));
    if (lampHasTheChange) {
        QTRY_VERIFY2_WITH_TIMEOUT(program.status().startsWith("The firmware check failed"),
                                  program.describe(), timeout);
        QVERIFY(!program.barShowed(QStringLiteral("Done. Disconnect USB cable.")));
        QVERIFY(endsNormally(program, dir));
        return;
    }
    QTRY_VERIFY2_WITH_TIMEOUT(program.buttonEnabled(), program.describe(), timeout);
    QCOMPARE(program.status(), QStringLiteral("Connected to a Rel-41 with firmware version C3"));
    int const transfersBefore = device.transfers().size();

    program.send("click");
    QString const refused = QStringLiteral("The firmware was not written: this tool's firmware "
                                           "file was changed on disk. Close the tool and start it "
                                           "again.");
    QTRY_COMPARE_WITH_TIMEOUT(program.status(), refused, timeout);
    QVERIFY2(program.logHas(QStringLiteral("Download refused: %1 differs from the firmware this "
                                           "program carries")
                                .arg(image)),
             program.describe());
    QTest::qWait(35000); // the worker goes on polling the device; nothing else happens
    QCOMPARE(program.status(), refused);
    QVERIFY(!program.buttonEnabled());
    QVERIFY(!program.barShowed(QStringLiteral("Done. Disconnect USB cable.")));
    QCOMPARE(device.transfers().mid(transfersBefore).filter(QStringLiteral("DNLOAD")),
             QStringList());
    QVERIFY(device.flash().left(image_size) == c3);
    QVERIFY(endsNormally(program, dir));
}

// The revision comes from the device: markup in it is shown as the characters it is, in the
// status line and in the log window, and its Latin-1 bytes as their characters.
void tst_ProgramRuns::revisionShownLiterally()
{
    EmulatedDevice device;
    QByteArray const revision("<b>C5&lt;R&D\xE9\xFC\xDF");
    QString const shown = QString::fromLatin1(revision);
    prepare(device, EmulatedDevice::firmwareWithRevision(revision));
    ProgramRun program;
    program.useDevice(device.dir());
    program.start({QStringLiteral("-l")});
    QString const status = QStringLiteral("Connected to a Rel-41 with firmware version ") + shown;
    QTRY_COMPARE_WITH_TIMEOUT(program.status(), status, timeout);
    QString const html =
        program.reports(QStringLiteral("status")).last().value(QStringLiteral("html")).toString();
    QVERIFY2(!anyBold(html), qPrintable(html));

    program.send("log");
    QTRY_VERIFY_WITH_TIMEOUT(program.commandDone(QStringLiteral("log")), timeout);
    QStringList lines;
    for (QJsonValue const& line :
         program.reports(QStringLiteral("log")).last().value(QStringLiteral("lines")).toArray())
        lines << line.toString();
    QVERIFY2(lines.contains(QStringLiteral("\tFW_revision:\t") + shown),
             qPrintable(lines.filter(QStringLiteral("FW_revision")).join(QLatin1Char('\n'))));
    QVERIFY(lines.contains(QStringLiteral("  Rev.: ") + shown));
    QVERIFY(endsNormally(program, program.workingDir()));
}

// With the log window, standard error gets each line when it is logged: closed during a
// read-back, the program ends the read-back, which reports nothing (it tells nothing of the
// lamp), and writes its own shutdown there after its event loop has ended.
void tst_ProgramRuns::logKeptWhenClosedDuringReadBack()
{
    EmulatedDevice device;
    prepare(device, carriedImage()); // the carried revision: verified without a click
    device.set(QStringLiteral("timing"), QStringLiteral("realistic"));
    device.set(QStringLiteral("time_scale"), QStringLiteral("2")); // a 3-second read-back
    ProgramRun program;
    program.useDevice(device.dir());
    program.start({QStringLiteral("-l")});
    // The bar shows the read-back as soon as it is asked for; the worker takes it up at its
    // next poll and starts dfu-util, which writes the file uploaded_FW.bin.
    auto const readingBack = [&program] {
        QList<QJsonObject> const bars = program.reports(QStringLiteral("bar"));
        return !bars.isEmpty() &&
               bars.last().value(QStringLiteral("format")).toString() == "Uploading & verifying" &&
               program.logHas(QStringLiteral("/uploaded_FW.bin\""));
    };
    QTRY_VERIFY2_WITH_TIMEOUT(readingBack(), program.describe(), timeout);
    QString const dir = program.workingDir();
    QVERIFY(endsNormally(program, dir));

    QStringList const log = program.log().split(QLatin1Char('\n'));
    auto const at = [&log](QString const& start) {
        for (int i = 0; i < log.size(); ++i)
            if (log.at(i).startsWith(start))
                return i;
        return -1;
    };
    int const loopEnded = at(QStringLiteral("Info: app.exec() returns:  0"));
    int const verdict = at(QStringLiteral("Debug: Uploaded FW"));
    QVERIFY2(
        loopEnded > at(QStringLiteral("Info: Trying to stop sm_A")) && verdict < 0,
        qPrintable(log.filter(QRegularExpression(QStringLiteral("^(Info|Debug): (SM_A|Uploaded|"
                                                                "app.exec|Start)")))
                       .join(QLatin1Char('\n'))));
    QVERIFY(at(QStringLiteral("Info: Waiting 2 s before deleting objects")) > loopEnded);
    QVERIFY(at(QStringLiteral("Debug: SM_A: Waiting in dtor")) > loopEnded);
}

QTEST_GUILESS_MAIN(tst_ProgramRuns)
#include "tst_programruns.moc"
