#pragma once

#include <QString>

// Redirection of every dfu-util command to the simulator script.
namespace simulator {

// Run against the simulated dfu-util; set by the command line only.
extern bool use;

enum Setup : int { normal = 0, fast_progress = 1 };

// Rewrites every row of DFU::commands to run the script. Call once, before any command runs.
void setup_for_simulated_dfu_util(Setup setup);

// The simulator directory (fixed at build time), "/", file.
QString dfu_util_path(QString const& file);

// Asks the script to set up a prepared configuration: 0 on success, else its exit code.
int sim_setup_prepared_config(QString const& name);

} // namespace simulator
