// Paints the window's background picture (665 x 517) and saves it as a JPEG.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QImage image(665, 517, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient ground(0, 0, 0, 517);
    ground.setColorAt(0, QColor(30, 32, 36));
    ground.setColorAt(1, QColor(12, 13, 15));
    p.fillRect(image.rect(), ground);
    p.fillRect(QRect(0, 455, 665, 62), QColor(225, 225, 220));
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1]), "JPG", 92) ? 0 : 1;
}
