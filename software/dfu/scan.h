#pragma once

#include <QString>

#include <vector>

namespace DFU {

struct DeviceItem
{
    QString serial;
};

// Why a scan that listed no single device cannot go on by itself: a cause the user can fix.
enum class ScanProblem : int
{
    none,
    access_refused,  // a bootloader is connected, but this user may not open it
    several_devices, // more than one device in bootloader mode
};

struct ScanResult
{
    int error = 1; // 0 only for exactly one valid device
    std::vector<DeviceItem> devices;
    ScanProblem problem = ScanProblem::none;
};

// From the list run's standard output and standard error.
ScanResult scan_for_devices(QString const& output, QString const& error_output = {});

// Runs dfu-util's list command and scans its output. Blocks for the run.
ScanResult make_scan();

} // namespace DFU
