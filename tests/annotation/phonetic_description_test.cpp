// Language file loading: inventory, nested classes, matching, the two menus,
// vowel references and the diagnostics of malformed lines.
#include "annotation/phonetic_description.h"

#include <gtest/gtest.h>

#include <functional>

#include "annotation/texts.h"
#include "platform/file_access.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

class PhoneticDescriptionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ScopedRecorder quiet;
    ml_init(test::sourceDataDir() / "format" / "english.txt");
  }
  static void TearDownTestSuite() {
    textTable().clear();
    setReportCaptions(ReportCaptions{});
  }
  ScopedRecorder rec_;
  PhoneticDescription desc_;
};

const char* const kSmall =
    "phon \"\" \"nothing\"\n"
    "phon \"a\" \"open\"\n"
    "phon \"i\" \"close\"\n"
    "phon \"p\" \"stop\"\n"
    "phon \"b\" \"voiced stop\"\n"
    "// a comment line\n"
    "class \"[low]\" \"low vowels\" [ \"a\" ;\n"
    "class \"[V]\" \"vowels\" [ \"[low]\"\n"
    "  \"i\"\n"
    "; anything\n"
    "class \"[all]\" \"everything\" [ \"[V]\" \"p\" \"b\" ;\n"
    "class \"[stops]\" \"stops\" [ \"p\" \"b\" ;\n"
    "F1F2vowel \"a\" 750 1450\n"
    "F1F2vowel \"i\" 250 2250\n";

TEST_F(PhoneticDescriptionTest, InventoryIndicesLabelsAndVowels) {
  desc_.loadText(kSmall);
  EXPECT_TRUE(rec_->reports().empty());
  EXPECT_EQ(desc_.phonemeCount(), 4);
  EXPECT_EQ(desc_.classCount(), 4);
  // Phonemes count from 1 ("" is 0), classes too; label() takes classes as minus their index.
  for (const auto& [label, index] : {std::pair{"", 0}, {"a", 1}, {"b", 4}, {"A", -1}})
    EXPECT_EQ(desc_.phonemeIndex(label), index);
  for (const auto& [label, index] : {std::pair{"[low]", 1}, {"[V]", 2}, {"V", -1}})
    EXPECT_EQ(desc_.classIndex(label), index);
  for (const auto& [index, label] : {std::pair{3, "p"}, {-2, "[V]"}, {99, ""}}) EXPECT_EQ(desc_.label(index), label);
  EXPECT_EQ(desc_.phoneme(0).description, "nothing");
  EXPECT_EQ(desc_.phoneticClass(2).members, (std::vector<int>{-1, 2}));
  ASSERT_EQ(desc_.vowelCount(), 2);
  const VowelReference v = desc_.vowelReference(1);
  EXPECT_EQ(std::tuple(v.phoneme, v.f1Hz, v.f2Hz), std::tuple(2, 250, 2250));
  EXPECT_EQ(desc_.vowelReference(2).phoneme, 0);
  EXPECT_EQ(desc_.vowelReference(-1).phoneme, 0);
}

TEST_F(PhoneticDescriptionTest, NestedClassesMatchAtAnyDepth) {
  desc_.loadText(kSmall);
  struct Case {
    const char *a, *b;
    bool match;
  };
  for (const Case& c : {Case{"[all]", "a", true} /* [all] > [V] > [low] > a */, {"a", "[all]", true}, {"[V]", "i", true},
                        {"[V]", "p", false}, {"[stops]", "[all]", true}, {"[stops]", "[V]", false}, {"p", "p", true},
                        {"p", "b", false}, {"[none]", "[none]", false}})
    EXPECT_EQ(desc_.matches(c.a, c.b), c.match) << c.a << " " << c.b;
}

// A menu as text: items as "command:displayed", submenus as "caption[item|...|]".
std::string dump(const MenuNode& node) {
  if (!node.submenu && node.children.empty()) return std::to_string(node.command) + ":" + node.displayed;
  std::string out = node.caption + "[";
  for (const MenuNode& child : node.children) out += dump(child) + "|";
  return out + "]";
}

// Phonemes give commands 10000 + index, classes 10000 - index.
TEST_F(PhoneticDescriptionTest, MenusGiveCommandsAndDisplayedTexts) {
  desc_.loadText(std::string(kSmall) +
                 "menuphon\n[ \"Vowels\" [ \"a\", \"i\" ],\n  \"p\" ]\n]\nmenuclass\n[ \"[V]\", \"b\"\n]\n");
  EXPECT_TRUE(rec_->reports().empty());
  ASSERT_TRUE(desc_.phonemeMenu().built && desc_.classMenu().built);
  EXPECT_EQ(desc_.phonemeMenu().title, "Vowels");
  EXPECT_EQ(dump(desc_.phonemeMenu().root),
            text(5304) + "[Vowels[10001:a    open|10002:i    close|]|10003:p    stop|]");
  EXPECT_EQ(dump(desc_.classMenu().root), text(5304) + "[9998:[V]    vowels  [[low],i]|10004:b    voiced stop|]");
  EXPECT_EQ(menuCommandIndex(9998), -2);
  EXPECT_EQ(desc_.label(menuCommandIndex(10003)), "p");
}

// One malformed construct after line 14: it logs why (0: nothing specific),
// its line is reported, and reading goes on. A failed menu leaves the other
// built.
TEST_F(PhoneticDescriptionTest, BadLinesAreLoggedReportedAndSkipped) {
  const std::string classMenu = "menuclass\n[ \"[V]\" ]\n]\n";
  const std::tuple<std::string, int, int> rows[] = {
      {"phon \"x\"\n", 15, 5314}, {"phon \"x\" \"open\n", 15, 5312},
      {"phon \"x\" \"" + std::string(300, 'x') + "\"\n", 15, 5313},
      {"class \"[q]\" \"d\" [ \"a\" \"nope\" \"i\" ;\n", 15, 0}, {"class \"[q]\" \"d\" [ \"[q]\" ;\n", 15, 0},
      {"class \"[q]\" \"d\" \"a\" ;\n", 15, 0}, {"F1F2vowel \"zz\" 300 900\n", 15, 0}, {"F1F2vowel \"a\" 300\n", 15, 0},
      {"menuphon\n[ \"a\", \"nope\" ]\n]\n" + classMenu, 16, 5317}, {"menuclass\n[ \"[nope]\" ]\n]\n", 16, 5318},
      {"menuphon\n[ \"a\", ]\n]\n", 16, 5316}, {"menuphon\n[ \"S\" [ \"nope\" ] ]\n]\n", 16, 5319},
      {"menuphon\n[ \"a\" \"i\"\n]\n", 16, 5320}};
  for (const auto& [extra, line, logText] : rows) {
    rec_->clear();
    desc_.loadText(kSmall + extra + "phon \"z\" \"still read\"\n");
    EXPECT_EQ(rec_->count(ReportKind::Message), 1u) << extra;
    EXPECT_TRUE(rec_->saw(textf(5305, {line})) && rec_->saw(text(5321))) << extra;
    EXPECT_TRUE(logText == 0 || rec_->tracedFragment(text(logText))) << extra;
    EXPECT_GE(desc_.phonemeIndex("z"), 1) << extra;
    EXPECT_EQ(rec_->count(ReportKind::Bug), 0u) << extra;
    EXPECT_FALSE(desc_.phonemeMenu().built || !desc_.phonemeMenu().root.children.empty()) << extra;
    EXPECT_EQ(desc_.classMenu().built, extra.ends_with(classMenu)) << extra;
  }
}

// A class cut short keeps the members read before the fault, which is
// reported with its line or logged.
TEST_F(PhoneticDescriptionTest, BrokenClassKeepsTheMembersBefore) {
  const std::string q = "class \"[q]\" \"d\" [ \"a\"";
  for (const auto& [extra, says] : {std::pair{q + " \"nope\" \"i\" ;\n", textf(5305, {15})}, {q + "\n", text(5310)},
                                    {q + "\n" + std::string(260, ' ') + "\"i\" ;\n", text(5311)}}) {
    rec_->clear();
    desc_.loadText(kSmall + extra);
    EXPECT_TRUE(rec_->saw(says) || rec_->tracedFragment(says)) << extra;
    EXPECT_EQ(desc_.phoneticClass(desc_.classIndex("[q]")).members, (std::vector<int>{1})) << extra;
  }
}

TEST_F(PhoneticDescriptionTest, AtMost127PhonemesAndClasses) {
  std::string content;
  for (int i = 0; i < 130; ++i) content += "phon \"p" + std::to_string(i) + "\" \"d\"\n";
  for (int i = 0; i < 129; ++i) content += "class \"[c" + std::to_string(i) + "]\" \"d\" [ \"p1\" ;\n";
  desc_.loadText(content);
  EXPECT_EQ(desc_.phonemeCount(), kMaxPhonemes);
  EXPECT_EQ(desc_.classCount(), kMaxClasses);
  EXPECT_EQ(rec_->count(ReportKind::Message), 5u);
}

TEST_F(PhoneticDescriptionTest, DeepNestingAndHostileMenus) {
  std::string content = "phon \"a\" \"d\"\nclass \"[c0]\" \"d\" [ \"a\" ;\n";
  for (int i = 1; i < 127; ++i)
    content += "class \"[c" + std::to_string(i) + "]\" \"d\" [ \"[c" + std::to_string(i - 1) + "]\" \"[c" +
               std::to_string(i - 1) + "]\" ;\n";
  std::string deep;
  for (int i = 0; i < 3000; ++i) deep += "\"a\" [";
  content += "menuphon\n" + std::string(5000, '[') + "\n]\nmenuclass\n[ " + deep + "\n]\n";
  desc_.loadText(content);
  EXPECT_TRUE(desc_.matches("[c126]", "a"));
  EXPECT_TRUE(desc_.matches("[c126]", "[c0]"));
  EXPECT_FALSE(desc_.matches("[c126]", "b"));
  EXPECT_FALSE(desc_.phonemeMenu().built);
  EXPECT_FALSE(desc_.classMenu().built);
}

TEST_F(PhoneticDescriptionTest, MissingDirectoryOrHugeFileIsFatalAndChangesNothing) {
  desc_.loadText(kSmall);
  test::TempDir dir;
  test::writeFile(dir / "big.lng", "phon \"a\" \"open\"\n");
  std::filesystem::resize_file(dir / "big.lng", kSmallFileMaxBytes + 1);
  const char* const unable = "Unable to open the phonetic description file (language file)";
  for (const auto& [path, says] :
       {std::pair{dir / "absent.lng", unable}, {dir.path(), unable}, {dir / "big.lng", "big.lng: larger than"}}) {
    rec_->clear();
    EXPECT_FALSE(desc_.load(path));
    EXPECT_EQ(rec_->count(ReportKind::Fatal), 1u) << path;
    EXPECT_TRUE(rec_->saw(says)) << path;
    EXPECT_EQ(desc_.phonemeCount(), 4);
  }
}

// Every item of a built menu stands for an entry of the inventory.
void checkMenu(const PhoneticDescription& d, const MenuNode& node) {
  for (const MenuNode& child : node.children) {
    if (child.submenu) {
      checkMenu(d, child);
      continue;
    }
    EXPECT_EQ(d.label(menuCommandIndex(child.command)), child.caption);
  }
}

// The shipped language files and the example in the format README load
// without a diagnostic, and their menus stand for entries of the inventory.
TEST_F(PhoneticDescriptionTest, ShippedFilesAndTheReadmeExampleLoadCleanly) {
  const fs::path format = test::sourceDataDir() / "format";
  const std::string readme = test::readFile(format / "README.md");
  const auto begin = readme.find("// Phonemes\n");
  ASSERT_NE(begin, std::string::npos);
  using Match = std::tuple<const char*, const char*, bool>;
  // consonants > sonorants > semivowels; French nasal vowels are vowels
  const std::vector<Match> common{
      {"[V]", "i", true}, {"[C]", "j", true}, {"b", "[plos]", true}, {"[vplos]", "p", false}, {"[V]", "[C]", false}};
  std::vector<Match> french = common;
  french.insert(french.end(), {{"[V]", "a~", true}, {"[nasal]", "[V]", true}, {"[oral]", "o~", false}});
  const struct { const char* name; std::string content; int phonemes, vowels; std::vector<Match> matches; } rows[] = {
      {"french.lng", test::readFile(format / "french.lng"), 35, 10, french},
      {"english.lng", test::readFile(format / "english.lng"), 35, 10, common},
      {"README.md", readme.substr(begin, readme.find("```", begin) - begin), 1, 1, {{"[V]", "a~", true}}}};
  for (const auto& r : rows) {
    rec_->clear();
    EXPECT_TRUE(r.name == std::string("README.md") ? desc_.loadText(r.content) : desc_.load(format / r.name));
    EXPECT_TRUE(rec_->reports().empty()) << r.name;
    EXPECT_TRUE(rec_->trace().empty()) << r.name << ": " << rec_->trace()[0];
    EXPECT_GE(desc_.phonemeCount(), r.phonemes) << r.name;
    EXPECT_GE(desc_.vowelCount(), r.vowels) << r.name;
    ASSERT_TRUE(desc_.phonemeMenu().built && desc_.classMenu().built) << r.name;
    checkMenu(desc_, desc_.phonemeMenu().root);
    checkMenu(desc_, desc_.classMenu().root);
    for (const auto& [a, b, match] : r.matches) EXPECT_EQ(desc_.matches(a, b), match) << r.name << ": " << a << b;
    if (r.phonemes < 35) continue;
    for (const char* label : {"#", "cl", "vcl", "p", "b", "m", "l"}) EXPECT_GE(desc_.phonemeIndex(label), 1) << label;
    // The program's own description loads from the format directory.
    EXPECT_TRUE(loadLanguageDescription(format, r.name));
    EXPECT_EQ(phoneticDescription().phonemeCount(), desc_.phonemeCount()) << r.name;
  }
  phoneticDescription().clear();
}

}  // namespace
}  // namespace ardv
