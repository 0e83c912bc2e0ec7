#include "scan.h"

#include "dfucommand.h"
#include "dfuutilparser.h"

#include <QRegularExpression>
#include <QStringList>

namespace DFU {

ScanResult scan_for_devices(QString const& output, QString const& error_output)
{
    DfuUtilParser const parser(output);
    ScanResult result;
    for (QString const& serial : parser.serials)
        result.devices.push_back(DeviceItem{serial});
    if (parser.status == DfuUtilParser::one_dfu_device)
        result.error = 0;
    // dfu-util lists only the devices it can open, and says so of the others.
    static QRegularExpression const refused(QStringLiteral(
        "^dfu-util: Cannot open DFU device 0483:df11 .*\\(LIBUSB_ERROR_ACCESS\\)$"),
        QRegularExpression::MultilineOption);
    if (parser.status == DfuUtilParser::multiple_dfu_devices)
        result.problem = ScanProblem::several_devices;
    else if (result.devices.empty() && refused.match(error_output).hasMatch())
        result.problem = ScanProblem::access_refused;
    return result;
}

ScanResult make_scan()
{
    QString error_output;
    auto const [code, output] = run_command(list, {}, {}, &error_output);
    ScanResult scan = code == 0 ? scan_for_devices(output, error_output) : ScanResult{};
    scan.exit_code = code;
    scan.output = output;
    scan.error_output = error_output;
    return scan;
}

QString conclusion(ScanResult const& scan)
{
    QStringList serials;
    for (DeviceItem const& device : scan.devices)
        serials << device.serial;
    if (scan.exit_code != 0)
        return QStringLiteral("the list run failed (exit code %1)").arg(scan.exit_code);
    switch (scan.problem) {
    case ScanProblem::access_refused:
        return QStringLiteral("a bootloader is connected that this user may not open");
    case ScanProblem::several_devices:
        return QStringLiteral("several devices in bootloader mode: %1").arg(serials.join(", "));
    case ScanProblem::none:
        break;
    }
    if (scan.error == 0)
        return QStringLiteral("one lamp: %1").arg(serials.join(QString()));
    return serials.isEmpty() ? QStringLiteral("no device")
                             : QStringLiteral("no usable device: %1").arg(serials.join(", "));
}

} // namespace DFU
