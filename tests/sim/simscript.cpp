#include "simscript.h"

#include "dfu/files.h"
#include "sim/simulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

namespace SimScript {

QString const serial = QStringLiteral("3574364C3034");
int const info_block = 0x200; // where the generated image keeps its information block

bool simulate_dfu_util()
{
    QStandardPaths::setTestModeEnabled(true);
    if (!Files::external_dir.create() || !Files::extract_resources({Files::desired_FW_bin}, true))
        return false;
    simulator::setup_for_simulated_dfu_util(simulator::fast_progress);
    return true;
}

QByteArray read_file(QString const& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write_file(QString const& path, QByteArray const& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray text_field(QByteArray text)
{
    text.append(QByteArray(32 - text.size(), '\0'));
    return text;
}

QByteArray carried_image()
{
    return read_file(Files::path_of(Files::desired_FW_fileName_bin));
}

// The carried image as a device of the given configuration holds it before any download.
QByteArray initial_flash(QByteArray const& revision, char type, QByteArray const& name)
{
    QByteArray image = carried_image();
    image[info_block + 4] = type;
    if (!name.isEmpty())
        image.replace(info_block + 8, 32, text_field(name));
    image.replace(info_block + 40, 32, text_field(revision));
    return image;
}

QByteArray otp_with_record(char type)
{
    QByteArray otp = QByteArray::fromHex("1147230100ffffff0000000000000000");
    otp[4] = type;
    return otp + QByteArray(512 - 16, char(0xFF));
}

static QString list_line(int alt, char const* name, QString const& serial, int devnum, int port)
{
    return QStringLiteral(
               "Found DFU: [0483:df11] ver=2200, devnum=%1, cfg=1, intf=0, path=\"1-%2\", "
               "alt=%3, name=\"%4\", serial=\"%5\"\n")
        .arg(devnum)
        .arg(port)
        .arg(alt)
        .arg(QLatin1String(name), serial);
}

QString device_lines(QString const& serial, int devnum, int port)
{
    return list_line(3, "@Device Feature/0xFFFF0000/01*004 e", serial, devnum, port) +
           list_line(2, "@OTP Memory /0x1FFF7800/01*512 e,01*016 e", serial, devnum, port) +
           list_line(1, "@Option Bytes  /0x1FFFC000/01*016 e", serial, devnum, port) +
           list_line(0, "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg", serial, devnum,
                     port);
}

int found_lines(QString const& output)
{
    return output.count(QStringLiteral("Found DFU: "));
}

QString wait_for_devices(int count, int timeout_ms)
{
    QElapsedTimer timer;
    timer.start();
    QString output;
    do {
        output = DFU::run_command(DFU::list).second;
        if (found_lines(output) == 4 * count)
            break;
        QThread::msleep(100);
    } while (timer.elapsed() < timeout_ms);
    return output;
}

static QString dump(QString const& name)
{
    QString const path = Files::path_of(name);
    QFile::remove(path);
    return path;
}

static QStringList selecting(QStringList arguments, QString const& by_serial)
{
    if (!by_serial.isEmpty())
        arguments << QStringLiteral("-S") << by_serial;
    return arguments;
}

DFU::Result read_otp(QString const& by_serial)
{
    return DFU::run_command(DFU::upload_OTP,
                            selecting({dump(Files::uploaded_OTP_fileName_bin)}, by_serial));
}
DFU::Result read_info(QString const& by_serial)
{
    return DFU::run_command(DFU::upload_FW_Info,
                            selecting({dump(Files::uploaded_FW_info_fileName_bin)}, by_serial));
}
DFU::Result read_flash(QString const& range, QString const& by_serial)
{
    return DFU::run_command(
        DFU::upload_FW,
        selecting({"-s", range, "-U", dump(Files::uploaded_FW_fileName_bin)}, by_serial));
}
DFU::Result download(QString const& file, QString const& by_serial)
{
    return DFU::run_command(DFU::download_FW, selecting({file}, by_serial));
}

QByteArray otp_dump()
{
    return read_file(Files::path_of(Files::uploaded_OTP_fileName_bin));
}
QByteArray info_dump()
{
    return read_file(Files::path_of(Files::uploaded_FW_info_fileName_bin));
}
QByteArray flash_dump()
{
    return read_file(Files::path_of(Files::uploaded_FW_fileName_bin));
}
QString whole_image()
{
    return QStringLiteral("0x08000000:%1").arg(carried_image().size());
}

ScriptRun run_script(QStringList const& arguments)
{
    ScriptRun run;
    QProcess script;
    QElapsedTimer timer;
    QObject::connect(&script, &QProcess::readyReadStandardOutput, &script, [&] {
        QByteArray const piece = script.readAllStandardOutput();
        for (int i = piece.count('\r'); i > 0; --i)
            run.frame_ms << timer.elapsed();
        run.output += piece;
    });
    timer.start();
    script.start(simulator::dfu_util_path(QStringLiteral("dfu-util_simulator.sh")), arguments);
    if (script.waitForFinished(30000) && script.exitStatus() == QProcess::NormalExit)
        run.code = script.exitCode();
    run.output += script.readAllStandardOutput();
    run.error = script.readAllStandardError();
    return run;
}

void PreparedDevice::setup(QString const& config)
{
    current.clear();
    QCOMPARE(simulator::sim_setup_prepared_config(config), 0);
}

void PreparedDevice::use(QString const& config, int devices)
{
    if (current == config)
        return;
    setup(config);
    QCOMPARE(found_lines(wait_for_devices(devices)), 4 * devices);
    current = config;
}

} // namespace SimScript
