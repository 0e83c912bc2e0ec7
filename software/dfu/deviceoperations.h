#pragma once

#include "device/fwinfo.h"
#include "device/otpinfo.h"
#include "device/products.h"
#include "dfucommand.h"
#include "progress.h"
#include "scan.h"

#include <QDebug>
#include <QString>

// What the device worker does with the one connected device, each a run of dfu-util.
namespace DFU {

struct DeviceInfo
{
    bool valid = false;
    QString FW_revision;
    Device::OTP_Info OTP_info{};
    Device::FW_Info FW_info{};
    Device::Type device_type = Device::Type::Invalid;
    QString serial;     // as the list run shows it; every command for the device names it
    int connection = 0; // the worker's number for this device while it stays; 0: none

    operator QString() const;
};

QDebug operator<<(QDebug debug, DeviceInfo const& info);

// The sizes of the two dumps that describe a device; a dump of another size is not read.
constexpr int OTP_dump_size = 512;
constexpr int FW_Info_dump_size = 2048;
// The exit code of an OTP read whose dump has the wrong size (dfu-util itself said 0).
constexpr int short_dump_code = 65;
// The exit code of a device read whose dump could not be stored: the working folder is full or
// cannot be written. Nothing is then known of the device.
constexpr int folder_full_code = 73;

// Whether the working folder can take a file of bytes: writable, with that much free space.
bool folder_has_room(qint64 bytes);

// Receives the share of a download or read-back done so far, 0 to 100, in the running thread.
using ProgressHandler = std::function<void(int percent)>;

// Every run that addresses a device names it by its serial ("-S"), so that dfu-util refuses
// any other device that might have taken its place.

// Reads OTP record and firmware information block into info. Exit code 0: info was read
// (a product mismatch is marked by info->FW_info.valid being false); otherwise info is
// unchanged and the text is dfu-util's output.
Result read_device_info(DeviceItem const* item, DeviceInfo* info);
Device::FW_Info read_FW_Info(DeviceItem const* item);
int download_FW_to_device(QString const& file, QString const& serial = {},
                          ProgressHandler const& progress = {});
int upload_FW_from_device(QString const& file, int size, QString const& serial = {},
                          ProgressHandler const& progress = {});
bool upload_and_compare_FW_bin(QString const& reference, QString const& target,
                               QString const& serial = {});
// Reads back as many bytes as image holds into target and compares them with image.
bool upload_and_compare_FW(QByteArray const& image, QString const& target,
                           QString const& serial = {}, ProgressHandler const& progress = {});
int size_of_binary_file(QString const& file);
bool compare_FW_bin_files(QString const& a, QString const& b);
Device::FW_Info read_FW_Info_from_desired_FW();
// The embedded firmware's information, parsed on the first call only (GUI thread, start-up).
Device::FW_Info const& desired_FW_Info();

} // namespace DFU
