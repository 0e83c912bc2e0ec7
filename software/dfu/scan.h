#pragma once

#include <QString>

#include <vector>

namespace DFU {

struct DeviceItem
{
    QString serial;
};

struct ScanResult
{
    int error = 1; // 0 only for exactly one valid device
    std::vector<DeviceItem> devices;
};

ScanResult scan_for_devices(QString const& output);

// Runs dfu-util's list command and scans its output. Blocks for the run.
ScanResult make_scan();

} // namespace DFU
