// Renders the main window in the states that the documentation shows, one PNG file each, into
// the folder given as argument (scripts/screenshots: docs/screenshots). Not a test: the
// pictures are looked at, not compared.
#include "gui/fonts.h"
#include "gui/installbutton.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// One picture: the file name without ".png"; the layout id of the status text and the values
// of its %1, %2, ...; whether the install button is enabled; the bar's text (empty: the bar is
// hidden) and its value.
struct State
{
    char const* file;
    char const* status;
    QStringList values;
    bool enabled;
    char const* bar;
    int value;
};

std::vector<State> const states = {
    {"no-device", "status_noDev", {}, false, "", 0},
    {"device-connected", "status_devRev", {"Rel-41", "C3"}, true, "", 0},
    {"upgrading", "status_devRev", {"Rel-41", "C3"}, false, "Upgrading firmware", 42},
    {"done", "status_devRev", {"Rel-41", "C4"}, false, "Done. Disconnect USB cable.", 100},
    {"fw-differs", "status_fwDiffers", {}, true, "", 0},
    {"device-unreadable", "status_devUnreadable", {}, false, "", 0},
    {"not-responding", "status_notResponding", {}, false, "Upgrading firmware", 58},
    {"no-effect", "status_noEffect", {"Rel-41", "C4"}, true, "", 0},
    {"not-responding-long", "status_notRespondingLong", {}, false, "Upgrading firmware", 58},
    {"access-refused", "status_accessRefused", {}, false, "", 0},
    {"several-devices", "status_severalDevices", {}, false, "", 0},
    {"folder-full", "status_folderFull", {"/tmp", "792 KiB"}, false, "", 0},
    {"folder-full-write", "status_folderFullWrite", {"/tmp", "792 KiB"}, false, "", 0},
    {"stopped", "status_stopped", {}, false, "", 0},
    {"stopped-after-write", "status_stoppedAfterWrite", {}, false, "", 0},
    {"stopped-write-incomplete", "status_stoppedWriteIncomplete", {}, false, "", 0},
    {"stopped-before-check", "status_stoppedBeforeCheck", {}, false, "", 0},
    {"stopped-after-failed-check", "status_stoppedAfterFailedCheck", {}, false, "", 0},
    {"write-incomplete", "status_writeIncomplete", {"Rel-41", "C4"}, true, "", 0},
    {"stopped-after-verified", "status_stoppedAfterVerified", {}, false, "Done. Disconnect USB cable.", 100},
    {"stopped-after-no-effect", "status_stoppedAfterNoEffect", {}, false, "", 0},
};

[[noreturn]] void fail(QString const& message)
{
    std::fprintf(stderr, "render_screenshots: %s\n", qPrintable(message));
    std::exit(1);
}

// The status text of a state with its values filled in, as the program shows it. A state
// whose id the layout lacks, or whose values do not fill every placeholder, is an error.
QString status_text(Settings::GUI const& gui, State const& state)
{
    Settings::LabelData const* label = gui.label(QString::fromLatin1(state.status));
    if (!label)
        fail(QStringLiteral("state %1: the layout file has no text with id '%2'")
                 .arg(QLatin1String(state.file), QLatin1String(state.status)));
    QString text = label->text;
    for (QString const& value : state.values)
        text = text.arg(value.toHtmlEscaped());
    if (text.contains(QRegularExpression(QStringLiteral("%[0-9]"))))
        fail(QStringLiteral("state %1: %2 values leave a placeholder in '%3'")
                 .arg(QLatin1String(state.file), QString::number(state.values.size()), text));
    return text;
}

// The status label keeps the size it was given for the note: a text that it or the window
// cuts off is an error.
void check_fits(State const& state, MainWindow const& w)
{
    QLabel const* label = w.statusLabel;
    QSize const needed = label->sizeHint();
    QRect const shown = label->geometry().intersected(w.rect());
    if (needed.width() > shown.width() || needed.height() > shown.height())
        fail(QStringLiteral("state %1: the status text needs %2x%3 pixels, the window shows "
                            "%4x%5 of the label")
                 .arg(QLatin1String(state.file))
                 .arg(needed.width())
                 .arg(needed.height())
                 .arg(shown.width())
                 .arg(shown.height()));
}

QImage render(Settings::Settings const& settings, State const& state, QString const& status)
{
    std::unique_ptr<MainWindow> w(MainWindow_factory(&settings, nullptr, false));
    w->statusLabel->setText(status);
    check_fits(state, *w);
    if (state.enabled)
        w->enableDownload();
    if (*state.bar) {
        w->progressBar->startAutoProgress(QString::fromUtf8(state.bar), 60.0);
        w->progressBar->timer->stop();
        w->progressBar->setValue(state.value);
    }
    return w->grab().toImage();
}

} // namespace

int main(int argc, char** argv)
{
    // The same pictures on every machine: no display, no screen's DPI, no user settings.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false\ndefault.info=false"));
    if (argc != 2)
        fail(QStringLiteral("usage: render_screenshots FOLDER"));
    QDir const out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        fail(QStringLiteral("cannot create %1").arg(out.path()));

    support::setup_fonts();
    Settings::Settings settings;
    settings.gui = Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    settings.desired_name = QStringLiteral("REL41");
    settings.desired_type = Device::Type::VELK;
    settings.desired_revision = QStringLiteral("C4");

    // Every state is checked before the first file is written.
    QStringList texts;
    for (State const& state : states)
        texts << status_text(settings.gui, state);
    for (std::size_t i = 0; i < states.size(); ++i) {
        QString const path = out.filePath(QString::fromLatin1(states[i].file) + ".png");
        if (!render(settings, states[i], texts[int(i)]).save(path))
            fail(QStringLiteral("cannot write %1").arg(path));
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
