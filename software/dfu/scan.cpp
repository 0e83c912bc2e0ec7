#include "scan.h"

#include "dfucommand.h"
#include "dfuutilparser.h"

#include <QRegularExpression>

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
    if (code != 0)
        return ScanResult{};
    return scan_for_devices(output, error_output);
}

} // namespace DFU
