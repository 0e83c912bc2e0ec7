#include "progress.h"

#include <QRegularExpression>

namespace DFU {

namespace {

// A frame's text as a piece of output can end: with the byte count and its unit.
std::optional<Progress> parse_frame(QByteArray const& frame)
{
    static QRegularExpression const pattern(QStringLiteral(
        "^(Erase|Download|Upload)\\s*\\t\\[[= ]*\\]\\s*(\\d{1,3})%\\s+\\d+ bytes"));
    QRegularExpressionMatch const match = pattern.match(QString::fromLatin1(frame));
    if (!match.hasMatch())
        return std::nullopt;
    Progress p;
    QString const phase = match.captured(1);
    p.phase = phase == QLatin1String("Erase")      ? Progress::Erase
              : phase == QLatin1String("Download") ? Progress::Download
                                                   : Progress::Upload;
    p.percent = qBound(0, match.captured(2).toInt(), 100);
    return p;
}

// Longer than any frame; output that is no frame (an endless line) is not kept beyond it.
constexpr int max_frame_length = 256;

} // namespace

std::vector<Progress> ProgressParser::feed(QByteArray const& piece)
{
    std::vector<Progress> updates;
    auto consider = [&](QByteArray const& frame) {
        std::optional<Progress> const p = parse_frame(frame);
        if (p && p != last) {
            last = p;
            updates.push_back(*p);
        }
    };
    for (char const c : piece) {
        if (c == '\r' || c == '\n') {
            consider(pending);
            pending.clear();
        } else if (pending.size() < max_frame_length) {
            pending.append(c);
        }
    }
    // dfu-util ends a frame only by starting the next one: a frame at the end of the piece
    // counts as soon as it is whole.
    consider(pending);
    return updates;
}

int overall_percent(Progress const& progress)
{
    switch (progress.phase) {
    case Progress::Erase:
        if (progress.percent >= 100)
            return erase_share_percent;
        return int(qint64(progress.percent) * image_bytes * erase_share_percent /
                   (qint64(erased_sector_bytes) * 100));
    case Progress::Download:
        return erase_share_percent + progress.percent * (100 - erase_share_percent) / 100;
    case Progress::Upload:
        break;
    }
    return progress.percent;
}

} // namespace DFU
