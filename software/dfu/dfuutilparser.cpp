#include "dfuutilparser.h"

#include <QDebug>
#include <QRegularExpression>
#include <QStringList>

QString const DfuUtilParser::prefix_RE = QStringLiteral("^Found DFU: \\[0483:df11\\] ver=2200");
QString const DfuUtilParser::extract_serial_RE = QStringLiteral("serial=\\\"([0-9a-fA-F]+)\\\"");

namespace {

struct Patterns
{
    QRegularExpression prefix{DfuUtilParser::prefix_RE};
    QRegularExpression serial{DfuUtilParser::extract_serial_RE};
};

// Compiled on first use (thread-safe static initialisation) and only read afterwards.
Patterns const& patterns()
{
    static Patterns const compiled;
    return compiled;
}

DfuUtilParser::Status classify(std::size_t serials, int device_lines)
{
    if (serials == 0)
        return DfuUtilParser::no_dfu_device;
    if (serials > 1)
        return DfuUtilParser::multiple_dfu_devices;
    return device_lines == 4 ? DfuUtilParser::one_dfu_device : DfuUtilParser::invalid_dfu_device;
}

} // namespace

DfuUtilParser::DfuUtilParser(QString const& output)
{
    Patterns const& re = patterns();
    int device_lines = 0;
    // The list runs twice a second: lines that cannot be device lines skip the expressions.
    QLatin1String const found("Found DFU: ");
    for (QString const& line : output.split(QLatin1Char('\n'))) {
        if (!line.startsWith(found) || !re.prefix.match(line).hasMatch())
            continue;
        QRegularExpressionMatch const serial = re.serial.match(line);
        if (!serial.hasMatch()) {
            qDebug() << line;
            status = no_dfu_device;
            return;
        }
        QString const captured = serial.captured(1);
        if (serials.empty() || serials.back() != captured)
            serials.push_back(captured);
        ++device_lines;
    }
    status = classify(serials.size(), device_lines);
}

QString DfuUtilParser::status_as_string() const
{
    switch (status) {
    case no_dfu_device:
        return QStringLiteral("no_dfu_device");
    case one_dfu_device:
        return QStringLiteral("one_dfu_device");
    case invalid_dfu_device:
        return QStringLiteral("invalid_dfu_device");
    case multiple_dfu_devices:
        return QStringLiteral("multiple_dfu_devices");
    }
    return QString();
}
