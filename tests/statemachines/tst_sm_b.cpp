// The upgrade flow, driven step by step by a worker whose signals the test emits.

#include "logcapture.h"
#include "statemachines/sm_a.h"
#include "statemachines/sm_b.h"
#include "stdoutcapture.h"

#include <QStandardPaths>
#include <QtTest>

#include <memory>
#include <thread>

namespace {

using Type = Device::Type;

DFU::DeviceInfo record(bool valid, Type type, QString revision, bool empty_otp = false)
{
    DFU::DeviceInfo info;
    info.valid = valid;
    info.device_type = type;
    info.FW_revision = std::move(revision);
    info.OTP_info.empty = empty_otp;
    return info;
}

DFU::DeviceInfo const differing = record(true, Type::VELK, QStringLiteral("C3"));
DFU::DeviceInfo const matching = record(true, Type::VELK, QStringLiteral("C4"));
DFU::DeviceInfo const other_product = record(true, Type::ORVK, QStringLiteral("C4"));
DFU::DeviceInfo const empty_otp = record(true, Type::Invalid, QString(), true);

// Names of the flow's signals in the order they were emitted.
QStringList* record_signals(SM_B* flow)
{
    auto* names = new QStringList;
    auto add = [flow, names](auto signal, QString name) {
        QObject::connect(flow, signal, flow, [names, name] { names->append(name); });
    };
    add(&SM_B::sig_UpgradeImpossible, QStringLiteral("UpgradeImpossible"));
    add(&SM_B::sig_UpgradePossible, QStringLiteral("UpgradePossible"));
    add(&SM_B::sig_DifferingRevision, QStringLiteral("DifferingRevision"));
    add(&SM_B::sig_DoDownload, QStringLiteral("DoDownload"));
    add(&SM_B::sig_UploadingVerifying, QStringLiteral("UploadingVerifying"));
    add(&SM_B::sig_FwMatches, QStringLiteral("FwMatches"));
    add(&SM_B::sig_FwDiffers, QStringLiteral("FwDiffers"));
    add(&SM_B::sig_DeviceConnected, QStringLiteral("DeviceConnected"));
    add(&SM_B::sig_InvalidProduct, QStringLiteral("InvalidProduct"));
    return names;
}

} // namespace

class TestFlow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SM_A> worker;
    std::unique_ptr<SM_B> flow;
    std::unique_ptr<QStringList> emitted;

    QString state_name() const
    {
        auto const active = flow->configuration();
        return active.size() == 1 ? (*active.begin())->objectName().left(2) : QStringLiteral("?");
    }

    // Emits from the GUI thread, so the flow reacts before the call returns; processing the
    // events afterwards makes sure nothing is left pending.
    void trigger(QString const& name)
    {
        if (name == QLatin1String("DevConn"))
            emit worker->sig_DevConn(differing);
        else if (name == QLatin1String("NoDevConn"))
            emit worker->sig_NoDevConn();
        else if (name == QLatin1String("Matches"))
            emit worker->sig_FwUploadedMatches(differing.serial);
        else if (name == QLatin1String("Differs"))
            emit worker->sig_FwUploadedDiffers(differing.serial);
        else if (name == QLatin1String("DoDownload"))
            flow->do_download();
        QCoreApplication::processEvents();
    }

    // The triggers that lead from B1 to each state.
    QStringList path_to(QString const& state)
    {
        if (state == QLatin1String("B1"))
            return {};
        if (state == QLatin1String("B3"))
            return {QStringLiteral("DevConn"), QStringLiteral("DoDownload")};
        if (state == QLatin1String("B6") || state == QLatin1String("B7"))
            return {QStringLiteral("DevConn4"), state == QLatin1String("B6")
                                                    ? QStringLiteral("Matches")
                                                    : QStringLiteral("Differs")};
        return {QStringLiteral("DevConn") + state.right(1)};
    }

    // Returns the state reached; the guards' trace lines are dropped.
    QString go_to(QString const& state)
    {
        StdoutCapture quiet;
        for (auto const& step : path_to(state)) {
            if (step == QLatin1String("DevConn2"))
                emit worker->sig_DevConn(differing);
            else if (step == QLatin1String("DevConn4"))
                emit worker->sig_DevConn(matching);
            else if (step == QLatin1String("DevConn8"))
                emit worker->sig_DevConn(other_product);
            else if (step == QLatin1String("DevConn9"))
                emit worker->sig_DevConn(empty_otp);
            else
                trigger(step);
            QCoreApplication::processEvents();
        }
        quiet.finish();
        return state_name();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        worker = std::make_unique<SM_A>(QString(), QString(), QString(), nullptr);
        flow = std::make_unique<SM_B>(worker.get(), Type::VELK, QStringLiteral("C4"));
        emitted.reset(record_signals(flow.get()));
        flow->start();
        QTRY_COMPARE_WITH_TIMEOUT(state_name(), QStringLiteral("B1"), 5000);
        QCOMPARE(*emitted, QStringList{QStringLiteral("UpgradeImpossible")});
        emitted->clear();
    }

    void cleanup()
    {
        flow.reset();
        worker.reset();
    }

    void states_have_their_names()
    {
        QStringList names;
        for (QState* s :
             {flow->B1, flow->B2, flow->B3, flow->B4, flow->B6, flow->B7, flow->B8, flow->B9})
            names << s->objectName();
        QCOMPARE(names, (QStringList{
                            "B1: No (DFU-SE) dev. conn.",
                            "B2: Conn. to (DFU-SE) dev. with diff. FW rev.",
                            "B3: Upgrading FW",
                            "B4: Uploading and verifying FW",
                            "B6: FW in dev. matches",
                            "B7: FW in dev. differs",
                            "B8: Invalid (DFU-SE) dev. conn.",
                            "B9: Conn. to (DFU-SE) dev. with Empty OTP.",
                        }));
        QCOMPARE(SM_B::desired_ID, Type::VELK);
        QCOMPARE(SM_B::desired_revision, QStringLiteral("C4"));
    }

    void classification_data()
    {
        QTest::addColumn<DFU::DeviceInfo>("info");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("emitted_signals");
        QTest::addColumn<int>("trace_lines");

        QStringList const connected{QStringLiteral("DeviceConnected")};
        QTest::newRow("empty OTP")
            << empty_otp << "B9"
            << connected + QStringList{"UpgradeImpossible", "DifferingRevision"} << 0;
        QTest::newRow("empty OTP beats a matching firmware")
            << record(true, Type::VELK, "C4", true) << "B9"
            << connected + QStringList{"UpgradeImpossible", "DifferingRevision"} << 0;
        QTest::newRow("other product")
            << other_product << "B8" << connected + QStringList{"InvalidProduct"} << 1;
        QTest::newRow("differing revision")
            << differing << "B2" << connected + QStringList{"UpgradePossible", "DifferingRevision"}
            << 2;
        QTest::newRow("revision differs in case only")
            << record(true, Type::VELK, "c4") << "B2"
            << connected + QStringList{"UpgradePossible", "DifferingRevision"} << 2;
        QTest::newRow("no firmware information")
            << record(true, Type::VELK, QString()) << "B2"
            << connected + QStringList{"UpgradePossible", "DifferingRevision"} << 2;
        QTest::newRow("same revision")
            << matching << "B4" << connected + QStringList{"UploadingVerifying"} << 3;
        QTest::newRow("invalid record")
            << record(false, Type::Invalid, QString()) << "B1" << QStringList{} << 2;
        QTest::newRow("invalid record with stale fields")
            << record(false, Type::VELK, "C4") << "B1" << QStringList{} << 2;
    }

    void classification()
    {
        QFETCH(DFU::DeviceInfo, info);
        QFETCH(QString, state);
        QFETCH(QStringList, emitted_signals);
        QFETCH(int, trace_lines);

        LogCapture log;
        StdoutCapture out;
        emit worker->sig_DevConn(info);
        QCoreApplication::processEvents();
        QStringList const lines = out.finish();

        QCOMPARE(state_name(), state);
        QCOMPARE(*emitted, emitted_signals);
        QCOMPARE(lines.size(), trace_lines);
        for (auto const& line : lines)
            QCOMPARE(line, QStringLiteral("device_has_valid_type(4): valid %1, device_type: %2")
                               .arg(int(info.valid))
                               .arg(int(info.device_type)));
        QString const connected_line = QStringLiteral("Device connected with:\n ") + QString(info);
        QCOMPARE(log.count(connected_line), state == QLatin1String("B1") ? 0 : 1);
        if (state != QLatin1String("B1"))
            QCOMPARE(QString(flow->device_info), QString(info));
        QCOMPARE(worker->get_command(),
                 state == QLatin1String("B4") ? SM_A::UploadAndCompareFW : SM_A::NoCommand);
    }

    void device_is_logged_before_the_targets_signals()
    {
        LogCapture log;
        QString const line = QStringLiteral("Device connected with:\n ") + QString(differing);
        connect(flow.get(), &SM_B::sig_DeviceConnected, this,
                [&] { emitted->append(log.contains(line) ? "logged" : "not logged"); });
        emit worker->sig_DevConn(differing);
        QCoreApplication::processEvents();
        QCOMPARE(*emitted, (QStringList{"DeviceConnected", "logged", "UpgradePossible",
                                        "DifferingRevision"}));
    }

    void transitions_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("to");

        // Everything not listed keeps the state. A device without a product record is never
        // written (B9 ignores a click), and a device gone before its read-back began does not
        // leave the flow waiting in B4.
        QMap<QString, QString> const moves{
            {"B1 DevConn", "B2"},   {"B2 DoDownload", "B3"}, {"B2 NoDevConn", "B1"},
            {"B3 NoDevConn", "B1"}, {"B4 Matches", "B6"},    {"B4 Differs", "B7"},
            {"B4 NoDevConn", "B1"},
            {"B6 NoDevConn", "B1"}, {"B7 DoDownload", "B3"}, {"B7 NoDevConn", "B1"},
            {"B8 NoDevConn", "B1"}, {"B9 NoDevConn", "B1"},
        };
        for (QString from : {"B1", "B2", "B3", "B4", "B6", "B7", "B8", "B9"})
            for (QString trigger : {"DevConn", "NoDevConn", "DoDownload", "Matches", "Differs"}) {
                QString const key = from + ' ' + trigger;
                QTest::newRow(qPrintable(key)) << from << trigger << moves.value(key, from);
            }
    }

    void transitions()
    {
        QFETCH(QString, from);
        QFETCH(QString, trigger);
        QFETCH(QString, to);

        QCOMPARE(go_to(from), from);
        StdoutCapture quiet; // the guards' trace lines are checked elsewhere
        this->trigger(trigger);
        quiet.finish();
        QCOMPARE(state_name(), to);
        if (to == QLatin1String("B3"))
            QCOMPARE(worker->get_command(), SM_A::DownloadFW);
    }

    void download_is_requested_once()
    {
        QCOMPARE(go_to("B2"), QStringLiteral("B2"));
        emitted->clear();
        flow->do_download();
        flow->do_download();
        QCoreApplication::processEvents();
        QCOMPARE(state_name(), QStringLiteral("B3"));
        QCOMPARE(*emitted, (QStringList{"DoDownload", "DoDownload"}));
        QCOMPARE(worker->get_command(), SM_A::DownloadFW);
    }

    // A download the worker has not started yet was meant for the device that went away.
    void pending_request_is_dropped_without_device()
    {
        QCOMPARE(go_to("B3"), QStringLiteral("B3"));
        trigger("NoDevConn");
        QCOMPARE(state_name(), QStringLiteral("B1"));
        QCOMPARE(worker->get_command(), SM_A::NoCommand);
        QCOMPARE(flow->device_info.valid, false);
    }

    // Announcements from the worker thread arrive queued; each is classified with the record
    // it carried, even when the worker has moved on to another device meanwhile.
    void queued_announcements_keep_their_records()
    {
        QStringList seen;
        connect(flow.get(), &SM_B::sig_DeviceConnected, this,
                [&] { seen << flow->device_info.FW_revision; });
        std::thread emitter([this] {
            emit worker->sig_DevConn(record(true, Type::VELK, "first"));
            emit worker->sig_NoDevConn();
            emit worker->sig_DevConn(record(true, Type::ORVK, "second"));
        });
        emitter.join();
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() == 2, 5000);
        QCOMPARE(state_name(), QStringLiteral("B8"));
        QCOMPARE(seen, (QStringList{"first", "second"}));
    }

    // A carried image without a usable information block names no product: no device can
    // match it, not even one whose own record is unusable in the same way.
    void nothing_matches_an_unusable_carried_image()
    {
        flow.reset();
        flow = std::make_unique<SM_B>(worker.get(), Type::Invalid, QString());
        flow->start();
        QTRY_COMPARE_WITH_TIMEOUT(state_name(), QStringLiteral("B1"), 5000);
        StdoutCapture quiet;
        emit worker->sig_DevConn(record(true, Type::Invalid, QString()));
        QCoreApplication::processEvents();
        quiet.finish();
        QCOMPARE(state_name(), QStringLiteral("B8"));
        flow->do_download();
        QCOMPARE(state_name(), QStringLiteral("B8"));
    }

    void debug_output()
    {
        LogCapture log;
        flow->enable_debug_output();
        emit worker->sig_DevConn(differing);
        QCoreApplication::processEvents();
        QStringList const debug = log.texts(QtDebugMsg);
        QCOMPARE(debug, (QStringList{
                            "\"SM_B: /sig_DeviceConnected\"",
                            "\"SM_B: /sig_UpgradePossible\"",
                            "\"SM_B: /sig_DifferingRevision\"",
                            "\"SM_B: entered B2: Conn. to (DFU-SE) dev. with diff. FW rev.\"",
                        }));
        QVERIFY(log.contains("SM_B: Add connections to show emitted signals"));
    }
};

QTEST_GUILESS_MAIN(TestFlow)
#include "tst_sm_b.moc"
