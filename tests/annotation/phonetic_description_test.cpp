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

TEST_F(PhoneticDescriptionTest, InventoryIndicesAndLabels) {
  desc_.loadText(kSmall);
  EXPECT_TRUE(rec_->reports().empty());
  EXPECT_EQ(desc_.phonemeCount(), 4);
  EXPECT_EQ(desc_.classCount(), 4);
  EXPECT_EQ(desc_.phonemeIndex("a"), 1);
  EXPECT_EQ(desc_.phonemeIndex("b"), 4);
  EXPECT_EQ(desc_.phonemeIndex(""), 0);
  EXPECT_EQ(desc_.phonemeIndex("A"), -1);
  EXPECT_EQ(desc_.phoneme(0).description, "nothing");
  EXPECT_EQ(desc_.classIndex("[V]"), 2);
  EXPECT_EQ(desc_.classIndex("V"), -1);
  EXPECT_EQ(desc_.label(3), "p");
  EXPECT_EQ(desc_.label(-2), "[V]");
  EXPECT_EQ(desc_.label(99), "");
  EXPECT_EQ(desc_.phoneticClass(2).members, (std::vector<int>{-1, 2}));
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

TEST_F(PhoneticDescriptionTest, VowelReferences) {
  desc_.loadText(kSmall);
  ASSERT_EQ(desc_.vowelCount(), 2);
  VowelReference v = desc_.vowelReference(1);
  EXPECT_EQ(v.phoneme, 2);
  EXPECT_EQ(v.f1Hz, 250);
  EXPECT_EQ(v.f2Hz, 2250);
  EXPECT_EQ(desc_.vowelReference(2).phoneme, 0);
  EXPECT_EQ(desc_.vowelReference(-1).phoneme, 0);
}

TEST_F(PhoneticDescriptionTest, MenusGiveCommandsAndDisplayedTexts) {
  desc_.loadText(std::string(kSmall) +
                 "menuphon\n[ \"Vowels\" [ \"a\", \"i\" ],\n  \"p\" ]\n]\n"
                 "menuclass\n[ \"[V]\", \"b\"\n]\n");
  EXPECT_TRUE(rec_->reports().empty());
  const PhoneticMenu& pm = desc_.phonemeMenu();
  ASSERT_TRUE(pm.built);
  EXPECT_EQ(pm.title, "Vowels");
  EXPECT_EQ(pm.root.caption, text(5304));
  ASSERT_EQ(pm.root.children.size(), 2u);
  const MenuNode& vowels = pm.root.children[0];
  EXPECT_TRUE(vowels.submenu);
  ASSERT_EQ(vowels.children.size(), 2u);
  EXPECT_EQ(vowels.children[1].command, 10002);
  EXPECT_EQ(vowels.children[1].displayed, "i    close");
  EXPECT_EQ(pm.root.children[1].command, 10003);

  const PhoneticMenu& cm = desc_.classMenu();
  ASSERT_TRUE(cm.built);
  ASSERT_EQ(cm.root.children.size(), 2u);
  EXPECT_EQ(cm.root.children[0].command, 10000 - 2);
  EXPECT_EQ(cm.root.children[0].displayed, "[V]    vowels  [[low],i]");
  EXPECT_EQ(cm.root.children[1].command, 10004);
  EXPECT_EQ(menuCommandIndex(9998), -2);
  EXPECT_EQ(desc_.label(menuCommandIndex(10003)), "p");
}

// One malformed construct: what it logs, how many lines it reports.
struct BadCase {
  const char* name;
  std::string extra;
  int logText;  // 0: nothing specific logged
  std::size_t reportedLines;
};

class BadLanguageLines : public PhoneticDescriptionTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadLanguageLines, AreLoggedReportedAndSkipped) {
  const BadCase& c = GetParam();
  desc_.loadText(std::string(kSmall) + c.extra + "phon \"z\" \"still read\"\n");
  EXPECT_EQ(rec_->count(ReportKind::Message), c.reportedLines) << c.name;
  if (c.reportedLines > 0) {
    EXPECT_TRUE(rec_->saw(text(5321))) << c.name;
  }
  if (c.logText != 0) {
    EXPECT_TRUE(rec_->tracedFragment(text(c.logText))) << c.name;
  }
  EXPECT_GE(desc_.phonemeIndex("z"), 1) << c.name;
  EXPECT_EQ(rec_->count(ReportKind::Bug), 0u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    LanguageFile, BadLanguageLines,
    ::testing::Values(BadCase{"missing token", "phon \"x\"\n", 5314, 1},
                      BadCase{"unterminated token", "phon \"x\" \"open\n", 5312, 1},
                      BadCase{"token too long", "phon \"x\" \"" + std::string(300, 'x') + "\"\n", 5313, 1},
                      BadCase{"unknown member", "class \"[q]\" \"d\" [ \"a\" \"nope\" \"i\" ;\n", 0, 1},
                      BadCase{"later class member", "class \"[q]\" \"d\" [ \"[q]\" ;\n", 0, 1},
                      BadCase{"no bracket", "class \"[q]\" \"d\" \"a\" ;\n", 0, 1},
                      BadCase{"vowel not a phoneme", "F1F2vowel \"zz\" 300 900\n", 0, 1},
                      BadCase{"vowel without values", "F1F2vowel \"a\" 300\n", 0, 1},
                      BadCase{"menu item not a phoneme", "menuphon\n[ \"a\", \"nope\" ]\n]\n", 5317, 1},
                      BadCase{"class menu item not a class", "menuclass\n[ \"[nope]\" ]\n]\n", 5318, 1},
                      BadCase{"missing caption", "menuphon\n[ \"a\", ]\n]\n", 5316, 1},
                      BadCase{"failed submenu", "menuphon\n[ \"S\" [ \"nope\" ] ]\n]\n", 5319, 1},
                      BadCase{"unclosed menu", "menuphon\n[ \"a\" \"i\"\n]\n", 5320, 1}));

TEST_F(PhoneticDescriptionTest, ClassKeepsMembersBeforeAnUnknownOne) {
  desc_.loadText(std::string(kSmall) + "class \"[q]\" \"d\" [ \"a\" \"nope\" \"i\" ;\n");
  EXPECT_EQ(desc_.phoneticClass(desc_.classIndex("[q]")).members, (std::vector<int>{1}));
  EXPECT_TRUE(rec_->saw(textf(5305, {15})));
}

TEST_F(PhoneticDescriptionTest, ClassAtEndOfFileAndLongContinuationLine) {
  desc_.loadText(std::string(kSmall) + "class \"[q]\" \"d\" [ \"a\"\n");
  EXPECT_TRUE(rec_->tracedFragment(text(5310)));
  rec_->clear();
  desc_.loadText(std::string(kSmall) + "class \"[q]\" \"d\" [ \"a\"\n" + std::string(260, ' ') + "\"i\" ;\n");
  EXPECT_TRUE(rec_->tracedFragment(text(5311)));
  EXPECT_EQ(desc_.phoneticClass(desc_.classIndex("[q]")).members.size(), 1u);
}

TEST_F(PhoneticDescriptionTest, FailedMenuLeavesTheOtherBuilt) {
  desc_.loadText(std::string(kSmall) + "menuphon\n[ \"a\", \"nope\" ]\n]\nmenuclass\n[ \"[V]\" ]\n]\n");
  EXPECT_FALSE(desc_.phonemeMenu().built);
  EXPECT_TRUE(desc_.phonemeMenu().root.children.empty());
  EXPECT_TRUE(desc_.classMenu().built);
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

TEST_F(PhoneticDescriptionTest, MissingFileIsFatalAndChangesNothing) {
  desc_.loadText(kSmall);
  test::TempDir dir;
  EXPECT_FALSE(desc_.load(dir / "absent.lng"));
  ASSERT_EQ(rec_->count(ReportKind::Fatal), 1u);
  EXPECT_TRUE(rec_->saw("Unable to open the phonetic description file (language file)"));
  EXPECT_EQ(desc_.phonemeCount(), 4);
  EXPECT_FALSE(desc_.load(dir.path()));
  EXPECT_EQ(rec_->count(ReportKind::Fatal), 2u);
  EXPECT_EQ(desc_.phonemeCount(), 4);
  test::writeFile(dir / "big.lng", "phon \"a\" \"open\"\n");
  std::filesystem::resize_file(dir / "big.lng", kSmallFileMaxBytes + 1);
  EXPECT_FALSE(desc_.load(dir / "big.lng"));
  EXPECT_TRUE(rec_->saw("big.lng: larger than"));
  EXPECT_EQ(desc_.phonemeCount(), 4);
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

class ShippedLanguageFiles : public PhoneticDescriptionTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShippedLanguageFiles, LoadCleanly) {
  EXPECT_TRUE(desc_.load(test::sourceDataDir() / "format" / GetParam()));
  EXPECT_TRUE(rec_->reports().empty()) << rec_->reports()[0].text;
  EXPECT_TRUE(rec_->trace().empty()) << rec_->trace()[0];
  EXPECT_GE(desc_.phonemeCount(), 35);
  EXPECT_GE(desc_.vowelCount(), 10);
  ASSERT_TRUE(desc_.phonemeMenu().built);
  ASSERT_TRUE(desc_.classMenu().built);
  checkMenu(desc_, desc_.phonemeMenu().root);
  checkMenu(desc_, desc_.classMenu().root);
  for (const char* label : {"#", "cl", "vcl", "p", "b", "m", "l"}) EXPECT_GE(desc_.phonemeIndex(label), 1) << label;
  EXPECT_TRUE(desc_.matches("[V]", "i"));
  EXPECT_TRUE(desc_.matches("[C]", "j"));  // consonants > sonorants > semivowels
  EXPECT_TRUE(desc_.matches("b", "[plos]"));
  EXPECT_FALSE(desc_.matches("[vplos]", "p"));
  EXPECT_FALSE(desc_.matches("[V]", "[C]"));
}

INSTANTIATE_TEST_SUITE_P(Data, ShippedLanguageFiles, ::testing::Values("french.lng", "english.lng"));

TEST_F(PhoneticDescriptionTest, FrenchNasalVowelsAreVowels) {
  ASSERT_TRUE(desc_.load(test::sourceDataDir() / "format" / "french.lng"));
  EXPECT_TRUE(desc_.matches("[V]", "a~"));
  EXPECT_TRUE(desc_.matches("[nasal]", "[V]"));
  EXPECT_FALSE(desc_.matches("[oral]", "o~"));
}

TEST_F(PhoneticDescriptionTest, ReadmeExampleLoadsCleanly) {
  const std::string readme = test::readFile(test::sourceDataDir() / "format" / "README.md");
  const auto begin = readme.find("// Phonemes\n");
  const auto end = readme.find("```", begin);
  ASSERT_NE(begin, std::string::npos);
  desc_.loadText(readme.substr(begin, end - begin));
  EXPECT_TRUE(rec_->reports().empty());
  EXPECT_TRUE(rec_->trace().empty());
  EXPECT_TRUE(desc_.phonemeMenu().built);
  EXPECT_TRUE(desc_.classMenu().built);
  EXPECT_TRUE(desc_.matches("[V]", "a~"));
  EXPECT_EQ(desc_.vowelCount(), 1);
}

TEST_F(PhoneticDescriptionTest, ProgramInstanceLoadsFromTheFormatDirectory) {
  EXPECT_TRUE(loadLanguageDescription(test::sourceDataDir() / "format", "english.lng"));
  EXPECT_GE(phoneticDescription().phonemeIndex("aI"), 1);
  phoneticDescription().clear();
}

}  // namespace
}  // namespace ardv
