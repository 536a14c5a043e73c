#include "tests/support/cli.h"

#include <sys/wait.h>

#include <cstdlib>

namespace ardv::test {

int runCli(const std::string& args, const std::filesystem::path& out) {
  const std::string command = "env -u ARDV_HOME " + std::string(ARDV_CLI_PATH) + " " + args + " >" + out.string() +
                              " 2>" + out.string() + ".err";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace ardv::test
