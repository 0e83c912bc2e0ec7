#pragma once

#include "device/fwinfo.h"
#include "device/otpinfo.h"
#include "device/products.h"
#include "dfucommand.h"
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

    operator QString() const;
};

QDebug operator<<(QDebug debug, DeviceInfo const& info);

// Reads OTP record and firmware information block into info. Exit code 0: info was read
// (a product mismatch is marked by info->FW_info.valid being false); otherwise info is
// unchanged and the text is dfu-util's output.
Result read_device_info(DeviceItem const* item, DeviceInfo* info);
Device::FW_Info read_FW_Info(DeviceItem const* item);
int download_FW_to_device(QString const& file);
int upload_FW_from_device(QString const& file, int size);
bool upload_and_compare_FW_bin(QString const& reference, QString const& target);
int size_of_binary_file(QString const& file);
bool compare_FW_bin_files(QString const& a, QString const& b);
Device::FW_Info read_FW_Info_from_desired_FW();
// The embedded firmware's information, parsed on the first call only (GUI thread, start-up).
Device::FW_Info const& desired_FW_Info();

} // namespace DFU
