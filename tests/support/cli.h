// Runs ardv-cli as the user runs it, with the data directory of the build.
#pragma once

#include <filesystem>
#include <string>

namespace ardv::test {

// Runs `ardv-cli ARGS` (ARGS as a shell would split them) with standard
// output in `out` and standard error in `out` + ".err". Returns the exit
// status, or -1 when the program did not exit normally.
int runCli(const std::string& args, const std::filesystem::path& out);

}  // namespace ardv::test
