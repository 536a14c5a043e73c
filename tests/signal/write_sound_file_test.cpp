// Writing whole files: byte-exact round trips through WAV, the annotation
// chunks, the three stretches, and failures that never lose the previous file.
#include "signal/write_sound_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/headless/recording_reporter.h"
#include "signal/sample_coding.h"
#include "signal/wavfile.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

std::vector<std::int16_t> randomWords(std::size_t n, int bits, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(-(1 << (bits - 1)), (1 << (bits - 1)) - 1);
  std::vector<std::int16_t> out(n);
  for (auto& w : out) w = static_cast<std::int16_t>(dist(gen));
  return out;
}

infoFile describe(const std::filesystem::path& path, int bits, int swap, std::int64_t bytes) {
  infoFile info;
  info.nom = path.string();
  info.nb_bits = bits;
  info.swap = swap;
  info.frequence = 16000;
  info.longueur = bytes;
  return info;
}

// Copies the whole sample area of `from` into `to` through writeSoundFile.
int convert(const infoFile& from, const infoFile& to) {
  writeSoundFile w(to);
  w.setSource(from, from.depl, from.longueur, 0, 0);
  return w.flush();
}

struct RoundTrip {
  int bits;
  bool bigEndian;
  std::size_t samples;
};
class ThroughWav : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ThroughWav, ComesBackByteExact) {
  test::TempDir dir;
  const auto words = randomWords(GetParam().samples, GetParam().bits, 17);
  test::writeBytes(dir / "in.raw", test::wordBytes(words, GetParam().bigEndian));
  const int swap = GetParam().bigEndian ? 1 : 0;
  const infoFile in = describe(dir / "in.raw", GetParam().bits, swap, static_cast<std::int64_t>(words.size()) * 2);
  infoFile wav = describe(dir / "mid.wav", 16, 0, 0);
  ASSERT_EQ(convert(in, wav), 0);

  // The copy in 40000-byte pieces equals the conversion of the whole array.
  const auto wavBytes = test::readBytes(dir / "mid.wav");
  ASSERT_EQ(wavBytes.size(), 44 + words.size() * 2);
  std::vector<std::int16_t> whole = words;
  decodeSamples(whole.data(), whole.size(), GetParam().bits, 0);
  EXPECT_TRUE(std::equal(wavBytes.begin() + 44, wavBytes.end(), test::wordBytes(whole, false).begin()));

  ASSERT_TRUE(init_infoFile_read_WAV(wav));
  EXPECT_EQ(wav.frequence, 16000);
  const infoFile out = describe(dir / "out.raw", GetParam().bits, swap, 0);
  ASSERT_EQ(convert(wav, out), 0);
  EXPECT_EQ(test::readBytes(dir / "out.raw"), test::readBytes(dir / "in.raw"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ThroughWav,
                         ::testing::Values(RoundTrip{16, false, 50001}, RoundTrip{12, true, 65537},
                                           RoundTrip{16, true, 20000}, RoundTrip{8, false, 3}));

TEST(WriteSoundFile, CarriesAnnotationChunksAndPadsOddData) {
  test::TempDir dir;
  test::writeBytes(dir / "in.raw", test::wordBytes({1, 2, 3, 4, 5}, false));
  infoFile in = describe(dir / "in.raw", 16, 0, 10);
  writeSoundFile w(describe(dir / "out.wav", 16, 0, 0));
  w.setSource(in, 0, 9, 0, 0);  // an odd byte count
  w.addPhon(0, "a");
  w.addPhon(2, "bb");
  w.addPhon(4, "");
  w.addWord(1, "word");
  w.addWord(3, "");
  ASSERT_EQ(w.flush(), 0);
  const auto bytes = test::readBytes(dir / "out.wav");
  EXPECT_EQ(bytes[44 + 9], 0);  // pad byte
  EXPECT_EQ(std::string(bytes.begin() + 54, bytes.begin() + 58), "phon");
  infoFile wav;
  wav.nom = (dir / "out.wav").string();
  ASSERT_TRUE(init_infoFile_read_WAV(wav));
  EXPECT_EQ(wav.longueur, 8);
  notetiqs phon, word;
  ASSERT_TRUE(readnotetiqs(wav.nom, phon, wav.etiqdepl, wav.etiqlongueur));
  ASSERT_TRUE(readnotetiqs(wav.nom, word, wav.notedepl, wav.notelongueur));
  ASSERT_EQ(phon.count(), 3);
  EXPECT_EQ(phon.Text(1), "bb");
  EXPECT_EQ(phon.position(2), 4);
  ASSERT_EQ(word.count(), 2);
  EXPECT_EQ(word.Text(0), "word");
}

TEST(WriteSoundFile, MiddleBufferStartsAtHalfItsByteOffset) {
  test::TempDir dir;
  test::writeBytes(dir / "in.raw", test::wordBytes({10, 11, 12, 13, 14, 15}, false));
  SHORTbuf middle(4, "middle");
  for (int i = 0; i < 4; ++i) middle[i] = static_cast<std::int16_t>(100 + i);
  writeSoundFile w(describe(dir / "out.raw", 16, 0, 0));
  w.setSource(describe(dir / "in.raw", 16, 0, 12), 0, 4, 8, 4);
  w.setMiddleBuffer(middle, 2, 4);
  ASSERT_EQ(w.flush(), 0);
  EXPECT_EQ(test::readBytes(dir / "out.raw"), test::wordBytes({10, 11, 101, 102, 14, 15}, false));

  // With no stretch from the source, the source is never opened.
  ScopedRecorder rec;
  writeSoundFile onlyBuffer(describe(dir / "buf.wav", 16, 0, 0));
  onlyBuffer.setSource(describe(dir / "missing.raw", 16, 0, 0), 0, 0, 0, 0);
  onlyBuffer.setMiddleBuffer(middle, 0, 8);
  EXPECT_EQ(onlyBuffer.flush(), 0);
  EXPECT_TRUE(rec->reports().empty());
}

TEST(WriteSoundFile, MaySaveOverItsOwnSource) {
  test::TempDir dir;
  test::writeBytes(dir / "a.raw", test::wordBytes({1, 2, 3, 4}, false));
  const infoFile a = describe(dir / "a.raw", 16, 0, 8);
  writeSoundFile w(a);
  w.setSource(a, 4, 4, 0, 4);  // swap the two halves
  ASSERT_EQ(w.flush(), 0);
  EXPECT_EQ(test::readBytes(dir / "a.raw"), test::wordBytes({3, 4, 1, 2}, false));
}

class FailingFlush : public ::testing::Test {
 protected:
  void SetUp() override {
    test::loadSignalTexts();
    test::writeBytes(dir_ / "in.raw", test::wordBytes(randomWords(100000, 16, 3), false));
    test::writeFile(dir_ / "old.wav", "previous content");
  }
  // True when the previous file is intact and no temporary file is left.
  bool previousKept() {
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) files += e.is_regular_file() ? 1 : 0;
    return test::readFile(dir_ / "old.wav") == "previous content" && files == 2;
  }
  test::TempDir dir_;
};

// Unwritable places, and a source that ends early over the previous file.
TEST_F(FailingFlush, FailuresAreReportedOnceAndKeepThePreviousFile) {
  struct Case {
    std::filesystem::path target;
    int bits;
    std::int64_t length;
    const char* caption;
  };
  const char* flush = "writeSoundFile::flush()";
  for (const Case& c : {Case{dir_ / "in.raw" / "x.wav", 16, 200000, flush},
                        Case{dir_ / "none" / "x.wav", 16, 200000, flush},
                        Case{dir_ / "old.wav", 12, 200002, "copyHFileToHFile()"}}) {
    SCOPED_TRACE(c.target);
    ScopedRecorder rec;
    writeSoundFile w(describe(c.target, 16, 0, 0));
    w.setSource(describe(dir_ / "in.raw", c.bits, c.bits == 12 ? 1 : 0, 0), 0, c.length, 0, 0);
    EXPECT_EQ(w.flush(), 1);
    ASSERT_EQ(rec->reports().size(), 1u);
    EXPECT_EQ(rec->reports()[0].caption, c.caption);
  }
  EXPECT_TRUE(previousKept());
}

TEST_F(FailingFlush, AWriteThatFailsHalfWayKeepsThePreviousFile) {
  // Converted through memory (12 bits) and copied by the system (16 bits);
  // each failure is reported once, with the system's reason.
  int results[2] = {-1, -1};
  std::vector<Report> seen[2];
  {
    const test::FileSizeLimit limit(65536);
    for (int i = 0; i < 2; ++i) {
      ScopedRecorder rec;
      writeSoundFile w(describe(dir_ / "old.wav", 16, 0, 0));
      w.setSource(describe(dir_ / "in.raw", i == 0 ? 12 : 16, 0, 200000), 0, 200000, 0, 0);
      results[i] = w.flush();
      seen[i] = rec->reports();
    }
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(results[i], 1);
    ASSERT_EQ(seen[i].size(), 1u);
    EXPECT_NE(seen[i][0].text.find(std::strerror(EFBIG)), std::string::npos);
  }
  EXPECT_TRUE(previousKept());
}

}  // namespace
}  // namespace ardv
