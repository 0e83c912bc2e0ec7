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
    // The list run itself: its exit code (-1: it did not end normally) and what it printed.
    int exit_code = 0;
    QString output;
    QString error_output;
};

// What a scan concluded, in words, for a support report.
QString conclusion(ScanResult const& scan);

// From the list run's standard output and standard error.
ScanResult scan_for_devices(QString const& output, QString const& error_output = {});

// Runs dfu-util's list command and scans its output. Blocks for the run.
ScanResult make_scan();

} // namespace DFU
