#include "startup.h"

#include "appobjects.h"
#include "dfu/deviceoperations.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "dfu/supportmisc.h"
#include "gui/fonts.h"
#include "gui/logwindow.h"
#include "gui/mainwindow.h"
#include "options.h"
#include "sim/simulator.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"
#include "termination.h"
#include "wiring.h"

#include <QApplication>
#include <QDebug>
#include <QThread>

#include <cstdio>
#include <cstdlib>

Settings::Settings settings;
QPointer<MainWindow> mainWindow;
SM_A* sm_A = nullptr;
SM_B* sm_B = nullptr;

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

namespace {

// The layout file is compiled in; should it ever be unreadable, end start-up with the
// loader's message instead of an uncaught exception.
Settings::GUI load_layout()
{
    try {
        return Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    } catch (QString const& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(EXIT_FAILURE);
    }
}

void create_worker_and_flow()
{
    QString const dir = Files::external_dir.path() + QLatin1Char('/');
    sm_A = new SM_A(dir + Files::desired_FW_fileName_dfu, dir + Files::desired_FW_fileName_bin,
                    dir + Files::uploaded_FW_fileName_bin, nullptr);
    sm_A->rescan_pause_ms = 500;
    sm_A->poll_pause_ms = 1000;
    sm_A->enable_debug_output();

    sm_B = new SM_B(sm_A, settings.desired_type, settings.desired_revision);
    sm_B->enable_debug_output();
}

} // namespace

void GUI_init()
{
    parse_arguments(qApp);
    support::setup_fonts();
    logWindow = new LogWindow(nullptr);
    if (use_log_window)
        qInstallMessageHandler(logWindowMessageHandler);
    prepare_device_side();

    Device::FW_Info const desired = DFU::desired_FW_Info();
    qInfo().noquote() << "Desired (embedded)" << QString(desired);
    settings.gui = load_layout();
    settings.desired_name = desired.name;
    settings.desired_type = desired.product.type;
    settings.desired_revision = desired.revision;

    mainWindow = MainWindow_factory(&settings, nullptr, simulator::use);
    mainWindow->setWindowTitle(QStringLiteral("Kalvora Firmware Upgrade Tool"));
    create_worker_and_flow();
    add_connections(qApp);
    QObject::connect(sm_B, &QStateMachine::started, sm_B, [] {
        qInfo() << "Starting sm_A";
        sm_A->start(QThread::InheritPriority);
    }, Qt::DirectConnection);
    sm_B->start();
    mainWindow->show();
    quit_on_termination_signals(qApp);
}

int GUI_cleanup(int rc)
{
    qInfo() << "app.exec() returns: " << rc;
    if (sm_B)
        sm_B->stop();
    // A dfu-util run that hangs (a device stuck while busy) would keep the worker, and with
    // its deletion the program, from ending.
    DFU::shutdown_requested = true;
    if (sm_A)
        sm_A->do_stop();
    qInfo() << "Waiting 2 s before deleting objects";
    QThread::sleep(2);
    delete sm_A;
    delete sm_B;
    return rc;
}
