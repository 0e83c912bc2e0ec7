#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The devices that the fake dfu-util (tests/helpers/fake_dfu_util.cpp) presents. The state
// lives in a temporary folder; the constructor points FAKE_DFU_DIR at it, so dfu-util runs
// from any thread of the test see the same devices. Every change is made under the lock that
// each run holds for its whole length: it acts on the next run, never on half of one.
//
// Two layouts: the methods up to countCalls() describe one device whose list output is given
// as text; setUnits() switches to a bus of whole devices, each with its serial, memory and
// faults, where a swap replaces the present ones at once.
class FakeDevice
{
public:
    FakeDevice();
    ~FakeDevice();

    QString dir() const { return state.path(); }

    // What "-l" prints after the banner: nothing (no device) or device lines.
    void unplug();
    void plug(QString const& serial = QStringLiteral("3276365F3236"), int alternates = 4);
    void setListOutput(QByteArray const& lines);
    void setListExitCode(int code);
    void vanish(); // gone from the bus: every run fails as dfu-util does without a device
    static QByteArray deviceLines(QString const& serial, int alternates = 4);

    // Memory behind the uploads: the OTP area, the flash.
    void setOtp(QByteArray const& bytes);
    void setFlash(QByteArray const& bytes);
    QByteArray flash() const;
    static QByteArray otpRecord(quint8 type, int offset = 0);
    // A flash image whose information block names product type and revision.
    static QByteArray flashWithInfo(quint8 type, QByteArray const& revision);

    void failUpload(QString const& address, int code); // 0 clears the failure
    void setDownloadExitCode(int code);
    void setFlipReadback(bool on);
    void setLeaveUnplugs(bool on); // a download makes the device vanish (list shows nothing)
    void setDelayMs(int ms);       // every run takes this long

    QStringList calls() const; // one entry per run: the arguments joined by tabs
    void clearCalls();
    // Runs with an argument equal to argument, or to argument followed by ':' and more.
    int countCalls(QString const& argument) const;

    // A whole device on the bus.
    struct Unit
    {
        QString serial;
        QByteArray otp;
        QByteArray flash;
        int otpReadFails = 0;   // exit code of every OTP upload; 0: they work
        int infoReadFails = 0;  // exit code of every information-block upload (2048 bytes or less)
        int otpDumpBytes = -1;  // an OTP upload exits 0 but writes only this many bytes; -1: all
        int infoDumpBytes = -1; // the same for information-block uploads
        bool flipReadback = false; // uploads longer than 2048 bytes return their last byte flipped
    };

    // Makes exactly units present, in this order, with the memory and faults given. Returns
    // the bus generation that the runs after the change log.
    int setUnits(QList<Unit> const& units);
    // Gives the bus a unit without making it present (a device on the shelf).
    void addUnit(Unit const& unit);
    // Makes exactly the units of serials present (each one given to setUnits() or addUnit()
    // before), with the memory they have now.
    int setPresent(QStringList const& serials);
    // Replaces the faults of the unit of unit.serial; its memory stays.
    void setUnitFaults(Unit const& unit);
    QByteArray unitFlash(QString const& serial) const;

    // One line of runs.log: a run of the fake, as it saw the bus when it started.
    struct Run
    {
        qint64 begin = 0; // offsets of the line in runs.log
        qint64 end = 0;
        int generation = 0;
        QString device; // serial of the device it talked to; empty: none
        QString op;     // version, list, upload, download or other
        int exitCode = 0;
        QString address; // upload: memory address and length asked for, bytes written
        int length = 0;
        int written = 0;
        QString memory;            // upload: hash of the device's memory in the range asked for
        QString returned;          // upload: hash of the bytes written; download: hash of the image
        bool equalsMemory = false; // upload: the bytes written are the device's memory
        QStringList listed;        // list: the serials shown
        QString text;              // the line as logged
    };
    // The whole lines of runs.log from offset on; offset moves past them.
    QList<Run> runsFrom(qint64* offset) const;
    // The size of runs.log: a run that ended before this call lies below it. Cheap; any thread.
    qint64 runsLogSize() const;
    // The hash that runs.log gives for bytes.
    static QString hashOf(QByteArray const& bytes);

private:
    void write(QString const& name, QByteArray const& bytes);
    void remove(QString const& name);
    void writeUnit(Unit const& unit, bool withMemory);
    int writeBus(QStringList const& serials);
    QTemporaryDir state;
    QByteArray runsLogPath;
    int generation = 0;
};
