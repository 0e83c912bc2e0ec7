#include "device/fwinfo.h"
#include "devicevectors.h"
#include "logcapture.h"
#include "testpaths.h"

#include <QtTest>

using namespace DeviceVectors;
using Pairs = QList<QPair<QByteArray, QByteArray>>;

class tst_FwInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void localStrlen_data();
    void localStrlen();
    void getString_data();
    void getString();
    void parse_data();
    void parse();
    void displayForm_data();
    void displayForm();
    void carriedFirmware_data();
    void carriedFirmware();
    void unreadableFileIsInvalidWithoutMessage();
};

namespace {

QStringList flatten(std::vector<std::pair<QString, QString>> const& details)
{
    QStringList list;
    for (auto const& [key, value] : details)
        list << key << value;
    return list;
}

QString const carried_firmware_text =
    QStringLiteral("FW info:\n"
                   "  Type: ProductInfo: VELK (4)\n"
                   "  Name: REL41\n"
                   "  Rev.: C4\n"
                   "  Details:\n"
                   "    Creation date                  : 2026-11-24                     \n"
                   "    Creation time                  : 14:32:07                       \n"
                   "    Git hash of FW                 : 8c1f0e5a93d2                   \n"
                   "    Git hash of PL                 : 4be7a09c1d58                   \n"
                   "    Git hash of IG                 : e03d9b6f27a1                   \n"
                   "    Git hash of PL/IG              : 71a5c2e8d9b0                   \n"
                   "    Git hash of L3                 : 2d96f4b1a7c3                   ");

} // namespace

void tst_FwInfo::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_FwInfo::localStrlen_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("length");

    QTest::newRow("empty") << QByteArray(32, '\0') << 0;
    QTest::newRow("empty, then text") << QByteArray(1, '\0') + QByteArray(31, 'a') << 0;
    QTest::newRow("one character") << text_field("a") << 1;
    QTest::newRow("text, zero, text") << text_field("REL41").replace(10, 3, "xyz") << 5;
    QTest::newRow("31 characters") << text_field(QByteArray(31, 'a')) << 31;
    QTest::newRow("32 characters") << QByteArray(32, 'a') << -1;
}

void tst_FwInfo::localStrlen()
{
    QFETCH(QByteArray, field);
    QFETCH(int, length);
    QCOMPARE(field.size(), 32);
    QCOMPARE(Device::local_strlen(field.constData()), length);
}

void tst_FwInfo::getString_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("text");

    QByteArray const two = text_field("first") + text_field("second");
    QTest::newRow("first field") << two << 0 << "first";
    QTest::newRow("second field") << two << 32 << "second";
    QTest::newRow("31 characters") << text_field(QByteArray(31, 'b')) << 0 << QString(31, 'b');
    QTest::newRow("no terminator") << QByteArray(40, 'c') << 0 << "";
    QTest::newRow("Latin-1") << text_field("caf\xE9") << 0 << QString::fromUtf8("café");
    // Data that ends inside a field reads as if a zero byte followed it.
    QTest::newRow("cut by the end of data") << QByteArray("xxABC") << 2 << "ABC";
    QTest::newRow("31 bytes before the end") << QByteArray(31, 'd') << 0 << QString(31, 'd');
    QTest::newRow("at the end") << QByteArray("abc") << 3 << "";
    QTest::newRow("past the end") << QByteArray("abc") << 1000 << "";
    QTest::newRow("negative position") << QByteArray("abc") << -1 << "";
    QTest::newRow("no data") << QByteArray() << 0 << "";
}

void tst_FwInfo::getString()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, pos);
    QFETCH(QString, text);
    QCOMPARE(Device::get_string(bytes, pos), text);
}

void tst_FwInfo::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("rawType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("revision");
    QTest::addColumn<QStringList>("details");
    QTest::addColumn<QStringList>("messages");

    Pairs const two{{"Creation date", "2026-11-24"}, {"Git hash of FW", "8c1f0e5a93d2"}};
    QStringList const twoFlat{"Creation date", "2026-11-24", "Git hash of FW", "8c1f0e5a93d2"};
    QByteArray const noPairs = fw_block(0x04, "REL41", "C4");

    QTest::newRow("no pairs") << noPairs << true << 4 << 4 << "REL41"
                              << "C4" << QStringList() << QStringList();
    QTest::newRow("two pairs at 512")
        << place({{512, fw_block(0x04, "REL41", "C4", two)}}, 2048) << true << 4 << 4 << "REL41"
        << "C4" << twoFlat << QStringList();
    QTest::newRow("end marker at 1948")
        << place({{1876, noPairs}}, 2048) << true << 4 << 4 << "REL41"
        << "C4" << QStringList() << QStringList();
    QTest::newRow("end marker at 1949") << place({{1877, noPairs}}, 2048) << false << 0 << 0 << ""
                                        << "" << QStringList() << QStringList();
    // A start marker at 1948 passes the offset check and fails only on the distance.
    QTest::newRow("start marker at 1948")
        << place({{100, fw_end_marker}, {1948, fw_start_marker}}, 2048) << false << 0 << 0 << ""
        << "" << QStringList()
        << QStringList("index_beg =  1948 index_end =  100 nr_of_pair_bytes = -1920");
    QTest::newRow("start marker at 1949")
        << place({{100, fw_end_marker}, {1949, fw_start_marker}}, 2048) << false << 0 << 0 << ""
        << "" << QStringList() << QStringList();
    QTest::newRow("distance 73") << place({{0, fw_start_marker}, {73, fw_end_marker}}, 100, '\0')
                                 << false << 0 << 0 << ""
                                 << "" << QStringList()
                                 << QStringList(
                                        "index_beg =  0 index_end =  73 nr_of_pair_bytes = 1");
    QTest::newRow("distance 71") << place({{10, fw_start_marker}, {81, fw_end_marker}}, 100, '\0')
                                 << false << 0 << 0 << ""
                                 << "" << QStringList()
                                 << QStringList(
                                        "index_beg =  10 index_end =  81 nr_of_pair_bytes = -1");
    QTest::newRow("end before start")
        << place({{4, fw_end_marker}, {200, fw_start_marker}}, 300, '\0') << false << 0 << 0 << ""
        << "" << QStringList()
        << QStringList("index_beg =  200 index_end =  4 nr_of_pair_bytes = -268");
    QTest::newRow("no start marker")
        << noPairs.mid(4) << false << 0 << 0 << ""
        << "" << QStringList() << QStringList("index_beg =  -1 index_end =  68");
    QTest::newRow("no end marker")
        << noPairs.chopped(4) << false << 0 << 0 << ""
        << "" << QStringList() << QStringList("index_beg =  0 index_end =  -1");
    QTest::newRow("no data") << QByteArray() << false << 0 << 0 << ""
                             << "" << QStringList()
                             << QStringList("index_beg =  -1 index_end =  -1");
    QTest::newRow("second start marker ignored")
        << noPairs + fw_block(0x2B, "OTHER", "D1", two) << true << 4 << 4 << "REL41"
        << "C4" << QStringList() << QStringList();
    QTest::newRow("32-character name")
        << fw_block(0x04, QByteArray(32, 'N'), QByteArray(31, 'R')) << true << 4 << 4 << ""
        << QString(31, 'R') << QStringList() << QStringList();
    QTest::newRow("empty key ends the list")
        << fw_block(0x04, "REL41", "C4", {{"a", "1"}, {"", "2"}, {"c", "3"}}) << true << 4 << 4
        << "REL41"
        << "C4" << QStringList{"a", "1"} << QStringList();
    QTest::newRow("empty value ends the list")
        << fw_block(0x04, "REL41", "C4", {{"a", "1"}, {"b", ""}, {"c", "3"}}) << true << 4 << 4
        << "REL41"
        << "C4" << QStringList{"a", "1"} << QStringList();
    QTest::newRow("unterminated key ends the list")
        << fw_block(0x04, "REL41", "C4", {{QByteArray(32, 'k'), "1"}, {"c", "3"}}) << true << 4 << 4
        << "REL41"
        << "C4" << QStringList() << QStringList();
    QTest::newRow("unlisted type 0x05")
        << fw_block(0x05, "REL41", "C4") << true << 0xFE << 5 << "REL41"
        << "C4" << QStringList() << QStringList();
}

void tst_FwInfo::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(int, type);
    QFETCH(int, rawType);
    QFETCH(QString, name);
    QFETCH(QString, revision);
    QFETCH(QStringList, details);
    QFETCH(QStringList, messages);

    LogCapture log;
    auto const info = Device::make_FW_Info(bytes);
    QCOMPARE(info.valid, valid);
    QCOMPARE(int(info.product.type), type);
    QCOMPARE(info.product.raw_type, rawType);
    QCOMPARE(info.name, name);
    QCOMPARE(info.revision, revision);
    QCOMPARE(flatten(info.details), details);
    QCOMPARE(log.texts(QtDebugMsg), messages);
    QCOMPARE(log.texts().size(), messages.size());
}

void tst_FwInfo::displayForm_data()
{
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QStringList>("details");
    QTest::addColumn<QString>("text");

    QString const head = "FW info:\n  Type: ProductInfo: VELK (4) [04 01 ff ff]\n"
                         "  Name: REL41\n  Rev.: C4\n  Details:";
    QTest::newRow("invalid") << false << QStringList{"a", "1"} << "FW info:\n\tInvalid";
    QTest::newRow("no details") << true << QStringList() << head;
    QTest::newRow("padded to 31") << true << QStringList{"key", "value"}
                                  << head + "\n    key" + QString(28, ' ') + ": value" +
                                         QString(26, ' ');
    QTest::newRow("longer texts are not cut")
        << true << QStringList{QString(35, 'k'), QString(31, 'v'), "x", ""}
        << head + "\n    " + QString(35, 'k') + ": " + QString(31, 'v') + "\n    x" +
               QString(30, ' ') + ": " + QString(31, ' ');
}

void tst_FwInfo::displayForm()
{
    QFETCH(bool, valid);
    QFETCH(QStringList, details);
    QFETCH(QString, text);

    Device::FW_Info info;
    info.product = Device::make_ProductInfo({0x04, 0x01, 0xFF, 0xFF});
    info.name = QStringLiteral("REL41");
    info.revision = QStringLiteral("C4");
    for (int i = 0; i + 1 < details.size(); i += 2)
        info.details.emplace_back(details[i], details[i + 1]);
    info.valid = valid;
    QCOMPARE(QString(info), text);

    LogCapture log;
    qDebug() << info << QStringLiteral("after");
    QCOMPARE(log.texts(), QStringList(text + QStringLiteral(" \"after\"")));
}

void tst_FwInfo::carriedFirmware_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("generated file") << TestPaths::generated_file(QStringLiteral("firmware.bin"));
    QTest::newRow("resource") << QStringLiteral(":resources/firmware.bin");
}

void tst_FwInfo::carriedFirmware()
{
    QFETCH(QString, path);
    auto const info = Device::make_FW_Info(path);
    QVERIFY(info.valid);
    QCOMPARE(info.product.type, Device::Type::VELK);
    QCOMPARE(info.name, QStringLiteral("REL41"));
    QCOMPARE(info.revision, QStringLiteral("C4"));
    QCOMPARE(info.details.size(), std::size_t(7));
    QCOMPARE(info.details.back().first, QStringLiteral("Git hash of L3"));
    QCOMPARE(QString(info), carried_firmware_text);
}

void tst_FwInfo::unreadableFileIsInvalidWithoutMessage()
{
    LogCapture log;
    auto const info = Device::make_FW_Info(QStringLiteral("/nonexistent/firmware.bin"));
    QVERIFY(!info.valid);
    QCOMPARE(int(info.product.type), 0);
    QCOMPARE(info.product.extra1, 0xFF);
    QVERIFY(info.details.empty());
    QVERIFY(log.texts().isEmpty());
}

QTEST_GUILESS_MAIN(tst_FwInfo)
#include "tst_fwinfo.moc"
