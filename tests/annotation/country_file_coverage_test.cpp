// The shipped country file holds every text number the code asks for, and
// loads without a single diagnostic.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <map>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

// Numbers used as text(N) or textf(N, ...) in the sources, with one file
// naming each (for the failure message).
std::map<int, std::string> numbersUsedInSources() {
  static const char* const kDirs[] = {"signal", "spectral", "prosody", "formants", "annotation",
                                      "shell",  "cli",      "platform", "tools"};
  const std::regex call(R"(\btextf?\(\s*([0-9]+)\s*[,)])");
  std::map<int, std::string> used;
  for (const char* dir : kDirs) {
    const fs::path root = test::sourceDir() / dir;
    if (!fs::is_directory(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      const auto ext = entry.path().extension();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      const std::string source = test::readFile(entry.path());
      for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it)
        used.emplace(std::stoi((*it)[1].str()), fs::relative(entry.path(), test::sourceDir()).string());
    }
  }
  return used;
}

TEST(CountryFile, HoldsEveryNumberTheCodeUses) {
  ScopedRecorder rec;
  TextTable table;
  ASSERT_TRUE(table.load(test::sourceDataDir() / "format" / "english.txt"));
  const auto used = numbersUsedInSources();
  EXPECT_FALSE(used.empty());
  std::string missing;
  for (const auto& [number, file] : used)
    if (table.find(number) == nullptr) missing += " " + std::to_string(number) + " (" + file + ")";
  EXPECT_TRUE(missing.empty()) << "english.txt lacks:" << missing;
}

TEST(CountryFile, LoadsWithoutDiagnostics) {
  ScopedRecorder rec;
  TextTable table;
  EXPECT_TRUE(table.load(test::sourceDataDir() / "format" / "english.txt"));
  for (const Report& r : rec->reports()) ADD_FAILURE() << r.text;
  EXPECT_GE(table.count(), 200);
  ASSERT_EQ(rec->trace().size(), 2u);
  EXPECT_TRUE(rec->tracedFragment("ml_init() there are " + std::to_string(table.count()) + " texts"));
  // Captions are short enough for a title bar.
  for (int caption : {84, 204, 205, 208, 210, 1012, 2505, 3802, 4402, 5709, 6910, 8512, 9013, 9210})
    EXPECT_LE(std::string(table.find(caption) ? table.find(caption) : "").size(), 30u) << caption;
}

}  // namespace
}  // namespace ardv
