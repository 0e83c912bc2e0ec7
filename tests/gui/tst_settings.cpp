// Tests of the layout file: the shipped contents, the presence and type rules, display strings.
#include "gui/settings.h"

#include "logcapture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

using Settings::GUI;
using Settings::LabelData;

namespace {

QJsonObject object(QByteArray const& json)
{
    return QJsonDocument::fromJson(json).object();
}

struct Shipped
{
    char const* id;
    int x;
    int y;
    bool create;
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void shippedLabels();
    void shippedTexts();
    void shippedCircle();
    void labelFields_data();
    void labelFields();
    void circleFields_data();
    void circleFields();
    void fileShapes_data();
    void fileShapes();
    void lookup();
    void displayStrings_data();
    void displayStrings();
    void debugStreams();
    void missingFile();
};

void TestSettings::shippedLabels()
{
    GUI const gui = Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    QVERIFY(gui.valid);
    Shipped const expected[] = {
        {"2", 37, 32, true},        {"4", 400, 32, true},         {"5", 37, 270, true},
        {"7a", 37, 320, true},      {"7b", 37, 350, true},        {"7c", 37, 380, true},
        {"9", 37, 428, true},       {"8b2", -1, -1, false},       {"status_noDev", 37, 463, true},
        {"status_devConn", -1, -1, false}, {"status_devRev", -1, -1, false},
        {"status_devRevUnknown", -1, -1, false}, {"status_fwDiffers", -1, -1, false},
        {"status_devUnreadable", -1, -1, false}, {"status_writing", -1, -1, false},
        {"status_notResponding", -1, -1, false}, {"status_noEffect", -1, -1, false},
        {"status_writeIncomplete", -1, -1, false}, {"status_imageChanged", -1, -1, false}, {"status_stoppedAfterWrite", -1, -1, false},
        {"status_stoppedWriteIncomplete", -1, -1, false},
        {"status_stoppedBeforeCheck", -1, -1, false},
        {"status_stoppedAfterFailedCheck", -1, -1, false},
        {"status_stoppedAfterVerified", -1, -1, false},
        {"status_stoppedAfterNoEffect", -1, -1, false}, {"status_stopped", -1, -1, false},
        {"status_notRespondingLong", -1, -1, false}, {"status_accessRefused", -1, -1, false},
        {"status_severalDevices", -1, -1, false}, {"status_folderFull", -1, -1, false},
        {"status_folderFullWrite", -1, -1, false},
        {"app_name", 480, 387, false},
        {"sim_mode", 480, 407, false}, {"debug_mode", 480, 427, false},
    };
    QCOMPARE(gui.labels.size(), std::size(expected));
    for (std::size_t i = 0; i < gui.labels.size(); ++i) {
        LabelData const& l = gui.labels[i];
        QCOMPARE(l.id, QString::fromLatin1(expected[i].id));
        QCOMPARE(l.x, expected[i].x);
        QCOMPARE(l.y, expected[i].y);
        QCOMPARE(l.create, expected[i].create);
        QCOMPARE(l.size, -1);
        QVERIFY(l.font.isEmpty());
        QVERIFY(l.white);
    }
}

void TestSettings::shippedTexts()
{
    GUI const gui = Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    // The raw line breaks of the file become line feeds like the escaped ones.
    QCOMPARE(gui.text("2"),
             QStringLiteral("\n<span style=\"font-size:20pt\">\n<span style=\"color:#FFFFFF; "
                            "font-weight:bold;\">Firmware upgrade</span>\n<br>\n<span "
                            "style=\"font-weight:bold\">%1</span></span>"));
    QCOMPARE(gui.text("4"),
             QStringLiteral("<span style=\"font-size:20pt\">\nFirmware version:\n<br>\n%1</span>"));
    QCOMPARE(gui.text("7c"), QStringLiteral("3. Press and hold left continuous light button\n"
                                            "    while connecting power cable"));
    QCOMPARE(gui.text("8b2"), QStringLiteral("5. Click to start upgrade"));
    QCOMPARE(gui.text("status_noDev"),
             QStringLiteral("<span style=\"color:#000000; font-size:9pt\">Note: Once the update is "
                            "finished you need to connect Rel-41 to the<br>\nKalvora app to "
                            "register that it is updated. Otherwise you will continue<br>\nto "
                            "receive email notifications about updating your Rel-41.</span>"));
    QCOMPARE(gui.text("status_devRev"),
             QStringLiteral("<span style=\"color:#000000; font-size:9pt\">Connected to a %1 with "
                            "firmware version %2</span>"));
    QCOMPARE(gui.text("status_devRevUnknown").count(QStringLiteral("%1")), 1);
    QCOMPARE(gui.text("app_name"), QString());
    QCOMPARE(gui.text("sim_mode"), QStringLiteral("Simulator mode"));
}

void TestSettings::shippedCircle()
{
    GUI const gui = Settings::make_GUI(QStringLiteral(":resources/settings_GUI.json"));
    QCOMPARE(gui.circles.size(), std::size_t(1));
    QCOMPARE(QString(gui.circles[0]),
             QStringLiteral("Circle 'Head-button': (295,287), r=20, w=5, color=#60ff4040"));
    QCOMPARE(gui.circles[0].color, QColor(0xFF, 0x40, 0x40, 0x60));
}

void TestSettings::labelFields_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("create");
    QTest::addColumn<bool>("white");

    QTest::newRow("only id") << QByteArray(R"({"id":"a"})") << -1 << -1 << -1 << "" << "" << true << true;
    QTest::newRow("all given")
        << QByteArray(R"({"id":"a","position":{"x":3,"y":4},"size":12,"font":"Serif","create":false,"white":false,"text":"t"})")
        << 3 << 4 << 12 << "Serif" << "t" << false << false;
    QTest::newRow("position only x") << QByteArray(R"({"position":{"x":10}})") << 10 << -1 << -1 << "" << "" << true << true;
    QTest::newRow("position a number") << QByteArray(R"({"position":5})") << -1 << -1 << -1 << "" << "" << true << true;
    QTest::newRow("position x a string") << QByteArray(R"({"position":{"x":"7","y":8}})") << 0 << 8 << -1 << "" << "" << true << true;
    QTest::newRow("size fraction") << QByteArray(R"({"size":12.5})") << -1 << -1 << 0 << "" << "" << true << true;
    QTest::newRow("size string") << QByteArray(R"({"size":"12"})") << -1 << -1 << 0 << "" << "" << true << true;
    QTest::newRow("size beyond 32 bits") << QByteArray(R"({"size":3000000000})") << -1 << -1 << 0 << "" << "" << true << true;
    QTest::newRow("size negative") << QByteArray(R"({"size":-3})") << -1 << -1 << -3 << "" << "" << true << true;
    QTest::newRow("create string") << QByteArray(R"({"create":"true"})") << -1 << -1 << -1 << "" << "" << false << true;
    QTest::newRow("white null") << QByteArray(R"({"white":null})") << -1 << -1 << -1 << "" << "" << true << false;
    QTest::newRow("text number") << QByteArray(R"({"text":5,"font":true})") << -1 << -1 << -1 << "" << "" << true << true;
}

void TestSettings::labelFields()
{
    QFETCH(QByteArray, json);
    LabelData const l = Settings::LabelData_factory(object(json));
    QTEST(l.x, "x");
    QTEST(l.y, "y");
    QTEST(l.size, "size");
    QTEST(l.font, "font");
    QTEST(l.text, "text");
    QTEST(l.create, "create");
    QTEST(l.white, "white");
}

void TestSettings::circleFields_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("validColor");

    QTest::newRow("empty") << QByteArray("{}") << "Circle '': (0,0), r=0, w=0, color=#ff000000" << false;
    QTest::newRow("three digits")
        << QByteArray(R"({"name":"n","center":{"x":-4},"radius":7,"pen_width":2,"color":"#f00"})")
        << "Circle 'n': (-4,0), r=7, w=2, color=#ffff0000" << true;
    QTest::newRow("keyword and fraction")
        << QByteArray(R"({"center":[1,2],"radius":7.5,"pen_width":"3","color":"navy"})")
        << "Circle '': (0,0), r=0, w=0, color=#ff000080" << true;
    QTest::newRow("colour not a string") << QByteArray(R"({"color":255})") << "Circle '': (0,0), r=0, w=0, color=#ff000000" << false;
}

void TestSettings::circleFields()
{
    QFETCH(QByteArray, json);
    Settings::CircleData const c = Settings::CircleData_factory(object(json));
    QTEST(QString(c), "display");
    QTEST(c.color.isValid(), "validColor");
}

void TestSettings::fileShapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("circles");
    QTest::addColumn<int>("labels");

    QTest::newRow("no JSON") << "not json" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("top-level array") << R"([{"id":"x"}])" << 0 << 0;
    QTest::newRow("labels an object") << R"({"labels":{"id":"x"}})" << 0 << 0;
    QTest::newRow("element not an object") << R"({"labels":[3,{"id":"x"}],"circles":["c"]})" << 1 << 2;
    QTest::newRow("raw line feed and tab in a string") << "{\"labels\":[{\"text\":\"a\nb\tc\"}]}" << 0 << 1;
    QTest::newRow("unknown keys ignored") << R"({"version":2,"list":[],"labels":[{}]})" << 0 << 1;
}

void TestSettings::fileShapes()
{
    QFETCH(QString, text);
    GUI const gui(text);
    QVERIFY(gui.valid);
    QTEST(int(gui.circles.size()), "circles");
    QTEST(int(gui.labels.size()), "labels");
}

void TestSettings::lookup()
{
    GUI const gui(QStringLiteral(R"({"labels":[{"id":"5","text":"first"},{"id":"5","text":"second"},)"
                                 R"({"id":"raw","text":"a
b"}]})"));
    LogCapture log;
    QCOMPARE(gui.text("5"), QStringLiteral("first"));
    QCOMPARE(gui.label("5"), &gui.labels[0]);
    QCOMPARE(gui.text("raw"), QStringLiteral("a\nb"));
    QVERIFY(log.texts().isEmpty());

    QCOMPARE(gui.label("Raw"), nullptr);
    QCOMPARE(gui.text("missing"), QString());
    QCOMPARE(log.texts(QtWarningMsg),
             QStringList({"No matching label with id \"Raw\" found",
                          "No matching label with id \"missing\" found"}));
}

void TestSettings::displayStrings_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("display");

    QTest::newRow("defaults") << QByteArray(R"({"id":"a"})") << "Label 'a': (-1,-1) {} font='':-1: ''";
    QTest::newRow("not white") << QByteArray(R"({"id":"a","white":false,"position":{"x":1,"y":2}})")
                               << "Label 'a': (1,2) {not-white} font='':-1: ''";
    QTest::newRow("no create") << QByteArray(R"({"id":"a","create":false,"text":"%1 %2"})")
                               << "Label 'a': (-1,-1) {no-create} font='':-1: '%1 %2'";
    QTest::newRow("neither") << QByteArray(R"({"id":"a","create":false,"white":false,"font":"F","size":9})")
                             << "Label 'a': (-1,-1) {not-white no-create} font='F':9: ''";
}

void TestSettings::displayStrings()
{
    QFETCH(QByteArray, json);
    QTEST(QString(Settings::LabelData_factory(object(json))), "display");
}

void TestSettings::debugStreams()
{
    GUI gui(QStringLiteral(R"({"circles":[{"name":"c","radius":1}],"labels":[{"id":"l"}]})"));
    QString out;
    QDebug(&out) << gui.circles[0] << gui.labels[0];
    QCOMPARE(out, QStringLiteral("\"Circle 'c': (0,0), r=1, w=0, color=#ff000000\" "
                                 "\"Label 'l': (-1,-1) {} font='':-1: ''\" "));
    out.clear();
    QDebug(&out) << gui << QStringLiteral("after");
    QCOMPARE(out, QStringLiteral("GUI settings:\n\tCircle 'c': (0,0), r=1, w=0, color=#ff000000\n"
                                 "\tLabel 'l': (-1,-1) {} font='':-1: ''\n \"after\" "));
    QCOMPARE(QString(GUI()), QStringLiteral("GUI settings:\n\tInvalid\n"));
}

void TestSettings::missingFile()
{
    try {
        Settings::make_GUI(QStringLiteral("/nonexistent/settings_GUI.json"));
        QFAIL("no error raised");
    } catch (QString const& message) {
        QCOMPARE(message, QStringLiteral("Couldn't open file: /nonexistent/settings_GUI.json"));
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
