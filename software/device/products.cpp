#include "products.h"

#include <algorithm>

namespace Device {

// Rows for Invalid, Undefined and Unknown exist so that these values have a code and names too.
Products const products{
    {Type::Invalid, "invalid", "Invalid", "N/A", "N/A"},
    {Type::Undefined, "undefined", "Undefined", "?", "?"},
    {Type::QORL, "QORL", "Quorrel", "Rel-40", "Rel-40 Synkro"},
    {Type::VELK, "VELK", "Velka", "Rel-41", "Kalvora Rel-41"},
    {Type::ORVK, "ORVK", "Orvik", "K7", "K7 Synkro"},
    {Type::K7I, "K7I", "K7i", "K7 Industrial", "K7 Industrial"},
    {Type::DUNL, "DUNL", "Dunel", "T3X", "Kalvora T3 & T3X"},
    {Type::SARN, "SARN", "Sarn", "T37", "Kalvora T37"},
    {Type::PLIM, "PLIM", "Plim", "T4", "Kalvora T4"},
    {Type::HALV, "HALV", "Halvent", "M20 or M20X", "Kalvora M20X & M20 series"},
    {Type::Unknown, "unknown", "Unknown", "unknown", "unknown"},
};

Products::const_iterator Products::find(Type type) const
{
    return std::find_if(begin(), end(), [type](Product const& p) { return p.type == type; });
}

Products::const_iterator Products::find(unsigned char type) const
{
    return find(static_cast<Type>(type));
}

Products::const_iterator Products::find(QString const& code) const
{
    return std::find_if(begin(), end(), [&code](Product const& p) { return p.code == code; });
}

bool is_valid(Type type)
{
    return type != Type::Invalid && type != Type::Undefined;
}

bool is_known(Type type)
{
    return is_valid(type) && type != Type::Unknown;
}

Type to_Type(unsigned char byte)
{
    auto const row = products.find(byte);
    return row == products.end() ? Type::Unknown : row->type;
}

Type to_Type(QString const& code)
{
    if (code.isEmpty())
        return Type::Invalid;
    auto const row = products.find(code);
    return row == products.end() ? Type::Unknown : row->type;
}

QString to_QString(Type type)
{
    auto const row = products.find(type);
    return row == products.end() ? QStringLiteral("impossible type") : row->code;
}

std::string to_string(Type type)
{
    return to_QString(type).toStdString();
}

std::ostream& operator<<(std::ostream& os, Type type)
{
    return os << to_string(type);
}

QDebug operator<<(QDebug debug, Type type)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << to_QString(type);
    return debug;
}

bool operator==(ProductInfo const& a, ProductInfo const& b)
{
    return a.type == b.type;
}

bool operator!=(ProductInfo const& a, ProductInfo const& b)
{
    return !(a == b);
}

ProductInfo make_ProductInfo(ProductInfoRaw raw)
{
    ProductInfo info;
    info.type = to_Type(raw[0]);
    info.extra1 = raw[1];
    info.extra2 = raw[2];
    info.extra3 = raw[3];
    info.raw_type = raw[0];
    return info;
}

ProductInfo::operator QString() const
{
    QString text = QStringLiteral("ProductInfo: %1 (%2)")
                       .arg(to_QString(type), QString::number(static_cast<unsigned>(type)));
    // The raw bytes are shown only when something about the record is unusual.
    if (type == Type::Unknown || extra1 != 0xFF || extra2 != 0xFF || extra3 != 0xFF) {
        auto const hex = [](int value) {
            return QStringLiteral("%1").arg(value, 2, 16, QChar('0'));
        };
        text += QStringLiteral(" [%1 %2 %3 %4]")
                    .arg(hex(raw_type), hex(extra1), hex(extra2), hex(extra3));
    }
    return text;
}

QString ProductInfo::product_name() const
{
    auto const row = products.find(type);
    return row == products.end() ? QString() : row->product_name;
}

QString ProductInfo::product_name_full() const
{
    auto const row = products.find(type);
    return row == products.end() ? QString() : row->product_name_full;
}

QDebug operator<<(QDebug debug, ProductInfo const& info)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << QString(info);
    return debug;
}

} // namespace Device
