#pragma once

// How long the emulated bootloader takes. By default nothing takes time, so that the tests
// stay fast. With the setting timing=realistic the device takes the time of an STM32F405/407
// (2.7-3.6 V, x32 parallelism; datasheet typical values) behind a full-speed USB port, and
// spends it where the real one does: a control transfer takes its bus time, and an erase or
// a write keeps the device in dfuDNBUSY until it is done, the first GETSTATUS telling the
// time as bwPollTimeout. time_scale=F multiplies every duration (0.25: four times as fast).
//
// Measured with the carried dfu-util 0.11 and the carried 807136-byte image at time_scale=1,
// from the arrival of dfu-util's progress frames on its standard output (a pipe), three runs:
//   download "-s 0x08000000:leave -D": Erase 7.60 s (first "Erase" frame to first "Download"
//   frame; the device erases 11 sectors, 896 KiB, in 7.55 s of it), Download 7.50-7.72 s (to
//   the 100 % frame; 395 blocks of 19 ms: set address, 2048 bytes, 8.2 ms programming, and the
//   status polls), 15.2 s for the whole run. Erase 50 %, write 50 % of the two phases.
//   read-back upload "-s 0x08000000:807136 -U": 1.44-1.51 s (1.5 s for the whole run).

#include "emustate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace emu::timing {

struct Model
{
    bool realistic = false;
    double scale = 1.0;
};

inline Model model_of(Config const& c)
{
    Model m;
    m.realistic = c.get("timing") == "realistic";
    std::string const scale = c.get("time_scale");
    if (!scale.empty())
        m.scale = std::max(0.0, std::strtod(scale.c_str(), nullptr));
    return m;
}

inline long long scaled(Model const& m, double us)
{
    return m.realistic ? std::llround(us * m.scale) : 0;
}

// Sector erase: 16 KiB 250 ms, 64 KiB 550 ms, 128 KiB 1 s (the datasheet's maxima are twice
// these); a mass erase 8 s.
inline long long erase_us(Model const& m, std::uint32_t bytes)
{
    if (bytes == 0)
        return 0;
    if (bytes <= 0x4000)
        return scaled(m, 250e3);
    if (bytes <= 0x10000)
        return scaled(m, 550e3);
    if (bytes <= 0x20000)
        return scaled(m, 1e6);
    return scaled(m, 8e6);
}

// Programming: 16 us per 32-bit word, 8.2 ms for a block of 2048 bytes.
inline long long program_us(Model const& m, std::uint32_t bytes)
{
    return scaled(m, 16.0 * ((bytes + 3) / 4));
}

// One control transfer at full speed: the setup and status stages with the host's scheduling
// take one 1-ms frame, and the data stage moves 13 packets of 64 bytes per frame (832 KB/s,
// the full-speed control limit of USB 2.0). A 2048-byte block takes 3.5 ms (590 KB/s).
inline long long transfer_us(Model const& m, int bytes)
{
    int const packets = (std::max(bytes, 0) + 63) / 64;
    return scaled(m, 1000.0 + packets * 1000.0 / 13);
}

// The bwPollTimeout that covers a busy time: whole milliseconds, rounded up.
inline int poll_ms(long long busy_us)
{
    return busy_us <= 0 ? 0 : int((busy_us + 999) / 1000);
}

} // namespace emu::timing
