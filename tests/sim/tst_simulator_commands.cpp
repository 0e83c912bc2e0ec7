// The command table as simulator mode rewrites it: program, word, optional fast-progress flag
// and the unchanged dfu-util arguments, in this order.

#include "dfu/dfucommand.h"
#include "logcapture.h"
#include "sim/simulator.h"
#include "testpaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <map>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(DFU::CmdID)

namespace {

// What one child process reports: its exit code and what it wrote to the pipe.
struct ChildResult
{
    int code = -1;
    QByteArray output;
};

// In a child process: mounts `folder` over the simulator folder in a mount namespace of its
// own (inside a user namespace of its own, which needs no root), runs the setup and writes its
// warnings to `fd`. Exit code 2: the system allows no such namespace (output: the reason).
[[noreturn]] void report_setup_warnings(QString const& folder, int fd)
{
    QByteArray out;
    int code = 0;
    QByteArray const target = QFile::encodeName(TestPaths::simulator_dir());
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
        mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(QFile::encodeName(folder).constData(), target.constData(), nullptr, MS_BIND,
              nullptr) != 0) {
        out = std::strerror(errno);
        code = 2;
    } else {
        LogCapture log;
        simulator::setup_for_simulated_dfu_util(simulator::normal);
        out = log.texts(QtWarningMsg).join(QLatin1Char('\n')).toUtf8();
    }
    for (qsizetype done = 0; done < out.size();) {
        ssize_t const n = write(fd, out.constData() + done, size_t(out.size() - done));
        if (n <= 0)
            _exit(1);
        done += n;
    }
    _exit(code);
}

// The warnings of setup_for_simulated_dfu_util when the simulator folder holds what `folder`
// holds. The folder is compiled in and other tests use it at the same time, so only a child
// process sees `folder` in its place.
ChildResult setup_warnings_with_folder(QString const& folder)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    pid_t const pid = fork();
    if (pid == 0) {
        close(fds[0]);
        report_setup_warnings(folder, fds[1]);
    }
    close(fds[1]);
    ChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            result.output.append(buffer, int(n));
        else if (errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.code = WEXITSTATUS(status);
    return result;
}

} // namespace

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

    // Simulator mode without a runnable script would only log failed runs: it says once why.
    void unrunnableScriptIsNamed_data()
    {
        QTest::addColumn<QString>("entry"); // what the folder holds as dfu-util_simulator.sh
        QTest::addColumn<QString>("warning");

        auto const warning = [](char const* what) {
            return "The simulator script " + TestPaths::simulator_dir() +
                   "/dfu-util_simulator.sh " + what + ": simulator mode will find no device.";
        };
        QTest::newRow("missing") << "" << warning("does not exist");
        QTest::newRow("not executable") << "file 0644" << warning("is not executable");
        QTest::newRow("a folder") << "folder" << warning("is not executable");
        QTest::newRow("executable") << "file 0755" << QString();
    }

    void unrunnableScriptIsNamed()
    {
        QFETCH(QString, entry);
        QFETCH(QString, warning);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QString const path = folder.filePath(QStringLiteral("dfu-util_simulator.sh"));
        if (entry == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(path));
        } else if (!entry.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
            QFile::Permissions const read = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
            QFile::Permissions const exec = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
            QVERIFY(file.setPermissions(entry.endsWith(QLatin1String("755")) ? read | exec : read));
        }

        ChildResult const child = setup_warnings_with_folder(folder.path());
        if (child.code == 2)
            QSKIP(qPrintable("No private mount namespace: " + QString::fromUtf8(child.output)));
        QCOMPARE(child.code, 0);
        QCOMPARE(QString::fromUtf8(child.output), warning);
    }
};

QTEST_GUILESS_MAIN(TestSimulatorCommands)
#include "tst_simulator_commands.moc"
