#include "lampaccount.h"

#include "options.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QDebug>

#include <algorithm>
#include <iterator>

namespace {

// One row per outcome, in the enum's order.
OutcomeRow const table[] = {
    {Outcome::none, "status_noDev", false, nullptr, 0},
    {Outcome::upgradable, "status_devRev", true, nullptr, 0},
    {Outcome::verifying, "status_devConn", false, nullptr, 0},
    {Outcome::verified, "status_devRev", false, "verified", 0},
    {Outcome::checkFailed, "status_fwDiffers", true, "check_failed", 5},
    {Outcome::written, "status_noDev", false, nullptr, 0},
    {Outcome::writeIncomplete, "status_writeIncomplete", true, "write_failed", 6},
    {Outcome::noEffect, "status_noEffect", true, "no_effect", 6},
    {Outcome::wrongProduct, "status_devConn", false, "wrong_product", 3},
    {Outcome::blankRecord, "status_devRevUnknown", have_service_build(), "blank_record", 3},
    {Outcome::unreadable, "status_devUnreadable", false, "unreadable", 4},
    {Outcome::folderFull, "status_folderFull", false, "folder_full", 9},
    {Outcome::folderFullWrite, "status_folderFullWrite", false, "folder_full", 9},
    {Outcome::refused, "status_imageChanged", false, "write_failed", 6},
    {Outcome::noLamp, "status_noDev", false, "no_lamp", 10},
    {Outcome::noPermission, "status_accessRefused", false, "no_permission", 7},
    {Outcome::severalDevices, "status_severalDevices", false, "several_devices", 8},
    {Outcome::stopped, "status_stopped", false, "stopped", 0},
    {Outcome::stoppedAfterVerified, "status_stoppedAfterVerified", false, "verified", 0},
    {Outcome::stoppedAfterWrite, "status_stoppedAfterWrite", false, "written_unchecked", 6},
    {Outcome::stoppedWriteIncomplete, "status_stoppedWriteIncomplete", false, "write_failed", 6},
    {Outcome::stoppedBeforeCheck, "status_stoppedBeforeCheck", false, "stopped", 0},
    {Outcome::stoppedAfterFailedCheck, "status_stoppedAfterFailedCheck", false, "check_failed", 5},
    {Outcome::stoppedAfterNoEffect, "status_stoppedAfterNoEffect", false, "no_effect", 6},
};

char const* const names[] = {
    "none", "upgradable", "verifying", "verified", "check failed", "written",
    "write incomplete", "no effect", "wrong product", "blank record", "unreadable",
    "folder full", "folder full before the write", "write refused", "no lamp",
    "no permission", "several devices", "stopped", "stopped after verified",
    "stopped after write", "stopped, write incomplete", "stopped before check",
    "stopped after failed check", "stopped after no effect",
};

static_assert(std::size(table) == std::size(names));
static_assert(std::size(table) == std::size_t(Outcome::stoppedAfterNoEffect) + 1);

} // namespace

OutcomeRow const& row(Outcome outcome)
{
    OutcomeRow const& r = table[int(outcome)];
    Q_ASSERT(r.outcome == outcome);
    return r;
}

char const* name(Outcome outcome)
{
    return names[int(outcome)];
}

char const* name(LampAccount::Holds holds)
{
    switch (holds) {
    case LampAccount::Holds::untouched: return "untouched by this tool";
    case LampAccount::Holds::writtenPartly: return "written partly: the write did not complete";
    case LampAccount::Holds::writtenWhole: return "written whole, not checked";
    case LampAccount::Holds::verified: return "verified: the carried firmware";
    case LampAccount::Holds::checkFailed: return "check failed: not the carried firmware";
    case LampAccount::Holds::noEffect: return "written whole, without effect";
    }
    return "?";
}

LampAccount::LampAccount(SM_A* worker, QObject* parent) : QObject(parent)
{
    connect(worker, &SM_A::sig_readingInfo, this, [this](QString const& serial) {
        last = serial;
        Lamp& lamp = at(serial);
        lamp.connected = true;
        lamp.underWay = UnderWay::reading;
        lamp.outcome = Outcome::none;
    });
    connect(worker, &SM_A::sig_NoDevConn, this, &LampAccount::noDevice);
    connect(worker, &SM_A::sig_DevConn, this, &LampAccount::deviceAnnounced);
    connect(worker, &SM_A::sig_DeviceError, this, [this](QString const&, QString const& serial) {
        conclude(serial, Outcome::unreadable);
    });
    connect(worker, &SM_A::sig_FolderFull, this,
            [this](QString const&, qint64, bool before_write, QString const& serial) {
                conclude(serial, before_write ? Outcome::folderFullWrite : Outcome::folderFull);
            });
    // A download refused or not started changes nothing on the lamp.
    connect(worker, &SM_A::sig_FwDownloadRefused, this,
            [this](QString const&, QString const& serial) { conclude(serial, Outcome::refused); });
    connect(worker, &SM_A::sig_FwDownloading, this, [this](QString const& serial) {
        Lamp& lamp = at(serial);
        lamp.underWay = UnderWay::writing;
        lamp.holds = Holds::writtenPartly; // from its first erased byte on
    });
    connect(worker, &SM_A::sig_FwDownloaded, this, &LampAccount::downloadEnded);
    connect(worker, &SM_A::sig_FwUploading, this,
            [this](QString const& serial) { at(serial).underWay = UnderWay::readingBack; });
    connect(worker, &SM_A::sig_FwUploadedMatches, this, [this](QString const& serial) {
        at(serial).holds = Holds::verified;
        conclude(serial, Outcome::verified);
    });
    connect(worker, &SM_A::sig_FwUploadedDiffers, this, [this](QString const& serial) {
        at(serial).holds = Holds::checkFailed;
        conclude(serial, Outcome::checkFailed);
    });
    connect(worker, &SM_A::sig_ScanProblem, this,
            [this](DFU::ScanProblem now) { problem = now; });
    connect(worker, &SM_A::sig_ListRun, this,
            [this](QString const& output, QString const& errors, QString const& conclusion) {
                listRun = {output, errors, conclusion, QDateTime::currentDateTime()};
            });
}

// The flow classifies the lamp read last. It offers install (or says that it cannot) before
// it shows the revision: the first of these signals concludes.
void LampAccount::follow(SM_B* flow)
{
    connect(flow, &SM_B::sig_UpgradePossible, this, &LampAccount::classified);
    connect(flow, &SM_B::sig_DifferingRevision, this, &LampAccount::classified);
    connect(flow, &SM_B::sig_UploadingVerifying, this, [this] {
        at(last).underWay = UnderWay::readingBack;
        conclude(last, Outcome::verifying);
    });
    connect(flow, &SM_B::sig_InvalidProduct, this,
            [this] { conclude(last, Outcome::wrongProduct); });
}

LampAccount::Lamp& LampAccount::at(QString const& serial)
{
    auto found = all.find(serial);
    if (found == all.end()) {
        order << serial;
        found = all.insert(serial, Lamp{});
        found->serial = serial;
    }
    return *found;
}

LampAccount::Lamp const* LampAccount::lamp(QString const& serial) const
{
    auto const found = all.constFind(serial);
    return found == all.cend() ? nullptr : &*found;
}

QList<LampAccount::Lamp> LampAccount::lamps() const
{
    QList<Lamp> list;
    for (QString const& serial : order)
        list << all.value(serial);
    return list;
}

void LampAccount::conclude(QString const& serial, Outcome outcome)
{
    Lamp& lamp = at(serial);
    if (outcome != Outcome::verifying)
        lamp.underWay = UnderWay::nothing;
    lamp.outcome = outcome;
    lamp.history.append({outcome, QDateTime::currentDateTime()});
    qInfo().noquote() << "Lamp" << serial << "concluded:" << name(outcome);
    emit concluded(serial, outcome);
}

void LampAccount::deviceAnnounced(DFU::DeviceInfo const& info)
{
    Lamp& lamp = at(info.serial);
    last = info.serial;
    lamp.connected = true;
    lamp.underWay = UnderWay::nothing;
    lamp.product = info.OTP_info.product_name();
    lamp.blank = info.OTP_info.empty;
    lamp.revisions << info.FW_revision;
}

void LampAccount::classified()
{
    Lamp& lamp = at(last);
    if (lamp.outcome != Outcome::none || lamp.underWay != UnderWay::nothing)
        return; // concluded already, or its result came with the worker's report
    if (lamp.blank) {
        conclude(last, Outcome::blankRecord);
    } else if (lamp.holds == Holds::writtenWhole || lamp.holds == Holds::noEffect) {
        lamp.holds = Holds::noEffect;
        conclude(last, Outcome::noEffect);
    } else if (lamp.holds == Holds::writtenPartly) {
        conclude(last, Outcome::writeIncomplete);
    } else {
        conclude(last, Outcome::upgradable);
    }
}

void LampAccount::downloadEnded(bool whole, QString const& serial)
{
    at(serial).holds = whole ? Holds::writtenWhole : Holds::writtenPartly;
    conclude(serial, whole ? Outcome::written : Outcome::writeIncomplete);
}

// A lamp being read stays; every other one has gone (or has been replaced by it).
void LampAccount::noDevice()
{
    for (Lamp& lamp : all)
        if (lamp.underWay != UnderWay::reading) {
            lamp.connected = false;
            lamp.underWay = UnderWay::nothing;
        }
}

Outcome LampAccount::current() const
{
    Lamp const* lamp = this->lamp(last);
    if (lamp && lamp->connected)
        return lamp->outcome;
    switch (problem) {
    case DFU::ScanProblem::access_refused:
        return Outcome::noPermission;
    case DFU::ScanProblem::several_devices:
        return Outcome::severalDevices;
    case DFU::ScanProblem::none:
        break;
    }
    return Outcome::none;
}

Outcome LampAccount::afterStop(QString const& serial) const
{
    Lamp const* lamp = this->lamp(serial);
    if (!lamp)
        return Outcome::stopped;
    switch (lamp->holds) {
    case Holds::verified:
        return Outcome::stoppedAfterVerified;
    case Holds::writtenPartly:
        return Outcome::stoppedWriteIncomplete;
    case Holds::writtenWhole:
        return Outcome::stoppedAfterWrite;
    case Holds::checkFailed:
        return Outcome::stoppedAfterFailedCheck;
    case Holds::noEffect:
        return Outcome::stoppedAfterNoEffect;
    case Holds::untouched:
        break;
    }
    return lamp->underWay == UnderWay::readingBack ? Outcome::stoppedBeforeCheck
                                                   : Outcome::stopped;
}
