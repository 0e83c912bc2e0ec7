#include "fakedevice.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdlib>

FakeDevice::FakeDevice()
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

void FakeDevice::unplug()
{
    write(QStringLiteral("list.txt"), QByteArray());
}

void FakeDevice::plug(QString const& serial, int alternates)
{
    remove(QStringLiteral("absent"));
    write(QStringLiteral("list.txt"), deviceLines(serial, alternates));
}

void FakeDevice::setListOutput(QByteArray const& lines)
{
    remove(QStringLiteral("absent"));
    write(QStringLiteral("list.txt"), lines);
}

void FakeDevice::vanish()
{
    write(QStringLiteral("absent"), "gone");
}

void FakeDevice::setListExitCode(int code)
{
    write(QStringLiteral("list.rc"), QByteArray::number(code));
}

void FakeDevice::setOtp(QByteArray const& bytes)
{
    write(QStringLiteral("mem_0x1FFF7800.bin"), bytes);
}

void FakeDevice::setFlash(QByteArray const& bytes)
{
    write(QStringLiteral("mem_0x08000000.bin"), bytes);
}

QByteArray FakeDevice::flash() const
{
    QFile f(state.filePath(QStringLiteral("mem_0x08000000.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray FakeDevice::otpRecord(quint8 type, int offset)
{
    QByteArray otp(512, char(0xFF));
    QByteArray const record = QByteArray::fromHex("11472301") + char(type)
                              + QByteArray::fromHex("ffffff0102030405060708");
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
    QString const name = QStringLiteral("fail_upload_") + address;
    if (code == 0)
        remove(name);
    else
        write(name, QByteArray::number(code));
}

void FakeDevice::setDownloadExitCode(int code)
{
    write(QStringLiteral("download.rc"), QByteArray::number(code));
}

void FakeDevice::setFlipReadback(bool on)
{
    on ? write(QStringLiteral("flip_readback"), "1") : remove(QStringLiteral("flip_readback"));
}

void FakeDevice::setLeaveUnplugs(bool on)
{
    on ? write(QStringLiteral("leave_unplugs"), "1") : remove(QStringLiteral("leave_unplugs"));
}

void FakeDevice::setDelayMs(int ms)
{
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
