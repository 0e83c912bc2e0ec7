#pragma once

#include "dfu/scan.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class SM_A;
class SM_B;
namespace DFU {
struct DeviceInfo;
}

// What the tool concludes about a lamp, or about the lamps it cannot handle.
enum class Outcome
{
    none,            // nothing concluded yet: no lamp, or one being read
    upgradable,      // the right product with another revision: install
    verifying,       // it has the carried revision: it is being read back
    verified,        // the read-back equals the carried image
    checkFailed,     // the read-back differs
    written,         // written whole; not read back yet
    writeIncomplete, // its last write ended before the whole image was written
    noEffect,        // back from a whole write with another revision than the carried one
    wrongProduct,
    blankRecord,
    unreadable,
    folderFull,      // it could not be read or checked: no room for what is read from it
    folderFullWrite, // the write was not started: no room for its read-back
    refused,         // the write was not started: the image file changed on disk
    noLamp,          // none within the bench command's wait
    noPermission,    // this user may not open the bootloader that is connected
    severalDevices,  // more than one bootloader is connected
    // What a stop left the lamp read last with.
    stopped, // untouched, or no lamp
    stoppedAfterVerified,
    stoppedAfterWrite,
    stoppedWriteIncomplete,
    stoppedBeforeCheck,
    stoppedAfterFailedCheck,
    stoppedAfterNoEffect,
};

// How each outcome is told: by the window's status line and by the bench command.
struct OutcomeRow
{
    Outcome outcome;
    char const* text;   // the id of the status text in the layout file
    bool install;       // whether install may be offered (the flow must offer it too)
    char const* result; // the bench command's result; null: the lamp has none yet
    int exit;           // the bench command's exit status for that result
};
OutcomeRow const& row(Outcome outcome);
char const* name(Outcome outcome); // for the log

// What the tool did to each lamp it has seen, kept for the program's life and keyed by the
// lamp's serial number, and what it concluded. It follows the worker's reports (each names its
// lamp) and the flow's classification, and has recorded each before the lifecycle, the window
// or the bench command reads it.
class LampAccount : public QObject
{
    Q_OBJECT

public:
    // What the tool knows the lamp holds, changed only by what really happened to it.
    enum class Holds
    {
        untouched,
        writtenPartly, // a write started and its progress stayed below 100 %
        writtenWhole,  // a write's progress reached 100 %; not checked since
        verified,
        checkFailed,
        noEffect, // back from a whole write with another revision
    };
    enum class UnderWay
    {
        nothing,
        reading,
        writing,
        readingBack, // asked for or running
    };
    struct Lamp
    {
        QString serial;
        QString product;
        QStringList revisions; // each revision read from it, in order
        Holds holds = Holds::untouched;
        UnderWay underWay = UnderWay::nothing;
        bool connected = false;
        bool blank = false; // its product record is blank
        Outcome outcome = Outcome::none;
        QList<QPair<Outcome, QDateTime>> history; // every conclusion, with its time
    };

    // The worker's last list run: what dfu-util printed and what the scan concluded, since when.
    struct ListRun
    {
        QString output;
        QString errorOutput;
        QString conclusion;
        QDateTime at;
    };

    // Connects to the worker before anything else does, so it must exist before the flow.
    explicit LampAccount(SM_A* worker, QObject* parent = nullptr);
    void follow(SM_B* flow);

    Lamp const* lamp(QString const& serial) const; // null: never seen
    QList<Lamp> lamps() const;                    // in the order they were first seen
    QString lastRead() const { return last; }
    // What the lamp concluded last is, or the reason no lamp is handled.
    Outcome current() const;
    // What a stop leaves the lamp with.
    Outcome afterStop(QString const& serial) const;
    DFU::ScanProblem scanProblem() const { return problem; }
    ListRun lastListRun() const { return listRun; }

signals:
    // After each conclusion about the lamp is recorded.
    void concluded(QString const& serial, Outcome outcome);

private:
    Lamp& at(QString const& serial);
    void conclude(QString const& serial, Outcome outcome);
    void classified();
    void deviceAnnounced(DFU::DeviceInfo const& info);
    void downloadEnded(bool whole, QString const& serial);
    void noDevice();

    QHash<QString, Lamp> all;
    QStringList order;
    QString last;
    DFU::ScanProblem problem = DFU::ScanProblem::none;
    ListRun listRun;
};

char const* name(LampAccount::Holds holds); // for the log and a support report
