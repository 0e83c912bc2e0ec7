#pragma once

#include "device/products.h"

#include <QColor>
#include <QDebug>
#include <QJsonObject>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <vector>

// The window's layout file: labels and circle markers, and the firmware the program carries.
namespace Settings {

struct CircleData
{
    QString name;
    QPoint center;
    std::int32_t radius = 0;
    std::int32_t pen_width = 0;
    QColor color;

    operator QString() const;
};

struct LabelData
{
    QString id;
    std::int32_t x = -1;
    std::int32_t y = -1;
    std::int32_t size = -1; // font pixel size before scaling; 0 or less keeps the font size
    QString font;           // empty keeps the application font
    QString text;
    bool create = true;
    bool white = true;

    operator QString() const;
};

struct GUI
{
    GUI() = default;
    explicit GUI(QString const& text);

    bool valid = false;
    std::vector<CircleData> circles;
    std::vector<LabelData> labels;

    // The first label with this id, or null after a warning.
    LabelData const* label(QString const& id) const;
    // That label's text, or an empty string.
    QString text(QString const& id) const;
    operator QString() const;
};

struct Settings
{
    GUI gui;
    QString desired_name;
    Device::Type desired_type = Device::Type::Invalid;
    QString desired_revision;
};

// Throws the text loader's QString message when the file cannot be opened.
QString load_settings_file(QString const& path);
GUI make_GUI(QString const& path);
// A text of the layout file in the language of the installed translators (context "Layout";
// the build lists the file's texts for lupdate): unchanged without a translation.
QString translated(QString const& text);

CircleData CircleData_factory(QJsonObject const& object);
LabelData LabelData_factory(QJsonObject const& object);

QDebug operator<<(QDebug debug, CircleData const& circle);
QDebug operator<<(QDebug debug, LabelData const& label);
QDebug operator<<(QDebug debug, GUI const& gui);

} // namespace Settings
