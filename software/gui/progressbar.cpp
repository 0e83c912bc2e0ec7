#include "progressbar.h"

#include <QFontMetrics>
#include <QtGlobal>


namespace {
QString const style_sheet = QStringLiteral("\n"
                                           "QProgressBar {\n"
                                           "    border: 2px solid grey;\n"
                                           "    border-radius: 5px;\n"
                                           "    text-align: center;\n"
                                           "}\n"
                                           "\n"
                                           "QProgressBar::chunk {\n"
                                           "    background-color: rgba(160,240,140,100%);\n"
                                           "    width: 5px;\n"
                                           "}\n");
} // namespace

ProgressBar::ProgressBar(QWidget* parent)
    : QProgressBar(parent)
{
    timer = new QTimer(this);
    setup_GUI();
    connect(timer, &QTimer::timeout, this, &ProgressBar::increase);
}

void ProgressBar::setup_GUI()
{
    setRange(0, 100);
    setStyleSheet(style_sheet);
}

void fit_one_line(QWidget* widget, QString const& text, int room)
{
    widget->setFont(QFont()); // the inherited one
    QFont const inherited = widget->font();
    QFont font = inherited;
    while (QFontMetrics(font).horizontalAdvance(text) > room &&
           font.pointSizeF() > inherited.pointSizeF() * 0.6)
        font.setPointSizeF(font.pointSizeF() * 0.95);
    if (font != inherited)
        widget->setFont(font);
}

void ProgressBar::setFormat(QString const& format)
{
    fit_one_line(this, format, width() - 12 * logicalDpiX() / 96);
    QProgressBar::setFormat(format);
    setAccessibleName(format);
}

void ProgressBar::startAutoProgress(QString const& format, double duration)
{
    timer->stop();
    setValue(minimum());
    setFormat(format);
    if (duration >= 0.0) {
        int const ms = int(qMin(duration * 1000.0, 2147483647.0));
        durationMs = ms < 2 ? 1 : ms;
    }
    startAutoProgress();
}

void ProgressBar::startAutoProgress(QString const& format)
{
    startAutoProgress(format, -1.0);
}

void ProgressBar::startAutoProgress()
{
    int const range = maximum() - minimum();
    steps = range < 2 ? 1 : range;
    setValue(minimum());
    timer->setInterval(qMax(durationMs / steps, minimumInterval));
    timer->start();
    startTime.start();
    show();
}

void ProgressBar::increase()
{
    int const top = fillsToMaximum ? maximum() : maximum() - 1;
    double const fraction = double(startTime.elapsed()) / double(durationMs);
    // Clamped, so that a late tick never asks for more than the maximum.
    setValue(qMin(minimum() + int(qMin(steps * fraction, double(steps))), top));
    if (startTime.elapsed() > durationMs) {
        timer->stop();
        setValue(top);
        emit finished();
    }
}

void ProgressBar::setProgress(int percent)
{
    if (isHidden())
        return;
    timer->stop();
    int const span = maximum() - minimum();
    setValue(qBound(minimum(), minimum() + span * percent / 100, maximum() - 1));
}
