#pragma once

#include <QString>

#include <vector>

// Classifies the output of dfu-util's list command: the device lines and their serials.
class DfuUtilParser
{
public:
    enum Status : int {
        no_dfu_device = 0,
        one_dfu_device = 1,
        invalid_dfu_device = 2,
        multiple_dfu_devices = 3,
    };

    static QString const prefix_RE;
    static QString const extract_serial_RE;

    explicit DfuUtilParser(QString const& output);

    QString status_as_string() const;

    Status status = no_dfu_device;
    std::vector<QString> serials;
};
