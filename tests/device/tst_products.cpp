#include "device/products.h"
#include "logcapture.h"

#include <QtTest>

#include <sstream>

using Device::Type;

class tst_Products : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lookupByType_data();
    void lookupByType();
    void typeFromCode_data();
    void typeFromCode();
    void productInfo_data();
    void productInfo();
    void equalityComparesTypesOnly();
    void streamsWriteWithoutQuotesAndRestoreState();
};

void tst_Products::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_Products::lookupByType_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("known");

    QTest::newRow("invalid") << 0x00 << 0x00 << "invalid"
                             << "N/A"
                             << "N/A" << false << false;
    QTest::newRow("undefined") << 0xFF << 0xFF << "undefined"
                               << "?"
                               << "?" << false << false;
    QTest::newRow("unknown") << 0xFE << 0xFE << "unknown"
                             << "unknown"
                             << "unknown" << true << false;
    QTest::newRow("VELK") << 0x04 << 0x04 << "VELK"
                          << "Rel-41"
                          << "Kalvora Rel-41" << true << true;
    QTest::newRow("K7I") << 0x0B << 0x0B << "K7I"
                         << "K7 Industrial"
                         << "K7 Industrial" << true << true;
    QTest::newRow("HALV") << 0x8C << 0x8C << "HALV"
                          << "M20 or M20X"
                          << "Kalvora M20X & M20 series" << true << true;
    // A byte without a row: to_Type maps it to Unknown, the text lookups fall back.
    QTest::newRow("impossible type") << 0x05 << 0xFE << "impossible type"
                                     << ""
                                     << "" << true << true;
}

void tst_Products::lookupByType()
{
    QFETCH(int, byte);
    QFETCH(int, type);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, fullName);
    QFETCH(bool, valid);
    QFETCH(bool, known);

    auto const t = static_cast<Type>(byte);
    QCOMPARE(int(Device::to_Type(static_cast<unsigned char>(byte))), type);
    QCOMPARE(Device::to_QString(t), code);
    QCOMPARE(Device::to_string(t), code.toStdString());
    QCOMPARE(Device::is_valid(t), valid);
    QCOMPARE(Device::is_known(t), known);
    Device::ProductInfo info;
    info.type = t;
    QCOMPARE(info.product_name(), name);
    QCOMPARE(info.product_name_full(), fullName);
    QCOMPARE(Device::products.find(t) == Device::products.end(), code == "impossible type");
}

void tst_Products::typeFromCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("type");

    QTest::newRow("empty") << "" << 0x00;
    QTest::newRow("VELK") << "VELK" << 0x04;
    QTest::newRow("K7I") << "K7I" << 0x0B;
    QTest::newRow("lower case velk") << "velk" << 0xFE;
    QTest::newRow("trailing blank") << "VELK " << 0xFE;
    QTest::newRow("unknown") << "unknown" << 0xFE;
    QTest::newRow("undefined") << "undefined" << 0xFF;
    QTest::newRow("invalid") << "invalid" << 0x00;
    QTest::newRow("code name is no code") << "Velka" << 0xFE;
}

void tst_Products::typeFromCode()
{
    QFETCH(QString, code);
    QFETCH(int, type);
    QCOMPARE(int(Device::to_Type(code)), type);
}

void tst_Products::productInfo_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");

    QTest::newRow("VELK") << QByteArray("\x04\xFF\xFF\xFF", 4) << 0x04 << "ProductInfo: VELK (4)";
    QTest::newRow("unlisted byte")
        << QByteArray("\x05\xFF\xFF\xFF", 4) << 0xFE << "ProductInfo: unknown (254) [05 ff ff ff]";
    QTest::newRow("odd extra byte")
        << QByteArray("\x04\x01\xFF\xFF", 4) << 0x04 << "ProductInfo: VELK (4) [04 01 ff ff]";
    QTest::newRow("invalid") << QByteArray("\x00\xFF\xFF\xFF", 4) << 0x00
                             << "ProductInfo: invalid (0)";
    QTest::newRow("erased") << QByteArray("\xFF\xFF\xFF\xFF", 4) << 0xFF
                            << "ProductInfo: undefined (255)";
    QTest::newRow("stored unknown")
        << QByteArray("\xFE\xFF\xFF\xFF", 4) << 0xFE << "ProductInfo: unknown (254) [fe ff ff ff]";
    QTest::newRow("third extra byte")
        << QByteArray("\x8C\xFF\xFF\x0A", 4) << 0x8C << "ProductInfo: HALV (140) [8c ff ff 0a]";
}

void tst_Products::productInfo()
{
    QFETCH(QByteArray, raw);
    QFETCH(int, type);
    QFETCH(QString, text);

    Device::ProductInfoRaw bytes;
    std::copy(raw.cbegin(), raw.cend(), bytes.begin());
    auto const info = Device::make_ProductInfo(bytes);
    QCOMPARE(int(info.type), type);
    QCOMPARE(info.raw_type, int(bytes[0]));
    QCOMPARE(info.extra1, bytes[1]);
    QCOMPARE(info.extra2, bytes[2]);
    QCOMPARE(info.extra3, bytes[3]);
    QCOMPARE(QString(info), text);
}

void tst_Products::equalityComparesTypesOnly()
{
    auto const a = Device::make_ProductInfo({0x04, 0xFF, 0xFF, 0xFF});
    auto const b = Device::make_ProductInfo({0x04, 0x01, 0x02, 0x03});
    QVERIFY(a == b);
    QVERIFY(!(a != b));
    // Two unlisted bytes both decode to Unknown and therefore compare equal.
    QVERIFY(Device::make_ProductInfo({0x05, 0xFF, 0xFF, 0xFF}) ==
            Device::make_ProductInfo({0x06, 0xFF, 0xFF, 0xFF}));
    QVERIFY(a != Device::make_ProductInfo({0x2B, 0xFF, 0xFF, 0xFF}));
}

void tst_Products::streamsWriteWithoutQuotesAndRestoreState()
{
    LogCapture log;
    auto const info = Device::make_ProductInfo({0x05, 0xFF, 0xFF, 0xFF});
    qDebug() << Type::VELK << QStringLiteral("next") << info << QStringLiteral("last");
    qDebug().nospace() << Type::HALV << static_cast<Type>(0x05);
    QCOMPARE(log.texts(), QStringList({
                              R"(VELK "next" ProductInfo: unknown (254) [05 ff ff ff] "last")",
                              "HALVimpossible type",
                          }));

    std::ostringstream os;
    os << std::hex << Type::SARN << ' ' << static_cast<Type>(0x05) << ' ' << 30;
    QCOMPARE(os.str(), std::string("SARN impossible type 1e"));
}

QTEST_GUILESS_MAIN(tst_Products)
#include "tst_products.moc"
