// Prints the program's working directory after extracting the start-up files, then waits for
// its standard input to close, so that a test can watch two runs side by side.
#include "dfu/files.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, QMessageLogContext const&, QString const&) {});
    Files::external_dir.create();
    Files::extract_resources({Files::desired_FW_bin}, true);
    std::printf("%s\n", qPrintable(Files::external_dir.path()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
