#pragma once

#include "products.h"

#include <QByteArray>
#include <QDebug>
#include <QString>

#include <utility>
#include <vector>

// The firmware information block near the start of a firmware image.
namespace Device {

struct FW_Info
{
    ProductInfo product;
    QString name;
    QString revision;
    std::vector<std::pair<QString, QString>> details;
    bool valid = false;

    operator QString() const;
};

QDebug operator<<(QDebug debug, FW_Info const& info);

// Length of the text in a 32-byte field; -1 when none of its bytes 1 to 31 is zero.
int local_strlen(char const* field);
// The 32-byte text field at pos; data past the end of bytes reads as a zero byte.
QString get_string(QByteArray const& bytes, int pos);

FW_Info make_FW_Info(QString const& path);
FW_Info make_FW_Info(QByteArray const& bytes);

} // namespace Device
