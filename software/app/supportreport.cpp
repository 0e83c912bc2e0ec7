// The support report in the order of its sections, then where its sources come from and how it
// is saved.
#include "supportreport.h"

#include "appobjects.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "logrecord.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSysInfo>
#include <QTextStream>

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace support_report {

namespace {

QString sha256(QByteArray const& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString read_line(QString const& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readLine()).trimmed() : QString();
}

QString pretty_name(QString const& osRelease)
{
    QFile f(osRelease);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown (%1 cannot be read)").arg(osRelease);
    for (QByteArray const& line : f.readAll().split('\n'))
        if (line.startsWith("PRETTY_NAME="))
            return QString::fromUtf8(line.mid(12)).remove(QLatin1Char('"'));
    return QStringLiteral("unknown (no PRETTY_NAME in %1)").arg(osRelease);
}

void usb_access(QTextStream& out, Sources const& s)
{
    QString rule;
    for (QString const& candidate : s.udevRules)
        if (rule.isEmpty() && QFile::exists(candidate))
            rule = candidate;
    out << "udev rule: " << (rule.isEmpty() ? QStringLiteral("not installed (looked for ") +
                                                  s.udevRules.join(QStringLiteral(", ")) + ')'
                                            : QStringLiteral("installed, ") + rule)
        << '\n';
    QDir const devices(s.sysfsRoot + QStringLiteral("/bus/usb/devices"));
    int found = 0;
    for (QString const& entry : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QString const dir = devices.filePath(entry) + QLatin1Char('/');
        if (read_line(dir + "idVendor") != "0483" || read_line(dir + "idProduct") != "df11")
            continue;
        ++found;
        int const bus = read_line(dir + "busnum").toInt(), device = read_line(dir + "devnum").toInt();
        QString const node = QStringLiteral("%1/%2/%3")
                                 .arg(s.deviceRoot)
                                 .arg(bus, 3, 10, QLatin1Char('0'))
                                 .arg(device, 3, 10, QLatin1Char('0'));
        out << "0483:df11 on bus " << bus << " device " << device << ", serial "
            << read_line(dir + "serial") << ": "
            << (s.mayOpen(node) ? QStringLiteral("this user may open ") + node
                                : QStringLiteral("this user may not open ") + node +
                                      QStringLiteral(" (the window says: \"A lamp is connected, "
                                                     "but this user may not open it.\": the "
                                                     "package's udev rule is missing, or the "
                                                     "user is not at the computer)"))
            << '\n';
    }
    if (found == 0)
        out << "no 0483:df11 device on the USB bus\n";
}

void lamps(QTextStream& out, QList<LampAccount::Lamp> const& all)
{
    if (all.isEmpty())
        out << "no lamp was handled\n";
    for (LampAccount::Lamp const& lamp : all) {
        out << "serial " << lamp.serial << ", product "
            << (lamp.product.isEmpty() ? QStringLiteral("not read") : lamp.product)
            << ", revisions read: "
            << (lamp.revisions.isEmpty() ? QStringLiteral("none")
                                         : lamp.revisions.join(QStringLiteral(", ")))
            << '\n';
        for (auto const& [outcome, at] : lamp.history)
            out << "  " << at.toString(Qt::ISODateWithMs) << ' '
                << (row(outcome).result ? row(outcome).result : name(outcome)) << '\n';
        out << "  holds now: " << name(lamp.holds) << '\n';
    }
}

// Every occurrence, as plain text, in one pass (a name written for another is never read
// again): the home folders first (a home of "/" or none is left alone), then the host names,
// then the user name; a longer name before one it contains.
QString without_private(QString const& text, Sources const& s)
{
    QList<QPair<QString, QString>> names;
    for (QString const& home : s.homes)
        if (!home.isEmpty() && home != QLatin1String("/"))
            names << qMakePair(home, QStringLiteral("<home>"));
    for (QString const& host : s.hosts)
        if (!host.isEmpty())
            names << qMakePair(host, QStringLiteral("<host>"));
    if (!s.user.isEmpty())
        names << qMakePair(s.user, QStringLiteral("<user>"));
    std::stable_sort(names.begin(), names.end(), [](auto const& a, auto const& b) {
        return a.first.size() > b.first.size();
    });
    if (names.isEmpty())
        return text;
    QStringList alternatives;
    for (auto const& name : names)
        alternatives << QRegularExpression::escape(name.first);
    QRegularExpression const any(alternatives.join(QLatin1Char('|')));
    QString out;
    int done = 0;
    for (auto it = any.globalMatch(text); it.hasNext();) {
        QRegularExpressionMatch const match = it.next();
        out += text.mid(done, match.capturedStart() - done);
        for (auto const& name : names)
            if (name.first == match.captured()) {
                out += name.second;
                break;
            }
        done = match.capturedEnd();
    }
    return out + text.mid(done);
}

} // namespace

QString make(Sources const& s)
{
    QString const header =
        QStringLiteral("Kalvora Firmware Upgrade Tool: support report, made %1\n"
                       "The home folder, the computer's name and the user name are replaced by "
                       "<home>, <host> and <user>.\nThe lamps' serial numbers are kept: support "
                       "needs them.\n")
            .arg(QDateTime::currentDateTime().toString(Qt::ISODate));
    QString text;
    QTextStream out(&text);

    out << "\n== Tool ==\n"
        << "version: " << s.version << "\n"
        << "carried firmware: revision " << s.firmwareRevision << ", SHA-256 "
        << sha256(s.firmware) << "\n"
        << "dfu-util: " << s.dfuUtil << "\n"
        << "carried libusb: " << s.libusbVersion << ", SHA-256 " << sha256(s.libusb) << "\n"
        << "Qt: " << qVersion() << "\n";

    out << "\n== System ==\n"
        << "operating system: " << pretty_name(s.osRelease) << "\n"
        << "kernel: " << s.kernel << "\n"
        << "locale: " << s.locale << "\n"
        << "session: " << s.session << ", " << s.sessionPlace << "\n";

    out << "\n== USB access ==\n";
    usb_access(out, s);

    out << "\n== Working folder ==\n";
    struct statvfs fs = {};
    if (::statvfs(QFile::encodeName(s.workingFolder).constData(), &fs) == 0)
        out << s.workingFolder << ": " << quint64(fs.f_bavail) * fs.f_frsize << " bytes free, "
            << quint64(fs.f_favail) << " inodes free\n";
    else
        out << s.workingFolder << ": its file system cannot be read\n";

    out << "\n== Last list run ==\n";
    if (s.listRun.at.isValid())
        out << "since " << s.listRun.at.toString(Qt::ISODateWithMs) << ": "
            << s.listRun.conclusion << "\n--- standard output:\n"
            << s.listRun.output << "\n--- standard error:\n"
            << s.listRun.errorOutput << "\n";
    else
        out << "none yet\n";

    out << "\n== Lamps ==\n";
    lamps(out, s.lamps);

    out << "\n== Log (the last " << s.log.size() << " lines) ==\n" << s.log.join('\n') << '\n';
    out.flush();
    return header + without_private(text, s);
}

Sources of_this_program()
{
    Sources s;
    s.version = QStringLiteral(KALVORA_VERSION " (" KALVORA_BUILD ")");
    s.firmwareRevision = settings.desired_revision;
    s.firmware = Files::carried(Files::desired_FW_bin);
    s.dfuUtil = DFU::dfu_util::execution_test_output.section(QLatin1Char('\n'), 0, 0);
    s.libusbVersion = QStringLiteral(KALVORA_LIBUSB_VERSION);
    s.libusb = Files::carried(Files::libusb_library);
    s.osRelease = QStringLiteral("/etc/os-release");
    s.kernel = QSysInfo::kernelVersion();
    s.locale = QStringLiteral("%1 (LANG=%2, LC_ALL=%3, LANGUAGE=%4)")
                   .arg(QLocale::system().name(), qEnvironmentVariable("LANG"),
                        qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LANGUAGE"));
    QString const type = qEnvironmentVariable("XDG_SESSION_TYPE");
    s.session = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || type == "wayland"
                    ? QStringLiteral("Wayland")
                : !qEnvironmentVariableIsEmpty("DISPLAY") || type == "x11" ? QStringLiteral("X11")
                                                                          : QStringLiteral("none");
    bool const remote = !qEnvironmentVariableIsEmpty("SSH_CONNECTION") ||
                        !qEnvironmentVariableIsEmpty("SSH_TTY");
    s.sessionPlace = remote ? QStringLiteral("remote session (ssh)")
                     : qEnvironmentVariableIsEmpty("XDG_SEAT")
                         ? QStringLiteral("no seat named (not a local graphical session?)")
                         : QStringLiteral("local seat ") + qEnvironmentVariable("XDG_SEAT");
    s.udevRules = QStringList{QStringLiteral(KALVORA_UDEV_RULE)};
    for (char const* dir : {"/etc/udev/rules.d/", "/usr/lib/udev/rules.d/", "/lib/udev/rules.d/"})
        s.udevRules << QLatin1String(dir) + QStringLiteral("70-kalvora-upgrade.rules");
    s.udevRules.removeDuplicates();
    s.sysfsRoot = QStringLiteral("/sys");
    s.deviceRoot = QStringLiteral("/dev/bus/usb");
    s.mayOpen = [](QString const& node) {
        return ::access(QFile::encodeName(node).constData(), R_OK | W_OK) == 0;
    };
    s.workingFolder = Files::external_dir.path();
    if (lampAccount) {
        s.listRun = lampAccount->lastListRun();
        s.lamps = lampAccount->lamps();
    }
    s.log = log_record::lines();
    s.homes << QDir::homePath();
    s.user = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    if (passwd const* pw = ::getpwuid(::getuid())) {
        s.homes << QString::fromLocal8Bit(pw->pw_dir);
        s.user = QString::fromLocal8Bit(pw->pw_name);
    }
    // The fully qualified name, as /etc/hosts gives it, without asking a name server.
    QString const host = QSysInfo::machineHostName();
    QString const shortName = host.section(QLatin1Char('.'), 0, 0);
    s.hosts << host << shortName;
    QFile hosts(QStringLiteral("/etc/hosts"));
    if (!host.isEmpty() && hosts.open(QIODevice::ReadOnly))
        for (QByteArray const& line : hosts.readAll().split('\n')) {
            QStringList const names = QString::fromUtf8(line.split('#').first()).simplified().split(' ');
            if (names.contains(shortName) || names.contains(host))
                s.hosts << names.mid(1);
        }
    s.hosts.removeAll(QStringLiteral("localhost"));
    return s;
}

bool save(QString const& file, QString const& report, QString* why)
{
    QSaveFile out(file);
    QByteArray const bytes = report.toUtf8();
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
        return true;
    *why = out.errorString();
    return false;
}

QString proposed_file_name()
{
    return QDir::home().filePath(
        QStringLiteral("kalvora-support-report-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

} // namespace support_report
