#pragma once

#include "products.h"

#include <QByteArray>
#include <QDebug>
#include <QString>

#include <array>

// The product record in the device's one-time-programmable memory.
namespace Device {

struct OTP_Info
{
    ProductInfo product;
    std::array<unsigned char, 8> data{};
    bool valid = false; // a record of a listed, usable product
    bool empty = false; // nothing read, or every byte 0xFF

    QString product_name() const;
    operator QString() const;
};

QDebug operator<<(QDebug debug, OTP_Info const& info);

OTP_Info make_OTP_Info(QString const& path);
OTP_Info make_OTP_Info(QByteArray const& dump);

} // namespace Device
