#include "startup.h"

#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "dfu/supportmisc.h"
#include "options.h"
#include "sim/simulator.h"

#include <QApplication>
#include <QDebug>
#include <QTimer>

void prepare_device_side()
{
    if (simulator::use)
        qInfo() << "Will use simulator (i.e. option 'use_simulator).";
    else
        qInfo() << "Will use real device (i.e. no option 'use_simulator'.)";

    if (simulator::use)
        simulator::setup_for_simulated_dfu_util(simulator::normal);
    else
        DFU::Command::path = Files::external_dir.path();

    qInfo() << "Compiled for platform (OS):" << support_misc::compiled_for_platform() << "with 'DEBUG'"
            << (support_misc::compiled_w_DEBUG ? "defined" : "not defined");

    Files::extract_resources({Files::desired_FW_dfu, Files::desired_FW_bin,
                              Files::dfu_util_executable, Files::libusb_library},
                             true);
    support_misc::mark_file_executable(DFU::dfu_util::full_path());
    DFU::dfu_util::execution_test();
}

void GUI_init()
{
    parse_arguments(qApp);
    prepare_device_side();
    // The window does not exist yet: end the event loop once it has started.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

int GUI_cleanup(int rc)
{
    qInfo() << "app.exec() returns: " << rc;
    return rc;
}
