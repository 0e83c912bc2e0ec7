#include "fwinfo.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace Device {

namespace {

constexpr int field_size = 32;
constexpr int max_marker_offset = 1948; // the block must lie in the first 2048 bytes
constexpr int header_size = 72;         // markers, product identification, name and revision
constexpr int pair_size = 2 * field_size;
QByteArray const start_marker("\x12\x47\x23\x01", 4);
QByteArray const end_marker("\x13\x47\x23\x01", 4);

ProductInfoRaw raw_product_at(QByteArray const& bytes, int pos)
{
    ProductInfoRaw raw;
    std::memcpy(raw.data(), bytes.constData() + pos, raw.size());
    return raw;
}

void read_details(QByteArray const& bytes, int first_pair, int pair_count, FW_Info& info)
{
    for (int i = 0; i < pair_count; ++i) {
        int const pos = first_pair + pair_size * i;
        QString key = get_string(bytes, pos);
        QString value = get_string(bytes, pos + field_size);
        // An unfilled pair ends the list: the build leaves the remaining slots blank.
        if (key.isEmpty() || value.isEmpty())
            return;
        info.details.emplace_back(std::move(key), std::move(value));
    }
}

} // namespace

int local_strlen(char const* field)
{
    if (field[0] == '\0')
        return 0;
    char const* const zero = static_cast<char const*>(std::memchr(field + 1, '\0', field_size - 1));
    return zero ? static_cast<int>(zero - field) : -1;
}

QString get_string(QByteArray const& bytes, int pos)
{
    if (pos < 0 || pos >= bytes.size())
        return QString();
    char field[field_size] = {}; // where the data ends sooner, the zeros act as terminator
    int const available = std::min(field_size, bytes.size() - pos);
    std::memcpy(field, bytes.constData() + pos, available);
    int const length = local_strlen(field);
    return length < 0 ? QString() : QString::fromLatin1(field, length);
}

FW_Info make_FW_Info(QString const& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FW_Info{};
    return make_FW_Info(file.readAll());
}

FW_Info make_FW_Info(QByteArray const& bytes)
{
    FW_Info info;
    int const start = bytes.indexOf(start_marker);
    int const end = bytes.indexOf(end_marker);
    if (start < 0 || end < 0) {
        qDebug() << "index_beg = " << start << "index_end = " << end;
        return info;
    }
    if (start > max_marker_offset || end > max_marker_offset)
        return info;
    int const pair_bytes = end - start - header_size;
    if (pair_bytes < 0 || pair_bytes % pair_size != 0) {
        qDebug() << "index_beg = " << start << "index_end = " << end
                 << "nr_of_pair_bytes =" << pair_bytes;
        return info;
    }
    // The end marker lies behind every field, so all of them are inside the data.
    info.product = make_ProductInfo(raw_product_at(bytes, start + 4));
    info.name = get_string(bytes, start + 8);
    info.revision = get_string(bytes, start + 8 + field_size);
    read_details(bytes, start + header_size, pair_bytes / pair_size, info);
    info.valid = true;
    return info;
}

FW_Info::operator QString() const
{
    QString text = QStringLiteral("FW info:\n");
    if (!valid)
        return text + QStringLiteral("\tInvalid");
    text += QStringLiteral("  Type: ") + QString(product) + QLatin1Char('\n');
    text += QStringLiteral("  Name: ") + name + QLatin1Char('\n');
    text += QStringLiteral("  Rev.: ") + revision + QLatin1Char('\n');
    text += QStringLiteral("  Details:");
    for (auto const& [key, value] : details)
        text += QStringLiteral("\n    ") + key.leftJustified(31) + QStringLiteral(": ") +
                value.leftJustified(31);
    return text;
}

QDebug operator<<(QDebug debug, FW_Info const& info)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << QString(info);
    return debug;
}

} // namespace Device
