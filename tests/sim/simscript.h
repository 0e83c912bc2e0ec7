#pragma once

#include "dfu/dfucommand.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Runs of the simulator script as the device operations make them, and the bytes that the
// prepared devices are expected to hold.
namespace SimScript {

extern QString const serial; // of the first simulated device
extern int const info_block; // offset of the information block in the generated image

// Test mode, a working directory with the carried image and the simulator in place of
// dfu-util, with fast progress frames; false on failure.
bool simulate_dfu_util();

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

// The dfu-util runs of the device operations, each into its dump file (deleted first); with
// a serial number, "-S serial" after the other arguments, as the program adds it.
DFU::Result read_otp(QString const& by_serial = {});
DFU::Result read_info(QString const& by_serial = {});
DFU::Result read_flash(QString const& range, QString const& by_serial = {});
DFU::Result download(QString const& file, QString const& by_serial = {});
QByteArray otp_dump();
QByteArray info_dump();
QByteArray flash_dump();
QString whole_image(); // the range of the carried image's size

// The prepared device that is present now. Rows that only read from a device share it, since
// a new one takes a second to show up.
class PreparedDevice
{
public:
    void setup(QString const& config); // a fresh device of config
    void use(QString const& config, int devices = 1); // fresh only if another one is present
    void forget() { current.clear(); }                // the device was changed

private:
    QString current; // the configuration whose device is present and unchanged
};

struct ScriptRun
{
    int code = -1; // -1 when it did not end by itself within 30 s
    QByteArray output;
    QByteArray error;
    QList<qint64> frame_ms; // when each progress frame arrived, from the start
};

// Runs the script itself as this program's child, so that it reaches this program's device,
// and notes when each progress frame ("\r...") arrives.
ScriptRun run_script(QStringList const& arguments);

} // namespace SimScript
