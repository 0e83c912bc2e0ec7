// dfu-util's progress frames, picked out of the real byte stream of the carried dfu-util
// (captured against the emulated bootloader, see data/capture-dfu-util-output.sh).

#include "dfu/progress.h"

#include <QFile>
#include <QtTest>

#include <vector>

Q_DECLARE_METATYPE(std::vector<DFU::Progress>)

namespace {

QByteArray captured(QString const& name)
{
    QFile f(QStringLiteral(KALVORA_DFU_DATA_DIR "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<DFU::Progress> parse(QByteArray const& stream, int pieceSize)
{
    DFU::ProgressParser parser;
    std::vector<DFU::Progress> all;
    for (int at = 0; at < stream.size(); at += pieceSize)
        for (DFU::Progress const& p : parser.feed(stream.mid(at, pieceSize)))
            all.push_back(p);
    return all;
}

QString describe(std::vector<DFU::Progress> const& updates)
{
    QStringList parts;
    for (auto const& p : updates)
        parts << QStringLiteral("%1:%2").arg(int(p.phase)).arg(p.percent);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void capturedRuns_data();
    void capturedRuns();
    void frameCountsOnceItIsWhole();
    void endlessLineIsNoFrame();
    void overallShares_data();
    void overallShares();
};

void TestProgress::capturedRuns_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("firstOverall");
    QTest::addColumn<int>("updatesAtLeast");
    QTest::newRow("download: erase, then write") << "dfu-util-download.out" << 0 << 40;
    QTest::newRow("read-back") << "dfu-util-upload.out" << 0 << 20;
    QTest::newRow("list run") << "dfu-util-list.out" << -1 << 0;
}

// Whatever the pieces the pipe delivers, the same updates come out, in order, each once;
// the whole run's share never goes back and ends at 100 only with the run's last frame.
void TestProgress::capturedRuns()
{
    QFETCH(QString, file);
    QFETCH(int, firstOverall);
    QFETCH(int, updatesAtLeast);
    QByteArray const stream = captured(file);
    QVERIFY2(!stream.isEmpty(), qPrintable(file));

    std::vector<DFU::Progress> const whole = parse(stream, stream.size());
    for (int pieceSize : {1, 2, 3, 7, 61, 512, 4096})
        QCOMPARE(describe(parse(stream, pieceSize)), describe(whole));
    QVERIFY2(int(whole.size()) >= updatesAtLeast, qPrintable(describe(whole)));
    if (whole.empty())
        return;

    QCOMPARE(DFU::overall_percent(whole.front()), firstOverall);
    int previous = -1;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        int const overall = DFU::overall_percent(whole[i]);
        QVERIFY2(overall >= previous, qPrintable(describe(whole)));
        QVERIFY(overall < 100 || i + 1 == whole.size());
        previous = overall;
    }
    QCOMPARE(previous, 100);
}

// dfu-util ends a frame only by starting the next one: the last frame counts as soon as its
// byte count is there, and not again when the next frame begins.
void TestProgress::frameCountsOnceItIsWhole()
{
    DFU::ProgressParser parser;
    QVERIFY(parser.feed("\rDownload\t[=====               ]  20%     1617").empty());
    std::vector<DFU::Progress> const done = parser.feed("92 bytes");
    QCOMPARE(describe(done), QStringLiteral("1:20"));
    QVERIFY(parser.feed("\r").empty());
    QCOMPARE(describe(parser.feed("Download\t[=====               ]  20%   161792 bytes\r"
                                  "Download\t[======              ]  24%   194048 bytes")),
             QStringLiteral("1:24"));
    QCOMPARE(describe(parser.feed("\nDownload done.\nUpload\t[] 100% 7 bytes\n")),
             QStringLiteral("2:100"));
}

// A run that prints without end and without line breaks is read, never kept, and gives no
// update.
void TestProgress::endlessLineIsNoFrame()
{
    DFU::ProgressParser parser;
    QByteArray const junk(1 << 16, 'x');
    for (int i = 0; i < 64; ++i)
        QVERIFY(parser.feed(junk).empty());
    QCOMPARE(describe(parser.feed("\rUpload\t[=] 4% 100 bytes")), QStringLiteral("2:4"));
}

void TestProgress::overallShares_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("overall");
    int const e = DFU::erase_share_percent;
    QTest::newRow("erase starts") << int(DFU::Progress::Erase) << 0 << 0;
    // The last sector: dfu-util has counted 97 % of the image's bytes, the lamp has erased
    // 786432 of 917504 bytes of sectors.
    QTest::newRow("last sector erasing") << int(DFU::Progress::Erase) << 97 << 42;
    QTest::newRow("erase ends") << int(DFU::Progress::Erase) << 100 << e;
    QTest::newRow("write starts") << int(DFU::Progress::Download) << 0 << e;
    QTest::newRow("write halfway") << int(DFU::Progress::Download) << 50 << e + (100 - e) / 2;
    QTest::newRow("write ends") << int(DFU::Progress::Download) << 100 << 100;
    QTest::newRow("read-back halfway") << int(DFU::Progress::Upload) << 50 << 50;
}

void TestProgress::overallShares()
{
    QFETCH(int, phase);
    QFETCH(int, percent);
    QFETCH(int, overall);
    QCOMPARE(DFU::overall_percent({DFU::Progress::Phase(phase), percent}), overall);
}

QTEST_GUILESS_MAIN(TestProgress)
#include "tst_progress.moc"
