#include "devicevectors.h"

namespace DeviceVectors {

QByteArray otp_record(unsigned char type, QByteArray const& extras, QByteArray const& data)
{
    return otp_marker + char(type) + extras.leftJustified(3, '\xFF', true) +
           data.leftJustified(8, '\xFF', true);
}

QByteArray place(QList<QPair<int, QByteArray>> const& parts, int size, char fill)
{
    QByteArray bytes(size, fill);
    for (auto const& [offset, part] : parts)
        bytes.replace(offset, part.size(), part);
    return bytes.left(size);
}

QByteArray text_field(QByteArray const& text)
{
    return text.leftJustified(32, '\0', true);
}

QByteArray fw_block(unsigned char type, QByteArray const& name, QByteArray const& revision,
                    QList<QPair<QByteArray, QByteArray>> const& pairs, QByteArray const& extras)
{
    QByteArray block =
        fw_start_marker + char(type) + extras + text_field(name) + text_field(revision);
    for (auto const& [key, value] : pairs)
        block += text_field(key) + text_field(value);
    return block + fw_end_marker;
}

std::vector<std::pair<QString, QByteArray>> otp_seeds()
{
    return {
        {"blank", QByteArray(512, '\xFF')},
        {"zeros", QByteArray(512, '\0')},
        {"velk_at_0", place({{0, otp_record(0x04)}}, 512)},
        {"two_records", place({{0, otp_record(0x03)}, {32, otp_record(0x04)}}, 512)},
        {"last_slot", place({{496, otp_record(0x2B, "\x01\x02\x03")}}, 512)},
        {"misplaced", place({{0, otp_record(0x04)}, {8, otp_marker}}, 512)},
        {"type_23", place({{16, otp_record(0x23)}}, 512)},
        {"type_05", place({{0, otp_record(0x05)}}, 512)},
        {"short", place({{16, otp_marker + '\x04'}}, 21)},
    };
}

std::vector<std::pair<QString, QByteArray>> fw_seeds()
{
    QList<QPair<QByteArray, QByteArray>> const pairs{
        {"Creation date", "2026-11-24"}, {"Git hash of FW", "8c1f0e5a93d2"}, {"Git tag", ""}};
    return {
        {"no_pairs", fw_block(0x04, "REL41", "C4")},
        {"pairs_at_512", place({{512, fw_block(0x04, "REL41", "C4", pairs)}}, 2048, '\0')},
        {"end_at_limit", place({{1876, fw_block(0x04, "REL41", "C4")}}, 2048, '\0')},
        {"distance_73", fw_start_marker + QByteArray(69, 'x') + fw_end_marker},
        {"end_first", fw_end_marker + QByteArray(96, '\0') + fw_start_marker},
        {"long_fields", fw_block(0x05, QByteArray(32, 'n'), QByteArray(31, 'r'), pairs)},
    };
}

} // namespace DeviceVectors
