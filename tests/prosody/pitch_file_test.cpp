// Pitch files: line layout, chunked whole-file analysis (the same on any
// thread count), reading back with
// the cache, bad files and paths.
#include <gtest/gtest.h>

#include <cstdio>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "platform/thread_pool.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_file_reader.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

class PitchFileTest : public testing::Test {
 protected:
  void SetUp() override { ml_init(test::sourceDataDir() / "format" / "english.txt"); }

  infoFile wavOf(const test::KnownF0Signal& s, const std::string& name) {
    const auto path = dir_ / name;
    EXPECT_TRUE(test::writeWav(path, s.samples, s.fs));
    infoFile info;
    info.nom = path.string();
    EXPECT_TRUE(init_infoFile_read(info));
    return info;
  }

  // Lines of a pitch file: (ms, Hz), checking the fixed layout on the way.
  std::vector<std::pair<long, int>> lines(const std::filesystem::path& path) {
    const std::string text = test::readFile(path);
    EXPECT_EQ(text.size() % kPitchLineBytes, 0u);
    EXPECT_EQ(text.substr(0, kPitchLineBytes), kPitchHeader);
    std::vector<std::pair<long, int>> out;
    for (std::size_t at = kPitchLineBytes; at + kPitchLineBytes <= text.size(); at += kPitchLineBytes) {
      long ms = 0;
      int hz = 0;
      EXPECT_EQ(std::sscanf(text.c_str() + at, "%10ld %5d", &ms, &hz), 2);
      EXPECT_EQ(text.substr(at + 16, 2), "\r\n");
      out.emplace_back(ms, hz);
    }
    return out;
  }

  // The whole signal analysed in one run.
  static PitchTrack wholeOf(const test::KnownF0Signal& s) {
    PitchTrack whole;
    EXPECT_TRUE(calcPitchMartin(s.samples.data(), static_cast<std::int64_t>(s.samples.size()), 0, s.fs,
                                speakerF0Params(-1), PitchOptions{}, whole));
    return whole;
  }

  ScopedRecorder rec;
  test::TempDir dir_;
};

// A file shorter than a chunk is the analysis of the whole signal; a long one
// is written in chunks with every frame, and as thresholds are set per chunk
// a few decisions may differ from one run over the whole signal.
TEST_F(PitchFileTest, LongFileIsWrittenInChunksWithEveryFrame) {
  EXPECT_EQ(pitchLine(16, 120), "        16   120\r\n");
  EXPECT_EQ(pitchLine(1234567890, 0), "1234567890     0\r\n");
  const struct {
    test::KnownF0Signal s;
    int tolHz;
    double agreement;
  } rows[] = {{test::knownF0Set()[1], 0, 1.0}, {test::speechLike(16000, 14.0, 11), 1, 0.97}};
  for (const auto& [s, tolHz, agreement] : rows) {
    // Chunks on one thread, then in batches of two and of three: the same bytes.
    setWorkerThreads(1);
    ASSERT_TRUE(pitchFileFromSignal(wavOf(s, "a.wav"), dir_ / "a.pit", speakerF0Params(-1), PitchOptions{}));
    for (const int threads : {2, 3}) {
      setWorkerThreads(threads);
      ASSERT_TRUE(pitchFileFromSignal(wavOf(s, "a.wav"), dir_ / "b.pit", speakerF0Params(-1), PitchOptions{}));
      EXPECT_EQ(test::readFile(dir_ / "b.pit"), test::readFile(dir_ / "a.pit")) << s.name << ", " << threads;
    }
    setWorkerThreads(0);
    const PitchTrack whole = wholeOf(s);
    const auto got = lines(dir_ / "a.pit");
    ASSERT_EQ(static_cast<int>(got.size()), whole.frames) << s.name;
    int same = 0;
    for (std::size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k].first, samplesToMs(static_cast<double>(whole.centre(static_cast<int>(k))), s.fs)) << k;
      const int w = whole.pitchCorrige[k];
      same += (w > 0) == (got[k].second > 0) && std::abs(w - got[k].second) <= tolHz;
    }
    EXPECT_GE(same, agreement * static_cast<double>(got.size())) << s.name;
  }
}

TEST_F(PitchFileTest, ReadBackGivesTheValuesOfTheNearestRecord) {
  const auto s = test::knownF0Set()[4];
  const infoFile info = wavOf(s, "glide.wav");
  const auto pit = dir_ / "glide.pit";
  ASSERT_TRUE(pitchFileFromSignal(info, pit, speakerF0Params(-1), PitchOptions{}));
  program().en_cours = info;
  program().fileLoaded = true;
  ASSERT_TRUE(openPitchFile(pit));
  const auto got = lines(pit);
  for (std::size_t k = 0; k < got.size(); ++k) {
    const std::int64_t t = msToSamples(static_cast<double>(got[k].first), s.fs);
    ASSERT_EQ(pitchFromFile(t), got[k].second) << k;
    ASSERT_EQ(pitchFromFile(t + msToSamples(3, s.fs)), got[k].second) << k;  // 3 ms later, still nearer
  }
  program().en_cours.nom = "other.wav";
  EXPECT_EQ(pitchFromFile(msToSamples(500, s.fs)), 0);
  program().fileLoaded = false;
  currentPitchFile() = CurrentPitchFile{};
  EXPECT_EQ(rec->count(ReportKind::Message), 0u);
}

TEST_F(PitchFileTest, OtherSpacingAndLongerFirstWordAreAccepted) {
  test::writeFile(dir_ / "hand.pit", ".pitch\n100 110\n108 120\n 116   130\n300 140\n");
  PitchFileCache cache;
  const double fs = 1000;  // one sample per ms
  // 105 is nearer to 108 than to 100; 200 is 84 ms away from 116, beyond D = 5 * 8 ms.
  for (const auto& [at, hz] : {std::pair{105, 120}, {103, 110}, {200, 0}, {290, 140}})
    EXPECT_EQ(cache.lookup(dir_ / "hand.pit", fs, at), hz) << at;
  // The step is the file's, not the loaded window's: a fresh cache agrees.
  EXPECT_EQ(PitchFileCache().lookup(dir_ / "hand.pit", fs, 200), 0);
  EXPECT_EQ(rec->count(ReportKind::Message) + rec->count(ReportKind::Bug), 0u);
}

// Jumps far ahead and far back, inside the cached window and out of it, give
// the record there.
TEST_F(PitchFileTest, LookupFarAheadThenFarBack) {
  std::string text = kPitchHeader;
  for (int k = 0; k < 2500; ++k) text += pitchLine(8 * k + 4, 60 + k % 500);
  test::writeFile(dir_ / "long.pit", text);
  PitchFileCache cache;
  for (const int k : {1, 700, 3, 2000, 2400, 2001, 1500, 0, 2499}) {
    EXPECT_EQ(cache.lookup(dir_ / "long.pit", 1000, 8 * k + 4), 60 + k % 500) << k;
    EXPECT_EQ(cache.lookup(dir_ / "long.pit", 1000, 8 * k + 7), 60 + k % 500) << k;
  }
}

TEST_F(PitchFileTest, BadPitchFilesGiveZeroQuietly) {
  PitchFileCache cache;
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""}, {"short header", ".pi 100 110\n"}, {"other header", "pit. 100 110\n"},
      {"garbage", std::string("\x00\xff\x13 12", 6)}, {"huge", ".pit 99999999999999999999 5\n"}};
  for (const auto& [name, content] : cases) {
    test::writeFile(dir_ / "bad.pit", content);
    cache.clear();
    EXPECT_EQ(cache.lookup(dir_ / "bad.pit", 16000, 1600), 0) << name;
  }
  EXPECT_EQ(cache.lookup(dir_ / "missing.pit", 16000, 0), 0);
  EXPECT_EQ(rec->count(ReportKind::Message) + rec->count(ReportKind::Bug) + rec->count(ReportKind::Warning), 0u);
}

TEST_F(PitchFileTest, PathsThatAreNotFilesAreReportedOnce) {
  currentPitchFile() = CurrentPitchFile{};
  EXPECT_FALSE(checkPitchFilePath(dir_.path()));
  EXPECT_TRUE(rec->saw(text(7902)));
  EXPECT_FALSE(openPitchFile(dir_ / "nothing.pit"));
  EXPECT_TRUE(rec->saw(text(7901)));
  EXPECT_TRUE(rec->saw(text(6930)));
  EXPECT_EQ(rec->count(ReportKind::Message), 3u);
  EXPECT_TRUE(currentPitchFile().path.empty());
}

TEST_F(PitchFileTest, UncreatablePitchFileIsReported) {
  const auto s = test::knownF0Set()[0];
  const infoFile info = wavOf(s, "a.wav");
  EXPECT_FALSE(pitchFileFromSignal(info, dir_ / "no" / "a.pit", speakerF0Params(-1), PitchOptions{}));
  EXPECT_EQ(rec->count(ReportKind::Message), 1u);
  EXPECT_TRUE(rec->saw(text(6900)));
  EXPECT_FALSE(pitchOutputDirectoryExists(dir_ / "no" / "a.pit"));
  EXPECT_EQ(rec->count(ReportKind::Warning), 1u);
}

TEST_F(PitchFileTest, FailureHalfWayKeepsThePreviousPitchFile) {
  const auto s = test::speechLike(16000, 14.0, 11);
  const infoFile info = wavOf(s, "cut.wav");
  // The file loses its second half after it was described: the second chunk cannot be read.
  std::filesystem::resize_file(info.nom, 44 + 2 * 16000 * 7);
  const auto pit = dir_ / "cut.pit";
  test::writeFile(pit, "previous");
  EXPECT_FALSE(pitchFileFromSignal(info, pit, speakerF0Params(-1), PitchOptions{}));
  EXPECT_EQ(test::readFile(pit), "previous");
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().string().find("ardv-tmp"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace ardv
