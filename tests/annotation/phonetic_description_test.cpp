// Language file loading: inventory, nested classes, matching, the two menus,
// vowel references and the diagnostics of malformed lines; phoneme and word
// search: matching with classes and edges, and the corpus search's gathered
// signal checked against its sources sample for sample.
#include "labels/phonetic_description.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "platform/diagnostics.h"
#include "platform/file_access.h"
#include "platform/headless/recording_reporter.h"
#include "search/corpus_search.h"
#include "tests/annotation/marks.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav.h"
#include "texts/texts.h"

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
  EXPECT_EQ(std::tuple(desc_.phonemeCount(), desc_.classCount()), std::tuple(4, 4));
  // Phonemes count from 1 ("" is 0), classes too; label() takes classes as minus their index.
  for (const auto& [label, index] : {std::pair{"", 0}, {"a", 1}, {"b", 4}, {"A", -1}})
    EXPECT_EQ(desc_.phonemeIndex(label), index);
  for (const auto& [label, index] : {std::pair{"[low]", 1}, {"[V]", 2}, {"V", -1}})
    EXPECT_EQ(desc_.classIndex(label), index);
  for (const auto& [index, label] : {std::pair{3, "p"}, {-2, "[V]"}, {99, ""}}) EXPECT_EQ(desc_.label(index), label);
  EXPECT_EQ(std::tuple(desc_.phoneme(0).description, desc_.phoneticClass(2).members),
            std::tuple("nothing", std::vector<int>{-1, 2}));
  ASSERT_EQ(desc_.vowelCount(), 2);
  const VowelReference v = desc_.vowelReference(1);
  EXPECT_EQ(std::tuple(v.phoneme, v.f1Hz, v.f2Hz), std::tuple(2, 250, 2250));
  EXPECT_EQ(std::pair(desc_.vowelReference(2).phoneme, desc_.vowelReference(-1).phoneme), std::pair(0, 0));
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
    int shown = 0;  // a diagnostic shows the trace window
    setTraceShower([&shown] { ++shown; });
    desc_.loadText(kSmall + extra);
    setTraceShower({});
    EXPECT_TRUE(rec_->saw(says) || (rec_->tracedFragment(says) && shown > 0)) << extra;
    EXPECT_EQ(desc_.phoneticClass(desc_.classIndex("[q]")).members, (std::vector<int>{1})) << extra;
  }
}

TEST_F(PhoneticDescriptionTest, AtMost127PhonemesAndClasses) {
  std::string content;
  for (int i = 0; i < 130; ++i) content += "phon \"p" + std::to_string(i) + "\" \"d\"\n";
  for (int i = 0; i < 129; ++i) content += "class \"[c" + std::to_string(i) + "]\" \"d\" [ \"p1\" ;\n";
  desc_.loadText(content);
  EXPECT_EQ(std::tuple(desc_.phonemeCount(), desc_.classCount(), rec_->count(ReportKind::Message)),
            std::tuple(kMaxPhonemes, kMaxClasses, 5u));
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

using test::listOf;
using test::Marks;
using Spans = std::vector<std::pair<int, int>>;

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    textTable().load(test::sourceDataDir() / "format" / "english.txt");
    phoneticDescription().loadText(
        "phon \"\" \"none\"\nphon \"a\" \"a\"\nphon \"i\" \"i\"\nphon \"m\" \"m\"\nphon \"n\" \"n\"\n"
        "phon \"p\" \"p\"\nphon \"t\" \"t\"\nclass \"[nasal]\" \"nasals\" [ \"m\" \"n\" ;\n"
        "class \"[V]\" \"vowels\" [ \"a\" \"i\" ;\nclass \"[son]\" \"sonorants\" [ \"[nasal]\" \"[V]\" ;\n");
  }
  void TearDown() override { phoneticDescription().clear(); }
  ScopedRecorder rec;
  test::TempDir dir;
};

Spans spansOf(const Marks& marks, const std::string& request) {
  std::string unknown;
  Spans spans;
  findSequences(listOf(marks), parseSequences(request, unknown), [&](const LabelSpan& s) {
    spans.emplace_back(s.first, s.last);
    return true;
  });
  return spans;
}

TEST_F(SearchTest, SequencesMatchThroughClassesAndEmptySlots) {
  const Marks m{{0, "m"}, {10, "a"}, {20, "p"}, {30, "n"}, {40, "i"}, {50, "t"}, {60, "a"}, {70, ""}};
  const struct {
    const char* request;
    Spans spans;
  } rows[] = {
      {"m", {{0, 0}}},                                   // the very first label
      {"a", {{1, 1}, {6, 6}}},                           // and the last
      {"a,,p", {{1, 2}}},                                // an empty middle slot closes up
      {"[nasal],[V]", {{0, 1}, {3, 4}}},                 // classes
      {"[son],p", {{1, 2}}},                             // a nested class matches members of both
      {"[son]", {{0, 0}, {1, 1}, {3, 3}, {4, 4}, {6, 6}}},
      {"t,a;m", {{5, 6}, {0, 0}}},                       // sequences in turn
      {" ; , ", {}},                                     // nothing left to search
  };
  for (const auto& row : rows) EXPECT_EQ(spansOf(m, row.request), row.spans) << row.request;
  std::string unknown;
  EXPECT_TRUE(parseSequences("a,[nope];x", unknown).empty());
  EXPECT_EQ(unknown, "[nope] x");
}

TEST_F(SearchTest, WordsAreExactAndCaseSensitive) {
  const Marks m{{0, "the"}, {8, "The"}, {24, "the"}, {40, "then"}, {56, ""}};
  // 1.5 ms rounds away from zero.
  EXPECT_EQ(listMatches(listOf(m), {}, "the", 16000), (std::vector<std::string>{"0\t1\tthe", "2\t3\tthe"}));
}

std::vector<std::int16_t> sourceSamples(std::int64_t n, int seed) {
  std::vector<std::int16_t> s(static_cast<std::size_t>(n));
  for (std::int64_t k = 0; k < n; ++k) s[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(1 + (k * 37 + seed) % 20000);
  return s;
}

// One file, one occurrence of "a": where its context starts and ends.
TEST_F(SearchTest, ContextIsLimitedByEdgesAndNeighbours) {
  const struct {
    const char* why;
    Marks marks;
    std::int64_t at, total, s0, s1;
  } rows[] = {
      {"from sample 0", {{0, "a"}, {1000, "p"}, {3000, ""}}, 0, 5000, 0, 1640},
      {"to the end", {{0, "p"}, {2000, "a"}, {5000, ""}}, 2000, 5000, 1360, 4999},
      {"neighbours", {{0, "p"}, {1000, "t"}, {1300, "a"}, {2000, "m"}, {2200, ""}}, 1300, 5000, 1000, 2200},
  };
  for (const auto& row : rows) {
    const auto wav = dir / "one.wav";
    const auto source = sourceSamples(row.total, 3);
    ASSERT_TRUE(writeWavFile(wav, source, 16000, listOf(row.marks), {}));
    CorpusSearch request;
    request.sequences = {{"a"}};
    request.files = {wav};
    request.gathered = dir / "g.wav";
    CorpusOutcome out;
    ASSERT_TRUE(searchCorpus(request, {}, out)) << row.why;
    test::WavContents g;
    ASSERT_TRUE(test::readWav(request.gathered, g));
    const auto count = row.s1 - row.s0 + 1;
    ASSERT_EQ(static_cast<std::int64_t>(g.samples.size()), 2 * kSearchSilenceSamples + count) << row.why;
    ASSERT_EQ(g.phon.count(), 2);
    const std::int64_t start = g.phon.position(0), end = g.phon.position(1);
    const std::int64_t offset = kSearchSilenceSamples - row.s0;
    EXPECT_EQ(start - offset, row.at) << row.why;
    for (std::int64_t k = 0; k < static_cast<std::int64_t>(g.samples.size()); ++k) {
      const bool silent = k < kSearchSilenceSamples || k >= kSearchSilenceSamples + count;
      const bool exact = k >= start && k <= end;
      if (silent) ASSERT_EQ(g.samples[k], 0) << row.why << " at " << k;
      else if (exact) ASSERT_EQ(g.samples[k], source[k - offset]) << row.why << " at " << k;
      else ASSERT_LE(std::abs(g.samples[k]), std::abs(source[k - offset])) << row.why << " at " << k;
    }
  }
}

TEST_F(SearchTest, CorpusSkipsBadFilesAndStopsAtTheExactMaximum) {
  const Marks three{{0, "a"}, {2000, "p"}, {2500, "a"}, {3000, "t"}, {4000, "a"}, {4500, ""}};
  for (const char* name : {"b1.wav", "b2.WAV", "b3.wav", ".hidden.wav", "skip.txt"})
    ASSERT_TRUE(writeWavFile(dir / name, sourceSamples(6000, 1), 16000, listOf(three), {}));
  test::writeFile(dir / "a0.wav", "not a wav file");
  std::filesystem::create_directory(dir / "sub.wav");
  std::filesystem::create_symlink("loop.wav", dir / "loop.wav");
  CorpusSearch request;
  int unreadable = 0;
  ASSERT_TRUE(listCorpus(dir.path(), ".wav", request.files, unreadable));
  EXPECT_EQ(unreadable, 2);  // the directory and the looping link
  ASSERT_EQ(request.files.size(), 4u);
  request.sequences = {{"a"}};
  request.maxCount = 5;
  request.gathered = dir / "out";
  std::string results, list;
  SearchSinks sinks{[&](const std::string& l) { results += l + "\n"; }, [&](const std::string& l) { list += l + "\n"; }};
  CorpusOutcome out;
  ASSERT_TRUE(searchCorpus(request, sinks, out));
  EXPECT_EQ(std::tuple(out.skipped, out.occurrences, out.files), std::tuple(1, 5, 3));  // b3 is never opened
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 5);
  EXPECT_EQ(results.find(text(7304)), results.rfind(text(7304)));
  EXPECT_NE(list.find((dir / "b2.WAV").string() + "\t156\t188\ta"), std::string::npos);
  test::WavContents g;
  ASSERT_TRUE(test::readWav(request.gathered, g));
  EXPECT_EQ(g.phon.count(), 10);
  // Nothing found: no gathered signal is written.
  request.sequences = {{"i"}};
  request.gathered = dir / "none.wav";
  ASSERT_TRUE(searchCorpus(request, {}, out));
  EXPECT_FALSE(std::filesystem::exists(request.gathered));
}

}  // namespace
}  // namespace ardv
