#pragma once

#include "dfu/dfucommand.h"

#include <QByteArray>
#include <QString>

// Runs of the simulator script as the device operations make them, and the bytes that the
// prepared devices are expected to hold.
namespace SimScript {

extern QString const serial; // of the first simulated device
extern int const info_block; // offset of the information block in the generated image

QByteArray read_file(QString const& path);
bool write_file(QString const& path, QByteArray const& bytes);
QByteArray text_field(QByteArray text); // zero-padded to 32 bytes

QByteArray carried_image(); // "firmware.bin" of the working directory
// The carried image with its information block changed, as a prepared device holds it.
QByteArray initial_flash(QByteArray const& revision, char type = 0x04, QByteArray const& name = {});
QByteArray otp_with_record(char type);
QString device_lines(QString const& serial, int devnum, int port); // its four list lines

int found_lines(QString const& output);
QString wait_for_devices(int count, int timeout_ms = 6000); // lists until count are present

// The dfu-util runs of the device operations, each into its dump file (deleted first).
DFU::Result read_otp();
DFU::Result read_info();
DFU::Result read_flash(QString const& range);
DFU::Result download(QString const& file);
QByteArray otp_dump();
QByteArray info_dump();
QByteArray flash_dump();
QString whole_image(); // the range of the carried image's size

} // namespace SimScript
