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

// (word file?, kind): every kind written and read back.
class Kinds : public LabelFilesTest, public ::testing::WithParamInterface<std::pair<bool, int>> {};

// The last segment ends before the end of the signal, or exactly at it.
TEST_P(Kinds, RoundTrip) {
  const auto [words, kind] = GetParam();
  (words ? info_.annotationKind : info_.labelKind) = kind;
  const Marks& marks = words ? kWords : kPhonemes;
  for (const std::int64_t tf : {std::int64_t{100000}, std::int64_t{marks.back().first}}) {
    info_.longueur = 2 * tf;
    ASSERT_TRUE(words ? writeAnnotations(listOf(marks), info_, tf) : writeLabels(listOf(marks), info_, tf));
    notetiqs back;
    back.insertOrGet(7);  // reading replaces the list
    EXPECT_TRUE(words ? readAnnotations(back, info_) : readLabels(back, info_));
    EXPECT_EQ(marksOf(back), marks) << tf;
    EXPECT_TRUE(rec->reports().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(All, Kinds,
                         ::testing::Values(std::pair{false, kLabelQern}, std::pair{false, kLabelNist},
                                           std::pair{false, kLabelSam}, std::pair{false, kLabelAlign},
                                           std::pair{true, kAnnotVecsys}, std::pair{true, kAnnotNist},
                                           std::pair{true, kAnnotSam}, std::pair{true, kAnnotNoisex}));

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
  info_.annotationKind = kAnnotVecsys;
  info_.swap = 1;
  EXPECT_EQ(formatWordFile(listOf({{200, "w"}, {300, ""}}), info_, 1000), "1 L 16 N\n1 2 w\n");
  info_.annotationKind = kAnnotNoisex;
  const std::string noisex = formatWordFile(listOf({{200, "w x"}, {300, ""}}), info_, 1000);
  EXPECT_NE(noisex.find("TYP: orthographic\n"), std::string::npos);
  EXPECT_NE(noisex.find("UTS:       200,       300, , , , w x\nELF:\n"), std::string::npos);
}

TEST_F(LabelFilesTest, VecsysStoresUnitsOf128Samples) {
  info_.annotationKind = kAnnotVecsys;
  ASSERT_TRUE(writeAnnotations(listOf({{200, "w"}, {700, ""}}), info_, 1000));
  notetiqs back;
  EXPECT_TRUE(readAnnotations(back, info_));
  EXPECT_EQ(marksOf(back), (Marks{{128, "w"}, {640, ""}}));
}

TEST_F(LabelFilesTest, UnknownLabelsAreCountedOnce) {
  info_.labelKind = kLabelAlign;
  notetiqs list;
  EXPECT_FALSE(parsePhonemeFile(".ali\nfreq_echt 16000\n 0 10 vcl\n 10 20 zz\n 20 30 #\n 30 40 qq\n 40 0 FIN\n",
                                info_, "f", list));
  EXPECT_EQ(marksOf(list), (Marks{{0, "vcl"}, {160, ""}, {320, "#"}, {480, ""}, {640, ""}}));
  EXPECT_TRUE(rec->saw("2 unknown"));
  EXPECT_EQ(rec->reports().size(), 1u);

  info_.labelKind = kLabelNist;  // NIST drops them silently
  EXPECT_TRUE(parsePhonemeFile("0 10 zz\n10 20 a\n", info_, "f", list));
  EXPECT_EQ(marksOf(list), (Marks{{0, ""}, {10, "a"}, {20, ""}}));
  EXPECT_EQ(rec->reports().size(), 1u);
}

TEST_F(LabelFilesTest, MalformedFilesGiveTheirMessages) {
  notetiqs list;
  info_.labelKind = kLabelSam;
  EXPECT_FALSE(parsePhonemeFile("LBD:\nLBB: 0, 5, 10, a\nLBB: 10, 15\nLBB: 20, 25, 30, p\n", info_, "f.sam", list));
  EXPECT_TRUE(rec->saw("Cannot read: LBB: 10, 15 in f.sam"));
  EXPECT_EQ(marksOf(list), (Marks{{0, "a"}, {10, ""}}));  // reading stopped at the bad line

  info_.labelKind = kLabelAlign;
  EXPECT_FALSE(parsePhonemeFile("ali\n", info_, "f", list));
  EXPECT_TRUE(rec->saw("not ALIGN"));

  info_.annotationKind = kAnnotVecsys;  // bad lines are reported once and reading goes on
  EXPECT_FALSE(parseWordFile("2 L 16 R\n1 x w\n  2 3 v\nbad\n", info_, "f", list));
  EXPECT_EQ(marksOf(list), (Marks{{256, "v"}, {384, ""}}));
  EXPECT_TRUE(rec->saw("Cannot read: 1 x w in f\n(1 more lines"));

  EXPECT_FALSE(readAnnotations(list, info_));  // no such file: the list stays
  EXPECT_TRUE(rec->saw("no word file"));
  info_.labelKind = kLabelQern;
  EXPECT_FALSE(readLabels(list, info_));
  EXPECT_TRUE(rec->saw("no phoneme file"));
  EXPECT_EQ(marksOf(list), (Marks{{256, "v"}, {384, ""}}));
  EXPECT_EQ(rec->count(ReportKind::Message), 5u);
}

// (word file?, kind, content): nothing can be read, so the list stays as it was.
struct HostileCase { bool words; int kind; std::string content; const char* kindName; };

class HostileContent : public LabelFilesTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileContent, KeepsTheListAndSaysNoRecordsWereRead) {
  const HostileCase& c = GetParam();
  (c.words ? info_.annotationKind : info_.labelKind) = c.kind;
  notetiqs list = listOf({{0, "a"}, {10, ""}});
  EXPECT_FALSE(c.words ? parseWordFile(c.content, info_, "f", list) : parsePhonemeFile(c.content, info_, "f", list));
  EXPECT_EQ(marksOf(list), (Marks{{0, "a"}, {10, ""}}));
  EXPECT_TRUE(rec->saw(std::string("no records read from f (is it ") + c.kindName + "? UTF-16?)")) << c.content;
  EXPECT_EQ(rec->reports().size(), 1u);
}

const std::string kUtf16NoMark("0\0 \0001\0000\0 \0a\0\n\0", 14);

INSTANTIATE_TEST_SUITE_P(
    Table, HostileContent,
    ::testing::Values(HostileCase{false, kLabelNist, std::string("\x01\xff\0bin\n\x7f\x02", 9), "NIST"},
                      HostileCase{false, kLabelNist, kUtf16NoMark, "NIST"},
                      HostileCase{false, kLabelQern, "0 10 a\n10 20 p\n", "QERN"},
                      HostileCase{false, kLabelSam, "LBD:\nLBR: 0, 10, , , , w\nELF:\n", "SAM"},
                      HostileCase{false, kLabelAlign, ".ali\nfreq_echt 16000\n 99999999999999 0 a\n", "ALIGN"},
                      HostileCase{true, kAnnotVecsys, "1 L 16 R\n5\n", "VECSYS"},
                      HostileCase{true, kAnnotNist, "100 50 w\n99999999999 99999999999 x\n", "NIST"},
                      HostileCase{true, kAnnotSam, "LBR: 5\n", "SAM"},
                      HostileCase{true, kAnnotNoisex, "File type = \"ooTextFile\"\n", "NOISEX"}));

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
