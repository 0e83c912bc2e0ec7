#include "settings.h"

#include "dfu/supportmisc.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace Settings {

namespace {

// A JSON number counts as an integer only when it is whole and fits 32 bits.
bool is_integral(QJsonValue const& value)
{
    if (!value.isDouble())
        return false;
    double const d = value.toDouble();
    return std::isfinite(d) && d == std::trunc(d)
           && d >= double(std::numeric_limits<std::int32_t>::min())
           && d <= double(std::numeric_limits<std::int32_t>::max());
}

std::int32_t to_int(QJsonValue const& value, std::int32_t fallback)
{
    return is_integral(value) ? std::int32_t(value.toDouble()) : fallback;
}

bool to_bool(QJsonValue const& value)
{
    return value.isBool() && value.toBool();
}

// Label keys: an absent key keeps the initial value, a present one converts (wrong type gives
// the conversion's default). One lookup per key: the layout is read at every start-up.
void read_string(QJsonObject const& o, QLatin1String key, QString& field)
{
    QJsonValue const value = o.value(key);
    if (!value.isUndefined())
        field = value.toString();
}

void read_int(QJsonObject const& o, QLatin1String key, std::int32_t& field)
{
    QJsonValue const value = o.value(key);
    if (!value.isUndefined())
        field = to_int(value, 0);
}

void read_bool(QJsonObject const& o, QLatin1String key, bool& field)
{
    QJsonValue const value = o.value(key);
    if (!value.isUndefined())
        field = to_bool(value);
}

} // namespace

CircleData::operator QString() const
{
    return QStringLiteral("Circle '%1': (%2,%3), r=%4, w=%5, color=%6")
        .arg(name, QString::number(center.x()), QString::number(center.y()),
             QString::number(radius), QString::number(pen_width), color.name(QColor::HexArgb));
}

LabelData::operator QString() const
{
    return QStringLiteral("Label '%1': (%2,%3) {%4%5%6} font='%7':%8: '%9'")
        .arg(id, QString::number(x), QString::number(y),
             white ? QString() : QStringLiteral("not-white"),
             !white && !create ? QStringLiteral(" ") : QString(),
             create ? QString() : QStringLiteral("no-create"), font, QString::number(size), text);
}

GUI::GUI(QString const& text)
{
    QJsonObject const top = QJsonDocument::fromJson(text.toUtf8()).object();
    for (QJsonValue const& circle : top.value(QLatin1String("circles")).toArray())
        circles.push_back(CircleData_factory(circle.toObject()));
    for (QJsonValue const& label : top.value(QLatin1String("labels")).toArray())
        labels.push_back(LabelData_factory(label.toObject()));
    valid = true;
}

LabelData const* GUI::label(QString const& id) const
{
    for (LabelData const& entry : labels)
        if (entry.id == id)
            return &entry;
    qWarning() << "No matching label with id" << id << "found";
    return nullptr;
}

QString GUI::text(QString const& id) const
{
    LabelData const* entry = label(id);
    return entry ? entry->text : QString();
}

GUI::operator QString() const
{
    QString out = QStringLiteral("GUI settings:\n");
    if (!valid)
        return out + QStringLiteral("\tInvalid\n");
    for (CircleData const& circle : circles)
        out += QLatin1Char('\t') + QString(circle) + QLatin1Char('\n');
    for (LabelData const& label : labels)
        out += QLatin1Char('\t') + QString(label) + QLatin1Char('\n');
    return out;
}

QString load_settings_file(QString const& path)
{
    return support_misc::load_text_file(support_misc::maybe_use_file_instead_of_resource(path));
}

GUI make_GUI(QString const& path)
{
    return GUI(load_settings_file(path));
}

QString translated(QString const& text)
{
    return QCoreApplication::translate("Layout", text.toUtf8().constData());
}

CircleData CircleData_factory(QJsonObject const& object)
{
    CircleData circle;
    circle.name = object.value(QLatin1String("name")).toString();
    QJsonObject const center = object.value(QLatin1String("center")).toObject();
    circle.center = QPoint(to_int(center.value(QLatin1String("x")), 0),
                           to_int(center.value(QLatin1String("y")), 0));
    circle.radius = to_int(object.value(QLatin1String("radius")), 0);
    circle.pen_width = to_int(object.value(QLatin1String("pen_width")), 0);
    circle.color.setNamedColor(object.value(QLatin1String("color")).toString());
    return circle;
}

LabelData LabelData_factory(QJsonObject const& object)
{
    LabelData label;
    read_string(object, QLatin1String("id"), label.id);
    QJsonValue const position = object.value(QLatin1String("position"));
    if (!position.isUndefined()) {
        QJsonObject const xy = position.toObject();
        read_int(xy, QLatin1String("x"), label.x);
        read_int(xy, QLatin1String("y"), label.y);
    }
    read_int(object, QLatin1String("size"), label.size);
    read_string(object, QLatin1String("font"), label.font);
    read_bool(object, QLatin1String("create"), label.create);
    read_bool(object, QLatin1String("white"), label.white);
    read_string(object, QLatin1String("text"), label.text);
    return label;
}

QDebug operator<<(QDebug debug, CircleData const& circle)
{
    QDebugStateSaver saver(debug);
    debug.quote() << QString(circle);
    return debug;
}

QDebug operator<<(QDebug debug, LabelData const& label)
{
    QDebugStateSaver saver(debug);
    debug.quote() << QString(label);
    return debug;
}

QDebug operator<<(QDebug debug, GUI const& gui)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << QString(gui);
    return debug;
}

} // namespace Settings
