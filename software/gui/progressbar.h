#pragma once

#include <QElapsedTimer>
#include <QProgressBar>
#include <QString>
#include <QTimer>

// Draws text in one line of a widget room pixels wide: in the font the widget inherits, or,
// when that is too wide (a long translation), in a smaller one, down to 60 % of it.
void fit_one_line(QWidget* widget, QString const& text, int room);

// A progress bar that fills linearly over an expected duration, for operations that report
// no progress of their own.
class ProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit ProgressBar(QWidget* parent = nullptr);

    int steps = 0;
    int minimumInterval = 50; // ms; bounds the tick rate of short runs
    QTimer* timer = nullptr;  // public so that an operation that ends early can stop the run
    QElapsedTimer startTime;  // monotonic, unlike a wall-clock time
    int durationMs = 10000;
    // False for an operation whose end only its owner knows: the time-driven fill then stops
    // one step short of the maximum, so that a full bar always means the operation ended.
    bool fillsToMaximum = true;

    void setup_GUI();
    // Also the bar's accessible name, which Qt announces as it changes: a screen reader learns
    // what only the bar shows ("Upgrading firmware", "Done. Disconnect USB cable.").
    void setFormat(QString const& format);

signals:
    void finished();

public slots:
    // A negative duration (seconds) keeps the previous one.
    void startAutoProgress(QString const& format, double duration);
    void startAutoProgress(QString const& format);
    // Restarts with the current format and duration.
    void startAutoProgress();
    void increase();
    // Real progress (0 to 100) of the running operation: it replaces the time-driven fill.
    // Ignored while the bar is hidden; never shows the maximum, which only the end sets.
    void setProgress(int percent);
};
