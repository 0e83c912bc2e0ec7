#pragma once

#include <QString>

// Where the tests find the build's own files.
namespace TestPaths {
QString fake_dfu_util();     // the helper executable that acts as dfu-util
QString generated_file(QString const& name); // a file of the build's carried set
QString simulator_dir();     // the folder of the simulator script
QString program();           // the built kalvora-upgrade
} // namespace TestPaths
