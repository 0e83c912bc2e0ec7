// Runs option parsing and the device preparation of start-up with the real command line,
// then prints what they decided, one "key=value" line each, for tst_startup.
#include "app/options.h"
#include "app/startup.h"
#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "sim/simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    parse_arguments(&app);
    QString failure;
    bool const prepared = prepare_device_side(&failure);

    auto print = [](char const* key, QString const& value) {
        std::printf("%s=%s\n", key, qPrintable(value));
    };
    print("prepared", prepared ? "true" : failure);
    print("simulator", simulator::use ? "true" : "false");
    print("log_window", use_log_window ? "true" : "false");
    print("command_path", DFU::Command::path);
    print("workdir", Files::external_dir.path());
    print("list_program", DFU::commands[DFU::list].program);
    QStringList files;
    for (QFileInfo const& f : QDir(Files::external_dir.path()).entryInfoList(QDir::Files, QDir::Name))
        files << f.fileName() + (f.isExecutable() ? QStringLiteral("*") : QString());
    print("files", files.join(QLatin1Char(' ')));
    return 0;
}
