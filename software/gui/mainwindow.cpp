#include "mainwindow.h"

#include "circle.h"
#include "device/products.h"
#include "dfu/supportmisc.h"
#include "installbutton.h"
#include "progressbar.h"

#include <QApplication>
#include <QDebug>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

#include <cmath>

namespace {

QSize const window_size(665, 517);
QPoint const window_shift(0, 50);
QRect const button_rect(207, 417, 250, 40);
int const forced_label_width = 228;
int const text_margin = 37; // between a text and the window's right edge

QString const white_label_style = QStringLiteral(
    "QLabel { background-color : rgba(0,0,0,0%); color : rgba(175,175,175,100%); }");
QString const black_label_style
    = QStringLiteral("QLabel { background-color : rgba(0,0,0,0%); color : black; }");

int scaled_down(int value, double scale)
{
    return int(value * scale);
}

// Computed on the first label with a pixel size and kept for the rest of the process.
double font_factor = 0.0;

double label_font_factor()
{
    if (font_factor == 0.0) {
        font_factor = QGuiApplication::primaryScreen()->physicalDotsPerInch() / 110.0;
        if (support_misc::compiled_for_platform(support_misc::Platform::windows))
            font_factor *= 1.3;
    }
    return font_factor;
}

// Whether the entry gets a widget; "8b2" instead captions the install button.
bool wants_label(Settings::LabelData const& entry, MainWindow* window, bool simulatorMode)
{
    if (!entry.create) {
        if (entry.id == QLatin1String("8b2") && window->installButton) {
            QString const caption = Settings::translated(entry.text);
            window->installButton->setText(caption);
            fit_one_line(window->installButton, caption,
                         scaled_down(button_rect.width() - 12, window->scale));
            return false;
        }
        if (!(entry.id == QLatin1String("sim_mode") && simulatorMode))
            return false;
    }
    return !entry.text.isEmpty();
}

QString label_text(Settings::LabelData const& entry, Settings::Settings const* settings)
{
    QString const text = Settings::translated(entry.text);
    if (entry.id == QLatin1String("2")) {
        Device::ProductInfo product;
        product.type = settings->desired_type;
        return text.arg(product.product_name_full());
    }
    if (entry.id == QLatin1String("4"))
        return text.arg(settings->desired_revision);
    return text;
}

void align_label(QLabel* label, QString const& id)
{
    if (id == QLatin1String("2") || id == QLatin1String("3"))
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    else if (id == QLatin1String("4") || id == QLatin1String("4_hdr"))
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
}

void set_label_font(QLabel* label, Settings::LabelData const& entry)
{
    if (!entry.font.isEmpty())
        label->setFont(QFont(entry.font));
    if (entry.size > 0) {
        QFont font = label->font();
        font.setPixelSize(int(entry.size * label_font_factor()));
        label->setFont(font);
    }
}

// The size comes from the raw text, markup included, one line height per line feed. A text
// wider than its room wraps at word boundaries. The room ends text_margin before the window's
// right edge, or a quarter of that before what stands to the label's right on its first line
// (another label, a circle: starts). A label beside the install button has no room below it:
// its text is drawn smaller instead. The status line gets its whole room, down to the window's
// bottom: its texts change while the window is shown.
void size_label(QLabel* label, Settings::LabelData const& entry, double scale, QSize window,
                QList<QRect> const& starts, QRect const& button)
{
    int room = window.width() - label->x() - scaled_down(text_margin, scale);
    auto const roomBefore = [&](QRect const& start) {
        QRect const firstLine(label->x() + 1, label->y(), window.width(),
                              QFontMetrics(label->font()).height());
        if (!start.intersects(firstLine))
            return false;
        room = qMin(room, start.left() - label->x() - scaled_down(text_margin / 4, scale));
        return true;
    };
    for (QRect const& start : starts)
        roomBefore(start);
    if (roomBefore(button))
        fit_one_line(label, label->text(), room);
    QFontMetrics const metrics(label->font());
    int width = metrics.horizontalAdvance(label->text());
    int const lines = label->text().count(QLatin1Char('\n')) + 1;
    if (entry.id == QLatin1String("4") || entry.id == QLatin1String("4_hdr")) {
        width = scaled_down(forced_label_width, scale);
        qInfo() << "Overriding width to " << width << "for text:" << entry.text;
        if (label->sizeHint().width() > width) // shown wider: wraps within that width
            label->setWordWrap(true);
        label->resize(width, label->wordWrap() ? label->heightForWidth(width) : metrics.height() * lines);
        return;
    }
    if (entry.id == QLatin1String("status_noDev")) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        label->resize(room, window.height() - label->y());
    } else if (width <= room) {
        label->resize(width, metrics.height() * lines);
    } else {
        // As many lines as fit above what stands below its text; a smaller font beyond that.
        int const extent = qMin(room, label->sizeHint().width());
        label->setWordWrap(true);
        int space = window.height() - label->y();
        for (QRect const& start : starts)
            if (start.top() > label->y() && start.left() < label->x() + extent &&
                start.right() >= label->x())
                space = qMin(space, start.top() - label->y());
        QFont font = label->font();
        qreal const smallest = font.pointSizeF() * 0.6;
        while (label->heightForWidth(room) > space && font.pointSizeF() > smallest) {
            font.setPointSizeF(font.pointSizeF() * 0.95);
            label->setFont(font);
        }
        label->resize(room, label->heightForWidth(room));
    }
}

} // namespace

MainWindow::MainWindow(Settings::Settings const* settings, QWidget* parent)
    : QMainWindow(parent)
    , settings(settings)
{
    auto* central = new QWidget(this);
    setStyleSheet(QStringLiteral("QMainWindow { border-image:url(\"://resources/background.jpg\") "
                                 "0 0 0 0 stretch stretch; }"));
    scale = support_misc::compiled_for_platform(support_misc::Platform::macOS)
                ? 1.0
                : QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 96.0;
    setCentralWidget(central);
    setupGeometry();
    downloadMode = false;
    emit downloadModeChanged();
    connect(this, &MainWindow::downloadModeChanged, this, &MainWindow::updateDownloadMode);
}

void MainWindow::setupGeometry()
{
    QRect const screen = QGuiApplication::primaryScreen()->geometry();
    setFixedSize(scaled_down(window_size.width(), scale), scaled_down(window_size.height(), scale));
    QSize const size(qRound(window_size.width() * scale), qRound(window_size.height() * scale));
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen));
    move(pos() + QPoint(qRound(window_shift.x() * scale), qRound(window_shift.y() * scale)));
    QRect const scaled(scaled_down(button_rect.x(), scale), scaled_down(button_rect.y(), scale),
                       scaled_down(button_rect.width(), scale),
                       scaled_down(button_rect.height(), scale));
    if (installButton)
        installButton->setGeometry(scaled);
    if (progressBar) {
        progressBar->setGeometry(scaled);
        progressBar->hide();
    }
}

void MainWindow::enableDownload()
{
    downloadMode = true;
    emit downloadModeChanged();
}

void MainWindow::disableDownload()
{
    downloadMode = false;
    emit downloadModeChanged();
}

void MainWindow::toggleDownload()
{
    downloadMode = !downloadMode;
    emit downloadModeChanged();
}

void MainWindow::updateDownloadMode()
{
    if (installButton) {
        qInfo() << "MainWindow downloadMode: setEnabled" << downloadMode;
        installButton->setEnabled(downloadMode);
    }
    qInfo() << "Download " << (downloadMode ? "enabled" : "disabled");
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_A: toggleDownload(); break;
    case Qt::Key_Escape:
    case Qt::Key_Q: emit finished(); break;
    default: break;
    }
}

void add_labels(Settings::Settings const* settings, MainWindow* window, bool simulatorMode)
{
    window->show();
    // Where each placed label and each circle start.
    double const scale = window->scale;
    QRect const button(scaled_down(button_rect.x(), scale), scaled_down(button_rect.y(), scale),
                       scaled_down(button_rect.width(), scale),
                       scaled_down(button_rect.height(), scale));
    QList<QRect> starts;
    for (Settings::LabelData const& entry : settings->gui.labels)
        if (entry.x > 0 && entry.y > 0 && (entry.create || entry.id == QLatin1String("sim_mode")))
            starts << QRect(qRound(entry.x * scale), qRound(entry.y * scale), 1, 1);
    for (Settings::CircleData const& c : settings->gui.circles)
        starts << QRect(qRound((c.center.x() - c.radius) * scale),
                        qRound((c.center.y() - c.radius) * scale), qRound(2 * c.radius * scale),
                        qRound(2 * c.radius * scale));
    for (Settings::LabelData const& entry : settings->gui.labels) {
        if (!wants_label(entry, window, simulatorMode))
            continue;
        auto* label = new QLabel(entry.text, window);
        label->setText(label_text(entry, settings));
        align_label(label, entry.id);
        if (entry.id == QLatin1String("status_noDev"))
            window->statusLabel = label;
        set_label_font(label, entry);
        label->setStyleSheet(entry.white ? white_label_style : black_label_style);
        if (entry.x > 0 && entry.y > 0)
            label->move(qRound(entry.x * window->scale), qRound(entry.y * window->scale));
        size_label(label, entry, scale, window->size(), starts, button);
        label->show();
    }
}

MainWindow* MainWindow_factory(Settings::Settings const* settings, QWidget* parent,
                               bool simulatorMode)
{
    QString const status_id = QStringLiteral("status_noDev");
    if (settings->gui.text(status_id).isEmpty())
        qFatal("No message with id '%s' found, aborting", status_id.toLocal8Bit().constData());
    auto* window = new MainWindow(settings, parent);
    window->installButton = new InstallButton(window);
    add_labels(settings, window, simulatorMode);
    window->updateDownloadMode();
    window->progressBar = new ProgressBar(window);
    window->setupGeometry();

    std::vector<Settings::CircleData> circles = settings->gui.circles;
    for (Settings::CircleData& c : circles) {
        c.center = QPoint(qRound(c.center.x() * window->scale), qRound(c.center.y() * window->scale));
        c.radius = int(c.radius * window->scale);
        c.pen_width = int(c.pen_width * window->scale);
    }
    add_circles(circles, window);
    return window;
}
