// The written WAV layout, byte for byte: header fields, pad bytes, RIFF size
// with and without annotation chunks, and replacement of the previous file.

#include "signal/wav_layout.h"

#include <gtest/gtest.h>

#include <iterator>

#include "platform/headless/recording_reporter.h"
#include "tests/signal/wav_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::Bytes;

notetiqs labelled(std::initializer_list<std::pair<std::int32_t, const char*>> marks) {
  notetiqs list;
  for (auto [p, t] : marks) list.SetText(list.insertOrGet(p), t);
  return list;
}

class WavLayout : public ::testing::Test {
 protected:
  void SetUp() override { test::loadWavTexts(); }
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
  ASSERT_TRUE(writeWavFile(dir / "a.wav", {1, -2, 0x1234}, 16000.0, labelled({{0, "ab"}, {3, ""}}),
                           labelled({{0, "w"}, {3, ""}})));
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

TEST_F(WavLayout, RateAndByteRateAreTruncatedSeparately) {
  std::array<std::uint8_t, kWavHeaderBytes> h{};
  ASSERT_TRUE(wavHeaderBytes(0, 0, 0, 22050.7, h));
  EXPECT_EQ(h[24] | h[25] << 8, 22050);
  EXPECT_EQ(h[28] | h[29] << 8, 44101);  // 2 x 22050.7 = 44101.4
}

TEST_F(WavLayout, ImpossibleHeadersAreRefused) {
  std::array<std::uint8_t, kWavHeaderBytes> h{};
  EXPECT_FALSE(wavHeaderBytes(0, 0, 0, 0.5, h));
  EXPECT_FALSE(wavHeaderBytes(-2, 0, 0, 16000, h));
  EXPECT_FALSE(wavHeaderBytes(0xFFFFFFF0LL, 0, 0, 16000, h));
  EXPECT_TRUE(wavHeaderBytes(0xFFFFFFFFLL - 37, 0, 0, 16000, h));  // riff = D + 1 + 36 fits exactly
}

TEST_F(WavLayout, UnlabelledListsAndEmptyListsAreWrittenOrNot) {
  ASSERT_TRUE(writeWavFile(dir / "b.wav", {0, 0}, 8000, notetiqs{}, labelled({{0, ""}, {2, ""}})));
  Bytes b = test::readBytes(dir / "b.wav");
  ASSERT_EQ(b.size(), 44u + 4 + 8 + 10);  // no "phon"; "word" of two bare marks: 4 + 1 + 4 bytes and a pad
  EXPECT_EQ(std::string(b.begin() + 48, b.begin() + 52), "word");
}

TEST_F(WavLayout, LabelledLastBoundaryIsReportedAndCut) {
  ScopedRecorder rec;
  ASSERT_TRUE(writeWavFile(dir / "c.wav", {0}, 8000, labelled({{0, "a"}, {1, "tail"}}), notetiqs{}));
  EXPECT_EQ(rec->count(ReportKind::Message), 1u);
  EXPECT_TRUE(rec->saw("T1201"));
  Bytes b = test::readBytes(dir / "c.wav");
  EXPECT_EQ(b.size(), 44u + 2 + 8 + 10);  // payload 0000 'a' 0 0100 = 10 bytes
}

TEST_F(WavLayout, LongLabelsAreCutBetweenCharactersWithOneWarning) {
  ScopedRecorder rec;
  std::string ascii(45, 'x');
  std::string accents;
  for (int i = 0; i < 20; ++i) accents += "\xC3\xA9";  // 40 bytes of two-byte characters
  ASSERT_TRUE(writeWavFile(dir / "d.wav", {0, 0}, 8000, labelled({{0, ascii.c_str()}, {1, accents.c_str()}, {2, ""}}),
                           notetiqs{}));
  EXPECT_EQ(rec->count(ReportKind::Warning), 1u);
  Bytes b = test::readBytes(dir / "d.wav");
  // payload: 4 + 39 + 1, 4 + 38 + 1 (cut before the 20th character), 4
  EXPECT_EQ(b[52] | b[53] << 8, 4 + 40 + 4 + 39 + 4);
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
