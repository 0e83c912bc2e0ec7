#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <map>
#include <utility>

// The fixed table of dfu-util command lines and the one function that runs them.
namespace DFU {

enum CmdID : int {
    version = 0,
    list = 1,
    upload_OTP = 2,
    upload_FW_Info = 3,
    upload_FW = 4,
    download_FW = 5,
    setup_prepared_config = 6,
};

struct Command
{
    QString program = QStringLiteral("dfu-util");
    QStringList arguments;

    // The directory that holds the program; empty: the program name is run as it is.
    static QString path;

    operator QString() const; // "program(arg,arg,...)", for display only
};

extern std::map<CmdID, Command> commands;

// Exit code (-1 when the process did not exit normally or never started) and standard output.
using Result = std::pair<int, QString>;

// Receives each piece of a run's standard output as it arrives, in the running thread.
using OutputHandler = std::function<void(QByteArray const&)>;

// Runs the command of id with extra appended to its fixed arguments and waits for it.
// Blocks the calling thread: 30 s, and after a warning for as long as the run takes, unless
// shutdown_requested is set meanwhile. Standard error is logged, and given to error_output
// when that is not null. At most 1 MiB of each output stream is kept; the rest is read and
// dropped, and the log says so.
Result run_command(CmdID id, QStringList const& extra = {}, OutputHandler const& on_output = {},
                   QString* error_output = nullptr);

// The same with a time limit: a run still going after limit_ms is killed and returns -1.
Result run_command_for_at_most(CmdID id, int limit_ms, QStringList const& extra = {});

// Set by the program's shutdown. A run that is still going after its 30-second wait (a device
// that hangs) is then killed and returns -1, so that the thread that waits for it can end.
// Runs within their first 30 s are never cut short, and a download (a flash write) never is:
// cutting it would leave the device with a partly written flash.
extern std::atomic_bool shutdown_requested;

namespace dfu_util {
extern QString const expected_output_of_execution_test;
// How long the execution test may take before dfu-util counts as unusable.
constexpr int execution_test_limit_ms = 10000;
enum class TestOutcome { passed, unexpected_output, not_run };
// not_run: dfu-util could not be started, crashed or did not end within its limit.
TestOutcome run_execution_test();
// What the last execution test printed (for a support report).
extern QString execution_test_output;
bool execution_test(); // run_execution_test() == passed
QString full_path();
QString basename();
} // namespace dfu_util

} // namespace DFU
