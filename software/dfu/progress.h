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

// The erase phase's share of a download of the carried image, in percent.
constexpr int erase_share_percent = 50;

} // namespace DFU
