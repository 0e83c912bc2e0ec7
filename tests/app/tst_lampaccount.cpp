// What the account of the lamps concludes, and what the window, a stop and the bench command
// make of it: the test emits the worker's signals in the worker's order; the flow and the
// lifecycle are the real ones.
#include "app/lampaccount.h"
#include "app/lifecycle.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QtTest>

#include <memory>
#include <optional>
#include <tuple>

class tst_LampAccount : public QObject
{
    Q_OBJECT

private slots:
    void lamps_data();
    void lamps();
};

void tst_LampAccount::lamps_data()
{
    // Steps: "read S REV" (a Rel-41), "click", "write S", "whole S" and "cut S" (its write
    // ended), "same S" and "differs S" (read back), "room S" (no room to check a write),
    // "refused S", "gone", "stop" (Escape).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");   // the status text of what is concluded
    QTest::addColumn<bool>("install");   // offered by the flow and allowed by the account
    QTest::addColumn<QString>("result"); // the bench command's, and its exit status
    QTest::addColumn<int>("exit");
    QStringList const upgrade{"read A C3", "click", "write A", "whole A", "read A C4"};
    QTest::newRow("done, unplugged, stopped")
        << upgrade + QStringList{"same A", "gone", "stop"} << "status_stoppedAfterVerified"
        << false << "verified" << 0;
    QTest::newRow("failed check, unplugged, stopped")
        << upgrade + QStringList{"differs A", "gone", "stop"}
        << "status_stoppedAfterFailedCheck" << false << "check_failed" << 5;
    QTest::newRow("no room for the write, lamp back")
        << QStringList{"read A C3", "click", "room A", "gone", "read A C3"} << "status_devRev"
        << true << QString() << 0;
    QTest::newRow("half-written, then refused, stopped")
        << QStringList{"read A C3", "click", "write A", "cut A", "read A C3", "click",
                       "refused A", "stop"}
        << "status_stoppedWriteIncomplete" << false << "write_failed" << 6;
    QTest::newRow("stopped before the room check's report")
        << QStringList{"read A C3", "click", "stop", "room A"} << "status_stopped" << false
        << "stopped" << 0;
    QTest::newRow("refused, another lamp written, the first back")
        << QStringList{"read A C3", "click", "refused A", "gone", "read B C3", "click",
                       "write B", "whole B", "read A C3"}
        << "status_devRev" << true << QString() << 0;
}

void tst_LampAccount::lamps()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(bool, install);
    QFETCH(QString, result);
    QFETCH(int, exit);
    SM_A worker{QString(), QString(), QString()};
    LampAccount account(&worker);
    SM_B flow(&worker, Device::Type::VELK, QStringLiteral("C4"));
    account.follow(&flow);
    Lifecycle lifecycle(&worker, &flow, &account);
    bool offered = false; // by the flow, until it leaves the state that offers it
    connect(&flow, &SM_B::sig_UpgradePossible, this, [&offered] { offered = true; });
    for (auto withdrawn : {&SM_B::sig_UpgradeImpossible, &SM_B::sig_DoDownload})
        connect(&flow, withdrawn, this, [&offered] { offered = false; });
    std::optional<Outcome> stopped;
    connect(&lifecycle, &Lifecycle::stopped, this, [&stopped](Outcome o) { stopped = o; });
    flow.start();
    QCoreApplication::processEvents();
    int connection = 0;
    for (QString const& step : steps) {
        QStringList const words = step.split(QLatin1Char(' '));
        QString const serial = words.value(1);
        QString const& verb = words.first();
        if (verb == "read") {
            DFU::DeviceInfo info;
            info.valid = true;
            info.device_type = Device::Type::VELK;
            std::tie(info.FW_revision, info.serial, info.connection) =
                std::tuple(words.value(2), serial, ++connection);
            emit worker.sig_readingInfo(serial);
            emit worker.sig_NoDevConn();
            emit worker.sig_DevConn(info);
        } else if (verb == "click") {
            flow.do_download();
        } else if (verb == "write") {
            emit worker.sig_FwDownloading(serial);
        } else if (verb == "whole" || verb == "cut") {
            emit worker.sig_FwDownloaded(verb == "whole", serial);
            emit worker.sig_NoDevConn();
        } else if (verb == "same" || verb == "differs") {
            emit worker.sig_FwUploading(serial);
            verb == "same" ? worker.sig_FwUploadedMatches(serial)
                           : worker.sig_FwUploadedDiffers(serial);
        } else if (verb == "room") {
            emit worker.sig_FolderFull(QStringLiteral("/tmp"), 1, true, serial);
        } else if (verb == "refused") {
            emit worker.sig_FwDownloadRefused(QStringLiteral("changed"), serial);
        } else if (verb == "gone") {
            emit worker.sig_NoDevConn();
        } else if (verb == "stop") {
            QVERIFY(lifecycle.request(Lifecycle::Request::stop));
        } else {
            QFAIL(qPrintable(step));
        }
        QCoreApplication::processEvents();
    }
    Outcome const outcome = stopped.value_or(account.current());
    QCOMPARE(row(outcome).text, qPrintable(text));
    QCOMPARE(offered && row(outcome).install, install);
    QCOMPARE(QString::fromLatin1(row(outcome).result), result);
    QCOMPARE(row(outcome).exit, exit);
}

QTEST_GUILESS_MAIN(tst_LampAccount)
#include "tst_lampaccount.moc"
