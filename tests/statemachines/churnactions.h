#pragma once

#include "fakedevice.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <random>

// The random actions of the churn test: devices that come, go and change, faults, the user's
// clicks and key presses, and a GUI thread that is sometimes busy.
namespace Churn {

// What a device's OTP record says; the first four are what the flow has to tell apart.
enum class Product
{
    Rel41,       // type 0x04: the product this tool upgrades
    K7,          // type 0x2B
    K7OldCode,   // type 0x23, the older code of 0x2B
    Rel41ThenK7, // a Rel-41 record in the first slot, a K7 record in a later one
    BlankOtp,    // every byte 0xFF
    UnreadableOtp,
};

// What the flash holds at first.
enum class Flash
{
    Rel41C3,      // a Rel-41 information block of revision C3
    Image,        // the image that the tool downloads (revision C4)
    Blank,        // erased
    OtherProduct, // the information block of a K7 firmware
};

struct Faults
{
    int otpDumpBytes = -1;  // an OTP read exits 0 but leaves this many bytes; -1: all of them
    int infoDumpBytes = -1; // the same for the information block
    bool infoReadFails = false;
    bool flipReadback = false; // a read-back returns one byte flipped
};

struct UnitSpec
{
    QString serial;
    Product product = Product::Rel41;
    Flash flash = Flash::Rel41C3;
    Faults faults;

    QString text() const;
};

enum class Kind
{
    Plug,       // a new device where there was none
    Replug,     // a device seen before, with the memory it has now
    Unplug,     // every device goes
    Replace,    // the present device(s) swapped for a new one between two dfu-util runs
    PlugSecond, // a new device beside the present one
    SetFaults,  // the present device's faults change
    Click,      // the install button is clicked (acts only when it is enabled)
    KeyA,       // the key that toggles the install button
    Stall,      // the GUI thread sleeps without processing events
    Wait,       // the GUI thread processes events
};

struct Action
{
    Kind kind = Kind::Wait;
    UnitSpec unit;  // Plug, Replace, PlugSecond, SetFaults: the device and its faults
    QString serial; // Replug: the device that comes back
    int ms = 0;     // Stall, Wait

    QString text() const;
};

// An action written as a line of a script: "plug SERIAL PRODUCT FLASH [FAULT...]" (also
// "replace" and "beside"), "again SERIAL", "unplug", "click", "key A", "stall MS", "wait MS".
// PRODUCT: rel41, k7, k7old, rel41+k7, blank, unreadable; FLASH: c3, image, erased, k7;
// FAULT: otp=BYTES, info=BYTES (short dumps), infofails, flip.
Action parse_action(QString const& line);

// The memory and faults of spec as the fake dfu-util presents them; image is the tool's image.
FakeDevice::Unit make_unit(UnitSpec const& spec, QByteArray const& image);

// The first 2048 bytes of a flash kind, as an information-block read returns them.
QByteArray info_area(Flash flash, QByteArray const& image);
// The revision in that area's information block, and whether the block is a Rel-41's.
QString revision_of(Flash flash);
bool has_rel41_block(Flash flash);

// Draws actions from a seed. The choice depends on the seed and the actions drawn so far, never
// on what the program did, so that a seed always gives the same sequence.
class Generator
{
public:
    explicit Generator(quint64 seed);

    Action next();
    int poll_pause_ms() const { return poll_ms; }

private:
    int uniform(int low, int high);
    bool chance(double p);
    template <typename T> T pick(std::initializer_list<std::pair<T, int>> weighted);
    UnitSpec new_unit();
    Faults new_faults();
    Action device_action(Kind kind);

    std::mt19937_64 random;
    int poll_ms;
    int units_made = 0;
    QStringList present_serials;
    QMap<QString, UnitSpec> units; // every device of the sequence, by serial
};

} // namespace Churn
