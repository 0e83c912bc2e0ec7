// Whole upgrades in simulator mode: the worker and the flow run against the script, as
// "kalvora-upgrade -s" does, once per prepared configuration.

#include "dfu/deviceoperations.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "sim/simulator.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {
int const wait_ms = 20000;
}

class TestSimulatorFlow : public QObject
{
    Q_OBJECT

    std::unique_ptr<SM_A> worker;
    std::unique_ptr<SM_B> flow;
    QStringList visited; // the flow's states by their short names, in order of entry

    void start(QString const& config)
    {
        QCOMPARE(simulator::sim_setup_prepared_config(config), 0);
        worker = std::make_unique<SM_A>(Files::path_of(Files::desired_FW_fileName_dfu),
                                        Files::path_of(Files::desired_FW_fileName_bin),
                                        Files::path_of(Files::uploaded_FW_fileName_bin), nullptr);
        worker->image = Files::carried(Files::desired_FW_bin);
        Device::FW_Info const& desired = DFU::desired_FW_Info();
        flow = std::make_unique<SM_B>(worker.get(), desired.product.type, desired.revision);
        for (QState* s :
             {flow->B1, flow->B2, flow->B3, flow->B4, flow->B6, flow->B7, flow->B8, flow->B9})
            connect(s, &QState::entered, this, [this, s] { visited << s->objectName().left(2); });
        connect(flow.get(), &QStateMachine::started, this, [this] { worker->start(); });
        flow->start();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(Files::external_dir.create());
        QVERIFY(Files::extract_resources({Files::desired_FW_dfu, Files::desired_FW_bin}, true));
        QCOMPARE(DFU::desired_FW_Info().revision, QStringLiteral("C4"));
        simulator::setup_for_simulated_dfu_util(simulator::fast_progress);
    }

    void init() { visited.clear(); }

    void cleanup()
    {
        if (flow)
            flow->stop();
        if (worker) {
            worker->do_stop();
            QVERIFY(worker->wait(10000));
        }
        flow.reset();
        worker.reset();
    }

    void upgrade_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QStringList>("beforeClick");
        QTest::addColumn<QStringList>("afterClick");

        QStringList const offered{"B1", "B2"};
        QStringList const done{"B3", "B1", "B4", "B6"};
        QStringList const differs{"B3", "B1", "B4", "B7"};
        QTest::newRow("default") << "default" << offered << done;
        QTest::newRow("fw_other_product") << "fw_other_product" << offered << done;
        QTest::newRow("readback_differs") << "readback_differs" << offered << differs;
        QTest::newRow("unplug_during_download") << "unplug_during_download" << offered << differs;
        QTest::newRow("same_revision")
            << "same_revision" << QStringList{"B1", "B4", "B6"} << QStringList();
        QTest::newRow("empty_otp") << "empty_otp" << QStringList{"B1", "B9"} << QStringList();
        QTest::newRow("other_product")
            << "other_product" << QStringList{"B1", "B8"} << QStringList();
    }

    // The flow settles in the state the device calls for; where an install is offered, one
    // click runs the download, the device's return and the verification.
    void upgrade()
    {
        QFETCH(QString, config);
        QFETCH(QStringList, beforeClick);
        QFETCH(QStringList, afterClick);

        start(config);
        QTRY_COMPARE_WITH_TIMEOUT(visited, beforeClick, wait_ms);
        if (afterClick.isEmpty()) {
            QTest::qWait(1500); // and it stays there
            QCOMPARE(visited, beforeClick);
            return;
        }
        flow->do_download();
        QTRY_COMPARE_WITH_TIMEOUT(visited.size(), beforeClick.size() + afterClick.size(), wait_ms);
        QCOMPARE(visited, beforeClick + afterClick);
        QCOMPARE(flow->device_info.FW_revision, QStringLiteral("C4"));
    }

    // After a broken download the install is offered again, and the second one succeeds.
    void secondDownloadAfterUnplug()
    {
        start(QStringLiteral("unplug_during_download"));
        QTRY_COMPARE_WITH_TIMEOUT(visited, (QStringList{"B1", "B2"}), wait_ms);
        flow->do_download();
        QTRY_COMPARE_WITH_TIMEOUT(visited.size(), 6, wait_ms);
        QCOMPARE(visited.last(), QStringLiteral("B7"));
        flow->do_download();
        QTRY_COMPARE_WITH_TIMEOUT(visited.size(), 10, wait_ms);
        QCOMPARE(visited.mid(6), (QStringList{"B3", "B1", "B4", "B6"}));
    }

    void noUsableDevice_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("deviceErrors");
        QTest::newRow("read_error") << "read_error" << 1;
        QTest::newRow("two_devices") << "two_devices" << 0;
        QTest::newRow("no_device") << "no_device" << 0;
    }

    // The flow stays in B1 without a word while the worker keeps scanning.
    void noUsableDevice()
    {
        QFETCH(QString, config);
        QFETCH(int, deviceErrors);

        start(config);
        QSignalSpy errors(worker.get(), &SM_A::sig_DeviceError);
        QSignalSpy scans(worker.get(), &SM_A::sig_scanning);
        QSignalSpy impossible(flow.get(), &SM_B::sig_UpgradeImpossible);
        QSignalSpy connected(flow.get(), &SM_B::sig_DeviceConnected);
        QTest::qWait(3000); // the device, if any, shows up after about a second
        QCOMPARE(errors.count(), deviceErrors);
        QVERIFY(scans.count() >= 2);
        QCOMPARE(visited, QStringList{"B1"});
        QCOMPARE(connected.count(), 0);
        QCOMPARE(impossible.count(), 1); // the entry into B1 only
    }
};

QTEST_GUILESS_MAIN(TestSimulatorFlow)
#include "tst_simulator_flow.moc"
