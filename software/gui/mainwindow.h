#pragma once

#include "settings.h"

#include <QLabel>
#include <QMainWindow>

class InstallButton;
class ProgressBar;
class QKeyEvent;

// The upgrade window: background picture, layout labels, circle markers, install button and
// progress bar. It holds no upgrade logic; the application wires it to the upgrade flow.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(Settings::Settings const* settings, QWidget* parent = nullptr);

    double scale = 1.0;
    bool downloadMode = false;
    QLabel* statusLabel = nullptr;
    InstallButton* installButton = nullptr;
    ProgressBar* progressBar = nullptr;

    // Sizes and centres the window (50 scaled pixels below the centre) and places the button
    // and the bar.
    void setupGeometry();

signals:
    void finished();
    void downloadModeChanged(); // on every set, changed or not

public slots:
    void enableDownload();
    void disableDownload();
    void toggleDownload();
    void updateDownloadMode();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Settings::Settings const* settings;
};

// The complete window; the caller owns it. A layout without the "status_noDev" text is fatal.
MainWindow* MainWindow_factory(Settings::Settings const* settings, QWidget* parent,
                               bool simulatorMode);
void add_labels(Settings::Settings const* settings, MainWindow* window, bool simulatorMode);
