// The buffer family (sizes, the spare element, kept prefixes, texts, an
// allocation that fails: reported once, buffer unchanged) and the transports:
// bounds of lireSignal, decoding of narrow and swapped words, sources that end
// early, and the scratch buffer left at one sample.
#include "signal/transports.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/headless/recording_reporter.h"
#include "signal/buffers.h"
#include "platform/report.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

TEST(Buffers, ResizingKeepsThePrefixAndASpareElement) {
  SHORTbuf b(3, "b in test");
  EXPECT_EQ(b.size(), 3);
  for (int i = 0; i <= 3; ++i) b[i] = static_cast<std::int16_t>(i + 1);  // element 3 is the spare one
  ASSERT_TRUE(b.newsize(100000));
  EXPECT_EQ(b[2], 3);
  EXPECT_EQ(b[3], 0);  // new elements are zero
  EXPECT_EQ(b[100000], 0);
  ASSERT_TRUE(b.newsize(2));
  EXPECT_EQ(b[1], 2);
  ASSERT_TRUE(b.newsize(-5));
  EXPECT_EQ(b.size(), 0);
  EXPECT_EQ(b.data(), nullptr);
}

TEST(Buffers, FailedAllocationIsReportedOnceAndChangesNothing) {
  ScopedRecorder rec;
  INTbuf b(4, "big one");
  b[0] = 42;
  EXPECT_FALSE(b.newsize(std::int64_t{1} << 40));
  EXPECT_EQ(b.size(), 4);
  EXPECT_EQ(b[0], 42);
  EXPECT_EQ(rec->reports().size(), 1u);
  EXPECT_TRUE(rec->saw("big one"));
}

TEST(Buffers, CharBufSetsAndAppendsText) {
  CHARbuf t(0, "log");
  t.appendText("ab");
  EXPECT_EQ(t.text(), "ab");
  ASSERT_TRUE(t.setText("hello"));
  EXPECT_EQ(t.size(), 6);
  ASSERT_TRUE(t.appendText(", world"));
  EXPECT_EQ(t.text(), "hello, world");
  EXPECT_EQ(t.size(), 13);
}

infoFile writeWords(const test::TempDir& dir, const char* name, const std::vector<std::int16_t>& words, int bits,
                    bool bigEndian) {
  test::writeBytes(dir / name, test::wordBytes(words, bigEndian));
  infoFile info;
  info.nom = (dir / name).string();
  info.nb_bits = bits;
  info.swap = bigEndian ? 1 : 0;
  info.longueur = static_cast<std::int64_t>(words.size()) * 2;
  return info;
}

class Transports : public ::testing::Test {
 protected:
  void SetUp() override { test::loadSignalTexts(); }
  test::TempDir dir;
};

// A stretch past the buffer or the file, or a missing file: one report, nothing read.
TEST_F(Transports, LireSignalReadsUpToTheEndOfTheBufferAndRefusesMore) {
  const infoFile info = writeWords(dir, "a.raw", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 16, false);
  SHORTbuf buf(10, "b");
  {
    ScopedRecorder rec;
    EXPECT_EQ(lireSignal(info, 2, buf, 0, 10), 10);
    EXPECT_EQ(std::pair(buf[0], buf[9]), (std::pair<std::int16_t, std::int16_t>(2, 11)));
    EXPECT_TRUE(rec->reports().empty());
  }
  struct Row {
    std::int64_t offset;
    std::int32_t at, n;
    const char* file;
    ReportKind kind;
    const char* said;  // in the text; the caption for a missing file
  };
  for (const Row& r : {Row{0, 1, 10, "a.raw", ReportKind::Bug, "try to read data out of the buffer"},
                       Row{100, 0, 1, "a.raw", ReportKind::Bug, "offset out of file"},
                       Row{18, 0, 4, "a.raw", ReportKind::Message, "ends before"},  // 2 samples left
                       Row{0, 0, 1, "none.raw", ReportKind::Message, "lireSignal()"}}) {
    SCOPED_TRACE(r.said);
    infoFile source = info;
    source.nom = (dir / r.file).string();
    std::fill(buf.data(), buf.data() + buf.size(), std::int16_t{-1});
    ScopedRecorder rec;
    EXPECT_EQ(lireSignal(source, r.offset, buf, r.at, r.n), 0);
    ASSERT_EQ(rec->count(r.kind), 1u);
    EXPECT_EQ(rec->reports().size(), 1u);
    EXPECT_TRUE(std::string(r.file) == "none.raw" ? rec->reports()[0].caption == r.said : rec->saw(r.said));
    EXPECT_EQ(std::count(buf.data(), buf.data() + buf.size(), -1), 10);
  }
}

// Words of `bits` significant bits in either byte order, read into a buffer
// at `index` (the samples before it must stay as they were) and written back.
struct CodingCase {
  int bits;
  bool bigEndian;
  std::int32_t index;
};
class TransportCoding : public Transports, public ::testing::WithParamInterface<CodingCase> {};

TEST_P(TransportCoding, DecodesIntoTheBufferAtItsIndexAndEncodesBack) {
  const auto [bits, bigEndian, index] = GetParam();
  const std::int16_t low = static_cast<std::int16_t>(-(1 << (bits - 1)));
  const std::int16_t high = static_cast<std::int16_t>((1 << (bits - 1)) - 1);
  const std::vector<std::int16_t> words = {low, high, 1, -1, 0};
  const infoFile info = writeWords(dir, "a.pcm", words, bits, bigEndian);
  SHORTbuf buf(index + 5, "b");
  for (std::int32_t i = 0; i < index; ++i) buf[i] = 0x1234;
  ASSERT_EQ(lireSignal(info, 0, buf, index, 5), 5);
  for (std::int32_t i = 0; i < index; ++i) EXPECT_EQ(buf[i], 0x1234) << i;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(buf[index + i], static_cast<std::int16_t>(words[i] * (1 << (16 - bits)))) << i;

  // And back: shifted right with sign extension, swapped.
  infoFile outInfo = info;
  outInfo.nom = (dir / "b.pcm").string();
  SignalStream out;
  ASSERT_TRUE(out.create(outInfo));
  EXPECT_EQ(copyBufToHFile(buf, index, out, 10), 10);
  ASSERT_TRUE(out.commit());
  EXPECT_EQ(test::readBytes(dir / "b.pcm"), test::readBytes(dir / "a.pcm"));
  EXPECT_EQ(buf[index], static_cast<std::int16_t>(low * (1 << (16 - bits))));  // the buffer itself is not converted
  EXPECT_EQ(transportScratch().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, TransportCoding,
                         ::testing::Values(CodingCase{12, true, 0}, CodingCase{12, true, 3}, CodingCase{16, true, 2},
                                           CodingCase{12, false, 1}, CodingCase{8, false, 4},
                                           CodingCase{16, false, 1}));

TEST_F(Transports, FileToFileStopsAtAnEarlyEndWithoutWriting) {
  const infoFile src = writeWords(dir, "a.raw", std::vector<std::int16_t>(50, 7), 16, false);
  infoFile dstInfo = src;
  dstInfo.nom = (dir / "b.raw").string();
  SignalStream in, out;
  ASSERT_TRUE(in.openRead(src));
  ASSERT_TRUE(out.create(dstInfo));
  ScopedRecorder rec;
  EXPECT_EQ(copyHFileToHFile(in, 0, out, 200), -1);
  EXPECT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].caption, "copyHFileToHFile()");
  EXPECT_TRUE(rec->saw("step 14"));
  EXPECT_EQ(out.size(), 0);
  EXPECT_EQ(copyHFileToHFile(in, 40, out, 60), 60);
  EXPECT_EQ(out.size(), 60);
  EXPECT_EQ(transportScratch().size(), 1);
}

TEST_F(Transports, TracesAtDebugLevelTwo) {
  const infoFile info = writeWords(dir, "a.raw", {1, 2}, 16, false);
  SHORTbuf buf(2, "b");
  ScopedRecorder rec;
  setDebugLevel(2);
  lireSignal(info, 0, buf, 0, 2);
  setDebugLevel(0);
  EXPECT_TRUE(rec->tracedFragment("copyHFileToBuf()"));
  EXPECT_TRUE(rec->tracedFragment("... srcinfo: " + info.nom + ", offset=0"));
}

}  // namespace
}  // namespace ardv
