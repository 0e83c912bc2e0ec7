#include "app/languages.h"
#include "app/startup.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    // The window is painted by the raster engine only. Without this, the first window makes
    // Qt's xcb plugin load the system's OpenGL driver (Mesa's llvmpipe on machines without a
    // GPU), which more than doubles the program's resident memory and slows its start-up.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    if (!temporary_folder_usable())
        return EXIT_FAILURE;
    int rc = 0;
    {
        QApplication app(argc, argv);
        install_translators(&app); // before the options, whose errors it translates
        if (!GUI_init())
            return EXIT_FAILURE;
        rc = app.exec();
        rc = GUI_cleanup(rc);
    }
    return rc;
}
