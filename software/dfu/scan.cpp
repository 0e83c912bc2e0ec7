#include "scan.h"

#include "dfucommand.h"
#include "dfuutilparser.h"

namespace DFU {

ScanResult scan_for_devices(QString const& output)
{
    DfuUtilParser const parser(output);
    ScanResult result;
    for (QString const& serial : parser.serials)
        result.devices.push_back(DeviceItem{serial});
    if (parser.status == DfuUtilParser::one_dfu_device)
        result.error = 0;
    return result;
}

ScanResult make_scan()
{
    auto const [code, output] = run_command(list);
    if (code != 0)
        return ScanResult{};
    return scan_for_devices(output);
}

} // namespace DFU
