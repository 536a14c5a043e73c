// Country file loading, lookup by number, captions, the two reporting helpers
// of the interface-text table, safe printf-style formatting of numbered texts
// (random formats: country_file_fuzz), and the shipped country file: every
// number the code asks for, with its conversions.
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <regex>
#include <tuple>

#include "platform/file_access.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/text_format.h"

namespace ardv {
namespace {

// Text `n` of the table, "<absent>" if none.
std::string textOf(const TextTable& table, int n) { return table.find(n) ? table.find(n) : "<absent>"; }

class TextTableTest : public ::testing::Test {
 protected:
  ScopedRecorder rec;
  TextTable table;
};

TEST_F(TextTableTest, EscapesCommasAndContinuationsInText5) {
  using Row = std::pair<const char*, const char*>;
  for (const auto& [content, expected] :
       {Row{"5, \"a\\nb\"\n", "a\r\nb"}, {"5, \"a\\tb\"\n", "a\tb"}, {"5, \"say \\\"hi\\\" now\"\n", "say \"hi\" now"},
        {"5, \"back\\\\slash\"\n", "back\\slash"},
        // A comma inside the text stays; only the separator goes.
        {"5, \"one, two\"\n", "one, two"}, {"5 \"one, two\"\n", "one, two"},
        // Continuation: a backslash then anything else joins the next line as it is.
        {"5, \"abc\\\n  def\"\n", "abc  def"}, {"5, \"abc\\x\ndef\"\n", "abcdef"}, {"5, \"a\\\nb\\\nc\"\r\n", "abc"},
        // At the end of the file the text ends at the backslash.
        {"5, \"abc\\", "abc"}, {"  \t5,\"lead\"\n", "lead"}}) {
    TextTable fresh;
    fresh.loadText(content, "t.txt");
    EXPECT_EQ(textOf(fresh, 5), expected) << content;
  }
  EXPECT_TRUE(rec->reports().empty());
}

// A file's texts by number, how many it holds and its reports.
TEST_F(TextTableTest, UnterminatedDuplicateCollidingAndSkippedLines) {
  using Reports = std::vector<std::pair<ReportKind, std::string>>;
  struct Row {
    std::string content;
    std::vector<std::pair<int, std::string>> texts;
    int count;
    Reports reports;
  };
  const std::string open = "9, \"no closing quote here at all, really";
  for (const Row& r : {
           Row{open + "\n10, \"next\"\n", {{9, open.substr(4)}, {10, "next"}}, 2,
               {{ReportKind::Warning, "t.txt : unterminated string\n" + open.substr(0, 30) + " ..."}}},
           {"12, \"first\"\n12, \"second\"\n13, \"other\"\n", {{12, "second"}, {13, "other"}}, 2,
            {{ReportKind::Message, "t.txt : number 12 defined more than once"}}},
           {"1003, \"a\"\n2006, \"b\"\n1, \"c\"\n1004, \"d\"\n",
            {{1003, "a"}, {2006, "b"}, {1, "c"}, {1004, "d"}, {3009, "<absent>"}}, 4, {}},
           {"// 1, \"comment\"\n   // 2, \"x\"\n3,\"\"\n\n   \n4, \"four\"\n",
            {{1, "<absent>"}, {3, "<absent>"}, {4, "four"}}, 1, {}}}) {
    rec->clear();
    TextTable fresh;
    EXPECT_TRUE(fresh.loadText(r.content, "t.txt"));
    for (const auto& [n, t] : r.texts) EXPECT_EQ(textOf(fresh, n), t) << n;
    EXPECT_EQ(fresh.count(), r.count) << r.content;
    Reports got;
    for (const Report& report : rec->reports()) got.emplace_back(report.kind, report.text);
    EXPECT_EQ(got, r.reports) << r.content;
  }
}

TEST_F(TextTableTest, FullTableIsFatalAndStops) {
  std::string content;
  for (int n = 1; n <= kTextSlots + 2; ++n) content += std::to_string(n) + ", \"t\"\n";
  EXPECT_FALSE(table.loadText(content, "t.txt"));
  EXPECT_EQ(rec->count(ReportKind::Fatal), 1u);
  EXPECT_TRUE(rec->saw("ml_tabl too small"));
  EXPECT_TRUE(fatalRequested());
  EXPECT_EQ(table.count(), kTextSlots);
}

TEST_F(TextTableTest, TraceSummaryLines) {
  table.loadText("1, \"ab\"\n2, \"c\"\n", "t.txt");
  EXPECT_EQ(rec->trace(), (std::vector<std::string>{"ml_init() there are 2 texts (for 1003 max)",
                                                     "...       and 5 characters (for 64k max)"}));
}

// A missing file, a directory (it would read as empty) or a file of more than
// a few MB (a device would be read without end) is not a country file.
TEST_F(TextTableTest, MissingFileIsFatalAndKeepsTheTable) {
  test::TempDir dir;
  table.loadText("1, \"kept\"\n", "t.txt");
  test::writeFile(dir / "big.txt", "1, \"big\"\n");
  std::filesystem::resize_file(dir / "big.txt", kSmallFileMaxBytes + 1);
  for (const auto& [path, reason] :
       {std::pair{dir / "absent.txt", "No such file"}, {dir.path(), "a directory"}, {dir / "big.txt", "larger than"}}) {
    rec->clear();
    EXPECT_FALSE(table.load(path));
    ASSERT_EQ(rec->reports().size(), 1u);
    EXPECT_EQ(rec->reports()[0].kind, ReportKind::Fatal);
    EXPECT_EQ(rec->reports()[0].text.rfind("missing CountryFile\n" + path.string() + ": ", 0), 0u) << path;
    EXPECT_TRUE(rec->saw(reason)) << path;
    EXPECT_STREQ(table.find(1), "kept");
  }
}

class GlobalTexts : public ::testing::Test {
 protected:
  void TearDown() override {
    textTable().clear();
    setReportCaptions(ReportCaptions{});
  }
  ScopedRecorder rec;
};

// A missing number gives one bug report per lookup; the two reporting helpers.
TEST_F(GlobalTexts, MissingNumbersErrorInItemAndNotImplemented) {
  textTable().loadText("1, \"one\"\n4703, \"%d labels unknown\"\n206, \"Bad line: \"\n207, \" in \"\n", "t.txt");
  rec->clear();
  EXPECT_EQ(text(1), "one");
  EXPECT_EQ(textf(4703, {3}), "3 labels unknown");
  EXPECT_EQ(text(777), "");
  EXPECT_EQ(text(777), "");
  errorInItem(std::string(50, 'x'), "file.lab");
  notImplemented();
  using Reports = std::vector<std::tuple<ReportKind, std::string, std::string>>;
  Reports got;
  for (const Report& r : rec->reports()) got.emplace_back(r.kind, r.caption, r.text);
  EXPECT_EQ(got, (Reports{{ReportKind::Bug, "bug", "missing resource string 777"},
                          {ReportKind::Bug, "bug", "missing resource string 777"},
                          {ReportKind::Message, "", "Bad line: " + std::string(40, 'x') + " in file.lab"},
                          {ReportKind::Message, "", "not implemented"}}));
}

TEST_F(GlobalTexts, CaptionsFollowTheLoadedTable) {
  test::TempDir dir;
  // Fewer than 11 characters: the start-up fatal caption stays.
  test::writeFile(dir / "small.txt", "208, \"Fatal\"\n204, \"Msg\"\n");
  ml_init(dir / "small.txt");
  EXPECT_EQ(std::tuple(reportCaptions().fatal, reportCaptions().message),
            std::tuple("fatal error, exit Ardelovox", "Msg"));

  test::writeFile(dir / "full.txt", "208, \"Fatal error\"\n204, \"Message\"\n205, \"Warning\"\n");
  EXPECT_TRUE(ml_init(dir / "full.txt"));
  // Reports take these captions (ini_file_test, Report).
  EXPECT_EQ(reportCaptions().fatal + "," + reportCaptions().message + "," + reportCaptions().warning,
            "Fatal error,Message,Warning");
}

TEST(FormatText, ConversionsMismatchesMissingArgumentsAndHostileFormats) {
  using Row = std::pair<std::string, std::string>;  // what formatText gave, what it should give
  const double inf = std::numeric_limits<double>::infinity();
  const std::string maxLong = std::to_string(static_cast<long long>(9.2e18));
  const Row rows[] = {
      // Conversions take their arguments in order.
      {formatText("%s: %d to %d", {"stretch", 10, 20}), "stretch: 10 to 20"},
      {formatText("%5.1f|%-4d|%04d", {2.25, 7, 42}), "  2.2|7   |0042"},
      {formatText("%ld %lld %hd %u", {1L, 2LL, 3, 4u}), "1 2 3 4"},
      {formatText("%x %X %c", {255, 255, 65}), "ff FF A"},
      {formatText("%.0f Hz %g", {99.5, 0.25}), "100 Hz 0.25"},
      {formatText("100%% done", {}), "100% done"},
      {formatText("%.3s", {"abcdef"}), "abc"},
      // An argument of another type is converted.
      {formatText("%d", {"12"}), "12"}, {formatText("%s", {5}), "5"}, {formatText("%d", {7.9}), "7"},
      {formatText("%.1f", {3}), "3.0"}, {formatText("%d", {1e300}), maxLong}, {formatText("%d", {inf}), maxLong},
      {formatText("%d", {std::nan("")}), "0"},
      // Missing arguments count as 0 or "", extra ones are ignored.
      {formatText("%s and %s", {"a"}), "a and "}, {formatText("%d/%d", {}), "0/0"}, {formatText("[%s]", {}), "[]"},
      {formatText("no conversion", {1, "extra"}), "no conversion"},
      // Hostile formats are left as text; widths of more than three digits are not conversions.
      {formatText("%n", {}), "%n"}, {formatText("a%n%s", {"x"}), "a%nx"}, {formatText("%*d", {5}), "%*d"},
      {formatText("%p", {1}), "%p"}, {formatText("trailing %", {}), "trailing %"}, {formatText("%-", {}), "%-"},
      {formatText("%999999d", {1}), "%999999d"}, {formatText("%999d", {1}), std::string(998, ' ') + "1"},
  };
  for (const auto& [got, expected] : rows) EXPECT_EQ(got, expected);
  EXPECT_LT(formatText("%.99999f", {1.0}).size(), 12000u);
}

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
