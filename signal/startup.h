// Start-up: the installation directory, the working directories under it, the
// settings of ardv.ini and a fresh log.
//
// Installation directory: $ARDV_HOME when set (set to nothing: paths relative
// to the working directory); otherwise the data directory the build or the
// install provides; when that one cannot be written, a per-user copy under
// $XDG_DATA_HOME/ardelovox seeded from it on first run.
// ardv.ini (section "Ardelovox") is read from the installation directory, or
// else from $XDG_CONFIG_HOME/ardelovox/.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "signal/program.h"

namespace ardv {

struct StartupEnvironment {
  std::optional<std::string> ardvHome;  // ARDV_HOME; "" when set to nothing
  std::filesystem::path bundledData;    // data directory of the build or install
  std::filesystem::path userData;       // $XDG_DATA_HOME/ardelovox
  std::filesystem::path userConfig;     // $XDG_CONFIG_HOME/ardelovox

  // From the process environment; the bundled data directory is
  // <executable dir>/../share/ardelovox.
  static StartupEnvironment fromProcess();
};

// Runs the start-up steps into `prog`: directories, settings, fresh log.
// Returns false after the fatal report(s); `prog` then holds what was found.
bool runStartup(const StartupEnvironment& env, Program& prog);

// runStartup on program() with the process environment, once per process;
// later calls return the first result.
bool startup();

// Loads the interface texts named by CountryFile from the format directory.
// Returns false after the loader's reports.
bool loadInterfaceTexts(const Program& prog);

}  // namespace ardv
