#pragma once

#include <QDebug>
#include <QString>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The product catalogue: type bytes, their names, and the decoded product identification.
namespace Device {

enum class Type : std::uint8_t {
    Invalid = 0x00,
    QORL = 0x03,
    VELK = 0x04,
    K7I = 0x0B,
    SARN = 0x1E,
    PLIM = 0x24,
    ORVK = 0x2B,
    DUNL = 0x84,
    HALV = 0x8C,
    Unknown = 0xFE,
    Undefined = 0xFF,
};

struct Product
{
    Type type;
    QString code;
    QString code_name;
    QString product_name;
    QString product_name_full;
};

// The fixed table; searches walk it in order and return the first match or end().
struct Products : std::vector<Product>
{
    using std::vector<Product>::vector;
    const_iterator find(Type type) const;
    const_iterator find(unsigned char type) const;
    const_iterator find(QString const& code) const;
};

extern Products const products;

// Type byte and three extra bytes, as stored in the OTP record and the firmware information.
using ProductInfoRaw = std::array<unsigned char, 4>;

struct ProductInfo
{
    Type type = Type::Invalid;
    unsigned char extra1 = 0xFF;
    unsigned char extra2 = 0xFF;
    unsigned char extra3 = 0xFF;
    std::int32_t raw_type = 0; // the stored type byte before lookup

    operator QString() const; // "ProductInfo: VELK (4)", with " [04 01 ff ff]" when unusual
    QString product_name() const;
    QString product_name_full() const;
};

bool operator==(ProductInfo const& a, ProductInfo const& b); // compares the types only
bool operator!=(ProductInfo const& a, ProductInfo const& b);

bool is_valid(Type type); // all but 0x00 and 0xFF
bool is_known(Type type); // all but 0x00, 0xFE and 0xFF
Type to_Type(unsigned char byte);
Type to_Type(QString const& code);
QString to_QString(Type type);
std::string to_string(Type type);
std::ostream& operator<<(std::ostream& os, Type type);
QDebug operator<<(QDebug debug, Type type);
QDebug operator<<(QDebug debug, ProductInfo const& info);

ProductInfo make_ProductInfo(ProductInfoRaw raw);

} // namespace Device
