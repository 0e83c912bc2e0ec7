#include "wiring.h"

#include "appobjects.h"
#include "lampaccount.h"
#include "lifecycle.h"
#include "logrecord.h"
#include "supportreport.h"
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
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <utility>

namespace {

// A download that prints no progress for this long is reported (never cut); after the longer
// time the report says how the user can end it.
int const silent_write_ms = 30000;

// The watch over a running write, from the worker's report that it started to its end: a
// lamp that prints no progress is reported, and reported again when it answers.
class WriteWatch : public QObject
{
public:
    explicit WriteWatch(QObject* parent) : QObject(parent)
    {
        for (QTimer* timer : {&silence, &longSilence})
            timer->setSingleShot(true);
        silence.setInterval(silent_write_ms);
        longSilence.setInterval(long_silent_write_ms);
    }
    void start()
    {
        running = true;
        silent = false;
        silence.start();
        longSilence.start();
    }
    void stop()
    {
        running = silent = false;
        silence.stop();
        longSilence.stop();
    }

    QTimer silence;
    QTimer longSilence;
    bool running = false;
    bool silent = false; // reported as not responding
};

// Texts from a device (its revision) and from the catalogue go into rich text: as plain text.
QString product_name()
{
    return sm_B->device_info.OTP_info.product_name().toHtmlEscaped();
}

QString status_text(char const* id)
{
    return Settings::translated(settings.gui.text(QString::fromLatin1(id)));
}

void show_status(QString const& text)
{
    if (mainWindow && mainWindow->statusLabel && mainWindow->statusLabel->text() != text)
        mainWindow->statusLabel->setText(text);
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

// The status text of what the account concluded, filled with what it names.
void show_outcome(Outcome outcome)
{
    char const* const id = row(outcome).text;
    QString const text = status_text(id);
    if (qstrcmp(id, "status_devRev") == 0 || qstrcmp(id, "status_devRevUnknown") == 0)
        show_revision_status();
    else if (qstrcmp(id, "status_devConn") == 0)
        show_status(text.arg(product_name()));
    else if (qstrcmp(id, "status_noEffect") == 0 || qstrcmp(id, "status_writeIncomplete") == 0)
        show_status(text.arg(product_name()).arg(settings.desired_revision.toHtmlEscaped()));
    else
        show_status(text);
}

// A report of the worker's that comes after a stop is out of date: the stop's text stays.
bool out_of_date()
{
    return lifecycle->stopping();
}

// What the window says once the worker has stopped: what the stop left the lamp with.
void show_stopped(ProgressBar* bar, WriteWatch* watch, Outcome leftWith)
{
    watch->stop();
    bar->timer->stop();
    mainWindow->disableDownload();
    show_outcome(leftWith);
    if (leftWith != Outcome::stoppedAfterVerified) // "Done" stays true
        bar->hide();
}

void connect_lifecycle(ProgressBar* bar, WriteWatch* watch)
{
    QObject::connect(lifecycle, &Lifecycle::writeGoesOn, mainWindow,
                     [] { show_status_text(QStringLiteral("status_writing")); });
    QObject::connect(lifecycle, &Lifecycle::stopped, mainWindow,
                     [bar, watch](Outcome leftWith) { show_stopped(bar, watch, leftWith); });
    QObject::connect(lifecycle, &Lifecycle::ending, mainWindow, [] { mainWindow->close(); });
}

void connect_progress(ProgressBar* bar, WriteWatch* watch)
{
    QObject::connect(sm_B->B3, &QState::entered, sm_B, [bar] {
        mainWindow->disableDownload();
        bar->fillsToMaximum = false;
        bar->startAutoProgress(QCoreApplication::translate("ProgressBar", "Upgrading firmware"), 60.0);
    }, Qt::DirectConnection);
    // The silence is measured only while the worker writes.
    QObject::connect(sm_A, &SM_A::sig_FwDownloading, watch, [watch] { watch->start(); });
    QObject::connect(sm_A, &SM_A::sig_FwDownloaded, bar, [bar, watch] {
        watch->stop();
        bar->timer->stop();
    });
    QObject::connect(&watch->longSilence, &QTimer::timeout, bar,
                     [] { show_status_text(QStringLiteral("status_notRespondingLong")); });
    QObject::connect(sm_B, &SM_B::sig_UploadingVerifying, sm_B, [bar] {
        mainWindow->disableDownload();
        bar->fillsToMaximum = false;
        bar->startAutoProgress(QCoreApplication::translate("ProgressBar", "Uploading & verifying"), 20.0);
    }, Qt::DirectConnection);
    QObject::connect(sm_A, &SM_A::sig_FwProgress, bar, [bar, watch](int percent) {
        if (watch->running) {
            if (std::exchange(watch->silent, false)) { // the lamp answers again
                if (lifecycle->waitsForWrite())
                    show_status_text(QStringLiteral("status_writing"));
                else
                    show_revision_status();
            }
            watch->silence.start();
            watch->longSilence.start();
        }
        bar->setProgress(percent);
    });
    QObject::connect(&watch->silence, &QTimer::timeout, bar, [watch] {
        watch->silent = true;
        show_status_text(QStringLiteral("status_notResponding"));
    });
    QObject::connect(sm_B, &SM_B::sig_FwMatches, sm_B, [bar] {
        bar->timer->stop();
        bar->setValue(bar->maximum());
        bar->setFormat(QCoreApplication::translate("ProgressBar", "Done. Disconnect USB cable."));
        show_revision_status();
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_FwDiffers, sm_B, [bar] {
        show_outcome(lampAccount->current());
        bar->timer->stop();
        bar->setValue(bar->minimum());
        bar->setFormat(QCoreApplication::translate("ProgressBar", "FW differs"));
        bar->hide();
    }, Qt::DirectConnection);
}

// What the worker reports outside the flow: a lamp it cannot read (shown until the worker
// next reports no device), a write it did not start.
void connect_worker_reports(ProgressBar* bar)
{
    auto const not_started = [bar] {
        bar->timer->stop();
        bar->hide();
        mainWindow->disableDownload();
    };
    QObject::connect(sm_A, &SM_A::sig_DeviceError, mainWindow, [] {
        if (!out_of_date())
            show_outcome(lampAccount->current());
    });
    QObject::connect(sm_A, &SM_A::sig_FolderFull, mainWindow,
                     [not_started](QString const& folder, qint64 needed) {
                         if (out_of_date())
                             return;
                         not_started();
                         show_status(status_text(row(lampAccount->current()).text)
                                         .arg(folder.toHtmlEscaped(),
                                              QLocale().formattedDataSize(needed)));
                     });
    // The flow is back in B1 (it hears the worker first): the note, or why no lamp is handled.
    QObject::connect(sm_A, &SM_A::sig_NoDevConn, mainWindow, [] {
        if (!out_of_date())
            show_outcome(lampAccount->current());
    });
    QObject::connect(sm_A, &SM_A::sig_FwDownloadRefused, mainWindow, [not_started] {
        if (out_of_date())
            return;
        not_started();
        show_outcome(lampAccount->current());
    });
}

// Asks where to save a support report and saves it there; a failed write says why.
void save_support_report(QWidget* parent)
{
    QString const file = logWindow->dialog->askSaveFileName(
        parent, QCoreApplication::translate("SupportReport", "Save Support Report"),
        support_report::proposed_file_name(),
        QCoreApplication::translate("SupportReport", "Text Files (*.txt);;All Files (*)"));
    QString why;
    if (file.isEmpty() ||
        support_report::save(file, support_report::make(support_report::of_this_program()), &why))
        return;
    qWarning().noquote() << "The support report could not be saved:" << why;
    QMessageBox::warning(parent, QCoreApplication::translate("SupportReport", "Support Report"),
                         QCoreApplication::translate("SupportReport",
                                                     "The support report could not be saved as "
                                                     "%1: %2. Nothing was written there.")
                             .arg(file, why));
}

void add_shortcuts()
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
    // The support report: Ctrl+Shift+S in the main window, a button in the log window.
    auto* report = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), mainWindow,
                                 nullptr, nullptr, Qt::WindowShortcut);
    QObject::connect(report, &QShortcut::activated, mainWindow,
                     [] { save_support_report(mainWindow); });
    QObject::connect(logWindow->dialog->reportButton, &QPushButton::clicked, logWindow->dialog,
                     [] { save_support_report(logWindow->dialog); });
}

} // namespace

int long_silent_write_ms = 5 * 60 * 1000;

void show_status_text(QString const& id)
{
    show_status(Settings::translated(settings.gui.text(id)));
}

void add_connections(QApplication* app)
{
    MainWindow* window = mainWindow;
    QObject::connect(window, &MainWindow::finished, window, [] {
        log_record::install(); // to standard error again, still kept for a support report
        qInfo() << "Msg-handler reset";
    }, Qt::DirectConnection);
    QObject::connect(window, &MainWindow::finished, window,
                     [] { lifecycle->request(Lifecycle::Request::stop); });
    QObject::connect(sm_B, &QState::finished, app, &QCoreApplication::quit);
    QObject::connect(sm_B, &SM_B::sig_UpgradeImpossible, window, &MainWindow::disableDownload);
    // The flow offers install; the account can only withhold it.
    QObject::connect(sm_B, &SM_B::sig_UpgradePossible, window, [] {
        if (row(lampAccount->current()).install)
            mainWindow->enableDownload();
    });
    QObject::connect(sm_B, &SM_B::sig_DeviceConnected, sm_B, [] {
        show_status(status_text("status_devConn").arg(product_name()));
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_DifferingRevision, sm_B,
                     [] { show_outcome(lampAccount->current()); }, Qt::DirectConnection);
    ProgressBar* bar = window->progressBar;
    QObject::connect(sm_B, &SM_B::sig_UpgradeImpossible, window, [bar] {
        show_outcome(lampAccount->current());
        bar->setFormat(QStringLiteral("This text should not be visible!"));
        bar->hide();
    });
    QObject::connect(window->installButton, &QAbstractButton::clicked, sm_B, &SM_B::do_download);
    auto* watch = new WriteWatch(window);
    connect_progress(bar, watch);
    connect_lifecycle(bar, watch);
    connect_worker_reports(bar);
    add_shortcuts();
}
