// Country file loading, lookup by number, captions and the two reporting
// helpers of the interface-text table.
#include "annotation/texts.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

// Loads `content` into a fresh table and returns text `n` ("<absent>" if none).
std::string loadAndFind(TextTable& table, const std::string& content, int n) {
  table.loadText(content, "t.txt");
  const char* t = table.find(n);
  return t ? t : "<absent>";
}

struct EscapeCase {
  const char* content;
  const char* expected;
};

class TextEscapes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(TextEscapes, DecodesText5) {
  ScopedRecorder rec;
  TextTable table;
  EXPECT_EQ(loadAndFind(table, GetParam().content, 5), GetParam().expected);
  EXPECT_TRUE(rec->reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    CountryFile, TextEscapes,
    ::testing::Values(EscapeCase{"5, \"a\\nb\"\n", "a\r\nb"}, EscapeCase{"5, \"a\\tb\"\n", "a\tb"},
                      EscapeCase{"5, \"say \\\"hi\\\" now\"\n", "say \"hi\" now"},
                      EscapeCase{"5, \"back\\\\slash\"\n", "back\\slash"},
                      // A comma inside the text stays; only the separator goes.
                      EscapeCase{"5, \"one, two\"\n", "one, two"}, EscapeCase{"5 \"one, two\"\n", "one, two"},
                      // Continuation: a backslash then anything else joins the next line as it is.
                      EscapeCase{"5, \"abc\\\n  def\"\n", "abc  def"}, EscapeCase{"5, \"abc\\x\ndef\"\n", "abcdef"},
                      EscapeCase{"5, \"a\\\nb\\\nc\"\r\n", "abc"},
                      // At the end of the file the text ends at the backslash.
                      EscapeCase{"5, \"abc\\", "abc"}, EscapeCase{"  \t5,\"lead\"\n", "lead"}));

TEST(TextTable, UnterminatedTextWarnsAndKeepsTheLine) {
  ScopedRecorder rec;
  TextTable table;
  const std::string line = "9, \"no closing quote here at all, really";
  EXPECT_EQ(loadAndFind(table, line + "\n10, \"next\"\n", 9), "no closing quote here at all, really");
  ASSERT_EQ(rec->count(ReportKind::Warning), 1u);
  EXPECT_EQ(rec->reports()[0].text, "t.txt : unterminated string\n" + line.substr(0, 30) + " ...");
  EXPECT_STREQ(table.find(10), "next");
}

TEST(TextTable, DuplicateNumberLaterWinsReportedOnce) {
  ScopedRecorder rec;
  TextTable table;
  EXPECT_EQ(loadAndFind(table, "12, \"first\"\n12, \"second\"\n13, \"other\"\n", 12), "second");
  EXPECT_EQ(table.count(), 2);
  ASSERT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].kind, ReportKind::Message);
  EXPECT_EQ(rec->reports()[0].text, "t.txt : number 12 defined more than once");
}

TEST(TextTable, CollidingNumbersStayReachable) {
  ScopedRecorder rec;
  TextTable table;
  table.loadText("1003, \"a\"\n2006, \"b\"\n1, \"c\"\n1004, \"d\"\n", "t.txt");
  EXPECT_STREQ(table.find(1003), "a");
  EXPECT_STREQ(table.find(2006), "b");
  EXPECT_STREQ(table.find(1), "c");
  EXPECT_STREQ(table.find(1004), "d");
  EXPECT_EQ(table.find(3009), nullptr);
  EXPECT_TRUE(rec->reports().empty());
}

TEST(TextTable, FullTableIsFatalAndStops) {
  ScopedRecorder rec;
  std::string content;
  for (int n = 1; n <= kTextSlots + 2; ++n) content += std::to_string(n) + ", \"t\"\n";
  TextTable table;
  EXPECT_FALSE(table.loadText(content, "t.txt"));
  EXPECT_EQ(rec->count(ReportKind::Fatal), 1u);
  EXPECT_TRUE(rec->saw("ml_tabl too small"));
  EXPECT_TRUE(fatalRequested());
  EXPECT_EQ(table.count(), kTextSlots);
}

TEST(TextTable, CommentsShortAndBlankLinesAreSkipped) {
  ScopedRecorder rec;
  TextTable table;
  EXPECT_TRUE(table.loadText("// 1, \"comment\"\n   // 2, \"x\"\n3,\"\"\n\n   \n4, \"four\"\n", "t.txt"));
  EXPECT_EQ(table.count(), 1);
  EXPECT_EQ(table.find(1), nullptr);
  EXPECT_EQ(table.find(3), nullptr);
  EXPECT_TRUE(rec->reports().empty());
}

TEST(TextTable, TraceSummaryLines) {
  ScopedRecorder rec;
  TextTable table;
  table.loadText("1, \"ab\"\n2, \"c\"\n", "t.txt");
  ASSERT_EQ(rec->trace().size(), 2u);
  EXPECT_EQ(rec->trace()[0], "ml_init() there are 2 texts (for 1003 max)");
  EXPECT_EQ(rec->trace()[1], "...       and 5 characters (for 64k max)");
}

TEST(TextTable, MissingFileIsFatalAndKeepsTheTable) {
  ScopedRecorder rec;
  test::TempDir dir;
  TextTable table;
  table.loadText("1, \"kept\"\n", "t.txt");
  rec->clear();
  EXPECT_FALSE(table.load(dir / "absent.txt"));
  ASSERT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].kind, ReportKind::Fatal);
  EXPECT_EQ(rec->reports()[0].text, "missing CountryFile");
  EXPECT_STREQ(table.find(1), "kept");
  rec->clear();
  EXPECT_FALSE(table.load(dir.path()));  // a directory reads as empty
  EXPECT_TRUE(rec->saw("missing CountryFile"));
  EXPECT_STREQ(table.find(1), "kept");
}

TEST(TextTable, GarbageNeverCrashes) {
  ScopedRecorder rec;
  std::mt19937 rng(1234);
  const std::string alphabet = "0123456789,\"\\ \t\n\r/%nxa";
  for (int round = 0; round < 300; ++round) {
    std::string content;
    std::size_t length = rng() % 200;
    for (std::size_t i = 0; i < length; ++i) content += alphabet[rng() % alphabet.size()];
    if (round % 7 == 0) content += std::string(1, '\0') + "5, \"z\"";
    TextTable table;
    table.loadText(content, "g.txt");
    for (int n = 0; n < 20; ++n) table.find(n);
    rec->clear();
  }
}

class GlobalTexts : public ::testing::Test {
 protected:
  void TearDown() override {
    textTable().clear();
    setReportCaptions(ReportCaptions{});
  }
};

TEST_F(GlobalTexts, MissingNumberGivesOneBugReportPerLookup) {
  ScopedRecorder rec;
  textTable().loadText("1, \"one\"\n", "t.txt");
  rec->clear();
  EXPECT_EQ(text(1), "one");
  EXPECT_EQ(text(777), "");
  EXPECT_EQ(text(777), "");
  ASSERT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_EQ(rec->reports()[0].caption, "bug");
  EXPECT_EQ(rec->reports()[0].text, "missing resource string 777");
}

TEST_F(GlobalTexts, TextfFormatsTheNumberedText) {
  ScopedRecorder rec;
  textTable().loadText("4703, \"%d labels unknown\"\n", "t.txt");
  EXPECT_EQ(textf(4703, {3}), "3 labels unknown");
}

TEST_F(GlobalTexts, CaptionsFollowTheLoadedTable) {
  ScopedRecorder rec;
  test::TempDir dir;
  // Fewer than 11 characters: the start-up fatal caption stays.
  test::writeFile(dir / "small.txt", "208, \"Fatal\"\n204, \"Msg\"\n");
  ml_init(dir / "small.txt");
  EXPECT_EQ(reportCaptions().fatal, "fatal error, exit Ardelovox");
  EXPECT_EQ(reportCaptions().message, "Msg");

  test::writeFile(dir / "full.txt", "208, \"Fatal error\"\n204, \"Message\"\n205, \"Warning\"\n");
  EXPECT_TRUE(ml_init(dir / "full.txt"));
  EXPECT_EQ(reportCaptions().fatal, "Fatal error");
  rec->clear();
  warn("w");
  message("m");
  ASSERT_EQ(rec->reports().size(), 2u);
  EXPECT_EQ(rec->reports()[0].caption, "Warning");
  EXPECT_EQ(rec->reports()[1].caption, "Message");
}

TEST_F(GlobalTexts, ErrorInItemAndNotImplemented) {
  ScopedRecorder rec;
  textTable().loadText("206, \"Bad line: \"\n207, \" in \"\n", "t.txt");
  rec->clear();
  errorInItem(std::string(50, 'x'), "file.lab");
  notImplemented();
  ASSERT_EQ(rec->reports().size(), 2u);
  EXPECT_EQ(rec->reports()[0].kind, ReportKind::Message);
  EXPECT_EQ(rec->reports()[0].text, "Bad line: " + std::string(40, 'x') + " in file.lab");
  EXPECT_EQ(rec->reports()[1].caption, "");
  EXPECT_EQ(rec->reports()[1].text, "not implemented");
}

}  // namespace
}  // namespace ardv
