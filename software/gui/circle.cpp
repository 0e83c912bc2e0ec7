#include "circle.h"

#include <QPainter>
#include <QPen>

Circle::Circle(Data data, QWidget* parent)
    : QWidget(parent)
    , d(std::move(data))
{
    setup();
}

void Circle::setup()
{
    setBackgroundRole(QPalette::Base);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(2 * d.radius, 2 * d.radius);
    move(d.center.x() - d.radius, d.center.y() - d.radius);
}

void Circle::setCenter(QPoint center)
{
    d.center = center;
    move(d.center.x() - d.radius, d.center.y() - d.radius);
}

void Circle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QBrush(d.color), qreal(d.pen_width), Qt::SolidLine, Qt::SquareCap,
                        Qt::BevelJoin));
    // Shrink the ring by half the pen width so that the stroke stays inside the widget.
    int const r = d.radius;
    int const h = d.pen_width / 2;
    painter.drawEllipse(QRect(r - (r - h), r - (r - h), 2 * (r - h), 2 * (r - h)));
}

void add_circles(std::vector<Settings::CircleData> const& circles, QWidget* parent)
{
    std::vector<Circle::Data> data;
    for (Settings::CircleData const& c : circles)
        data.push_back({c.center, c.radius, c.pen_width, c.color});
    add_circles(data, parent);
}

void add_circles(std::vector<Circle::Data> const& circles, QWidget* parent)
{
    for (Circle::Data const& data : circles)
        (new Circle(data, parent))->show();
}
