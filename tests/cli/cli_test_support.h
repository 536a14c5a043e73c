// Shared by the ardv-cli tests: tables of argument lists run one by one (each
// row's exit status and a text its output must hold), numbers read from
// listings, and the bundled example.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv::test {

struct CliRow {
  std::string args;
  int status;
  std::string says;  // in standard output or error
};

// What a run logged to `log`: standard output, then standard error.
inline std::string cliOutput(const std::filesystem::path& log) {
  return readFile(log) + readFile(log.string() + ".err");
}

// Runs `ardv-cli row.args` for every row (any struct with args, status and
// says) with `log` as its output; `check(row, output)` follows each run.
template <class Rows, class Check>
void expectCliRows(const Rows& rows, const std::filesystem::path& log, Check check) {
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    EXPECT_EQ(runCli(row.args, log), row.status) << cliOutput(log);
    const std::string output = cliOutput(log);
    EXPECT_NE(output.find(row.says), std::string::npos) << output;
    check(row, output);
  }
}

inline void expectCliRows(const std::vector<CliRow>& rows, const std::filesystem::path& log) {
  expectCliRows(rows, log, [](const CliRow&, const std::string&) {});
}

// The numbers of each line of a listing that holds some ("F1=500" and "(5"
// count as 500 and 5; words are skipped).
inline std::vector<std::vector<double>> numberLines(std::string text) {
  for (char& c : text)
    if (c == '=' || c == '(') c = ' ';
  std::vector<std::vector<double>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::vector<double> numbers;
    for (std::string token; fields >> token;)
      if (std::isdigit(static_cast<unsigned char>(token[0])) || token[0] == '-')
        numbers.push_back(std::strtod(token.c_str(), nullptr));
    if (!numbers.empty()) lines.push_back(numbers);
  }
  return lines;
}

// `s` with every `from` replaced by `to`.
inline std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
  return s;
}

// The bundled example recording.
inline std::filesystem::path exampleWav() { return sourceDataDir() / "examples" / "example.wav"; }

}  // namespace ardv::test
