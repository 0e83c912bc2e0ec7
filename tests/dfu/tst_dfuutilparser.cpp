// The list output parser and the scan built on it.

#include "dfu/dfuutilparser.h"
#include "dfu/scan.h"
#include "fakedevice.h"
#include "logcapture.h"

#include <QStandardPaths>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

QByteArray const banner = "dfu-util 0.11\n\n"
                          "Copyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\n"
                          "Copyright 2010-2021 Tormod Volden and Stefan Schmidt\n"
                          "This program is Free Software and has ABSOLUTELY NO WARRANTY\n"
                          "Please report bugs to http://sourceforge.net/p/dfu-util/tickets/\n\n";

QString lines(QString const& serial, int count)
{
    return QString::fromLatin1(FakeDevice::deviceLines(serial, count));
}

QString line(QString const& head, QString const& serial)
{
    return head +
           QStringLiteral(", devnum=7, cfg=1, intf=0, path=\"1-1\", alt=0, "
                          "name=\"@Internal Flash  /0x08000000/04*016Kg\", serial=\"") +
           serial + QStringLiteral("\"\n");
}

QString const dfu = QStringLiteral("Found DFU: [0483:df11] ver=2200");

std::vector<QString> serialsOf(std::vector<DFU::DeviceItem> const& devices)
{
    std::vector<QString> out;
    for (auto const& d : devices)
        out.push_back(d.serial);
    return out;
}

} // namespace

using Serials = std::vector<QString>;
Q_DECLARE_METATYPE(Serials)
Q_DECLARE_METATYPE(DfuUtilParser::Status)

class TestDfuUtilParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void patternsCompileOnceAcrossThreads();
    void patternTexts();
    void parse_data();
    void parse();
    void lineWithoutHexSerialIsLogged();
    void statusWords_data();
    void statusWords();
};

void TestDfuUtilParser::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

// Must stay the first test: the patterns are compiled on the first parse, here from several
// threads at once (the ThreadSanitizer build checks the one-time initialisation).
void TestDfuUtilParser::patternsCompileOnceAcrossThreads()
{
    QString const output = QString::fromLatin1(banner) + lines(QStringLiteral("ABCDEF01"), 4);
    std::vector<int> errors(4, -1);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < errors.size(); ++i)
        threads.emplace_back(
            [&errors, &output, i] { errors[i] = DFU::scan_for_devices(output).error; });
    for (auto& t : threads)
        t.join();
    QCOMPARE(errors, std::vector<int>(4, 0));
}

void TestDfuUtilParser::patternTexts()
{
    QCOMPARE(DfuUtilParser::prefix_RE, QStringLiteral("^Found DFU: \\[0483:df11\\] ver=2200"));
    QCOMPARE(DfuUtilParser::prefix_RE.size(), 34);
    QCOMPARE(DfuUtilParser::extract_serial_RE, QStringLiteral("serial=\\\"([0-9a-fA-F]+)\\\""));
    QCOMPARE(DfuUtilParser::extract_serial_RE.size(), 25);
}

void TestDfuUtilParser::parse_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<DfuUtilParser::Status>("status");
    QTest::addColumn<Serials>("serials");

    QString const A = QStringLiteral("3276365F3236");
    QString const B = QStringLiteral("0123456789AB");
    QString const b0 = QString::fromLatin1(banner);

    QTest::newRow("empty output") << QString() << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("banner only (no device)") << b0 << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("four lines") << lines(A, 4) << DfuUtilParser::one_dfu_device << Serials{A};
    QTest::newRow("banner, four lines")
        << b0 + lines(A, 4) << DfuUtilParser::one_dfu_device << Serials{A};
    QTest::newRow("four lines without final line feed")
        << b0 + lines(A, 4).chopped(1) << DfuUtilParser::one_dfu_device << Serials{A};
    QTest::newRow("four lines ending in CR LF")
        << QString(b0 + lines(A, 4)).replace(QLatin1Char('\n'), QLatin1String("\r\n"))
        << DfuUtilParser::one_dfu_device << Serials{A};
    QTest::newRow("three lines") << b0 + lines(A, 3) << DfuUtilParser::invalid_dfu_device
                                 << Serials{A};
    QTest::newRow("five lines") << b0 + lines(A, 5) << DfuUtilParser::invalid_dfu_device
                                << Serials{A};
    QTest::newRow("one line") << lines(A, 1) << DfuUtilParser::invalid_dfu_device << Serials{A};
    QTest::newRow("four of A, four of B")
        << b0 + lines(A, 4) + lines(B, 4) << DfuUtilParser::multiple_dfu_devices << Serials{A, B};
    QTest::newRow("A, B, A") << line(dfu, A) + line(dfu, B) + line(dfu, A)
                             << DfuUtilParser::multiple_dfu_devices << Serials{A, B, A};
    QTest::newRow("non-hex serial after good lines")
        << b0 + lines(A, 2) + line(dfu, QStringLiteral("3276365G3236")) + lines(A, 2)
        << DfuUtilParser::no_dfu_device << Serials{A};
    QTest::newRow("serial UNKNOWN") << line(dfu, QStringLiteral("UNKNOWN")) + lines(A, 4)
                                    << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("empty serial") << line(dfu, QString()) << DfuUtilParser::no_dfu_device
                                  << Serials{};
    QTest::newRow("other bootloader version")
        << b0 + lines(A, 4).replace(QLatin1String("ver=2200"), QLatin1String("ver=0200"))
        << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("other vendor") << lines(A, 4).replace(QLatin1String("0483:"),
                                                         QLatin1String("1d50:"))
                                  << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("other product")
        << lines(A, 4).replace(QLatin1String(":df11"), QLatin1String(":6017"))
        << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("uppercase product id")
        << lines(A, 4).replace(QLatin1String(":df11"), QLatin1String(":DF11"))
        << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("device line not at line start")
        << lines(A, 4).replace(QLatin1String("Found"), QLatin1String(" Found"))
        << DfuUtilParser::no_dfu_device << Serials{};
    QTest::newRow("other devices around ours")
        << b0 + lines(A, 2).replace(QLatin1String("ver=2200"), QLatin1String("ver=0200")) +
               lines(B, 4) +
               QStringLiteral("Found Runtime: [0483:5740] ver=0200, devnum=3, cfg=1, intf=0, "
                              "path=\"1-2\", alt=0, name=\"UNKNOWN\", serial=\"12\"\n")
        << DfuUtilParser::one_dfu_device << Serials{B};
    QTest::newRow("lowercase serial kept as printed")
        << lines(QStringLiteral("ab12cd"), 4) << DfuUtilParser::one_dfu_device
        << Serials{QStringLiteral("ab12cd")};
    QTest::newRow("AB12 and ab12 differ")
        << lines(QStringLiteral("AB12"), 4) + lines(QStringLiteral("ab12"), 4)
        << DfuUtilParser::multiple_dfu_devices
        << Serials{QStringLiteral("AB12"), QStringLiteral("ab12")};
}

void TestDfuUtilParser::parse()
{
    QFETCH(QString, output);
    QFETCH(DfuUtilParser::Status, status);
    QFETCH(Serials, serials);

    DfuUtilParser const parser(output);
    QCOMPARE(parser.status, status);
    QCOMPARE(parser.serials, serials);

    DFU::ScanResult const scan = DFU::scan_for_devices(output);
    QCOMPARE(scan.error, status == DfuUtilParser::one_dfu_device ? 0 : 1);
    QCOMPARE(serialsOf(scan.devices), serials);
    // With what the carried dfu-util writes to standard error for a lamp it may not open.
    QString const refused = QStringLiteral("dfu-util: Cannot open DFU device 0483:df11 found on "
                                           "devnum 5 (LIBUSB_ERROR_ACCESS)\n");
    QCOMPARE(DFU::scan_for_devices(output, refused).problem,
             status == DfuUtilParser::multiple_dfu_devices ? DFU::ScanProblem::several_devices
             : serials.empty()                             ? DFU::ScanProblem::access_refused
                                                           : DFU::ScanProblem::none);
}

void TestDfuUtilParser::lineWithoutHexSerialIsLogged()
{
    QString const bad = QStringLiteral(
        "Found DFU: [0483:df11] ver=2200, devnum=7, cfg=1, intf=0, path=\"1-1\", alt=1, "
        "name=\"@Option Bytes  /0x1FFFC000/01*016 e\", serial=\"XYZ\"");
    LogCapture log;
    DfuUtilParser const parser(lines(QStringLiteral("ABCD"), 2) + bad + QLatin1Char('\n') +
                               QStringLiteral("Found DFU: [0483:df11] ver=2200, serial=\"Q\"\n"));
    QCOMPARE(parser.status, DfuUtilParser::no_dfu_device);
    QCOMPARE(log.texts(QtDebugMsg),
             QStringList{QStringLiteral(
                 "\"Found DFU: [0483:df11] ver=2200, devnum=7, cfg=1, intf=0, path=\\\"1-1\\\", "
                 "alt=1, name=\\\"@Option Bytes  /0x1FFFC000/01*016 e\\\", serial=\\\"XYZ\\\"\"")});
    QCOMPARE(log.texts().size(), 1);
}

void TestDfuUtilParser::statusWords_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("word");
    QString const A = QStringLiteral("A1");
    QTest::newRow("0") << QString() << QStringLiteral("no_dfu_device");
    QTest::newRow("1") << lines(A, 4) << QStringLiteral("one_dfu_device");
    QTest::newRow("2") << lines(A, 3) << QStringLiteral("invalid_dfu_device");
    QTest::newRow("3") << lines(A, 4) + lines(QStringLiteral("B2"), 4)
                       << QStringLiteral("multiple_dfu_devices");
}

void TestDfuUtilParser::statusWords()
{
    QFETCH(QString, output);
    QFETCH(QString, word);
    DfuUtilParser const parser(output);
    QCOMPARE(int(parser.status), QString::fromLatin1(QTest::currentDataTag()).toInt());
    QCOMPARE(parser.status_as_string(), word);
}

QTEST_GUILESS_MAIN(TestDfuUtilParser)
#include "tst_dfuutilparser.moc"
