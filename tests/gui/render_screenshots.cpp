// Renders the main window in the states that the README shows, one PNG file each, into the
// folder given as argument (scripts/screenshots: docs/screenshots). Not a test: the pictures
// are looked at, not compared (tests/gui/tst_textfit.cpp checks that every text fits).
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
#include <QTranslator>

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
    char const* language;
};

// The README's pictures, in English unless a language is named.
std::vector<State> const states = {
    {"no-device", "status_noDev", {}, false, "", 0, ""},
    {"device-connected", "status_devRev", {"Rel-41", "C3"}, true, "", 0, ""},
    {"device-connected-de", "status_devRev", {"Rel-41", "C3"}, true, "", 0, "de"},
    {"device-connected-ja", "status_devRev", {"Rel-41", "C3"}, true, "", 0, "ja"},
    {"upgrading", "status_devRev", {"Rel-41", "C3"}, false, "Upgrading firmware", 42, ""},
    {"done", "status_devRev", {"Rel-41", "C4"}, false, "Done. Disconnect USB cable.", 100, ""},
    {"fw-differs", "status_fwDiffers", {}, true, "", 0, ""},
    {"device-unreadable", "status_devUnreadable", {}, false, "", 0, ""},
    {"not-responding", "status_notResponding", {}, false, "Upgrading firmware", 58, ""},
    {"no-effect", "status_noEffect", {"Rel-41", "C4"}, true, "", 0, ""},
    {"access-refused", "status_accessRefused", {}, false, "", 0, ""},
    {"folder-full", "status_folderFull", {"/tmp", "792 KiB"}, false, "", 0, ""},
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
    QString text = Settings::translated(label->text);
    for (QString const& value : state.values)
        text = text.arg(value.toHtmlEscaped());
    if (text.contains(QRegularExpression(QStringLiteral("%[0-9]"))))
        fail(QStringLiteral("state %1: %2 values leave a placeholder in '%3'")
                 .arg(QLatin1String(state.file), QString::number(state.values.size()), text));
    return text;
}

QImage render(Settings::Settings const& settings, State const& state, QString const& status)
{
    std::unique_ptr<MainWindow> w(MainWindow_factory(&settings, nullptr, false));
    w->statusLabel->setText(status);
    if (state.enabled)
        w->enableDownload();
    if (*state.bar) {
        w->progressBar->startAutoProgress(QCoreApplication::translate("ProgressBar", state.bar), 60.0);
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

    for (State const& state : states) {
        QTranslator translator;
        if (*state.language &&
            !translator.load(QStringLiteral(":/translations/kalvora_%1.qm").arg(state.language)))
            fail(QStringLiteral("state %1: no translation %2").arg(state.file, state.language));
        QCoreApplication::installTranslator(&translator);
        QString const path = out.filePath(QString::fromLatin1(state.file) + ".png");
        if (!render(settings, state, status_text(settings.gui, state)).save(path))
            fail(QStringLiteral("cannot write %1").arg(path));
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
