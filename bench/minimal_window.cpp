// The start-up baseline: a Qt program that shows one empty window of the given size.
//   minimal_window WIDTH HEIGHT [raster]
// With "raster" it paints with the raster engine only, as the tool does.

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 3 && std::strcmp(argv[3], "raster") == 0)
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    int const width = argc > 2 ? std::atoi(argv[1]) : 640;
    int const height = argc > 2 ? std::atoi(argv[2]) : 480;
    QWidget window;
    window.setFixedSize(width, height);
    window.setWindowTitle(QStringLiteral("minimal window"));
    window.show();
    return app.exec();
}
