#include "app/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    int rc = 0;
    {
        QApplication app(argc, argv);
        GUI_init();
        rc = app.exec();
        rc = GUI_cleanup(rc);
    }
    return rc;
}
