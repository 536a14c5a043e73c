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

TEST_P(Kinds, RoundTrip) {
  const auto [words, kind] = GetParam();
  (words ? info_.annotationKind : info_.labelKind) = kind;
  const Marks& marks = words ? kWords : kPhonemes;
  ASSERT_TRUE(words ? writeAnnotations(listOf(marks), info_, 100000) : writeLabels(listOf(marks), info_, 100000));
  notetiqs back;
  back.insertOrGet(7);  // reading empties the list first
  EXPECT_TRUE(words ? readAnnotations(back, info_) : readLabels(back, info_));
  EXPECT_EQ(marksOf(back), marks);
  EXPECT_TRUE(rec->reports().empty());
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
  // The segment ending at tf and everything after it are not written.
  EXPECT_EQ(formatPhonemeFile(list, info_, 480),
            ".ali\nfreq_echt 16000\n\t         0         10 \ta\n\t        10          0 \tFIN\n\n" + info_.nom + "\n");
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
  EXPECT_TRUE(list.empty());

  info_.annotationKind = kAnnotVecsys;  // bad lines are reported once and reading goes on
  EXPECT_FALSE(parseWordFile("2 L 16 R\n1 x w\n  2 3 v\nbad\n", info_, "f", list));
  EXPECT_EQ(marksOf(list), (Marks{{256, "v"}, {384, ""}}));
  EXPECT_TRUE(rec->saw("Cannot read: 1 x w in f\n(1 more lines"));

  info_.annotationKind = kAnnotSam;
  EXPECT_FALSE(parseWordFile("LBR: 5\nLBR: 1, 2, , , , w\n", info_, "f", list));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(rec->count(ReportKind::Message), 4u);

  EXPECT_FALSE(readAnnotations(list, info_));  // no such file
  EXPECT_TRUE(rec->saw("no word file"));
  info_.labelKind = kLabelQern;
  EXPECT_FALSE(readLabels(list, info_));
  EXPECT_TRUE(rec->saw("no phoneme file"));
  EXPECT_TRUE(list.empty());
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
