// Every text of the main window, in every language and the pseudo-locale, is shown whole: its
// rendered lines stay within the window (less the right margin) and within their label, no line
// overlaps another text or the install button, and no character is drawn as a box. Run at
// 96 and at 192 dots per inch (tests/gui/CMakeLists.txt).
#include "gui/circle.h"
#include "gui/fonts.h"
#include "gui/installbutton.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"

#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QLabel>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTranslator>
#include <QtTest>

#include <memory>

class tst_TextFit : public QObject
{
    Q_OBJECT

private slots:
    void window_data();
    void window();
};

namespace {

struct Shown
{
    QString what;
    QList<QRectF> lines; // in window coordinates
};

// The lines of text as label shows it, and the characters it would draw as boxes.
Shown lines_of(QLabel const* label, QString const& text, QString const& what, QStringList* boxes)
{
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(const_cast<QLabel*>(label)); // its dots per inch
    doc.setDefaultFont(label->font());
    doc.setDocumentMargin(0);
    QTextOption option(label->alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(label->wordWrap() ? QTextOption::WordWrap : QTextOption::NoWrap);
    doc.setDefaultTextOption(option);
    Qt::mightBeRichText(text) ? doc.setHtml(text) : doc.setPlainText(text);
    doc.setTextWidth(label->width());
    double const height = doc.size().height(); // lays the document out
    double const top = label->alignment() & Qt::AlignVCenter ? (label->height() - height) / 2 : 0.0;
    Shown shown{what, {}};
    if (text.contains(QLatin1String("<span")) && !Qt::mightBeRichText(text))
        *boxes << what + ": shown with its markup";
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextLayout const* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            QTextLine const line = layout->lineAt(i);
            QRectF ink; // what the line's glyphs cover
            for (QGlyphRun const& run : layout->glyphRuns(line.textStart(), line.textLength())) {
                QVector<quint32> const glyphs = run.glyphIndexes();
                for (int g = 0; g < glyphs.size(); ++g)
                    ink |= run.rawFont().boundingRect(glyphs[g]).translated(run.positions()[g]);
                if (glyphs.contains(0))
                    *boxes << what + ": " + block.text();
            }
            // Less the pixel at each edge that anti-aliasing blends into what is next to it.
            ink.adjust(1, 1, -1, -1);
            if (!ink.isEmpty())
                shown.lines << ink.translated(layout->position() + label->pos() + QPointF(0, top));
        }
    }
    return shown;
}

} // namespace

void tst_TextFit::window_data()
{
    QTest::addColumn<QString>("language");
    for (char const* language : {"en", "de", "fr", "es", "ja", "en_XA"})
        QTest::newRow(language) << QString::fromLatin1(language);
}

void tst_TextFit::window()
{
    QFETCH(QString, language);
    support::setup_fonts();
    Settings::Settings settings;
    settings.gui = Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    settings.desired_type = Device::Type::VELK;
    settings.desired_revision = QStringLiteral("C4");
    QTranslator translator;
    QVERIFY(language == "en" || translator.load(":/translations/kalvora_" + language + ".qm"));
    QCoreApplication::installTranslator(&translator);
    std::unique_ptr<MainWindow> w(MainWindow_factory(&settings, nullptr, true));
    double const scale = w->scale;
    QRectF const room(0, 0, w->width() - int(37 * scale), w->height()); // as the window rounds
    QRectF const button = w->installButton->geometry();
    QStringList problems, boxes;
    QList<Shown> fixed; // and the circles, which no text may cover
    for (QWidget const* circle : w->findChildren<Circle*>())
        fixed << Shown{QStringLiteral("a circle"), {QRectF(circle->geometry())}};
    for (QLabel const* label : w->findChildren<QLabel*>())
        if (label != w->statusLabel && label->isVisible())
            fixed << lines_of(label, label->text(), label->text().simplified(), &boxes);
    QList<Shown> status;
    for (Settings::LabelData const& entry : settings.gui.labels)
        if (entry.id.startsWith(QLatin1String("status_"))) {
            QString text = Settings::translated(entry.text);
            bool const folder = entry.id.startsWith(QLatin1String("status_folderFull"));
            for (QString const& value : folder ? QStringList{"/var/tmp", "792 KiB"}
                                               : QStringList{"Rel-41", "C4"})
                text = text.contains(QLatin1Char('%')) ? text.arg(value) : text;
            status << lines_of(w->statusLabel, text, entry.id, &boxes);
        }
    for (QList<Shown> const* group : {&fixed, &status})
        for (Shown const& shown : *group)
            for (QRectF const& line : shown.lines) {
                if (!room.contains(line))
                    problems << shown.what + " leaves the window";
                if (group == &fixed && line.bottom() > button.bottom())
                    problems << shown.what + " reaches into the status line's band";
                if (line.intersects(button))
                    problems << shown.what + " overlaps the install button";
                for (Shown const& other : fixed)
                    for (QRectF const& them : other.lines)
                        if (&other != &shown && line.intersects(them))
                            problems << shown.what + " overlaps " + other.what;
            }
    // The button's caption and the bar's texts: one line each, in the widget's font.
    auto const oneLine = [&](QWidget const* widget, QString const& text) {
        QTextLayout layout(text, widget->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (QGlyphRun const& run : layout.glyphRuns())
            if (run.glyphIndexes().contains(0))
                boxes << text;
        if (layout.lineAt(0).naturalTextWidth() > button.width() - 8 * scale)
            problems << QStringLiteral("\"%1\" is wider than the button").arg(text);
    };
    oneLine(w->installButton, w->installButton->text());
    for (char const* format : {"Upgrading firmware", "Uploading & verifying",
                               "Done. Disconnect USB cable.", "FW differs"}) {
        w->progressBar->setFormat(QCoreApplication::translate("ProgressBar", format));
        oneLine(w->progressBar, w->progressBar->format());
    }
    QCoreApplication::removeTranslator(&translator);
    QVERIFY2(boxes.isEmpty(), qPrintable("not drawn as text:\n" + boxes.join('\n')));
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

QTEST_MAIN(tst_TextFit)
#include "tst_textfit.moc"
