// Tests of the carried typeface: registration once and the application's default font.
#include "gui/fonts.h"

#include "logcapture.h"

#include <QApplication>
#include <QFontDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

class TestFonts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void setupSetsDefaultFont();
    void registeredOnce();
    void emptyNameKeepsFont();
    void missingFile();
    void missingRegularResource();
};

void TestFonts::setupSetsDefaultFont()
{
    LogCapture log;
    support::setup_fonts();
    QCOMPARE(support::kalvora_font_name, QStringLiteral("Cantarell"));
    QCOMPARE(QApplication::font().family(), QStringLiteral("Cantarell"));
    QCOMPARE(QApplication::font().pointSize(), 11);
    QVERIFY(!QApplication::font().bold());
    QCOMPARE(log.texts(), QStringList({"Load/set default font: \"Cantarell\""}));
    // The bold cut is registered too, so that bold markup uses the real face.
    QVERIFY(QFontDatabase().styles(QStringLiteral("Cantarell")).contains(QStringLiteral("Bold")));
}

void TestFonts::registeredOnce()
{
    // With the font resources gone, a second registration would warn.
    Q_CLEANUP_RESOURCE(fonts);
    LogCapture log;
    QCOMPARE(support::load_kalvora_fonts(), QStringLiteral("Cantarell"));
    Q_INIT_RESOURCE(fonts);
    QVERIFY(log.texts().isEmpty());
}

void TestFonts::emptyNameKeepsFont()
{
    QFont const before = QApplication::font();
    support::set_default_font(QString());
    QCOMPARE(QApplication::font(), before);
    support::set_default_font(QStringLiteral("Serif"));
    QCOMPARE(QApplication::font().family(), QStringLiteral("Serif"));
    QCOMPARE(QApplication::font().pointSize(), 11);
    QApplication::setFont(before);
}

void TestFonts::missingFile()
{
    LogCapture log;
    QCOMPARE(support::load_font(QStringLiteral("/nonexistent/x.otf")), QString());
    QCOMPARE(log.texts(QtWarningMsg),
             QStringList({"Unable to load font from  \"/nonexistent/x.otf\""}));
}

// Runs setup_fonts in a fresh process whose font resources are gone.
void TestFonts::missingRegularResource()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TST_FONTS_WITHOUT_RESOURCES"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QStringList const lines = QString::fromLocal8Bit(child.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines, QStringList({
                        "Unable to load font from  \":resources/KalvoraSans-Regular.otf\"",
                        "Unable to load font from  \":resources/KalvoraSans-Bold.otf\"",
                        "Unable to load/set the Kalvora font as default",
                        "unchanged",
                    }));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("TST_FONTS_WITHOUT_RESOURCES")) {
        QApplication app(argc, argv);
        qInstallMessageHandler([](QtMsgType, QMessageLogContext const&, QString const& text) {
            std::printf("%s\n", qPrintable(text));
        });
        Q_CLEANUP_RESOURCE(fonts);
        QFont const before = QApplication::font();
        support::setup_fonts();
        std::printf("%s\n", QApplication::font() == before ? "unchanged" : "changed");
        return 0;
    }
    QApplication app(argc, argv);
    TestFonts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fonts.moc"
