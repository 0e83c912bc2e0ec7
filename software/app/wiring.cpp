#include "wiring.h"

#include "appobjects.h"
#include "lifecycle.h"
#include "gui/installbutton.h"
#include "gui/logwindow.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QApplication>
#include <QDebug>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <utility>

namespace {

// A download that prints no progress for this long is reported (never cut); after the longer
// time the report says how the user can end it.
int const silent_write_ms = 30000;

// The serial of the device the last download was started for: when that device comes back
// with another revision than the carried one, the upgrade did not take effect.
QString written_serial;
// A report about the lamp (unreadable, the folder full) is shown until the worker next
// reports no device.
bool report_shown = false;
bool writing = false; // between the worker's report that a download started and its end
bool silent = false;  // the running write has been reported as not responding
bool stopping_after_write = false; // a stop or an end waits for the running write
bool stopped = false; // the worker has stopped: a report it made just before is out of date
DFU::ScanProblem scan_problem = DFU::ScanProblem::none;

// Texts from a device (its revision) and from the catalogue go into rich text: as plain text.
QString product_name()
{
    return sm_B->device_info.OTP_info.product_name().toHtmlEscaped();
}

QString status_text(char const* id)
{
    return settings.gui.text(QString::fromLatin1(id));
}

void show_status(QString const& text)
{
    if (mainWindow && mainWindow->statusLabel)
        mainWindow->statusLabel->setText(text);
}

// No lamp is handled: the note, or what keeps the lamp from being found.
void show_no_device()
{
    switch (scan_problem) {
    case DFU::ScanProblem::access_refused:
        show_status(status_text("status_accessRefused"));
        break;
    case DFU::ScanProblem::several_devices:
        show_status(status_text("status_severalDevices"));
        break;
    case DFU::ScanProblem::none:
        show_status(status_text("status_noDev"));
        break;
    }
}

void show_revision_status()
{
    QString const name = product_name();
    QString const rev = sm_B->device_info.FW_revision;
    if (!rev.isEmpty())
        show_status(status_text("status_devRev").arg(name).arg(rev.toHtmlEscaped()));
    else
        show_status(status_text("status_devRevUnknown").arg(name));
}

// A device that comes back from a download with another revision than the carried one.
void show_differing_revision()
{
    if (sm_B->configuration().contains(sm_B->B2) && !written_serial.isEmpty() &&
        sm_B->device_info.serial == written_serial) {
        show_status(status_text("status_noEffect")
                        .arg(product_name())
                        .arg(settings.desired_revision.toHtmlEscaped()));
        return;
    }
    show_revision_status();
}

// What the window says once the worker has stopped: what the stop left the lamp with.
void show_stopped(ProgressBar* bar, QTimer* silence, Lifecycle::LeftWith leftWith)
{
    stopped = true;
    silence->stop();
    bar->timer->stop();
    mainWindow->disableDownload();
    switch (leftWith) {
    case Lifecycle::LeftWith::as_shown:
        return; // "Done" stays true
    case Lifecycle::LeftWith::check_failed: // without its offer to try again
        show_status_text(QStringLiteral("status_stoppedAfterFailedCheck"));
        break;
    case Lifecycle::LeftWith::written_unchecked:
        show_status_text(QStringLiteral("status_stoppedAfterWrite"));
        break;
    case Lifecycle::LeftWith::write_incomplete:
        show_status_text(QStringLiteral("status_stoppedWriteIncomplete"));
        break;
    case Lifecycle::LeftWith::not_checked:
        show_status_text(QStringLiteral("status_stoppedBeforeCheck"));
        break;
    case Lifecycle::LeftWith::nothing_written:
        show_status_text(QStringLiteral("status_stopped"));
        break;
    }
    bar->hide();
}

void connect_lifecycle(ProgressBar* bar, QTimer* silence)
{
    QObject::connect(lifecycle, &Lifecycle::writeGoesOn, mainWindow, [] {
        stopping_after_write = true;
        show_status_text(QStringLiteral("status_writing"));
    });
    QObject::connect(lifecycle, &Lifecycle::stopped, mainWindow,
                     [bar, silence](Lifecycle::LeftWith leftWith) {
                         show_stopped(bar, silence, leftWith);
                     });
    QObject::connect(lifecycle, &Lifecycle::ending, mainWindow, [] { mainWindow->close(); });
}

void connect_progress(ProgressBar* bar, QTimer* silence)
{
    QObject::connect(sm_B->B3, &QState::entered, sm_B, [bar] {
        written_serial = sm_B->device_info.serial;
        mainWindow->disableDownload();
        bar->fillsToMaximum = false;
        bar->startAutoProgress(QStringLiteral("Upgrading firmware"), 60.0);
    }, Qt::DirectConnection);
    // The silence is measured only while the worker writes.
    auto* longSilence = new QTimer(silence);
    longSilence->setSingleShot(true);
    longSilence->setInterval(long_silent_write_ms);
    QObject::connect(sm_A, &SM_A::sig_FwDownloading, silence, [silence, longSilence] {
        writing = true;
        silent = false;
        silence->start();
        longSilence->start();
    });
    QObject::connect(sm_A, &SM_A::sig_FwDownloaded, bar, [bar, silence, longSilence] {
        writing = silent = false;
        silence->stop();
        longSilence->stop();
        bar->timer->stop();
    });
    QObject::connect(longSilence, &QTimer::timeout, bar,
                     [] { show_status_text(QStringLiteral("status_notRespondingLong")); });
    QObject::connect(sm_B, &SM_B::sig_UploadingVerifying, sm_B, [bar] {
        mainWindow->disableDownload();
        bar->fillsToMaximum = false;
        bar->startAutoProgress(QStringLiteral("Uploading & verifying"), 20.0);
    }, Qt::DirectConnection);
    QObject::connect(sm_A, &SM_A::sig_FwProgress, bar, [bar, silence, longSilence](int percent) {
        if (writing) {
            if (std::exchange(silent, false)) { // the lamp answers again
                if (stopping_after_write)
                    show_status_text(QStringLiteral("status_writing"));
                else
                    show_revision_status();
            }
            silence->start();
            longSilence->start();
        }
        bar->setProgress(percent);
    });
    QObject::connect(silence, &QTimer::timeout, bar, [] {
        silent = true;
        show_status_text(QStringLiteral("status_notResponding"));
    });
    QObject::connect(sm_B, &SM_B::sig_FwMatches, sm_B, [bar] {
        written_serial.clear();
        bar->timer->stop();
        bar->setValue(bar->maximum());
        bar->setFormat(QStringLiteral("Done. Disconnect USB cable."));
        show_revision_status();
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_FwDiffers, sm_B, [bar] {
        show_status(status_text("status_fwDiffers"));
        bar->timer->stop();
        bar->setValue(bar->minimum());
        bar->setFormat(QStringLiteral("FW differs"));
        bar->hide();
    }, Qt::DirectConnection);
}

// What the worker reports outside the flow: a lamp it cannot read (shown until the worker
// next reports no device), an image it refused to write.
void connect_worker_reports(ProgressBar* bar)
{
    QObject::connect(sm_A, &SM_A::sig_DeviceError, mainWindow, [] {
        if (stopped)
            return;
        report_shown = true;
        show_status(status_text("status_devUnreadable"));
    });
    QObject::connect(sm_A, &SM_A::sig_FolderFull, mainWindow,
                     [bar](QString const& folder, qint64 needed, bool before_write) {
                         report_shown = true;
                         bar->timer->stop();
                         bar->hide();
                         mainWindow->disableDownload();
                         show_status(status_text(before_write ? "status_folderFullWrite"
                                                              : "status_folderFull")
                                         .arg(folder.toHtmlEscaped(),
                                              QLocale().formattedDataSize(needed)));
                     });
    QObject::connect(sm_A, &SM_A::sig_NoDevConn, mainWindow, [] {
        if (report_shown && !stopped && sm_B->configuration().contains(sm_B->B1))
            show_no_device();
        report_shown = false;
    });
    QObject::connect(sm_A, &SM_A::sig_ScanProblem, mainWindow, [](DFU::ScanProblem problem) {
        scan_problem = problem;
        if (!report_shown && !stopped && sm_B->configuration().contains(sm_B->B1))
            show_no_device();
    });
    QObject::connect(sm_A, &SM_A::sig_FwDownloadRefused, mainWindow, [bar] {
        bar->timer->stop();
        bar->hide();
        mainWindow->disableDownload();
        show_status(status_text("status_imageChanged"));
    });
}

void add_log_window_shortcuts()
{
    QKeySequence const keys(Qt::CTRL | Qt::Key_L);
    auto* onMain = new QShortcut(keys, mainWindow, nullptr, nullptr, Qt::WindowShortcut);
    auto* onLog = new QShortcut(keys, logWindow->dialog, nullptr, nullptr, Qt::WindowShortcut);
    auto const toggle = [] {
        if (logWindow && mainWindow)
            logWindow->toggle_visibility(mainWindow);
    };
    QObject::connect(onMain, &QShortcut::activated, onMain, toggle, Qt::DirectConnection);
    QObject::connect(onLog, &QShortcut::activated, onLog, toggle, Qt::DirectConnection);
}

} // namespace

int long_silent_write_ms = 5 * 60 * 1000;

void show_status_text(QString const& id)
{
    show_status(settings.gui.text(id));
}

void add_connections(QApplication* app)
{
    MainWindow* window = mainWindow;
    stopped = false;
    QObject::connect(window, &MainWindow::finished, window, [] {
        qInstallMessageHandler(nullptr);
        qInfo() << "Msg-handler reset";
    }, Qt::DirectConnection);
    QObject::connect(window, &MainWindow::finished, window,
                     [] { lifecycle->request(Lifecycle::Request::stop); });
    QObject::connect(sm_B, &QState::finished, app, &QCoreApplication::quit);
    QObject::connect(sm_B, &SM_B::sig_UpgradeImpossible, window, &MainWindow::disableDownload);
    QObject::connect(sm_B, &SM_B::sig_UpgradePossible, window, &MainWindow::enableDownload);
    QObject::connect(sm_B, &SM_B::sig_DeviceConnected, sm_B, [] {
        show_status(status_text("status_devConn").arg(product_name()));
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_DifferingRevision, sm_B, &show_differing_revision,
                     Qt::DirectConnection);
    ProgressBar* bar = window->progressBar;
    QObject::connect(sm_B, &SM_B::sig_UpgradeImpossible, window, [bar] {
        show_no_device();
        bar->setFormat(QStringLiteral("This text should not be visible!"));
        bar->hide();
    });
    QObject::connect(window->installButton, &QAbstractButton::clicked, sm_B, &SM_B::do_download);
    auto* silence = new QTimer(window);
    silence->setSingleShot(true);
    silence->setInterval(silent_write_ms);
    connect_progress(bar, silence);
    connect_lifecycle(bar, silence);
    connect_worker_reports(bar);
    add_log_window_shortcuts();
}
