// The command table as simulator mode rewrites it: program, word, optional fast-progress flag
// and the unchanged dfu-util arguments, in this order.

#include "dfu/dfucommand.h"
#include "sim/simulator.h"
#include "testpaths.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QtTest>

#include <map>

Q_DECLARE_METATYPE(DFU::CmdID)

class TestSimulatorCommands : public QObject
{
    Q_OBJECT

private:
    std::map<DFU::CmdID, DFU::Command> saved;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { saved = DFU::commands; }
    void cleanup() { DFU::commands = saved; }

    void scriptPath()
    {
        QCOMPARE(simulator::dfu_util_path(QStringLiteral("dfu-util_simulator.sh")),
                 TestPaths::simulator_dir() + QStringLiteral("/dfu-util_simulator.sh"));
        // The program starts the script directly, so the file itself must be executable.
        QVERIFY(QFileInfo(simulator::dfu_util_path(QStringLiteral("dfu-util_simulator.sh")))
                    .isExecutable());
    }

    void rewrittenRows_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<DFU::CmdID>("id");
        QTest::addColumn<QStringList>("arguments");

        QStringList const otp{"-d", "0483", "-a", "2", "-s", "0x1FFF7800:512", "-U"};
        QStringList const info{"-d", "0483", "-a", "0", "-s", "0x08000000:2048", "-U"};
        QStringList const flash{"-d", "0483", "-a", "0"};
        QStringList const download{"-d", "0483", "-a", "0", "-s", "0x08000000:leave", "-D"};
        struct Row
        {
            char const* name;
            DFU::CmdID id;
            char const* word;
            QStringList tail;
        };
        Row const rows[] = {
            {"list", DFU::list, "list", {"-d", "0483", "-l"}},
            {"version", DFU::version, "version", {"-V"}},
            {"upload_OTP", DFU::upload_OTP, "upload_OTP", otp},
            {"upload_FW_Info", DFU::upload_FW_Info, "upload_FW", info},
            {"upload_FW", DFU::upload_FW, "upload_FW", flash},
            {"download_FW", DFU::download_FW, "download_FW", download},
            {"setup_prepared_config", DFU::setup_prepared_config, "setup_prepared_config", {}},
        };
        for (Row const& row : rows) {
            QTest::addRow("normal %s", row.name)
                << int(simulator::normal) << row.id
                << QStringList{"--dfu-util-command", row.word} + row.tail;
            QTest::addRow("fast_progress %s", row.name)
                << int(simulator::fast_progress) << row.id
                << QStringList{"--dfu-util-command", row.word, "--fast-progress"} + row.tail;
        }
    }

    void rewrittenRows()
    {
        QFETCH(int, setup);
        QFETCH(DFU::CmdID, id);
        QFETCH(QStringList, arguments);

        simulator::setup_for_simulated_dfu_util(simulator::Setup(setup));

        QCOMPARE(DFU::commands[id].program,
                 TestPaths::simulator_dir() + QStringLiteral("/dfu-util_simulator.sh"));
        QCOMPARE(DFU::commands[id].arguments, arguments);
        QVERIFY(DFU::Command::path.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSimulatorCommands)
#include "tst_simulator_commands.moc"
