#include "otpinfo.h"

#include <QFile>

#include <algorithm>

namespace Device {

namespace {

constexpr int slot_size = 16;
constexpr int last_slot_limit = 498; // a record must start below this offset
QByteArray const marker("\x11\x47\x23\x01", 4);

bool is_blank(QByteArray const& dump)
{
    return std::all_of(dump.cbegin(), dump.cend(), [](char c) { return c == '\xFF'; });
}

// The 16 bytes of the record at offset. A record that starts less than 16 bytes before the end
// of a short dump is completed with 0xFF, as if the missing bytes were erased OTP cells.
std::array<unsigned char, slot_size> copy_record(QByteArray const& dump, int offset)
{
    std::array<unsigned char, slot_size> record;
    record.fill(0xFF);
    int const available = std::min(slot_size, dump.size() - offset);
    std::copy_n(dump.constData() + offset, available, record.begin());
    return record;
}

// Unknown type bytes are usable for nothing, so such a record counts as invalid.
void reject_unknown_type(OTP_Info& info)
{
    qInfo() << "Unknown device type according to OTP info, " << QString(info.product);
    info.product.type = Type::Invalid;
    info.valid = false;
}

} // namespace

QString OTP_Info::product_name() const
{
    return product.product_name();
}

OTP_Info::operator QString() const
{
    return QStringLiteral("OTP info:\nMarker %1\nProduct: %2\n")
        .arg(valid ? QStringLiteral("valid") : QStringLiteral("invalid"), QString(product));
}

QDebug operator<<(QDebug debug, OTP_Info const& info)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << QString(info);
    return debug;
}

OTP_Info make_OTP_Info(QString const& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return OTP_Info{};
    return make_OTP_Info(file.readAll());
}

OTP_Info make_OTP_Info(QByteArray const& dump)
{
    OTP_Info info;
    if (is_blank(dump)) {
        info.empty = true;
        return info;
    }
    // Records are appended slot by slot, so only the last marker counts; a misplaced last
    // marker means the OTP is not in a state we understand, even if an earlier record looks fine.
    int const offset = dump.lastIndexOf(marker);
    if (offset < 0 || offset % slot_size != 0 || offset >= last_slot_limit)
        return info;

    auto record = copy_record(dump, offset);
    // 0x23 is an older code of the product listed as 0x2B; correct it before anything reads it.
    if (record[4] == 0x23)
        record[4] = 0x2B;
    info.product = make_ProductInfo({record[4], record[5], record[6], record[7]});
    std::copy_n(record.begin() + 8, info.data.size(), info.data.begin());
    info.valid = is_valid(info.product.type);
    if (info.valid && !is_known(info.product.type))
        reject_unknown_type(info);
    else if (!info.valid)
        qInfo() << "Device not used, has invalid info in its OTP info.";
    return info;
}

} // namespace Device
