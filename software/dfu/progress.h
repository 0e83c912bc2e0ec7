#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace DFU {

// One frame of dfu-util's progress bar.
struct Progress
{
    enum Phase { Erase, Download, Upload };
    Phase phase = Download;
    int percent = 0; // 0 to 100, as dfu-util prints it

    bool operator==(Progress const& other) const
    {
        return phase == other.phase && percent == other.percent;
    }
    bool operator!=(Progress const& other) const { return !(*this == other); }
};

// Picks dfu-util's progress frames ("\rDownload\t[=====     ]  20%   161792 bytes") out of
// its standard output as it arrives. A frame split across two pieces is reported once it is
// complete, and each frame once.
class ProgressParser
{
public:
    std::vector<Progress> feed(QByteArray const& piece);

private:
    QByteArray pending; // text after the last frame separator
    std::optional<Progress> last;
};

// The share of a whole run (0 to 100) that a frame stands for. A DfuSe download first erases
// the sectors the image needs, then writes it; each phase counts by its share of the time.
int overall_percent(Progress const& progress);

// The erase phase's share of a download of the carried image, in percent (measured against a
// bootloader with an STM32F4's erase and programming times: 7.6 s of erasing, 7.5 s of writing).
constexpr int erase_share_percent = 50;
// dfu-util counts the erase in image bytes, frame by frame before each sector, while the lamp
// erases whole sectors: the carried image (807136 bytes) takes 917504 bytes of sectors, so
// until its last frame dfu-util's erase percentage runs ahead by this ratio.
constexpr int image_bytes = 807136;
constexpr int erased_sector_bytes = 917504;

} // namespace DFU
