// Renders the main window in its main states to PNG files, for the documentation and for a
// look by eye. The folder is KALVORA_SCREENSHOT_DIR, or "screenshots" in the working folder.
#include "gui/fonts.h"
#include "gui/installbutton.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTest>

#include <memory>

class TestScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void render_data();
    void render();

private:
    Settings::Settings settings;
    QDir out;
};

void TestScreenshots::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    support::setup_fonts();
    settings.gui = Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    settings.desired_name = QStringLiteral("REL41");
    settings.desired_type = Device::Type::VELK;
    settings.desired_revision = QStringLiteral("C4");
    QString const dir = qEnvironmentVariable("KALVORA_SCREENSHOT_DIR", QStringLiteral("screenshots"));
    QVERIFY(QDir().mkpath(dir));
    out = QDir(dir);
}

void TestScreenshots::render_data()
{
    QTest::addColumn<QString>("status");   // layout id of the status text
    QTest::addColumn<QString>("revision"); // device revision for %2
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("bar");      // format of a visible bar, empty when hidden
    QTest::addColumn<int>("value");

    QTest::newRow("no-device") << "status_noDev" << "" << false << "" << 0;
    QTest::newRow("device-connected") << "status_devRev" << "C3" << true << "" << 0;
    QTest::newRow("upgrading") << "status_devRev" << "C3" << false << "Upgrading firmware" << 42;
    QTest::newRow("done") << "status_devRev" << "C4" << false << "Done. Disconnect USB cable." << 100;
    QTest::newRow("fw-differs") << "status_devRev" << "C4" << true << "" << 0;
}

void TestScreenshots::render()
{
    QFETCH(QString, status);
    QFETCH(QString, revision);
    QFETCH(bool, enabled);
    QFETCH(QString, bar);
    QFETCH(int, value);
    std::unique_ptr<MainWindow> w(MainWindow_factory(&settings, nullptr, false));
    Device::ProductInfo product;
    product.type = Device::Type::VELK;
    QString text = settings.gui.text(status);
    if (status != QLatin1String("status_noDev"))
        text = text.arg(product.product_name()).arg(revision);
    w->statusLabel->setText(text);
    if (enabled)
        w->enableDownload();
    if (!bar.isEmpty()) {
        w->progressBar->startAutoProgress(bar, 60.0);
        w->progressBar->timer->stop();
        w->progressBar->setValue(value);
    }
    QImage const image = w->grab().toImage();
    QCOMPARE(image.size(), QSize(665, 517));
    QVERIFY(image.save(out.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".png")));
}

int main(int argc, char** argv)
{
    qputenv("QT_FONT_DPI", "96");
    QApplication app(argc, argv);
    TestScreenshots test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenshots.moc"
