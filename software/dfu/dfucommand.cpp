#include "dfucommand.h"

#include "childprocess.h"
#include "files.h"
#include "supportmisc.h"

#include <QDebug>
#include <QProcess>

#include <mutex>

namespace DFU {

QString Command::path;

Command::operator QString() const
{
    return program + QLatin1Char('(') + arguments.join(QLatin1Char(',')) + QLatin1Char(')');
}

namespace {
Command make(QStringList arguments)
{
    Command c;
    c.arguments = std::move(arguments);
    return c;
}
} // namespace

std::map<CmdID, Command> commands = {
    {version, make({QStringLiteral("-V")})},
    {list, make({QStringLiteral("-d"), QStringLiteral("0483"), QStringLiteral("-l")})},
    {upload_OTP,
     make({QStringLiteral("-d"), QStringLiteral("0483"), QStringLiteral("-a"), QStringLiteral("2"),
           QStringLiteral("-s"), QStringLiteral("0x1FFF7800:512"), QStringLiteral("-U")})},
    {upload_FW_Info,
     make({QStringLiteral("-d"), QStringLiteral("0483"), QStringLiteral("-a"), QStringLiteral("0"),
           QStringLiteral("-s"), QStringLiteral("0x08000000:2048"), QStringLiteral("-U")})},
    {upload_FW,
     make({QStringLiteral("-d"), QStringLiteral("0483"), QStringLiteral("-a"), QStringLiteral("0")})},
    {download_FW,
     make({QStringLiteral("-d"), QStringLiteral("0483"), QStringLiteral("-a"), QStringLiteral("0"),
           QStringLiteral("-s"), QStringLiteral("0x08000000:leave"), QStringLiteral("-D")})},
    {setup_prepared_config, make({})},
};

namespace {

// The list run repeats every second while no device answers: its standard error is logged
// only when it changes, so that a lasting fault (access refused) shows once.
void log_standard_error(CmdID id, QString const& text)
{
    static std::mutex mutex;
    static QString previous_of_list;
    if (id == list) {
        std::lock_guard<std::mutex> lock(mutex);
        bool const same = text == previous_of_list;
        previous_of_list = text;
        if (same)
            return;
    }
    if (!text.isEmpty())
        qInfo() << "dfu-util error output:" << text;
}

// The wait after the first 30 s: in slices, so that a shutdown can end a run that hangs.
// A download is never killed: a cut flash write leaves the device worse than it was.
void wait_without_limit(CmdID id, child_process::Child& child, QString const& program,
                        QStringList const& arguments)
{
    while (!child_process::wait_for_finished(child, 100)) {
        if (shutdown_requested && id != download_FW) {
            qInfo() << "Shutdown requested: killing" << program << arguments;
            child_process::kill(child);
            return;
        }
    }
}

QString program_of(Command const& command)
{
    return Command::path.isEmpty() ? command.program
                                   : Command::path + QLatin1Char('/') + command.program;
}

void announce(CmdID id, QString const& program, QStringList const& arguments)
{
    if (id == list) {
        // The list run repeats every second: announced only by a more verbose debug stream.
        // Decided once: a QDebug stream per run costs more than the rest of the tool's scan.
        static bool const verbose = [] {
            QString probe;
            return QDebug(&probe).verbosity() > QDebug::DefaultVerbosity;
        }();
        if (verbose)
            qDebug() << "Start " << program << arguments;
    } else {
        qInfo() << "Start " << program << arguments;
    }
}

void log_dropped_output(child_process::Child const& child, QString const& program)
{
    if (child.dropped_output > 0 || child.dropped_error > 0)
        qInfo() << "Output of" << program << "beyond" << child_process::kept_bytes_per_stream
                << "bytes per stream was dropped:" << child.dropped_output
                << "bytes of standard output," << child.dropped_error << "of standard error";
}

Result finish(CmdID id, child_process::Child const& child, QString const& program,
              QStringList const& arguments)
{
    QString const output = QString::fromUtf8(child.output);
    log_standard_error(id, QString::fromUtf8(child.error));
    log_dropped_output(child, program);
    // A program that never started or was killed has no exit code: -1, never a success.
    int const code = child_process::exit_code(child);
    if (code != 0)
        qInfo() << "Exit with" << code << "from" << program << arguments << "returned:" << output;
    return {code, output};
}

} // namespace

std::atomic_bool shutdown_requested{false};

Result run_command(CmdID id, QStringList const& extra, OutputHandler const& on_output,
                   QString* error_output)
{
    Command const& command = commands[id];
    QString const program = program_of(command);
    QStringList const arguments = command.arguments + extra;
    announce(id, program, arguments);

    child_process::Child child;
    child.on_output = on_output;
    child.spare_on_destruction = id == download_FW;
    child_process::start(child, program, arguments);
    if (!child_process::wait_for_finished(child, 30000)) {
        // A running process has the normal exit status: the line keeps its established text.
        QString const early = QString::fromUtf8(child.output);
        qInfo() << "waitForFinished(): Process did not finish in time, exit status:"
                << QProcess::NormalExit << "and output:" << early;
        qInfo() << "will wait again, forever";
        wait_without_limit(id, child, program, arguments);
    }
    if (error_output)
        *error_output = QString::fromUtf8(child.error);
    return finish(id, child, program, arguments);
}

Result run_command_for_at_most(CmdID id, int limit_ms, QStringList const& extra)
{
    Command const& command = commands[id];
    QString const program = program_of(command);
    QStringList const arguments = command.arguments + extra;
    announce(id, program, arguments);

    child_process::Child child;
    child_process::start(child, program, arguments);
    if (!child_process::wait_for_finished(child, limit_ms)) {
        qInfo() << program << arguments << "did not finish within" << limit_ms << "ms: killed";
        child_process::kill(child);
    }
    return finish(id, child, program, arguments);
}

namespace dfu_util {

#if defined(Q_OS_MACOS)
QString const expected_output_of_execution_test = QStringLiteral(
    "dfu-util 0.9\n\n"
    "Copyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\n"
    "Copyright 2010-2016 Tormod Volden and Stefan Schmidt\n"
    "This program is Free Software and has ABSOLUTELY NO WARRANTY\n"
    "Please report bugs to http://sourceforge.net/p/dfu-util/tickets/\n\n");
#else
QString const expected_output_of_execution_test = QStringLiteral(
    "dfu-util 0.11\n\n"
    "Copyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\n"
    "Copyright 2010-2021 Tormod Volden and Stefan Schmidt\n"
    "This program is Free Software and has ABSOLUTELY NO WARRANTY\n"
    "Please report bugs to http://sourceforge.net/p/dfu-util/tickets/\n\n");
#endif

QString execution_test_output;

TestOutcome run_execution_test()
{
    auto [code, output] = run_command_for_at_most(version, execution_test_limit_ms);
    execution_test_output = output;
    if (support_misc::compiled_for_platform(support_misc::Platform::windows))
        output = support_misc::remove_carriage_returns(output, QChar(u'\r'));
    bool const as_expected = output == expected_output_of_execution_test;
    if (as_expected)
        qInfo() << "Result of execution test: status was" << (code == 0 ? "ok" : "bad")
                << "and output:" << "as expected";
    else
        qInfo() << "Result of execution test: status was" << (code == 0 ? "ok" : "bad")
                << "and output:" << output;
    if (code == -1)
        return TestOutcome::not_run;
    return code == 0 && as_expected ? TestOutcome::passed : TestOutcome::unexpected_output;
}

bool execution_test()
{
    return run_execution_test() == TestOutcome::passed;
}

QString full_path()
{
    return Files::path_of(Files::dfu_util_executable_fileName);
}

QString basename()
{
    return Files::dfu_util_executable_fileName;
}

} // namespace dfu_util
} // namespace DFU
