// Runs ardv-cli as the user runs it, with the data directory of the build,
// and other commands through the shell.
#pragma once

#include <filesystem>
#include <string>

namespace ardv::test {

// Runs `command` through the shell. Returns its exit status, or -1 when it
// did not exit normally.
int runShell(const std::string& command);

// The shell command that runs `ardv-cli ARGS` with the data directory of the build.
std::string cliCommand(const std::string& args);

// Runs `ardv-cli ARGS` (ARGS as a shell would split them) with standard
// output in `out` and standard error in `out` + ".err". Returns the exit
// status, or -1 when the program did not exit normally.
int runCli(const std::string& args, const std::filesystem::path& out);

// While alive, the environment variable `name` is `value`; the previous
// value (or its absence) comes back at the end.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, saved_;
  bool wasSet_ = false;
};

}  // namespace ardv::test
