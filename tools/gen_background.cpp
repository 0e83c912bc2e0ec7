// Paints the window's background picture (665 x 517) and saves it as a JPEG: the product's
// control panel photographed from above on a dark ground, with a light band along the bottom
// behind the status line. The left continuous light button sits at (295, 287), where the
// layout file puts its ring marker. The output is deterministic (fixed noise seed).
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>

namespace {

int const W = 665;
int const H = 517;
int const S = 2; // supersampling factor; painted at S x and scaled down for soft edges

QRectF const body(228, 168, 470, 198); // lamp housing, running out of the picture at the right
QRectF const panel(250, 232, 380, 112);
double const buttonY = 287;
double const buttonX[] = {295, 367.5, 440, 512.5, 585};

// xorshift: the same noise on every machine.
struct Noise
{
    std::uint32_t state = 0x1234567u;
    double next() // -1 .. 1
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (state & 0xFFFFFF) / double(0x7FFFFF) - 1.0;
    }
};

// Three box blurs approximate a Gaussian; used for soft shadows and glows.
QImage blurred(QImage image, int radius)
{
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            QImage const src = image;
            int const w = image.width(), h = image.height();
            int const lines = horizontal ? h : w, len = horizontal ? w : h;
            for (int l = 0; l < lines; ++l) {
                for (int i = 0; i < len; ++i) {
                    int sum[4] = {0, 0, 0, 0}, n = 0;
                    for (int k = qMax(0, i - radius); k <= qMin(len - 1, i + radius); ++k, ++n) {
                        QRgb const c = horizontal ? src.pixel(k, l) : src.pixel(l, k);
                        sum[0] += qRed(c), sum[1] += qGreen(c), sum[2] += qBlue(c), sum[3] += qAlpha(c);
                    }
                    QRgb const c = qRgba(sum[0] / n, sum[1] / n, sum[2] / n, sum[3] / n);
                    horizontal ? image.setPixel(i, l, c) : image.setPixel(l, i, c);
                }
            }
        }
    }
    return image;
}

// A soft shadow of a shape, painted onto p with an offset.
void paint_shadow(QPainter& p, QPainterPath const& shape, QPointF offset, int radius, int alpha)
{
    QImage layer(W, H, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter lp(&layer);
    lp.setRenderHint(QPainter::Antialiasing);
    lp.fillPath(shape.translated(offset), QColor(0, 0, 0, alpha));
    lp.end();
    p.save();
    p.resetTransform();
    p.scale(S, S);
    p.drawImage(0, 0, blurred(layer, radius));
    p.restore();
}

void paint_ground(QPainter& p)
{
    // Dark slate lit softly from the upper left, as on a studio table.
    QRadialGradient light(QPointF(200, 120), 620);
    light.setColorAt(0, QColor(46, 48, 52));
    light.setColorAt(0.55, QColor(26, 27, 30));
    light.setColorAt(1, QColor(12, 12, 14));
    p.fillRect(QRectF(0, 0, W, H), light);
    // Faint mottling of the cloth under the product.
    Noise noise;
    for (int i = 0; i < 40; ++i) {
        QPointF const c(W * (0.5 + 0.5 * noise.next()), 449 * (0.5 + 0.5 * noise.next()));
        double const r = 40 + 50 * (1 + noise.next());
        int const v = noise.next() > 0 ? 255 : 0;
        QRadialGradient blot(c, r);
        blot.setColorAt(0, QColor(v, v, v, 5));
        blot.setColorAt(1, QColor(v, v, v, 0));
        p.fillRect(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), blot);
    }
}

void paint_band(QPainter& p)
{
    // A light matte surface along the bottom edge, behind the status line.
    QLinearGradient band(0, 449, 0, H);
    band.setColorAt(0, QColor(60, 60, 60));
    band.setColorAt(0.09, QColor(206, 206, 200));
    band.setColorAt(0.3, QColor(226, 225, 219));
    band.setColorAt(1, QColor(214, 213, 207));
    p.fillRect(QRectF(0, 449, W, H - 449), band);
    QLinearGradient sideLight(0, 0, W, 0);
    sideLight.setColorAt(0, QColor(255, 255, 250, 30));
    sideLight.setColorAt(1, QColor(0, 0, 0, 28));
    p.fillRect(QRectF(0, 452, W, H - 452), sideLight);
}

QPainterPath rounded(QRectF const& r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void paint_body(QPainter& p)
{
    QPainterPath const shape = rounded(body, 34);
    paint_shadow(p, shape, QPointF(6, 12), 14, 200);
    // Powder-coated housing: a broad highlight across its upper part.
    QLinearGradient coat(0, body.top(), 0, body.bottom());
    coat.setColorAt(0, QColor(70, 72, 76));
    coat.setColorAt(0.08, QColor(52, 54, 58));
    coat.setColorAt(0.5, QColor(38, 39, 42));
    coat.setColorAt(0.93, QColor(30, 31, 33));
    coat.setColorAt(1, QColor(18, 18, 20));
    p.fillPath(shape, coat);
    QRadialGradient sheen(QPointF(360, 175), 260);
    sheen.setColorAt(0, QColor(255, 255, 255, 34));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(shape, sheen);
    p.setPen(QPen(QColor(110, 112, 116, 150), 0.8));
    p.drawPath(rounded(body.adjusted(0.6, 0.6, -0.6, -0.6), 33));
    // The cooling fins of the lamp head above the panel.
    for (double x = 262; x < 650; x += 14) {
        QLinearGradient fin(x, 0, x + 8, 0);
        fin.setColorAt(0, QColor(20, 20, 22));
        fin.setColorAt(0.5, QColor(58, 60, 64));
        fin.setColorAt(1, QColor(28, 28, 30));
        p.fillPath(rounded(QRectF(x, 182, 8, 34), 3), fin);
    }
}

void paint_brushed(QPainter& p, QPainterPath const& shape)
{
    p.save();
    p.setClipPath(shape);
    Noise noise;
    for (double y = panel.top(); y < panel.bottom(); y += 0.5) {
        int const v = int(8 * noise.next());
        p.setPen(QPen(QColor(v > 0 ? 255 : 0, v > 0 ? 255 : 0, v > 0 ? 255 : 0, std::abs(v)), 0.5));
        p.drawLine(QPointF(panel.left(), y), QPointF(panel.right(), y));
    }
    p.restore();
}

void paint_panel(QPainter& p)
{
    QPainterPath const shape = rounded(panel, 14);
    // Recessed into the housing: a dark rim, then the anodised plate.
    p.fillPath(rounded(panel.adjusted(-3, -3, 3, 3), 16), QColor(12, 12, 13));
    QLinearGradient plate(panel.topLeft(), panel.bottomRight());
    plate.setColorAt(0, QColor(84, 86, 90));
    plate.setColorAt(0.45, QColor(64, 66, 70));
    plate.setColorAt(1, QColor(44, 45, 48));
    p.fillPath(shape, plate);
    paint_brushed(p, shape);
    p.setPen(QPen(QColor(150, 152, 156, 170), 0.8));
    p.drawLine(QPointF(panel.left() + 12, panel.top() + 0.6), QPointF(panel.right() - 12, panel.top() + 0.6));
    for (QPointF const c : {QPointF(262, 244), QPointF(618, 244), QPointF(262, 332), QPointF(618, 332)}) {
        QRadialGradient screw(c - QPointF(1, 1), 4);
        screw.setColorAt(0, QColor(150, 150, 152));
        screw.setColorAt(1, QColor(40, 40, 42));
        p.setPen(QPen(QColor(10, 10, 10), 0.6));
        p.setBrush(screw);
        p.drawEllipse(c, 3.6, 3.6);
        p.setPen(QPen(QColor(20, 20, 20), 1.0));
        p.drawLine(c + QPointF(-2.2, 1.2), c + QPointF(2.2, -1.2));
    }
}

void paint_cap(QPainter& p, QPointF c, QColor base)
{
    // Recess with a soft shadow below the cap.
    QRadialGradient well(c, 17.5);
    well.setColorAt(0.7, QColor(8, 8, 9));
    well.setColorAt(1, QColor(8, 8, 9, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(well);
    p.drawEllipse(c + QPointF(0.8, 1.6), 17.5, 17.5);
    p.setPen(QPen(QColor(120, 122, 126, 160), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 15.6, 15.6);
    QRadialGradient cap(c + QPointF(-5, -6), 20);
    cap.setColorAt(0, base.lighter(170));
    cap.setColorAt(0.5, base);
    cap.setColorAt(1, base.darker(190));
    p.setPen(QPen(QColor(5, 5, 5), 0.7));
    p.setBrush(cap);
    p.drawEllipse(c, 13.5, 13.5);
    QRadialGradient glint(c + QPointF(-5, -6), 7);
    glint.setColorAt(0, QColor(255, 255, 255, 120));
    glint.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glint);
    p.drawEllipse(c + QPointF(-5, -6), 7, 5);
}

QPen print_pen()
{
    return QPen(QColor(205, 207, 210, 215), 1.2, Qt::SolidLine, Qt::RoundCap);
}

// A lamp with rays: continuous light.
void paint_continuous_icon(QPainter& p, QPointF c)
{
    p.setPen(print_pen());
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 3.2, 3.2);
    for (int i = 0; i < 8; ++i) {
        double const a = i * M_PI / 4;
        p.drawLine(c + QPointF(5 * std::cos(a), 5 * std::sin(a)), c + QPointF(7.2 * std::cos(a), 7.2 * std::sin(a)));
    }
}

// A lightning bolt: flash.
void paint_flash_icon(QPainter& p, QPointF c)
{
    QPainterPath bolt;
    bolt.moveTo(c + QPointF(1.5, -7));
    bolt.lineTo(c + QPointF(-3.5, 1));
    bolt.lineTo(c + QPointF(0, 1));
    bolt.lineTo(c + QPointF(-1.5, 7));
    bolt.lineTo(c + QPointF(3.5, -1));
    bolt.lineTo(c + QPointF(0, -1));
    bolt.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(print_pen().color());
    p.drawPath(bolt);
}

void paint_power(QPainter& p, QPointF c)
{
    // The power button carries a lit ring.
    QRadialGradient glow(c, 24);
    glow.setColorAt(0.55, QColor(90, 200, 255, 120));
    glow.setColorAt(1, QColor(90, 200, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, 24, 24);
    paint_cap(p, c, QColor(52, 54, 58));
    p.setPen(QPen(QColor(150, 225, 255, 230), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 15.4, 15.4);
    QPen symbol = print_pen();
    symbol.setWidthF(1.6);
    p.setPen(symbol);
    p.drawArc(QRectF(c - QPointF(5.5, 5.5), QSizeF(11, 11)), 120 * 16, 300 * 16);
    p.drawLine(c + QPointF(0, -7), c + QPointF(0, -1));
}

void paint_buttons(QPainter& p)
{
    for (int i : {0, 1, 3, 4}) {
        QPointF const c(buttonX[i], buttonY);
        paint_cap(p, c, QColor(44, 45, 48));
        QPointF const icon(c.x(), 326);
        (i == 0 || i == 4) ? paint_continuous_icon(p, icon) : paint_flash_icon(p, icon);
    }
    paint_power(p, QPointF(buttonX[2], buttonY));
    // Two small status LEDs, one lit.
    for (int i = 0; i < 2; ++i) {
        QPointF const c(428 + 24 * i, 250);
        QRadialGradient led(c, i ? 3 : 9);
        led.setColorAt(0, i ? QColor(40, 44, 40) : QColor(200, 255, 190));
        led.setColorAt(0.35, i ? QColor(24, 26, 24) : QColor(90, 220, 90, 200));
        led.setColorAt(1, QColor(60, 200, 60, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(led);
        p.drawEllipse(c, i ? 2.6 : 9.0, i ? 2.6 : 9.0);
    }
}

void paint_logo(QPainter& p)
{
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(9);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3.2);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 140)); // engraved: a dark copy above the light one
    QRectF const place(456, 351, 150, 10); // on the housing, below the plate
    p.drawText(place, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("KALVORA"));
    p.setPen(QColor(150, 152, 156, 170));
    p.drawText(place.translated(0, 0.7), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("KALVORA"));
}

void paint_vignette(QPainter& p)
{
    QRadialGradient vignette(QPointF(W / 2.0, H / 2.4), 470);
    vignette.setColorAt(0.55, QColor(0, 0, 0, 0));
    vignette.setColorAt(1, QColor(0, 0, 0, 120));
    p.fillRect(QRectF(0, 0, W, H), vignette);
}

// Sensor grain: photographs are never perfectly smooth.
void add_grain(QImage& image)
{
    Noise noise;
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            int const n = int(std::lround(3.2 * noise.next()));
            auto ch = [n](int v) { return qBound(0, v + n, 255); };
            line[x] = qRgb(ch(qRed(line[x])), ch(qGreen(line[x])), ch(qBlue(line[x]) + 1));
        }
    }
}

QImage paint_background()
{
    QImage big(W * S, H * S, QImage::Format_RGB32);
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(S, S);
    paint_ground(p);
    paint_body(p);
    paint_panel(p);
    paint_buttons(p);
    paint_logo(p);
    paint_vignette(p);
    paint_band(p);
    p.end();
    QImage image = big.scaled(W, H, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    add_grain(image);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    return paint_background().save(QString::fromLocal8Bit(argv[1]), "JPG", 92) ? 0 : 1;
}
