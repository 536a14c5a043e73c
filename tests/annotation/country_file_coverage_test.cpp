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

// One use of a numbered text in the sources: the file, and how many
// arguments the call passes (0 for text(N)).
struct TextUse {
  std::string file;
  int arguments = 0;
};

// Top-level arguments in the braces that follow `pos` in textf(N, {...}).
int countArguments(const std::string& source, std::size_t pos) {
  pos = source.find('{', pos);
  if (pos == std::string::npos) return -1;
  int depth = 0, commas = 0;
  bool any = false;
  for (++pos; pos < source.size(); ++pos) {
    const char c = source[pos];
    if (c == '"') {  // skip a string literal
      for (++pos; pos < source.size() && source[pos] != '"'; ++pos)
        if (source[pos] == '\\') ++pos;
      any = true;
      continue;
    }
    if (c == '(' || c == '{' || c == '[') ++depth;
    if ((c == ')' || c == ']') && depth > 0) --depth;
    if (c == '}') {
      if (depth == 0) return any ? commas + 1 : 0;
      --depth;
    }
    if (c == ',' && depth == 0) ++commas;
    if (c != ' ' && c != '\n') any = true;
  }
  return -1;
}

// Conversions (other than %%) in a text.
int countConversions(const std::string& text) {
  static const std::regex conversion(R"(%(%|[-+ #0]*[0-9]*(\.[0-9]*)?(hh|h|ll|l|L)?[diuxXcsfFeEgG]))");
  int n = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it)
    if ((*it)[1].str() != "%") ++n;
  return n;
}

// Every use of text(N) or textf(N, ...) in the sources, by number.
std::multimap<int, TextUse> textUsesInSources() {
  static const char* const kDirs[] = {"signal", "spectral", "prosody", "formants", "annotation",
                                      "shell",  "cli",      "platform", "tools"};
  const std::regex call(R"(\b(textf?)\(\s*([0-9]+)\s*[,)])");
  std::multimap<int, TextUse> uses;
  for (const char* dir : kDirs) {
    const fs::path root = test::sourceDir() / dir;
    if (!fs::is_directory(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      const auto ext = entry.path().extension();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      const std::string source = test::readFile(entry.path());
      const std::string file = fs::relative(entry.path(), test::sourceDir()).string();
      for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it) {
        const bool formatted = (*it)[1].str() == "textf";
        const std::size_t after = static_cast<std::size_t>(it->position(0) + it->length(0));
        uses.emplace(std::stoi((*it)[2].str()), TextUse{file, formatted ? countArguments(source, after) : 0});
      }
    }
  }
  return uses;
}

// The shipped file loads without a diagnostic. text(N) shows conversions as
// they are, and textf drops or blanks what does not match: the code and the
// text must agree on the number of values.
TEST(CountryFile, LoadsCleanlyAndHoldsEveryNumberTheCodeUsesWithItsConversions) {
  ScopedRecorder rec;
  TextTable table;
  ASSERT_TRUE(table.load(test::sourceDataDir() / "format" / "english.txt"));
  for (const Report& r : rec->reports()) ADD_FAILURE() << r.text;
  EXPECT_GE(table.count(), 200);
  EXPECT_EQ(rec->trace().size(), 2u);  // the two summary lines only
  const auto uses = textUsesInSources();
  std::string missing;
  int formattedCalls = 0;
  for (const auto& [number, use] : uses) {
    const char* t = table.find(number);
    if (t == nullptr) missing += " " + std::to_string(number) + " (" + use.file + ")";
    if (t == nullptr || use.arguments < 0) continue;
    if (use.arguments > 0) ++formattedCalls;
    EXPECT_EQ(countConversions(t), use.arguments) << "text " << number << " as used in " << use.file;
  }
  EXPECT_TRUE(missing.empty()) << "english.txt lacks:" << missing;
  EXPECT_GT(formattedCalls, 0);  // textf(5305, {line}) at least
  // Captions are short enough for a title bar.
  for (int caption : {84, 204, 205, 208, 210, 1012, 2505, 3802, 4402, 5709, 6910, 8512, 9013, 9210})
    EXPECT_LE(std::string(table.find(caption) ? table.find(caption) : "").size(), 30u) << caption;
}

}  // namespace
}  // namespace ardv
