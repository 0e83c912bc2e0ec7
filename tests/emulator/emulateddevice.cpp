#include "emulateddevice.h"

#include "dfu/dfucommand.h"
#include "emustate.h"
#include "testpaths.h"

#include <QFile>

#include <vector>

namespace {

emu::State state_of(QString const& dir)
{
    return emu::State(QFile::encodeName(dir).toStdString());
}

std::vector<std::uint8_t> bytes_of(QByteArray const& a)
{
    return std::vector<std::uint8_t>(a.begin(), a.end());
}

} // namespace

EmulatedDevice::EmulatedDevice()
{
    emu::State const s = state_of(dir());
    emu::State::Lock const lock(s);
    s.ensure_files();
    oldLibraryPath = qgetenv("LD_LIBRARY_PATH");
    qputenv(emu::dir_variable, QFile::encodeName(dir()));
    qputenv("LD_LIBRARY_PATH", QFile::encodeName(libraryDir()));
}

EmulatedDevice::~EmulatedDevice()
{
    qunsetenv(emu::dir_variable);
    qputenv("LD_LIBRARY_PATH", oldLibraryPath);
}

QString EmulatedDevice::libraryDir()
{
    return QStringLiteral(EMULATOR_LIBRARY_DIR);
}

bool EmulatedDevice::installDfuUtil(QString const& folder)
{
    QString const target = folder + QStringLiteral("/dfu-util");
    QFile::remove(target);
    if (!QFile::copy(TestPaths::generated_file(QStringLiteral("dfu-util")), target))
        return false;
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
    DFU::Command::path = folder;
    return true;
}

QStringList EmulatedDevice::listedDevices()
{
    return DFU::run_command(DFU::list).second.split(QLatin1Char('\n')).filter(
        QStringLiteral("Found DFU: "));
}

void EmulatedDevice::setOtp(QByteArray const& bytes)
{
    QByteArray otp = bytes.left(int(emu::otp_data_size));
    otp.append(QByteArray(int(emu::otp_size) - otp.size(), char(0xFF)));
    emu::State const s = state_of(dir());
    emu::State::Lock const lock(s);
    s.write_file("otp.bin", bytes_of(otp));
}

QByteArray EmulatedDevice::otp() const
{
    QFile f(state.filePath(QStringLiteral("otp.bin")));
    return f.open(QIODevice::ReadOnly) ? f.read(emu::otp_data_size) : QByteArray();
}

void EmulatedDevice::setFlash(QByteArray const& image)
{
    QByteArray flash = image.left(int(emu::flash_size));
    flash.append(QByteArray(int(emu::flash_size) - flash.size(), char(0xFF)));
    emu::State const s = state_of(dir());
    emu::State::Lock const lock(s);
    s.write_file("flash.bin", bytes_of(flash));
}

QByteArray EmulatedDevice::flash() const
{
    QFile f(state.filePath(QStringLiteral("flash.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray EmulatedDevice::firmwareWithRevision(QByteArray const& revision)
{
    QFile f(TestPaths::generated_file(QStringLiteral("firmware.bin")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    std::vector<std::uint8_t> image = bytes_of(f.readAll());
    emu::patch_info_block(image, revision.toStdString(), -1);
    return QByteArray(reinterpret_cast<char const*>(image.data()), int(image.size()));
}

void EmulatedDevice::set(QString const& key, QString const& value)
{
    emu::State const s = state_of(dir());
    emu::State::Lock const lock(s);
    emu::Config c = s.load();
    if (value.isEmpty())
        c.erase(key.toStdString());
    else
        c.set(key.toStdString(), value.toStdString());
    s.save(c);
}

QString EmulatedDevice::value(QString const& key) const
{
    emu::State const s = state_of(dir());
    emu::State::Lock const lock(s);
    return QString::fromStdString(s.load().get(key.toStdString()));
}

void EmulatedDevice::setFault(QString const& name, QString const& param, int runs)
{
    set(QStringLiteral("fault.") + name, param + QLatin1Char(',') + QString::number(runs));
}

QStringList EmulatedDevice::transfers() const
{
    QFile f(state.filePath(QStringLiteral("transfers.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int EmulatedDevice::countTransfers(QString const& part) const
{
    return int(transfers().filter(part).size());
}

QVector<EmulatedDevice::Progress> EmulatedDevice::progress() const
{
    emu::State const s = state_of(dir());
    emu::State::Lock const lock(s);
    QFile f(state.filePath(QStringLiteral("progress.log")));
    QVector<Progress> points;
    if (!f.open(QIODevice::ReadOnly))
        return points;
    for (QByteArray const& line : f.readAll().split('\n')) {
        QList<QByteArray> const fields = line.split(' ');
        if (fields.size() == 3)
            points.append(
                {fields[0].toLongLong(), QString::fromLatin1(fields[1]), fields[2].toLongLong()});
    }
    return points;
}

qint64 EmulatedDevice::written(qint64* at) const
{
    qint64 bytes = 0;
    for (Progress const& point : progress())
        if (point.phase == QLatin1String("write")) {
            bytes = point.bytes;
            if (at)
                *at = point.ms;
        }
    return bytes;
}
