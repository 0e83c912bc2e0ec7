#include "simulator.h"

#include "dfu/dfucommand.h"

#include <QDebug>
#include <QFileInfo>

#include <utility>

namespace simulator {

bool use = false;

namespace {
QString const& simulator_dir()
{
    static QString const dir = QStringLiteral(KALVORA_SIMULATOR_DIR);
    return dir;
}

// Without the script every run fails to start, which the worker logs only as "Exit with -1"
// once a second: say once why simulator mode will find no device.
void warn_unless_runnable(QString const& script)
{
    QFileInfo const info(script);
    if (!info.exists())
        qWarning().noquote() << "The simulator script" << script
                             << "does not exist: simulator mode will find no device.";
    else if (!info.isFile() || !info.isExecutable())
        qWarning().noquote() << "The simulator script" << script
                             << "is not executable: simulator mode will find no device.";
}
} // namespace

QString dfu_util_path(QString const& file)
{
    return simulator_dir() + QLatin1Char('/') + file;
}

void setup_for_simulated_dfu_util(Setup setup)
{
    QString const script = dfu_util_path(QStringLiteral("dfu-util_simulator.sh"));
    warn_unless_runnable(script);
    static std::pair<DFU::CmdID, char const*> const words[] = {
        {DFU::list, "list"},
        {DFU::version, "version"},
        {DFU::upload_OTP, "upload_OTP"},
        {DFU::upload_FW_Info, "upload_FW"},
        {DFU::upload_FW, "upload_FW"},
        {DFU::download_FW, "download_FW"},
        {DFU::setup_prepared_config, "setup_prepared_config"},
    };
    for (auto const& [id, word] : words) {
        DFU::Command& row = DFU::commands[id];
        row.program = script;
        QStringList arguments{QStringLiteral("--dfu-util-command"), QString::fromLatin1(word)};
        if (setup & fast_progress)
            arguments << QStringLiteral("--fast-progress");
        row.arguments = arguments + row.arguments;
    }
}

int sim_setup_prepared_config(QString const& name)
{
    int const code = DFU::run_command(DFU::setup_prepared_config, {name}).first;
    if (code != 0) {
        qInfo() << "Failed to setup simulation config " << name << "with code" << code;
        return code;
    }
    return 0;
}

} // namespace simulator
