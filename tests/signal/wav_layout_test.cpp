// The written WAV layout, byte for byte: header fields, pad bytes, RIFF size
// with and without annotation chunks, and replacement of the previous file.

#include "signal/wav_layout.h"

#include <gtest/gtest.h>

#include <iterator>

#include "platform/headless/recording_reporter.h"
#include "tests/annotation/marks.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::Bytes;

class WavLayout : public ::testing::Test {
 protected:
  void SetUp() override { test::loadSignalTexts(); }
  test::TempDir dir;
};

TEST_F(WavLayout, WholeFileIsByteExact) {
  // D = 6; "phon" payload 11 bytes (odd: one pad byte); "word" payload 10 bytes.
  // RIFF size = 6 + 36 + (11 + 1 + 8) + (10 + 8) = 80.
  const Bytes expected = {
      'R', 'I', 'F', 'F', 80, 0, 0, 0, 'W', 'A', 'V', 'E',                              //
      'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x80, 0x3E, 0, 0, 0x00, 0x7D, 0, 0,  //
      2, 0, 16, 0, 'd', 'a', 't', 'a', 6, 0, 0, 0,                                      //
      0x01, 0x00, 0xFE, 0xFF, 0x34, 0x12,                                               //
      'p', 'h', 'o', 'n', 11, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 0, 3, 0, 0, 0, 0,          //
      'w', 'o', 'r', 'd', 10, 0, 0, 0, 0, 0, 0, 0, 'w', 0, 3, 0, 0, 0};
  ScopedRecorder rec;
  ASSERT_TRUE(writeWavFile(dir / "a.wav", {1, -2, 0x1234}, 16000.0, test::listOf(test::Marks{{0, "ab"}, {3, ""}}),
                           test::listOf(test::Marks{{0, "w"}, {3, ""}})));
  EXPECT_EQ(test::readBytes(dir / "a.wav"), expected);
  EXPECT_TRUE(rec->reports().empty());
  // Nothing but the file itself is left in the directory.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

struct SizeCase {
  std::int64_t d, p, w, riff;
};
class WavRiffSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(WavRiffSize, CountsPadBytesAndChunkHeaders) {
  const SizeCase& c = GetParam();
  EXPECT_EQ(wavRiffSize(c.d, c.p, c.w), c.riff);
  std::array<std::uint8_t, kWavHeaderBytes> h{};
  ASSERT_TRUE(wavHeaderBytes(c.d, c.p, c.w, 16000.0, h));
  EXPECT_EQ(h[4] | h[5] << 8 | h[6] << 16, c.riff);
  EXPECT_EQ(h[40] | h[41] << 8 | h[42] << 16, c.d);  // the data size itself has no pad
}

INSTANTIATE_TEST_SUITE_P(Table, WavRiffSize,
                         ::testing::Values(SizeCase{0, 0, 0, 36}, SizeCase{6, 0, 0, 42}, SizeCase{5, 0, 0, 42},
                                           SizeCase{6, 11, 0, 62}, SizeCase{6, 0, 10, 60},
                                           SizeCase{7, 11, 10, 82}));

TEST_F(WavLayout, TrailerPadsOddDataAndOddPayloads) {
  EXPECT_EQ(wavTrailerBytes(5, {}, {}), Bytes{0});
  EXPECT_TRUE(wavTrailerBytes(4, {}, {}).empty());
  Bytes t = wavTrailerBytes(3, {9, 9, 9, 9, 7}, {});
  EXPECT_EQ(t, (Bytes{0, 'p', 'h', 'o', 'n', 5, 0, 0, 0, 9, 9, 9, 9, 7, 0}));
}

TEST_F(WavLayout, HeaderRatesAreTruncatedSeparatelyAndImpossibleHeadersRefused) {
  struct Row {
    std::int64_t d;
    double rate;
    bool ok;
    int rateField = 0, byteRate = 0;
  };
  for (const Row& r : {Row{0, 22050.7, true, 22050, 44101},  // 2 x 22050.7 = 44101.4
                       Row{0xFFFFFFFFLL - 37, 16000, true, 16000, 32000},  // riff = D + 1 + 36 fits exactly
                       Row{0, 0.5, false}, Row{-2, 16000, false}, Row{0xFFFFFFF0LL, 16000, false}}) {
    std::array<std::uint8_t, kWavHeaderBytes> h{};
    ASSERT_EQ(wavHeaderBytes(r.d, 0, 0, r.rate, h), r.ok) << r.d << " " << r.rate;
    if (r.ok) {
      EXPECT_EQ(std::pair(h[24] | h[25] << 8, h[28] | h[29] << 8 | h[30] << 16), std::pair(r.rateField, r.byteRate));
    }
  }
}

// Which chunks the lists give, the first one's payload size, and the reports:
// an empty list writes no chunk, a labelled last boundary is cut (a message),
// long labels are cut between characters (one warning).
TEST_F(WavLayout, ListsGiveTheirChunksWithLabelsCut) {
  std::string accents;
  for (int i = 0; i < 20; ++i) accents += "\xC3\xA9";  // 40 bytes of two-byte characters
  struct Row {
    const char* what;
    test::Marks phon, word;
    std::size_t samples, fileBytes;
    const char* firstChunk;
    int payload;
    std::size_t messages, warnings;
  };
  const Row rows[] = {
      {"bare word marks", {}, {{0, ""}, {2, ""}}, 2, 44 + 4 + 8 + 10, "word", 9, 0, 0},  // 4 + 1 + 4 and a pad
      {"labelled last boundary", {{0, "a"}, {1, "tail"}}, {}, 1, 44 + 2 + 8 + 10, "phon", 10, 1, 0},
      // 4 + 39 + 1, 4 + 38 + 1 (cut before the 20th character), 4
      {"long labels", {{0, std::string(45, 'x')}, {1, accents}, {2, ""}}, {}, 2, 44 + 4 + 8 + 92, "phon", 91, 0, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ScopedRecorder rec;
    const std::vector<std::int16_t> samples(r.samples, 0);
    ASSERT_TRUE(writeWavFile(dir / "b.wav", samples, 8000, test::listOf(r.phon), test::listOf(r.word)));
    const Bytes b = test::readBytes(dir / "b.wav");
    ASSERT_EQ(b.size(), r.fileBytes);
    const std::size_t at = 44 + 2 * r.samples;
    EXPECT_EQ(std::string(b.begin() + at, b.begin() + at + 4), r.firstChunk);
    EXPECT_EQ(b[at + 4] | b[at + 5] << 8, r.payload);
    EXPECT_EQ(rec->count(ReportKind::Message), r.messages);
    EXPECT_EQ(rec->count(ReportKind::Warning), r.warnings);
    EXPECT_EQ(rec->saw("T1201"), r.messages > 0);
  }
}

TEST_F(WavLayout, FailedWriteKeepsThePreviousFile) {
  ScopedRecorder rec;
  std::filesystem::create_directory(dir / "target.wav");
  EXPECT_FALSE(writeWavFile(dir / "target.wav", {1}, 8000, notetiqs{}, notetiqs{}));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "target.wav"));
  EXPECT_FALSE(writeWavFile(dir / "missing" / "x.wav", {1}, 8000, notetiqs{}, notetiqs{}));
  EXPECT_EQ(rec->count(ReportKind::Message), 2u);
  EXPECT_TRUE(rec->saw("writeWavFile()"));

  test::writeFile(dir / "old.wav", "previous");
  EXPECT_FALSE(writeWavFile(dir / "old.wav", {1}, 0.0, notetiqs{}, notetiqs{}));  // rate refused
  EXPECT_EQ(test::readFile(dir / "old.wav"), "previous");
  EXPECT_TRUE(writeWavFile(dir / "old.wav", {1}, 8000, notetiqs{}, notetiqs{}));
  EXPECT_EQ(test::readBytes(dir / "old.wav").size(), 46u);
}

}  // namespace
}  // namespace ardv
