#include "tests/support/cli.h"

#include <sys/wait.h>

#include <cstdlib>

namespace ardv::test {

int runShell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string cliCommand(const std::string& args) { return "env -u ARDV_HOME " + std::string(ARDV_CLI_PATH) + " " + args; }

int runCli(const std::string& args, const std::filesystem::path& out) {
  return runShell(cliCommand(args) + " >" + out.string() + " 2>" + out.string() + ".err");
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) wasSet_ = true, saved_ = old;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() { wasSet_ ? ::setenv(name_.c_str(), saved_.c_str(), 1) : ::unsetenv(name_.c_str()); }

}  // namespace ardv::test
