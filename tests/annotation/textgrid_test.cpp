// TextGrid export and import: round trips, the long and short formats as
// Praat writes them, encodings, and files that are not TextGrids.

#include "annotation/textgrid.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/headless/recording_reporter.h"
#include "tests/annotation/marks.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::listOf;
using test::Marks;
using test::marksOf;

TEST(TextGrid, ExportedGridHasBothTiersWithGapsAsEmptyIntervals) {
  const std::string grid = formatTextGrid(listOf({{800, "a"}, {1600, ""}}), notetiqs(), 16000, 3200);
  EXPECT_EQ(grid.substr(0, 101),
            "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\nxmin = 0 \nxmax = 0.2 \ntiers? <exists> \nsize = 2 \n");
  EXPECT_NE(grid.find("name = \"phonemes\" \n        xmin = 0 \n        xmax = 0.2 \n        intervals: size = 3 \n"
                      "        intervals [1]:\n            xmin = 0 \n            xmax = 0.05 \n            text = \"\" \n"
                      "        intervals [2]:\n            xmin = 0.05 \n            xmax = 0.1 \n            text = \"a\" \n"),
            std::string::npos);
  EXPECT_NE(grid.find("name = \"words\" \n        xmin = 0 \n        xmax = 0.2 \n        intervals: size = 1 \n"),
            std::string::npos);
}

// In memory, and every tenth round through a file.
TEST(TextGrid, RandomListsRoundTrip) {
  test::TempDir dir;
  const std::string path = (dir.path() / "x.TextGrid").string();
  std::mt19937 rng(11);
  const std::vector<std::string> labels{"", "a", "say \"hi\"", "\xC9\x99", "two words"};
  for (int round = 0; round < 300; ++round) {
    const double frequence = round % 2 ? 16000 : 22050;
    const std::int64_t tf = 50000;
    Marks phon, word;
    for (Marks* m : {&phon, &word}) {
      std::int32_t p = std::uniform_int_distribution<int>(0, 300)(rng);
      const int n = std::uniform_int_distribution<int>(0, 8)(rng);
      for (int i = 0; i < n && p < tf - 1; ++i) {
        m->emplace_back(p, labels[std::uniform_int_distribution<std::size_t>(0, labels.size() - 1)(rng)]);
        p += std::uniform_int_distribution<int>(1, 3000)(rng);
      }
      if (!m->empty()) m->back().second.clear();
    }
    notetiqs p2, w2;
    ScopedRecorder rec;
    if (round % 10 == 0) {
      ASSERT_TRUE(exportTextGrid(path, listOf(phon), listOf(word), frequence, tf));
      ASSERT_TRUE(importTextGrid(path, frequence, tf, p2, w2));
    } else {
      ASSERT_TRUE(parseTextGrid(formatTextGrid(listOf(phon), listOf(word), frequence, tf), frequence, tf, "g", p2, w2));
    }
    // A first boundary at 0 with an empty segment is the grid's own start.
    for (Marks* m : {&phon, &word})
      if (!m->empty() && m->front() == Marks::value_type{0, ""}) m->erase(m->begin());
    EXPECT_EQ(marksOf(p2), phon) << round;
    EXPECT_EQ(marksOf(w2), word) << round;
  }
}

// As Praat writes the short format, with a point tier and a last interval
// that ends at the end of the signal.
const char* const kShortGrid =
    "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n0.5\n<exists>\n3\n"
    "\"TextTier\"\n\"events\"\n0\n0.5\n1\n0.2\n\"click\"\n"
    "\"IntervalTier\"\n\"words\"\n0\n0.5\n2\n0\n0.25\n\"\"\n0.25\n0.5\n\"end\"\n"
    "\"IntervalTier\"\n\"phonemes\"\n0\n0.5\n3\n0\n0.1\n\"p\"\n0.1\n0.3\n\"\"\n0.3\n0.5\n\"\"\n";

TEST(TextGrid, ShortFormatTiersByNameLastSegmentEndsAtTheEnd) {
  notetiqs p, w;
  ASSERT_TRUE(parseTextGrid(kShortGrid, 1000, 500, "g", p, w));
  EXPECT_EQ(marksOf(p), (Marks{{0, "p"}, {100, ""}, {300, ""}}));
  EXPECT_EQ(marksOf(w), (Marks{{250, "end"}, {500, ""}}));
}

TEST(TextGrid, Utf16AndByteOrderMarksAreRead) {
  // U+0259 written as UTF-16 by hand in both byte orders.
  auto utf16 = [](const std::string& ascii, bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
      const char hi = c == '@' ? '\x02' : '\0', lo = c == '@' ? '\x59' : c;
      out += big ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
  };
  const std::string ascii = formatTextGrid(listOf({{0, "@"}, {10, ""}}), notetiqs(), 100, 20);
  for (const auto& [grid, label] :
       {std::pair{utf16(ascii, false), "\xC9\x99"}, {utf16(ascii, true), "\xC9\x99"}, {"\xEF\xBB\xBF" + ascii, "@"}}) {
    notetiqs p, w;
    ASSERT_TRUE(parseTextGrid(grid, 100, 20, "g", p, w)) << label;
    EXPECT_EQ(marksOf(p), (Marks{{0, label}, {10, ""}}));
  }
}

TEST(TextGrid, FilesThatAreNotGridsChangeNothing) {
  const std::string head = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n";
  for (const std::string& bad :
       {std::string(""), std::string("hello"), std::string("File type = \"ooTextFile\"\nObject class = \"Sound\"\n"),
        std::string(kShortGrid).substr(0, 150), std::string(kShortGrid) + "\"open", head + "0 1 <exists> 99999999999\n",
        head + "0 0.5 <exists> 1\n\"TextTier\" \"events\" 0 0.5 1 0.2 \"click\"\n"}) {
    ScopedRecorder rec;
    notetiqs p = listOf({{5, "x"}, {9, ""}}), w = p;
    EXPECT_FALSE(parseTextGrid(bad, 1000, 500, "bad.TextGrid", p, w));
    EXPECT_EQ(marksOf(p), (Marks{{5, "x"}, {9, ""}}));
    EXPECT_EQ(marksOf(w), (Marks{{5, "x"}, {9, ""}}));
    EXPECT_EQ(rec->count(ReportKind::Message), 1u);
    EXPECT_TRUE(rec->saw("bad.TextGrid"));
  }
}

// Saving over a grid replaces the tiers read into the lists, in their places
// and with their names, and writes every other tier again as it was: from
// the short format with the same times and texts, from the long one byte for
// byte.
TEST(TextGrid, OtherTiersSurviveASaveOverTheGrid) {
  std::string fourTiers = kShortGrid;
  fourTiers.replace(fourTiers.find("<exists>\n3\n"), 11, "<exists>\n4\n");
  fourTiers += "\"IntervalTier\"\n\"notes\"\n0\n0.5\n1\n0.125\n5e-1\n\"say \"\"so\"\"\"\n";
  const auto block = [](const std::string& grid, const std::string& name) {  // from the name to the next tier
    const std::size_t from = grid.find("name = \"" + name + "\"");
    return from == std::string::npos ? std::string() : grid.substr(from, grid.find("    item [", from) - from);
  };
  const notetiqs p1 = listOf({{50, "m"}, {400, ""}}), w1 = listOf({{0, "one"}, {450, ""}});
  const notetiqs p2 = listOf({{10, "n"}, {20, ""}}), w2;
  const auto first = mergeTextGrid(fourTiers, p1, w1, 1000, 500);
  ASSERT_TRUE(first);
  EXPECT_EQ(textGridTiers(*first)->all, (std::vector<std::string>{"events", "words", "phonemes", "notes"}));
  EXPECT_NE(block(*first, "events").find("number = 0.2 \n            mark = \"click\" \n"), std::string::npos);
  EXPECT_NE(block(*first, "notes").find("xmin = 0.125 \n            xmax = 5e-1 \n            text = \"say \"\"so\"\"\""),
            std::string::npos);
  const auto second = mergeTextGrid(*first, p2, w2, 1000, 500);
  ASSERT_TRUE(second);
  for (const char* kept : {"events", "notes"}) EXPECT_EQ(block(*second, kept), block(*first, kept)) << kept;
  notetiqs p, w;
  ASSERT_TRUE(parseTextGrid(*second, 1000, 500, "g", p, w));
  EXPECT_TRUE(marksOf(p) == marksOf(p2) && w.count() == 0);
  // Not a grid: nothing to keep, the caller writes a plain one.
  EXPECT_FALSE(mergeTextGrid("hello", p1, w1, 1000, 500));
  EXPECT_EQ(*mergeTextGrid(formatTextGrid(p2, w2, 1000, 500), p1, w1, 1000, 500), formatTextGrid(p1, w1, 1000, 500));
}

}  // namespace
}  // namespace ardv
