#include "wiring.h"

#include "appobjects.h"
#include "gui/installbutton.h"
#include "gui/logwindow.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QApplication>
#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace {

QString product_name()
{
    return sm_B->device_info.OTP_info.product_name();
}

void show_status(QString const& text)
{
    if (mainWindow && mainWindow->statusLabel)
        mainWindow->statusLabel->setText(text);
}

void show_revision_status()
{
    QString const name = product_name();
    QString const rev = sm_B->device_info.FW_revision;
    if (!rev.isEmpty())
        show_status(settings.gui.text(QStringLiteral("status_devRev")).arg(name).arg(rev));
    else
        show_status(settings.gui.text(QStringLiteral("status_devRevUnknown")).arg(name));
}

void stop_worker()
{
    qInfo() << "Trying to stop sm_A";
    sm_A->do_stop();
    if (!sm_A->wait(1000)) {
        qWarning() << "Oops, SM_A not dead yet";
        sm_A->terminate();
        sm_A->wait();
    }
}

void connect_progress(ProgressBar* bar)
{
    QObject::connect(sm_B, &SM_B::sig_DoDownload, sm_B, [bar] {
        bar->startAutoProgress(QStringLiteral("Upgrading firmware"), 60.0);
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_UploadingVerifying, sm_B, [bar] {
        bar->startAutoProgress(QStringLiteral("Uploading & verifying"), 0.5);
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_FwMatches, sm_B, [bar] {
        bar->timer->stop();
        bar->setValue(bar->maximum());
        bar->setFormat(QStringLiteral("Done. Disconnect USB cable."));
        show_revision_status();
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_FwDiffers, sm_B, [bar] {
        show_revision_status();
        bar->timer->stop();
        bar->setValue(bar->minimum());
        bar->setFormat(QStringLiteral("FW differs"));
        bar->hide();
    }, Qt::DirectConnection);
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

void add_connections(QApplication* app)
{
    MainWindow* window = mainWindow;
    QObject::connect(window, &MainWindow::finished, window, [] {
        qInstallMessageHandler(nullptr);
        qInfo() << "Msg-handler reset";
    }, Qt::DirectConnection);
    QObject::connect(window, &MainWindow::finished, sm_B, &QStateMachine::stop);
    QObject::connect(window, &MainWindow::finished, window, &stop_worker, Qt::DirectConnection);
    QObject::connect(sm_B, &QState::finished, app, &QCoreApplication::quit);
    QObject::connect(sm_B, &SM_B::sig_UpgradeImpossible, window, &MainWindow::disableDownload);
    QObject::connect(sm_B, &SM_B::sig_UpgradePossible, window, &MainWindow::enableDownload);
    QObject::connect(sm_B, &SM_B::sig_DeviceConnected, sm_B, [] {
        show_status(settings.gui.text(QStringLiteral("status_devConn")).arg(product_name()));
    }, Qt::DirectConnection);
    QObject::connect(sm_B, &SM_B::sig_DifferingRevision, sm_B, &show_revision_status,
                     Qt::DirectConnection);
    ProgressBar* bar = window->progressBar;
    QObject::connect(sm_B, &SM_B::sig_UpgradeImpossible, window, [bar] {
        show_status(settings.gui.text(QStringLiteral("status_noDev")));
        bar->setFormat(QStringLiteral("This text should not be visible!"));
        bar->hide();
    });
    QObject::connect(window->installButton, &QAbstractButton::clicked, sm_B, &SM_B::do_download);
    connect_progress(bar);
    add_log_window_shortcuts();
}
