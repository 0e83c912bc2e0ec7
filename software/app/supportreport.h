#pragma once

#include "lampaccount.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A support report: one plain UTF-8 text in titled sections with what the maker's support asks
// first (the tool and the system, USB access, the working folder, the last list run, what the
// tool did to each lamp, the last log lines), and nothing private: the home folder, the host
// name and the user name are replaced wherever they occur. The lamps' serial numbers stay.
namespace support_report {

struct Sources
{
    // The program and what it carries.
    QString version;          // the tool's version and build
    QString firmwareRevision; // of the carried firmware
    QByteArray firmware;      // the carried image
    QString dfuUtil;          // the first line of start-up's execution test
    QString libusbVersion;    // of the carried libusb, recorded at build time
    QByteArray libusb;        // the carried library
    // The system.
    QString osRelease; // the os-release file
    QString kernel;
    QString locale;
    QString session;       // X11, Wayland or none
    QString sessionPlace;  // a local seat or a remote session, named without its address
    QStringList udevRules; // where the package's udev rule may be installed
    QString sysfsRoot;     // holding bus/usb/devices
    QString deviceRoot;    // the device nodes, BBB/DDD below it
    std::function<bool(QString const& node)> mayOpen; // whether this user may open a node
    QString workingFolder;
    // What the tool saw and did.
    LampAccount::ListRun listRun;
    QList<LampAccount::Lamp> lamps;
    QStringList log;
    // Replaced wherever they occur: the home folders first, then the host names, then the user.
    QStringList homes; // $HOME and the home folder of the password database
    QStringList hosts; // the short and the fully qualified name
    QString user;
};

QString make(Sources const& sources);

// The sources of this program: its environment, the system's names, the account of the lamps
// and the kept log lines.
Sources of_this_program();

// Writes the report to file whole or not at all; false with the reason in why.
bool save(QString const& file, QString const& report, QString* why);

// The name proposed for a report made now.
QString proposed_file_name();

} // namespace support_report
