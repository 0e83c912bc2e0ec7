#pragma once

#include "settings.h"

#include <QColor>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <vector>

// A coloured ring over the background picture that points at a pictured button.
class Circle : public QWidget
{
    Q_OBJECT

public:
    struct Data
    {
        QPoint center;
        std::int32_t radius = 0;
        std::int32_t pen_width = 0;
        QColor color;
    };

    Circle(Data data, QWidget* parent = nullptr);

    void setup();
    void setCenter(QPoint center);
    Data const& data() const { return d; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Data d;
};

void add_circles(std::vector<Settings::CircleData> const& circles, QWidget* parent);
void add_circles(std::vector<Circle::Data> const& circles, QWidget* parent);
