// Label files: every kind written and read back within its unit, the
// layouts' fixed lines, malformed files and the safe replacement on write.

#include "annotation/label_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "annotation/phonetic_description.h"
#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "tests/annotation/marks.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::listOf;
using test::Marks;
using test::marksOf;

class LabelFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    textTable().loadText(
        "206, \"Cannot read: \"\n207, \" in \"\n4701, \"not ALIGN\"\n4702, \"no word file\"\n"
        "4703, \"%d unknown\"\n4704, \"no phoneme file\"\n7701, \"cannot write\"\n3601, \" not writable\"\n",
        "test");
    phoneticDescription().loadText("phon \"\" \"none\"\nphon \"a\" \"a\"\nphon \"ai\" \"ai\"\nphon \"p\" \"p\"\n");
    info_.nom = (dir_.path() / "s.raw").string();
    info_.nom_man = (dir_.path() / "s.lab").string();
    info_.nomAnnot = (dir_.path() / "s.wrd").string();
    info_.frequence = 16000;
  }
  void TearDown() override { phoneticDescription().clear(); }

  ScopedRecorder rec;
  test::TempDir dir_;
  infoFile info_;
};

// Positions on multiples of 128 samples (8 ms at 16 kHz) survive every unit.
const Marks kPhonemes{{0, "p"}, {1280, ""}, {2560, "ai"}, {3840, "a"}, {5120, ""}};
const Marks kWords{{128, "hello"}, {2560, ""}, {3840, "world"}, {6400, ""}};

// Every kind written and read back; the last segment ends before the end of
// the signal, or exactly at it.
TEST_F(LabelFilesTest, EveryKindRoundTrips) {
  for (const auto& [words, kind] : {std::pair<bool, int>{false, kLabelQern}, {false, kLabelNist}, {false, kLabelSam},
                                    {false, kLabelAlign}, {true, kAnnotVecsys}, {true, kAnnotNist}, {true, kAnnotSam},
                                    {true, kAnnotNoisex}}) {
    (words ? info_.annotationKind : info_.labelKind) = kind;
    const Marks& marks = words ? kWords : kPhonemes;
    for (const std::int64_t tf : {std::int64_t{100000}, std::int64_t{marks.back().first}}) {
      info_.longueur = 2 * tf;
      ASSERT_TRUE(words ? writeAnnotations(listOf(marks), info_, tf) : writeLabels(listOf(marks), info_, tf));
      notetiqs back;
      back.insertOrGet(7);  // reading replaces the list
      EXPECT_TRUE(words ? readAnnotations(back, info_) : readLabels(back, info_));
      EXPECT_EQ(marksOf(back), marks) << words << " " << kind << " " << tf;
      EXPECT_TRUE(rec->reports().empty());
    }
  }
}

TEST_F(LabelFilesTest, LayoutsAsWritten) {
  info_.labelKind = kLabelQern;
  const notetiqs list = listOf({{0, "a"}, {160, ""}, {480, "p"}, {800, ""}});
  EXPECT_EQ(formatPhonemeFile(list, info_, 100000),
            "swap\n16000.00\n{ a},    0,   10,    5, (       0,     320)\n"
            "{  },   10,   30,   20, (     320,     960)\n{ p},   30,   50,   40, (     960,    1600)\n");
  info_.labelKind = kLabelAlign;
  // The segment ending at tf is written, the one after it is not.
  EXPECT_EQ(formatPhonemeFile(list, info_, 480), ".ali\nfreq_echt 16000\n\t         0         10 \ta\n\t        10         30 \t\n"
                                                 "\t        30          0 \tFIN\n\n" + info_.nom + "\n");
  info_.annotationKind = kAnnotVecsys;  // units of 128 samples (read back: the VECSYS row of ParsedContents)
  info_.swap = 1;
  EXPECT_EQ(formatWordFile(listOf({{200, "w"}, {300, ""}}), info_, 1000), "1 L 16 N\n1 2 w\n");
  info_.annotationKind = kAnnotNoisex;
  const std::string noisex = formatWordFile(listOf({{200, "w x"}, {300, ""}}), info_, 1000);
  EXPECT_NE(noisex.find("TYP: orthographic\n"), std::string::npos);
  EXPECT_NE(noisex.find("UTS:       200,       300, , , , w x\nELF:\n"), std::string::npos);
}

// (word file?, kind, content): whether all of it was read into a list that
// held a segment 5..9, the list then, and the one report if any.
TEST_F(LabelFilesTest, ParsedContents) {
  struct Row {
    bool words;
    int kind;
    std::string content;
    bool ok;
    Marks marks;
    std::string says;
  };
  const Marks kept{{5, "x"}, {9, ""}};
  const auto none = [](std::string kind) { return "no records read from f (is it " + kind + "? UTF-16?)"; };
  const Row rows[] = {
      // Unknown labels are counted once; NIST drops them silently.
      {false, kLabelAlign, ".ali\nfreq_echt 16000\n 0 10 vcl\n 10 20 zz\n 20 30 #\n 30 40 qq\n 40 0 FIN\n", false,
       {{0, "vcl"}, {160, ""}, {320, "#"}, {480, ""}, {640, ""}}, "2 unknown"},
      {false, kLabelNist, "0 10 zz\n10 20 a\n", true, {{0, ""}, {10, "a"}, {20, ""}}, ""},
      // Reading stops at a bad SAM line; bad VECSYS lines are reported once and reading goes on.
      {false, kLabelSam, "LBD:\nLBB: 0, 5, 10, a\nLBB: 10, 15\nLBB: 20, 25, 30, p\n", false, {{0, "a"}, {10, ""}},
       "Cannot read: LBB: 10, 15 in f"},
      {true, kAnnotVecsys, "2 L 16 R\n1 x w\n  2 3 v\nbad\n", false, {{256, "v"}, {384, ""}},
       "Cannot read: 1 x w in f\n(1 more lines"},
      // Nothing can be read: the list stays.
      {false, kLabelAlign, "ali\n", false, kept, "not ALIGN"},
      {false, kLabelNist, std::string("\x01\xff\0bin\n\x7f\x02", 9), false, kept, none("NIST")},
      {false, kLabelNist, std::string("0\0 \0001\0000\0 \0a\0\n\0", 14), false, kept, none("NIST")},  // UTF-16, no mark
      {false, kLabelQern, "0 10 a\n10 20 p\n", false, kept, none("QERN")},
      {false, kLabelSam, "LBD:\nLBR: 0, 10, , , , w\nELF:\n", false, kept, none("SAM")},
      {false, kLabelAlign, ".ali\nfreq_echt 16000\n 99999999999999 0 a\n", false, kept, none("ALIGN")},
      {true, kAnnotVecsys, "1 L 16 R\n5\n", false, kept, none("VECSYS")},
      {true, kAnnotNist, "100 50 w\n99999999999 99999999999 x\n", false, kept, none("NIST")},
      {true, kAnnotSam, "LBR: 5\n", false, kept, none("SAM")},
      {true, kAnnotNoisex, "File type = \"ooTextFile\"\n", false, kept, none("NOISEX")}};
  for (const Row& r : rows) {
    rec->clear();
    (r.words ? info_.annotationKind : info_.labelKind) = r.kind;
    notetiqs list = listOf(kept);
    const bool ok =
        r.words ? parseWordFile(r.content, info_, "f", list) : parsePhonemeFile(r.content, info_, "f", list);
    EXPECT_EQ(ok, r.ok) << r.content;
    EXPECT_EQ(marksOf(list), r.marks) << r.content;
    EXPECT_EQ(rec->reports().size(), r.says.empty() ? 0u : 1u) << r.content;
    EXPECT_TRUE(r.says.empty() || rec->saw(r.says)) << r.content;
  }
}

TEST_F(LabelFilesTest, MissingFilesKeepTheList) {
  info_.annotationKind = kAnnotVecsys;
  info_.labelKind = kLabelQern;
  notetiqs list = listOf(kWords);
  EXPECT_FALSE(readAnnotations(list, info_));
  EXPECT_TRUE(rec->saw("no word file"));
  EXPECT_FALSE(readLabels(list, info_));
  EXPECT_TRUE(rec->saw("no phoneme file"));
  EXPECT_EQ(marksOf(list), kWords);
  EXPECT_EQ(rec->count(ReportKind::Message), 2u);
}

TEST_F(LabelFilesTest, Utf16PositionsOutsideAndLineBreaks) {
  info_.annotationKind = kAnnotNist;
  info_.longueur = 2 * 200;  // 200 samples
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("0 10 w\r\n10 900 v\n")) utf16 += {c, '\0'};
  notetiqs list;
  EXPECT_TRUE(parseWordFile(utf16, info_, "f", list));
  EXPECT_EQ(marksOf(list), (Marks{{0, "w"}, {10, "v"}, {200, ""}}));
  EXPECT_TRUE(rec->saw("f: 1 label boundaries lay outside the signal (0 to 200 samples)"));
  // A line feed in a label would make extra lines: the file is not written.
  EXPECT_FALSE(writeAnnotations(listOf({{0, "a"}, {5, "b\nc"}, {9, ""}}), info_, 200));
  EXPECT_TRUE(rec->saw("(segment 2) holds a line break"));
  EXPECT_FALSE(std::filesystem::exists(info_.nomAnnot));
}

TEST_F(LabelFilesTest, FailedWriteKeepsThePreviousFile) {
  info_.annotationKind = kAnnotNist;
  test::writeFile(info_.nomAnnot, "0 10 old\n");
  {
    const test::FileSizeLimit noRoom(0);
    EXPECT_FALSE(writeAnnotations(listOf(kWords), info_, 100000));
  }
  EXPECT_EQ(test::readFile(info_.nomAnnot), "0 10 old\n");
  EXPECT_TRUE(rec->saw("cannot write"));
  EXPECT_EQ(rec->reports().size(), 1u);
}

}  // namespace
}  // namespace ardv
