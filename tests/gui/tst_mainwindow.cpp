// Tests of the main window built from the shipped layout file.
#include "gui/circle.h"
#include "gui/installbutton.h"
#include "gui/mainwindow.h"
#include "gui/progressbar.h"

#include "logcapture.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

#include <memory>

namespace {

Settings::Settings shipped_settings()
{
    Settings::Settings s;
    s.gui = Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    s.desired_name = QStringLiteral("REL41");
    s.desired_type = Device::Type::VELK;
    s.desired_revision = QStringLiteral("C4");
    return s;
}

// The created labels in stacking order, by their text.
QList<QLabel*> labels(MainWindow* window)
{
    return window->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
}

QLabel* labelContaining(MainWindow* window, QString const& part)
{
    for (QLabel* label : labels(window))
        if (label->text().contains(part))
            return label;
    return nullptr;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void geometry();
    void startsDisabled();
    void labelsInOrder_data();
    void labelsInOrder();
    void labelTexts();
    void labelPlacement_data();
    void labelPlacement();
    void keys_data();
    void keys();
    void enableTwiceLogsTwice();
    void ringOnButton();
    void circleRadius_data();
    void circleRadius();
    void missingStatusTextIsFatal();
};

void TestMainWindow::geometry()
{
    Settings::Settings const s = shipped_settings();
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, false));
    QCOMPARE(w->scale, 1.0);
    QCOMPARE(w->size(), QSize(665, 517));
    QCOMPARE(w->minimumSize(), QSize(665, 517));
    QCOMPARE(w->maximumSize(), QSize(665, 517));
    QRect const centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, QSize(665, 517),
                                              QGuiApplication::primaryScreen()->geometry());
    QCOMPARE(w->geometry().topLeft(), centred.topLeft() + QPoint(0, 50));
    QCOMPARE(w->installButton->geometry(), QRect(207, 417, 250, 40));
    QCOMPARE(w->progressBar->geometry(), QRect(207, 417, 250, 40));
    QVERIFY(w->progressBar->isHidden());
    QCOMPARE(w->installButton->objectName(), QStringLiteral("GUI_8"));
    QCOMPARE(w->installButton->text(), QStringLiteral("5. Click to start upgrade"));
}

void TestMainWindow::startsDisabled()
{
    Settings::Settings const s = shipped_settings();
    LogCapture log;
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, false));
    QVERIFY(!w->downloadMode);
    QVERIFY(!w->installButton->isEnabled());
    QCOMPARE(log.texts(QtInfoMsg).filter(QStringLiteral("ownload")),
             QStringList({"MainWindow downloadMode: setEnabled false", "Download  disabled"}));
    log.clear();
    w->installButton->setEnabled(true);
    w->installButton->click();
    QCOMPARE(log.texts(QtInfoMsg), QStringList({"Install clicked"}));
}

void TestMainWindow::labelsInOrder_data()
{
    QTest::addColumn<bool>("simulator");
    QTest::addColumn<QStringList>("starts");
    QStringList const base = {"\n<span", "<span style=\"font-size:20pt\">\nFirmware version",
                              "Follow the steps", "1. Disconnect", "2. Wait", "3. Press",
                              "4. Connect USB", "<span style=\"color:#000000; font-size:9pt\">Note"};
    QTest::newRow("device") << false << base;
    QTest::newRow("simulator") << true << (QStringList(base) << "Simulator mode");
}

void TestMainWindow::labelsInOrder()
{
    QFETCH(bool, simulator);
    QFETCH(QStringList, starts);
    Settings::Settings const s = shipped_settings();
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, simulator));
    QList<QLabel*> const created = labels(w.get());
    QCOMPARE(created.size(), starts.size());
    for (int i = 0; i < created.size(); ++i)
        QVERIFY2(created[i]->text().startsWith(starts[i]), qPrintable(created[i]->text()));
    QCOMPARE(w->statusLabel, created[7]);
    QVERIFY(!labelContaining(w.get(), QStringLiteral("Debug mode")));
    // Stacking order: labels above the button, the bar and the ring above the labels.
    QObjectList const children = w->children();
    QVERIFY(children.indexOf(w->installButton) < children.indexOf(created.first()));
    QVERIFY(children.indexOf(created.last()) < children.indexOf(w->progressBar));
    QVERIFY(children.indexOf(w->progressBar) < children.indexOf(w->findChild<Circle*>()));
}

void TestMainWindow::labelTexts()
{
    Settings::Settings const s = shipped_settings();
    LogCapture log;
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, false));
    QLabel* title = labelContaining(w.get(), QStringLiteral("Firmware upgrade"));
    QVERIFY(title);
    QVERIFY(title->text().contains(QStringLiteral(">Kalvora Rel-41</span>")));
    QCOMPARE(title->alignment(), Qt::AlignLeft | Qt::AlignTop);
    QLabel* revision = labelContaining(w.get(), QStringLiteral("Firmware version:"));
    QCOMPARE(revision->text(),
             QStringLiteral("<span style=\"font-size:20pt\">\nFirmware version:\n<br>\nC4</span>"));
    QCOMPARE(revision->alignment(), Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(revision->width(), 228);
    QCOMPARE(revision->geometry().right() + 1, 628);
    QVERIFY(log.contains(QStringLiteral("Overriding width to  228 for text: \"<span "
                                        "style=\\\"font-size:20pt\\\">\\nFirmware "
                                        "version:\\n<br>\\n%1</span>\"")));
    QCOMPARE(revision->styleSheet(),
             QStringLiteral("QLabel { background-color : rgba(0,0,0,0%); color : "
                            "rgba(175,175,175,100%); }"));
}

void TestMainWindow::labelPlacement_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("style");

    QString const black = "QLabel { background-color : rgba(0,0,0,0%); color : black; }";
    QTest::newRow("placed") << QByteArray(R"("position":{"x":30,"y":40},"text":"a")") << QPoint(30, 40) << 1 << QString();
    QTest::newRow("x zero") << QByteArray(R"("position":{"x":0,"y":40},"text":"a")") << QPoint(0, 0) << 1 << QString();
    QTest::newRow("no y") << QByteArray(R"("position":{"x":30},"text":"a")") << QPoint(0, 0) << 1 << QString();
    QTest::newRow("two line feeds") << QByteArray(R"("position":{"x":5,"y":6},"text":"<b>a\nb</b>\n","white":false)") << QPoint(5, 6) << 3 << black;
}

void TestMainWindow::labelPlacement()
{
    QFETCH(QByteArray, entry);
    QFETCH(int, lines);
    QFETCH(QString, style);
    Settings::Settings s;
    s.gui = Settings::GUI(QString::fromUtf8(R"({"labels":[{"id":"status_noDev","create":false,"text":"x"},{"id":"l",)"
                                            + entry + "}]}"));
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, false));
    QCOMPARE(labels(w.get()).size(), 1);
    QLabel* label = labels(w.get()).first();
    QTEST(label->pos(), "position");
    QCOMPARE(label->height(), QFontMetrics(label->font()).height() * lines);
    if (!style.isEmpty())
        QCOMPARE(label->styleSheet(), style);
    QVERIFY(!w->statusLabel); // the status entry is not created
}

void TestMainWindow::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("finished");

    QTest::newRow("A") << int(Qt::Key_A) << int(Qt::NoModifier) << true << 0;
    QTest::newRow("Shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << true << 0;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << false << 1;
    QTest::newRow("Q") << int(Qt::Key_Q) << int(Qt::NoModifier) << false << 1;
    QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << int(Qt::ControlModifier) << false << 1;
    QTest::newRow("other") << int(Qt::Key_B) << int(Qt::NoModifier) << false << 0;
}

void TestMainWindow::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Settings::Settings const s = shipped_settings();
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, false));
    QSignalSpy finished(w.get(), &MainWindow::finished);
    QTest::keyClick(w.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTEST(w->installButton->isEnabled(), "enabled");
    QTEST(int(finished.count()), "finished");
}

void TestMainWindow::enableTwiceLogsTwice()
{
    Settings::Settings const s = shipped_settings();
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, false));
    QSignalSpy changed(w.get(), &MainWindow::downloadModeChanged);
    LogCapture log;
    w->enableDownload();
    w->enableDownload();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(log.count(QStringLiteral("MainWindow downloadMode: setEnabled true")), 2);
    QCOMPARE(log.count(QStringLiteral("Download  enabled")), 2);
    QVERIFY(w->installButton->isEnabled());
    w->toggleDownload();
    QVERIFY(!w->installButton->isEnabled());
    w->disableDownload();
    QCOMPARE(changed.count(), 4);
}

// The shipped ring: a 40 x 40 widget at (275, 267) whose stroke runs around radius 18.
void TestMainWindow::ringOnButton()
{
    Settings::Settings const s = shipped_settings();
    std::unique_ptr<MainWindow> w(MainWindow_factory(&s, nullptr, false));
    Circle* circle = w->findChild<Circle*>();
    QVERIFY(circle);
    QCOMPARE(circle->geometry(), QRect(275, 267, 40, 40));
    circle->hide();
    QImage const without = w->grab().toImage();
    circle->show();
    QImage const with = w->grab().toImage();
    auto redder = [&](QPoint p) { return QColor(with.pixel(p)).red() - QColor(without.pixel(p)).red(); };
    auto same = [&](QPoint p) { return with.pixel(p) == without.pixel(p); };
    for (QPoint const d : {QPoint(18, 0), QPoint(-18, 0), QPoint(0, 18), QPoint(0, -18)})
        QVERIFY2(redder(QPoint(295, 287) + d) > 20, qPrintable(QString::number(redder(QPoint(295, 287) + d))));
    for (QPoint const d : {QPoint(0, 0), QPoint(14, 0), QPoint(0, -14), QPoint(21, 0), QPoint(0, 21)})
        QVERIFY(same(QPoint(295, 287) + d));
}

void TestMainWindow::circleRadius_data()
{
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<int>("left");      // column drawn on, left of the centre
    QTest::addColumn<int>("right");     // column drawn on, right of the centre
    QTest::addColumn<int>("clearLeft"); // column inside the ring left untouched

    QTest::newRow("pen 5 draws at radius 18") << 5 << 2 << 38 << 7;
    QTest::newRow("pen 0 draws at radius 20, cosmetic") << 0 << 0 << 39 << 2;
}

void TestMainWindow::circleRadius()
{
    QFETCH(int, penWidth);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, clearLeft);
    QWidget parent;
    parent.setFixedSize(100, 100);
    parent.setStyleSheet(QStringLiteral("background: white"));
    Circle circle({QPoint(50, 50), 20, penWidth, QColor(Qt::black)}, &parent);
    QCOMPARE(circle.geometry(), QRect(30, 30, 40, 40));
    QImage const image = circle.grab().toImage();
    auto dark = [&](int x, int y) { return QColor(image.pixel(x, y)).lightness() < 200; };
    QVERIFY(dark(left, 20));
    QVERIFY(dark(right, 20));
    QVERIFY(dark(20, left));
    QVERIFY(!dark(clearLeft, 20));
    QVERIFY(!dark(40 - clearLeft, 20));
    QVERIFY(!dark(20, 20));
    circle.setCenter(QPoint(60, 61));
    QCOMPARE(circle.pos(), QPoint(40, 41));
}

// A layout without the status text stops the program before any window exists.
void TestMainWindow::missingStatusTextIsFatal()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TST_MAINWINDOW_NO_STATUS"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QString const err = QString::fromLocal8Bit(child.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("No matching label with id \"status_noDev\" found\n"
                                         "No message with id 'status_noDev' found, aborting")),
             qPrintable(err));
    QVERIFY(!err.contains(QStringLiteral("window created")));
}

int main(int argc, char** argv)
{
    // The layout is checked at scale 1.0: a desktop of 96 logical dots per inch.
    qputenv("QT_FONT_DPI", "96");
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TST_MAINWINDOW_NO_STATUS")) {
        qSetMessagePattern(QStringLiteral("%{message}"));
        Settings::Settings s;
        s.gui = Settings::GUI(QStringLiteral(R"({"labels":[{"id":"2","text":"%1"}]})"));
        MainWindow_factory(&s, nullptr, false);
        qWarning("window created");
        return 0;
    }
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
