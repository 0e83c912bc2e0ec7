#include "fakedevice.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The lock that every run of the fake holds while it runs. Close-on-exec, so that a dfu-util
// started meanwhile by another thread does not inherit it.
class BusLock
{
public:
    explicit BusLock(QString const& dir)
        : fd(::open(QFile::encodeName(dir + QStringLiteral("/lock")).constData(),
                    O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (fd >= 0)
            ::flock(fd, LOCK_EX);
    }
    ~BusLock()
    {
        if (fd >= 0) {
            ::flock(fd, LOCK_UN);
            ::close(fd);
        }
    }
    BusLock(BusLock const&) = delete;
    BusLock& operator=(BusLock const&) = delete;

private:
    int fd;
};

} // namespace

FakeDevice::FakeDevice()
    : runsLogPath(QFile::encodeName(state.filePath(QStringLiteral("runs.log"))))
{
    qputenv("FAKE_DFU_DIR", state.path().toLocal8Bit());
    unplug();
}

FakeDevice::~FakeDevice()
{
    qunsetenv("FAKE_DFU_DIR");
}

void FakeDevice::write(QString const& name, QByteArray const& bytes)
{
    QString const path = state.filePath(name);
    QString const tmp = path + QStringLiteral(".new");
    QFile f(tmp);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
        f.close();
        std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData());
    }
}

void FakeDevice::remove(QString const& name)
{
    QFile::remove(state.filePath(name));
}

QByteArray FakeDevice::deviceLines(QString const& serial, int alternates)
{
    static char const* const names[] = {
        "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg",
        "@Option Bytes  /0x1FFFC000/01*016 e",
        "@OTP Memory /0x1FFF7800/01*512 e,01*016 e",
        "@Device Feature/0xFFFF0000/01*004 e",
    };
    QByteArray out;
    for (int alt = alternates - 1; alt >= 0; --alt)
        out += QStringLiteral("Found DFU: [0483:df11] ver=2200, devnum=7, cfg=1, intf=0, "
                              "path=\"1-1\", alt=%1, name=\"%2\", serial=\"%3\"\n")
                   .arg(alt)
                   .arg(QLatin1String(names[alt % 4]))
                   .arg(serial)
                   .toLatin1();
    return out;
}

// The one-device layout: plug(), unplug() and setListOutput() leave a bus of units behind.
void FakeDevice::unplug()
{
    BusLock lock(dir());
    remove(QStringLiteral("bus"));
    write(QStringLiteral("list.txt"), QByteArray());
}

void FakeDevice::plug(QString const& serial, int alternates)
{
    BusLock lock(dir());
    remove(QStringLiteral("bus"));
    remove(QStringLiteral("absent"));
    write(QStringLiteral("list.txt"), deviceLines(serial, alternates));
}

void FakeDevice::setListOutput(QByteArray const& lines)
{
    BusLock lock(dir());
    remove(QStringLiteral("bus"));
    remove(QStringLiteral("absent"));
    write(QStringLiteral("list.txt"), lines);
}

void FakeDevice::vanish()
{
    BusLock lock(dir());
    write(QStringLiteral("absent"), "gone");
}

void FakeDevice::setListExitCode(int code)
{
    BusLock lock(dir());
    write(QStringLiteral("list.rc"), QByteArray::number(code));
}

void FakeDevice::setOtp(QByteArray const& bytes)
{
    BusLock lock(dir());
    write(QStringLiteral("mem_0x1FFF7800.bin"), bytes);
}

void FakeDevice::setFlash(QByteArray const& bytes)
{
    BusLock lock(dir());
    write(QStringLiteral("mem_0x08000000.bin"), bytes);
}

QByteArray FakeDevice::flash() const
{
    BusLock lock(dir());
    QFile f(state.filePath(QStringLiteral("mem_0x08000000.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray FakeDevice::otpRecord(quint8 type, int offset)
{
    QByteArray otp(512, char(0xFF));
    QByteArray const record = QByteArray::fromHex("11472301") + char(type) +
                              QByteArray::fromHex("ffffff0102030405060708");
    otp.replace(offset, record.size(), record);
    return otp;
}

QByteArray FakeDevice::flashWithInfo(quint8 type, QByteArray const& revision)
{
    QByteArray flash(2048, char(0xFF));
    QByteArray block = QByteArray::fromHex("12472301") + char(type) + QByteArray::fromHex("ffffff");
    auto field = [](QByteArray text) { return text + QByteArray(32 - text.size(), '\0'); };
    block += field("REL41") + field(revision) + field("Creation date") + field("2026-11-24");
    block += QByteArray::fromHex("13472301");
    flash.replace(0x200, block.size(), block);
    return flash;
}

void FakeDevice::failUpload(QString const& address, int code)
{
    BusLock lock(dir());
    QString const name = QStringLiteral("fail_upload_") + address;
    if (code == 0)
        remove(name);
    else
        write(name, QByteArray::number(code));
}

void FakeDevice::setDownloadExitCode(int code)
{
    BusLock lock(dir());
    write(QStringLiteral("download.rc"), QByteArray::number(code));
}

void FakeDevice::setFlipReadback(bool on)
{
    BusLock lock(dir());
    on ? write(QStringLiteral("flip_readback"), "1") : remove(QStringLiteral("flip_readback"));
}

void FakeDevice::setLeaveUnplugs(bool on)
{
    BusLock lock(dir());
    on ? write(QStringLiteral("leave_unplugs"), "1") : remove(QStringLiteral("leave_unplugs"));
}

void FakeDevice::setDelayMs(int ms)
{
    BusLock lock(dir());
    write(QStringLiteral("delay_ms"), QByteArray::number(ms));
}

QStringList FakeDevice::calls() const
{
    QFile f(state.filePath(QStringLiteral("calls.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void FakeDevice::clearCalls()
{
    BusLock lock(dir());
    remove(QStringLiteral("calls.log"));
}

int FakeDevice::countCalls(QString const& argument) const
{
    // Whole arguments only: file paths hold random parts such as "-D" in "tst_x-DNQAyp".
    auto const matches = [&argument](QString const& a) {
        return a == argument || a.startsWith(argument + QLatin1Char(':'));
    };
    int n = 0;
    for (auto const& c : calls()) {
        QStringList const arguments = c.split(QLatin1Char('\t'));
        n += std::any_of(arguments.begin(), arguments.end(), matches) ? 1 : 0;
    }
    return n;
}

int FakeDevice::setUnits(QList<Unit> const& units)
{
    BusLock lock(dir());
    QStringList serials;
    for (auto const& unit : units) {
        writeUnit(unit, true);
        serials << unit.serial;
    }
    return writeBus(serials);
}

void FakeDevice::addUnit(Unit const& unit)
{
    BusLock lock(dir());
    writeUnit(unit, true);
}

int FakeDevice::setPresent(QStringList const& serials)
{
    BusLock lock(dir());
    return writeBus(serials);
}

void FakeDevice::setUnitFaults(Unit const& unit)
{
    BusLock lock(dir());
    writeUnit(unit, false);
}

QByteArray FakeDevice::unitFlash(QString const& serial) const
{
    BusLock lock(dir());
    QFile f(state.filePath(QStringLiteral("units/%1/mem_0x08000000.bin").arg(serial)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void FakeDevice::writeUnit(Unit const& unit, bool withMemory)
{
    QString const folder = QStringLiteral("units/") + unit.serial + QLatin1Char('/');
    QDir(state.path()).mkpath(folder);
    if (withMemory) {
        write(folder + QStringLiteral("mem_0x1FFF7800.bin"), unit.otp);
        write(folder + QStringLiteral("mem_0x08000000.bin"), unit.flash);
    }
    auto number = [this, &folder](char const* name, int value, int none) {
        QString const path = folder + QLatin1String(name);
        value == none ? remove(path) : write(path, QByteArray::number(value));
    };
    number("fail_upload_0x1FFF7800", unit.otpReadFails, 0);
    number("fail_info", unit.infoReadFails, 0);
    number("short_otp", unit.otpDumpBytes, -1);
    number("short_info", unit.infoDumpBytes, -1);
    number("flip_readback", unit.flipReadback ? 1 : 0, 0);
}

int FakeDevice::writeBus(QStringList const& serials)
{
    ++generation;
    QByteArray text = QByteArray::number(generation) + '\n';
    for (auto const& serial : serials)
        text += serial.toLatin1() + '\n';
    write(QStringLiteral("bus"), text);
    return generation;
}

namespace {

FakeDevice::Run parseRun(QByteArray const& line)
{
    FakeDevice::Run run;
    run.text = QString::fromLatin1(line);
    for (auto const& token : line.split(' ')) {
        int const eq = token.indexOf('=');
        QByteArray const key = token.left(eq);
        QString const value = QString::fromLatin1(token.mid(eq + 1));
        if (key == "gen")
            run.generation = value.toInt();
        else if (key == "device")
            run.device = value == QLatin1String("-") ? QString() : value;
        else if (key == "op")
            run.op = value;
        else if (key == "exit")
            run.exitCode = value.toInt();
        else if (key == "address")
            run.address = value;
        else if (key == "length")
            run.length = value.toInt();
        else if (key == "written")
            run.written = value.toInt();
        else if (key == "memory")
            run.memory = value;
        else if (key == "returned" || key == "image")
            run.returned = value;
        else if (key == "equals_memory")
            run.equalsMemory = value == QLatin1String("yes");
        else if (key == "listed" && value != QLatin1String("-"))
            run.listed = value.split(QLatin1Char(','));
    }
    return run;
}

} // namespace

QList<FakeDevice::Run> FakeDevice::runsFrom(qint64* offset) const
{
    QFile f(state.filePath(QStringLiteral("runs.log")));
    if (!f.open(QIODevice::ReadOnly) || !f.seek(*offset))
        return {};
    QByteArray const bytes = f.readAll();
    QList<Run> runs;
    int begin = 0;
    for (int end = bytes.indexOf('\n'); end >= 0; end = bytes.indexOf('\n', begin)) {
        Run run = parseRun(bytes.mid(begin, end - begin));
        run.begin = *offset + begin;
        run.end = *offset + end + 1;
        runs.append(run);
        begin = end + 1;
    }
    *offset += begin;
    return runs;
}

qint64 FakeDevice::runsLogSize() const
{
    struct stat info;
    return ::stat(runsLogPath.constData(), &info) == 0 ? info.st_size : 0;
}

QString FakeDevice::hashOf(QByteArray const& bytes)
{
    quint64 hash = 0xcbf29ce484222325ULL;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return QStringLiteral("%1").arg(hash, 16, 16, QLatin1Char('0'));
}
