#include "device/otpinfo.h"
#include "devicevectors.h"
#include "logcapture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace DeviceVectors;

class tst_OtpInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decode_data();
    void decode();
    void recordDataIsCarriedAlong();
    void displayForm_data();
    void displayForm();
    void readsFiles();
};

void tst_OtpInfo::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

namespace {
QString const unusable = QStringLiteral("Device not used, has invalid info in its OTP info.");
}

void tst_OtpInfo::decode_data()
{
    QTest::addColumn<QByteArray>("dump");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("rawType");
    QTest::addColumn<QString>("productName");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("blank") << QByteArray(512, '\xFF') << false << true << 0 << 0 << "N/A"
                           << QStringList();
    QTest::newRow("zero length") << QByteArray() << false << true << 0 << 0 << "N/A"
                                 << QStringList();
    QTest::newRow("zeros, no marker")
        << QByteArray(512, '\0') << false << false << 0 << 0 << "N/A" << QStringList();
    QTest::newRow("record at 0") << place({{0, otp_record(0x04)}}, 512) << true << false << 4 << 4
                                 << "Rel-41" << QStringList();
    QTest::newRow("later record wins")
        << place({{0, otp_record(0x03)}, {32, otp_record(0x04)}}, 512) << true << false << 4 << 4
        << "Rel-41" << QStringList();
    QTest::newRow("last slot 496") << place({{496, otp_record(0x84)}}, 512) << true << false << 0x84
                                   << 0x84 << "T3X" << QStringList();
    QTest::newRow("misplaced last marker at 8")
        << place({{0, otp_record(0x04)}, {8, otp_marker}}, 512) << false << false << 0 << 0 << "N/A"
        << QStringList();
    QTest::newRow("misplaced last marker after a good record")
        << place({{0, otp_record(0x04)}, {100, otp_marker}}, 512) << false << false << 0 << 0
        << "N/A" << QStringList();
    QTest::newRow("aligned record at 512 of a longer dump")
        << place({{0, otp_record(0x04)}, {512, otp_record(0x04)}}, 1024) << false << false << 0 << 0
        << "N/A" << QStringList();
    QTest::newRow("0x23 read as 0x2B") << place({{16, otp_record(0x23)}}, 512) << true << false
                                       << 0x2B << 0x2B << "K7" << QStringList();
    QTest::newRow("unlisted type 0x05")
        << place({{0, otp_record(0x05)}}, 512) << false << false << 0 << 5 << "N/A"
        << QStringList(
               R"(Unknown device type according to OTP info,  "ProductInfo: unknown (254) [05 ff ff ff]")");
    QTest::newRow("stored unknown 0xFE")
        << place({{0, otp_record(0xFE, "\x01\x02\x03")}}, 512) << false << false << 0 << 0xFE
        << "N/A"
        << QStringList(
               R"(Unknown device type according to OTP info,  "ProductInfo: unknown (254) [fe 01 02 03]")");
    QTest::newRow("type 0x00") << place({{0, otp_record(0x00)}}, 512) << false << false << 0 << 0
                               << "N/A" << QStringList(unusable);
    QTest::newRow("type 0xFF") << place({{0, otp_record(0xFF)}}, 512) << false << false << 0xFF
                               << 0xFF << "?" << QStringList(unusable);
    QTest::newRow("odd extra bytes stay valid")
        << place({{0, otp_record(0x04, "\x01\x02\x03")}}, 512) << true << false << 4 << 4
        << "Rel-41" << QStringList();
    // Bytes missing after a record at the end of a short dump read as erased.
    QTest::newRow("record cut after its type byte")
        << place({{16, otp_marker + '\x04'}}, 21) << true << false << 4 << 4 << "Rel-41"
        << QStringList();
    QTest::newRow("record cut after its marker") << place({{16, otp_marker}}, 20) << false << false
                                                 << 0xFF << 0xFF << "?" << QStringList(unusable);
    QTest::newRow("marker cut short")
        << QByteArray(otp_marker.left(3)) << false << false << 0 << 0 << "N/A" << QStringList();
}

void tst_OtpInfo::decode()
{
    QFETCH(QByteArray, dump);
    QFETCH(bool, valid);
    QFETCH(bool, empty);
    QFETCH(int, type);
    QFETCH(int, rawType);
    QFETCH(QString, productName);
    QFETCH(QStringList, messages);

    LogCapture log;
    auto const info = Device::make_OTP_Info(dump);
    QCOMPARE(info.valid, valid);
    QCOMPARE(info.empty, empty);
    QCOMPARE(int(info.product.type), type);
    QCOMPARE(info.product.raw_type, rawType);
    QCOMPARE(info.product_name(), productName);
    QCOMPARE(log.texts(QtInfoMsg), messages);
    QCOMPARE(log.texts().size(), messages.size());
}

void tst_OtpInfo::recordDataIsCarriedAlong()
{
    QByteArray const data("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    auto const info =
        Device::make_OTP_Info(place({{48, otp_record(0x05, "\x0A\x0B\x0C", data)}}, 512));
    QCOMPARE(QByteArray(reinterpret_cast<char const*>(info.data.data()), 8), data);
    QCOMPARE(info.product.extra1, 0x0A);
    QCOMPARE(info.product.extra3, 0x0C);

    auto const cut =
        Device::make_OTP_Info(place({{0, otp_record(0x04, "\xFF\xFF\xFF", "\x11\x22")}}, 10));
    QCOMPARE(QByteArray(reinterpret_cast<char const*>(cut.data.data()), 8),
             QByteArray("\x11\x22\xFF\xFF\xFF\xFF\xFF\xFF", 8));
}

void tst_OtpInfo::displayForm_data()
{
    QTest::addColumn<QByteArray>("dump");
    QTest::addColumn<QString>("text");

    QTest::newRow("valid") << place({{0, otp_record(0x04)}}, 512)
                           << "OTP info:\nMarker valid\nProduct: ProductInfo: VELK (4)\n";
    QTest::newRow("odd extra bytes")
        << place({{0, otp_record(0x2B, QByteArray("\xFF\x00\xFF", 3))}}, 512)
        << "OTP info:\nMarker valid\nProduct: ProductInfo: ORVK (43) "
           "[2b ff 00 ff]\n";
    QTest::newRow("unlisted type")
        << place({{0, otp_record(0x05)}}, 512)
        << "OTP info:\nMarker invalid\nProduct: ProductInfo: invalid (0)\n";
    QTest::newRow("blank") << QByteArray(512, '\xFF')
                           << "OTP info:\nMarker invalid\nProduct: ProductInfo: invalid (0)\n";
}

void tst_OtpInfo::displayForm()
{
    QFETCH(QByteArray, dump);
    QFETCH(QString, text);

    auto const info = Device::make_OTP_Info(dump);
    QCOMPARE(QString(info), text);
    LogCapture log;
    qDebug() << info;
    QCOMPARE(log.texts(), QStringList(text));
}

void tst_OtpInfo::readsFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString const path = dir.filePath(QStringLiteral("uploaded_OTP.bin"));

    LogCapture log;
    auto const missing = Device::make_OTP_Info(path);
    QVERIFY(!missing.valid);
    QVERIFY(!missing.empty);
    QCOMPARE(int(missing.product.type), 0);
    QVERIFY(log.texts().isEmpty());

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(place({{64, otp_record(0x1E)}}, 512));
    file.close();
    auto const stored = Device::make_OTP_Info(path);
    QVERIFY(stored.valid);
    QCOMPARE(stored.product.type, Device::Type::SARN);
}

QTEST_GUILESS_MAIN(tst_OtpInfo)
#include "tst_otpinfo.moc"
