// Country file loading, lookup by number, captions and the two reporting
// helpers of the interface-text table.
#include "annotation/texts.h"

#include <gtest/gtest.h>

#include "platform/file_access.h"
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

class TextTableTest : public ::testing::Test {
 protected:
  ScopedRecorder rec;
  TextTable table;
};

TEST_F(TextTableTest, EscapesCommasAndContinuationsInText5) {
  using Row = std::pair<const char*, const char*>;
  for (const auto& [content, expected] :
       {Row{"5, \"a\\nb\"\n", "a\r\nb"}, Row{"5, \"a\\tb\"\n", "a\tb"}, Row{"5, \"say \\\"hi\\\" now\"\n", "say \"hi\" now"},
        Row{"5, \"back\\\\slash\"\n", "back\\slash"},
        // A comma inside the text stays; only the separator goes.
        Row{"5, \"one, two\"\n", "one, two"}, Row{"5 \"one, two\"\n", "one, two"},
        // Continuation: a backslash then anything else joins the next line as it is.
        Row{"5, \"abc\\\n  def\"\n", "abc  def"}, Row{"5, \"abc\\x\ndef\"\n", "abcdef"}, Row{"5, \"a\\\nb\\\nc\"\r\n", "abc"},
        // At the end of the file the text ends at the backslash.
        Row{"5, \"abc\\", "abc"}, Row{"  \t5,\"lead\"\n", "lead"}}) {
    TextTable fresh;
    EXPECT_EQ(loadAndFind(fresh, content, 5), expected) << content;
  }
  EXPECT_TRUE(rec->reports().empty());
}

TEST_F(TextTableTest, UnterminatedTextWarnsAndKeepsTheLine) {
  const std::string line = "9, \"no closing quote here at all, really";
  EXPECT_EQ(loadAndFind(table, line + "\n10, \"next\"\n", 9), "no closing quote here at all, really");
  ASSERT_EQ(rec->count(ReportKind::Warning), 1u);
  EXPECT_EQ(rec->reports()[0].text, "t.txt : unterminated string\n" + line.substr(0, 30) + " ...");
  EXPECT_STREQ(table.find(10), "next");
}

TEST_F(TextTableTest, DuplicateNumberLaterWinsReportedOnce) {
  EXPECT_EQ(loadAndFind(table, "12, \"first\"\n12, \"second\"\n13, \"other\"\n", 12), "second");
  EXPECT_EQ(table.count(), 2);
  ASSERT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].kind, ReportKind::Message);
  EXPECT_EQ(rec->reports()[0].text, "t.txt : number 12 defined more than once");
}

TEST_F(TextTableTest, CollidingNumbersStayReachable) {
  table.loadText("1003, \"a\"\n2006, \"b\"\n1, \"c\"\n1004, \"d\"\n", "t.txt");
  for (auto [n, t] : {std::pair{1003, "a"}, {2006, "b"}, {1, "c"}, {1004, "d"}}) EXPECT_STREQ(table.find(n), t) << n;
  EXPECT_EQ(table.find(3009), nullptr);
  EXPECT_TRUE(rec->reports().empty());
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

TEST_F(TextTableTest, CommentsShortAndBlankLinesAreSkipped) {
  EXPECT_TRUE(table.loadText("// 1, \"comment\"\n   // 2, \"x\"\n3,\"\"\n\n   \n4, \"four\"\n", "t.txt"));
  EXPECT_EQ(table.count(), 1);
  EXPECT_EQ(table.find(1), nullptr);
  EXPECT_EQ(table.find(3), nullptr);
  EXPECT_TRUE(rec->reports().empty());
}

TEST_F(TextTableTest, TraceSummaryLines) {
  table.loadText("1, \"ab\"\n2, \"c\"\n", "t.txt");
  ASSERT_EQ(rec->trace().size(), 2u);
  EXPECT_EQ(rec->trace()[0], "ml_init() there are 2 texts (for 1003 max)");
  EXPECT_EQ(rec->trace()[1], "...       and 5 characters (for 64k max)");
}

TEST_F(TextTableTest, MissingFileIsFatalAndKeepsTheTable) {
  test::TempDir dir;
  table.loadText("1, \"kept\"\n", "t.txt");
  rec->clear();
  EXPECT_FALSE(table.load(dir / "absent.txt"));
  ASSERT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].kind, ReportKind::Fatal);
  EXPECT_EQ(rec->reports()[0].text.rfind("missing CountryFile\n" + (dir / "absent.txt").string() + ": ", 0), 0u);
  EXPECT_STREQ(table.find(1), "kept");
  // A directory would read as empty; a file of more than a few MB is not a
  // country file (a device would be read without end).
  test::writeFile(dir / "big.txt", "1, \"big\"\n");
  std::filesystem::resize_file(dir / "big.txt", kSmallFileMaxBytes + 1);
  for (const auto& [path, reason] : {std::pair{dir.path(), "a directory"}, {dir / "big.txt", "larger than"}}) {
    rec->clear();
    EXPECT_FALSE(table.load(path));
    EXPECT_TRUE(rec->saw("missing CountryFile")) << path;
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

TEST_F(GlobalTexts, MissingNumberGivesOneBugReportPerLookup) {
  textTable().loadText("1, \"one\"\n4703, \"%d labels unknown\"\n", "t.txt");
  rec->clear();
  EXPECT_EQ(text(1), "one");
  EXPECT_EQ(textf(4703, {3}), "3 labels unknown");
  EXPECT_EQ(text(777), "");
  EXPECT_EQ(text(777), "");
  ASSERT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_EQ(rec->reports()[0].caption, "bug");
  EXPECT_EQ(rec->reports()[0].text, "missing resource string 777");
}

TEST_F(GlobalTexts, CaptionsFollowTheLoadedTable) {
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
