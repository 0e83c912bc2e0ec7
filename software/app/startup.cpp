// The program's life, in the order it happens: start-up (GUI_init), the ways it is asked to
// end (closing the window, signals), and shutdown (GUI_cleanup).
#include "startup.h"

#include "appobjects.h"
#include "dfu/deviceoperations.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "dfu/supportmisc.h"
#include "gui/fonts.h"
#include "gui/logwindow.h"
#include "gui/mainwindow.h"
#include "lifecycle.h"
#include "logrecord.h"
#include "options.h"
#include "sim/simulator.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"
#include "termination.h"
#include "wiring.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QGuiApplication>
#include <QMessageBox>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

Settings::Settings settings;
QPointer<MainWindow> mainWindow;
SM_A* sm_A = nullptr;
SM_B* sm_B = nullptr;
LampAccount* lampAccount = nullptr;
Lifecycle* lifecycle = nullptr;

namespace {

bool working_files_ready(QString* failure)
{
    if (!Files::external_dir.create()) {
        *failure = QCoreApplication::translate("Startup",
                                               "The program cannot create its working folder: %1.")
                       .arg(Files::external_dir.errorString());
        return false;
    }
    if (!Files::extract_resources({Files::desired_FW_dfu, Files::desired_FW_bin,
                                   Files::dfu_util_executable, Files::libusb_library},
                                  true)) {
        *failure = QCoreApplication::translate("Startup",
                                               "The program cannot write its files into its "
                                               "working folder %1 (is the disk full?).")
                       .arg(Files::external_dir.path());
        return false;
    }
    return true;
}

// Only the carried dfu-util may run: one that does not start or does not answer in time
// makes the program unusable. A banner that differs is only reported.
bool dfu_util_answers(QString* failure)
{
    if (DFU::dfu_util::run_execution_test() != DFU::dfu_util::TestOutcome::not_run ||
        simulator::use)
        return true;
    *failure = QCoreApplication::translate("Startup", "The program's dfu-util (%1) did not run or "
                                                      "did not answer within %2 s.")
                   .arg(DFU::dfu_util::full_path())
                   .arg(DFU::dfu_util::execution_test_limit_ms / 1000);
    return false;
}

} // namespace

bool temporary_folder_usable()
{
    QByteArray const named = qgetenv("TMPDIR");
    if (named.isEmpty())
        return true;
    struct stat st = {};
    int reason = 0;
    if (::stat(named.constData(), &st) != 0)
        reason = errno;
    else if (!S_ISDIR(st.st_mode))
        reason = ENOTDIR;
    else if (::access(named.constData(), W_OK | X_OK) != 0)
        reason = errno;
    if (reason == 0)
        return true;
    std::fprintf(stderr, "kalvora-upgrade: The program cannot create its working folder: %s (in %s).\n",
                 std::strerror(reason), named.constData());
    return false;
}

void create_worker_and_flow()
{
    QString const dir = Files::external_dir.path() + QLatin1Char('/');
    sm_A = new SM_A(dir + Files::desired_FW_fileName_dfu, dir + Files::desired_FW_fileName_bin,
                    dir + Files::uploaded_FW_fileName_bin, nullptr);
    // Compared with the extracted file before each download and with every read-back.
    sm_A->image = Files::carried(Files::desired_FW_bin);
    sm_A->rescan_pause_ms = 500;
    sm_A->poll_pause_ms = 1000;
    sm_A->enable_debug_output();
    // Before the flow: it hears each report of the worker's first.
    lampAccount = new LampAccount(sm_A, qApp);

    sm_B = new SM_B(sm_A, settings.desired_type, settings.desired_revision);
    sm_B->enable_debug_output();
    lampAccount->follow(sm_B);
    lifecycle = new Lifecycle(sm_A, sm_B, lampAccount, qApp);
    QObject::connect(sm_B, &QStateMachine::started, sm_B, [] {
        qInfo() << "Starting sm_A";
        sm_A->start(QThread::InheritPriority);
    }, Qt::DirectConnection);
}

bool desired_firmware_known(QString* failure)
{
    Device::FW_Info const desired = DFU::desired_FW_Info();
    qInfo().noquote() << "Desired (embedded)" << QString(desired);
    if (!desired.valid) {
        *failure = QCoreApplication::translate("Startup", "The firmware this program carries has no "
                                                          "valid information block.");
        return false;
    }
    settings.desired_name = desired.name;
    settings.desired_type = desired.product.type;
    settings.desired_revision = desired.revision;
    return true;
}

bool prepare_device_side(QString* failure)
{
    if (simulator::use)
        qInfo() << "Will use simulator (i.e. option 'use_simulator).";
    else
        qInfo() << "Will use real device (i.e. no option 'use_simulator'.)";

    if (!working_files_ready(failure))
        return false;
    if (simulator::use)
        simulator::setup_for_simulated_dfu_util(simulator::normal);
    else
        DFU::Command::path = Files::external_dir.path();

    qInfo() << "Compiled for platform (OS):" << support_misc::compiled_for_platform() << "with 'DEBUG'"
            << (support_misc::compiled_w_DEBUG ? "defined" : "not defined");

    support_misc::mark_file_executable(DFU::dfu_util::full_path());
    return dfu_util_answers(failure);
}

namespace {

QString window_title()
{
    return QCoreApplication::translate("MainWindow", "Kalvora Firmware Upgrade Tool");
}

// Standard error always; a message box where a person sees the screen.
void report_startup_failure(QString const& text)
{
    std::fprintf(stderr, "kalvora-upgrade: %s\n", qPrintable(text));
    std::fflush(stderr);
    qWarning().noquote() << text;
    QString const platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, window_title(),
                              text + QStringLiteral("\n\n") +
                                  QCoreApplication::translate("Startup", "The program will end now."));
}

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


// Closing the main window is a request to the lifecycle: refused while a firmware write goes on.
class CloseRequest : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close || !lifecycle ||
            lifecycle->request(Lifecycle::Request::close))
            return QObject::eventFilter(watched, event);
        event->ignore();
        return true;
    }
};

void on_termination_signal(int sig)
{
    static bool asked = false;
    if (asked && SM_A::any_download_running())
        qInfo() << "Signal" << sig << "received during the firmware write: ignored";
    else
        qInfo() << "Signal" << sig << "received, quitting";
    asked = true;
    lifecycle->request(Lifecycle::Request::quit); // signals are delivered once it exists
}

} // namespace

bool GUI_init()
{
    // First, so that a signal at any later moment removes what start-up puts on disk.
    install_termination_handlers(qApp, on_termination_signal);
    log_record::install(); // kept for a support report, passed on to standard error
    parse_arguments(qApp);
    support::setup_fonts();
    logWindow = new LogWindow(nullptr);
    if (use_log_window)
        log_record::install(logWindowMessageHandler);
    QString failure;
    if (!prepare_device_side(&failure)) {
        report_startup_failure(failure);
        return false;
    }

    if (!desired_firmware_known(&failure)) {
        report_startup_failure(failure);
        return false;
    }
    settings.gui = load_layout();

    mainWindow = MainWindow_factory(&settings, nullptr, simulator::use);
    mainWindow->setWindowTitle(window_title());
    mainWindow->installEventFilter(new CloseRequest(mainWindow));
    create_worker_and_flow();
    add_connections(qApp);
    sm_B->start();
    mainWindow->show();
    deliver_termination_signals();
    return true;
}

void tear_down(int pause_s)
{
    if (lifecycle)
        lifecycle->shut_down();
    if (pause_s > 0) {
        qInfo() << "Waiting" << pause_s << "s before deleting objects";
        QThread::sleep(pause_s);
    }
    delete sm_A;
    delete sm_B;
    Files::external_dir.remove();
}

int GUI_cleanup(int rc)
{
    end_termination_delivery();
    qInfo() << "app.exec() returns: " << rc;
    tear_down(2);
    return rc;
}
