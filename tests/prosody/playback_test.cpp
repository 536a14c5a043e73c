// Playback and recording through the null devices: the bytes handed over,
// the reopen at 11025 Hz with rate conversion, repeats and Escape, the
// recorded WAV; energy parameters and frames, whole-file energy lines, and
// the speech start/end detector's confirmation rules.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <tuple>

#include "platform/headless/preset_dialogs.h"
#include "platform/headless/recording_reporter.h"
#include "platform/keyboard.h"
#include "platform/null_audio.h"
#include "prosody/energy.h"
#include "prosody/energy_file.h"
#include "prosody/play_signal.h"
#include "prosody/playback.h"
#include "prosody/recording.h"
#include "prosody/speech_detector.h"
#include "signal/current_signal.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

std::vector<std::int16_t> samplesOf(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::int16_t> x;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    x.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return x;
}

// Frequency of the strongest DFT component of `x` at `rateHz`, searched in 1 Hz steps.
double peakHz(const std::vector<std::int16_t>& x, double rateHz) {
  double best = 0.0, bestPower = -1.0;
  for (double f = 500.0; f <= 1500.0; f += 1.0) {
    double re = 0.0, im = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
      re += x[i] * std::cos(2.0 * std::numbers::pi * f * static_cast<double>(i) / rateHz);
      im += x[i] * std::sin(2.0 * std::numbers::pi * f * static_cast<double>(i) / rateHz);
    }
    if (re * re + im * im > bestPower) bestPower = re * re + im * im, best = f;
  }
  return best;
}

class PlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ml_init(test::sourceDataDir() / "format" / "english.txt")); }
  ScopedRecorder recorder_;
  NullAudioOutput device_;
};

TEST_F(PlaybackTest, SixteenAndEightBitBytes) {
  const std::vector<std::int16_t> x{-32768, 0, 32767, -1, 256};
  ASSERT_EQ(play(device_, x, 16000), 1);
  EXPECT_EQ(std::pair(device_.opened().bitsPerSample, device_.opened().bytesPerSecond()), std::pair(16, 32000));
  EXPECT_EQ(device_.blocks()[0], (std::vector<std::uint8_t>{0x00, 0x80, 0, 0, 0xff, 0x7f, 0xff, 0xff, 0x00, 0x01}));
  EXPECT_TRUE(recorder_->tracedFragment("play() 16 bits"));

  NullAudioOutput eightBit;
  eightBit.setSupports16(false);
  ASSERT_EQ(play(eightBit, x, 16000), 1);
  EXPECT_EQ(std::pair(eightBit.opened().bitsPerSample, eightBit.opened().blockAlign()), std::pair(8, 1));
  EXPECT_EQ(eightBit.blocks()[0], (std::vector<std::uint8_t>{0, 128, 255, 127, 129}));
  EXPECT_FALSE(eightBit.isOpen());
}

// Whatever rate the device takes (the rate asked, else 11025 Hz converted
// to), a 1 kHz tone is heard at 1 kHz for as long.
TEST_F(PlaybackTest, PlaysAtTheRightSpeed) {
  for (const auto& [rateHz, refused, openedHz] :
       {std::tuple{16000, false, 16000}, {16000, true, 11025}, {22050, true, 11025}, {11030, false, 11025},
        {12000, true, 11025}, {8000, true, 11025}, {44100, true, 11025}, {48000, true, 11025}}) {
    SCOPED_TRACE(std::to_string(rateHz) + (refused ? " Hz refused" : " Hz"));
    NullAudioOutput device;
    if (refused) device.refuseRate(rateHz);
    const int n = rateHz / 2;
    const std::vector<std::int16_t> x = test::sine(n, rateHz, 1000.0, 10000);
    Playback playback(device);
    ASSERT_TRUE(playback.start(x, rateHz, 1));
    EXPECT_EQ(std::pair(playback.deviceRateHz(), playback.converted()), std::pair(openedHz, refused));
    ASSERT_TRUE(playback.poll());
    const std::vector<std::int16_t> played = samplesOf(device.blocks().at(0));
    if (refused) {
      EXPECT_NEAR(static_cast<double>(played.size()), static_cast<double>(n) * openedHz / rateHz, 1.0);
      EXPECT_NEAR(peakHz(played, openedHz), 1000.0, 2.0);
    } else {
      EXPECT_EQ(played, x);
    }
    EXPECT_FALSE(playback.poll() || device.isOpen());
  }
}

// A device refusing both rates, and no device at all: said once, nothing played.
TEST_F(PlaybackTest, NoUsableDeviceIsSaidOnceAndPlaysNothing) {
  device_.refuseRate(16000);
  device_.refuseRate(11025);
  NullAudioOutput missing(false);
  for (const auto& [device, said] : {std::pair{&device_, "format not supported"}, {&missing, "No audio output device"}}) {
    const std::size_t before = recorder_->reports().size();
    EXPECT_EQ(play(*device, test::sine(100, 16000, 440.0, 10000), 16000), -1);
    EXPECT_TRUE(device->blocks().empty());
    ASSERT_EQ(recorder_->reports().size(), before + 1);
    EXPECT_NE(recorder_->reports().back().text.find(said), std::string::npos) << said;
  }
  EXPECT_EQ(recorder_->reports()[0].caption, "waveOutOpen()");
}

TEST_F(PlaybackTest, RepeatsAndEscape) {
  const std::vector<std::int16_t> x = test::sine(50, 16000, 440.0, 10000);
  EXPECT_EQ(play(device_, x, 16000, 3), 3);
  EXPECT_EQ(device_.blocks().size(), 3u);
  EXPECT_EQ(device_.blocks()[2], device_.blocks()[0]);
  EXPECT_EQ(play(device_, x, 16000, 0), 1);  // at least once

  NullAudioOutput stopped;
  ScriptedKeyboard keyboard(2);  // the first poll forgets earlier presses
  ScopedKeyboard scope(keyboard);
  EXPECT_EQ(play(stopped, x, 16000, 10), 2);
  EXPECT_EQ(stopped.blocks().size(), 2u);
  EXPECT_FALSE(stopped.isOpen());
}

class RecordingTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    program().dirs.temp = dir_.path();
    resetCurrent();
  }
  void TearDown() override { resetCurrent(); }
  test::TempDir dir_;
  NullAudioInput input_;
};

TEST_F(RecordingTest, ScriptedCaptureBecomesTheCurrentSignalAt22050) {
  input_.script(test::sine(5000, 22050, 1000.0, 10000));
  EXPECT_EQ(record(input_, 4.0), 5000);
  EXPECT_EQ(std::tuple(input_.opened().rateHz, input_.bufferFrames()), std::tuple(22050, 88200));
  EXPECT_TRUE(program().fileLoaded);
  EXPECT_EQ(std::tuple(program().en_cours.nom, program().en_cours.frequence, program().ct.tf),
            std::tuple((dir_ / "record.wav").string(), 22050.0, 5000));
  EXPECT_EQ(program().memory.data()[100], test::sine(101, 22050, 1000.0, 10000)[100]);
  EXPECT_EQ(std::filesystem::file_size(dir_ / "record.raw"), 10000u);
  EXPECT_TRUE(recorder_->reports().empty());
}

TEST_F(RecordingTest, RefusedWhenTheDeviceCannotRecordMono) {
  input_.setSupports22050(false);
  input_.script(test::sine(5000, 22050, 1000.0, 10000));
  EXPECT_EQ(record(input_, 4.0), -1);
  EXPECT_TRUE(recorder_->saw("Impossible d'enregistrer en mono"));
  EXPECT_FALSE(program().fileLoaded);
  EXPECT_EQ(record(input_, -1.0), -1);
}

TEST_F(RecordingTest, FileOfAProfileIsPlayedThroughItsWavCopy) {
  test::loadShippedProfiles();
  presetDialogs() = PresetDialogs{};
  presetDialogs().profileName = "pcm12be-16k";
  test::writeBytes(dir_ / "b.raw", test::wordBytes({-2048, 2047, 5}, true));
  ASSERT_TRUE(openFile((dir_ / "b.raw").string()));
  const std::string name = fileToPlay();
  EXPECT_EQ(name, (dir_ / "tmp.wav").string());
  std::vector<std::int16_t> x;
  int rateHz = 0;
  ASSERT_TRUE(readWavSamples(name, x, rateHz));
  EXPECT_EQ(std::tuple(rateHz, x), std::tuple(16000, std::vector<std::int16_t>{-32768, 32752, 80}));
  ASSERT_TRUE(currentStretchSamples(1, 9, x));  // clipped to the signal
  EXPECT_EQ(x, (std::vector<std::int16_t>{32752, 80}));
  EXPECT_FALSE(currentStretchSamples(5, 9, x));  // past the end: said, not silent
  EXPECT_TRUE(x.empty());
  EXPECT_TRUE(recorder_->saw("Nothing to play: the signal holds no sample there."));
  presetDialogs() = PresetDialogs{};
}

// Frame length, FFT size, hop and band bins at 16 kHz, and the frame length
// after a cut to 2048 samples.
TEST(EnergySetup, DerivedSizes) {
  const struct {
    float fLow, fHigh, windowMs;
    int Le, Ne, He, bl, bh;
    float windowAfter;
  } rows[] = {
      {0, 8000, 16, 256, 256, 51, 0, 128, 16},         // 8000 Hz is the Nyquist bin
      {0, 20000, 200, 2048, 2048, 409, 0, 1024, 128},  // limited to Nyquist, long frame cut
      {1000, 1000, 16, 256, 256, 51, 16, 16, 16},      // equal limits: one bin
  };
  for (const auto& r : rows) {
    EnergyParams p;
    p.fLow = r.fLow, p.fHigh = r.fHigh, p.windowMs = r.windowMs;
    EnergySetup s;
    ASSERT_TRUE(energySetup(p, 16000, s));
    EXPECT_EQ((std::vector<int>{s.Le, s.Ne, s.He, s.bl, s.bh}), (std::vector<int>{r.Le, r.Ne, r.He, r.bl, r.bh}))
        << r.fHigh << " Hz, " << r.windowMs << " ms";
    EXPECT_FLOAT_EQ(p.windowMs, r.windowAfter);
  }
}

TEST(FrameEnergy, OneBinHoldsTheLevelOfASine) {
  EnergyParams p;
  p.fLow = p.fHigh = 1000;
  EnergySetup s;
  ASSERT_TRUE(energySetup(p, 16000, s));
  // A 1000-Hz sine of amplitude 1000 with a rectangular 256-sample frame:
  // |X| = 1000 * 256 / 2 at bin 16, level 10*log10(128000^2) + 20*log10(128/256).
  const std::vector<std::int16_t> x = test::sine(256, 16000, 1000, 1000);
  FrameEnergy e(s);
  EXPECT_NEAR(e(x.data()), 20 * std::log10(128000.0) + 20 * std::log10(0.5), 0.05);
}

// Each check corrects its field at 16 kHz and says so; a good value is left unsaid.
TEST(EnergyChecks, CorrectionsOfTheOptions) {
  using Check = std::string (*)(EnergyParams&, double);
  const struct {
    Check check;
    float fLow, fHigh, windowMs;
    float EnergyParams::*field;
    float expect;
    bool said;
  } rows[] = {
      {checkEnergyLow, 9000, 8000, 16, &EnergyParams::fLow, 7000, true},
      {checkEnergyLow, 7500, 8000, 16, &EnergyParams::fLow, 7000, true},
      {checkEnergyHigh, 7000, 9000, 16, &EnergyParams::fHigh, 8000, true},
      {checkEnergyHigh, 3000, 2000, 16, &EnergyParams::fHigh, 4000, true},
      {checkEnergyWindow, 0, 8000, -1, &EnergyParams::windowMs, 16, true},
      {checkEnergyWindow, 0, 8000, NAN, &EnergyParams::windowMs, 16, true},
      {checkEnergyWindow, 0, 8000, 500, &EnergyParams::windowMs, 128, true},
      {checkEnergyWindow, 0, 8000, 128, &EnergyParams::windowMs, 128, false},
  };
  for (const auto& r : rows) {
    EnergyParams p;
    p.fLow = r.fLow, p.fHigh = r.fHigh, p.windowMs = r.windowMs;
    EXPECT_EQ(r.check(p, 16000).empty(), !r.said) << r.fLow << " " << r.fHigh << " " << r.windowMs;
    EXPECT_FLOAT_EQ(p.*r.field, r.expect) << r.fLow << " " << r.fHigh << " " << r.windowMs;
  }
}

// One signal file (300 ms of near silence first): its energy lines and its speech.
TEST(EnergyFile, LinesAreRelativeToTheLowestEnergyAndSpeechIsFound) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  test::TempDir dir;
  const auto s = test::knownF0Set()[12];
  ASSERT_TRUE(test::writeWav(dir / "e.wav", s.samples, s.fs));
  infoFile info;
  info.nom = (dir / "e.wav").string();
  ASSERT_TRUE(init_infoFile_read(info));
  EnergyParams p;
  ASSERT_TRUE(energyForFile(info, dir / "e.txt", p));
  const std::string text = test::readFile(dir / "e.txt");
  EXPECT_EQ(text.substr(0, 4), "0   ");
  std::istringstream in(text);
  long ms = 0, prev = -1;
  double v = 0, loudest = 0;
  int count = 0, zeros = 0;
  for (; in >> ms >> v; prev = ms, ++count) {
    EXPECT_GT(ms, prev);
    EXPECT_GE(v, 0);
    zeros += v == 0;
    loudest = std::max(loudest, v);
  }
  // One line every 51 samples up to the last sample.
  EXPECT_EQ(count, static_cast<int>((s.samples.size() + 50) / 51));
  EXPECT_GT(zeros, 0);  // the lowest energy is the zero
  EXPECT_GT(loudest, 40);

  std::int64_t start = -1, end = -1;
  ASSERT_TRUE(speechStartEnd(info, start, end));
  EXPECT_NEAR(static_cast<double>(start), 300, 30);
  // 700 ms voiced, 150 ms of loud hiss, 600 ms voiced, then silence.
  EXPECT_NEAR(static_cast<double>(end), 1750, 40);
}

TEST(EnergyFile, MissingDirectoryIsWarnedOnce) {
  ScopedRecorder rec;
  infoFile info;
  info.frequence = 16000;
  EnergyParams p;
  EXPECT_FALSE(energyForFile(info, "/nonexistent-dir-ardv/e.txt", p));
  EXPECT_EQ(rec->count(ReportKind::Warning), 1u);
}

// Feeds loudness pattern segments (ms, loud) at 4-ms frames from t = 0.
SpeechDetector run(const std::vector<std::pair<int, bool>>& pattern) {
  SpeechDetector d;
  std::int64_t t = 0;
  for (const auto& [ms, loud] : pattern)
    for (int k = 0; k < ms / 4; ++k, t += 4) d.feed(loud ? 70 : 20, t);
  return d;
}

TEST(SpeechDetector, ConfirmationRules) {
  struct Case {
    const char* rule;
    std::vector<std::pair<int, bool>> pattern;
    int state;
    std::int64_t start, end;  // speech confirmed after 13 loud frames starts 50 ms before
  };
  const Case cases[] = {
      {"a burst under 50 ms starts nothing", {{100, false}, {48, true}, {300, false}, {52, true}, {40, false}}, 2,
       448 + 48 - 50, -1},
      {"a pause under 100 ms ends nothing", {{100, false}, {300, true}, {96, false}, {300, true}}, 2, 98, -1},
      {"a pause over 100 ms ends speech at its start", {{100, false}, {300, true}, {200, false}}, 5, 98, 400},
      {"renewed loudness over 40 ms cancels an end",
       {{100, false}, {300, true}, {60, false}, {44, true}, {60, false}, {300, true}}, 2, 98, -1},
      // Quiet from 200 ms is only 102 ms after the start.
      {"speech under 150 ms cannot end", {{100, false}, {100, true}, {48, false}, {300, true}}, 2, 98, -1},
      {"no speech in the first second gives zeros", {{1100, false}, {300, true}}, 5, 0, 0}};
  for (const Case& c : cases) {
    const SpeechDetector d = run(c.pattern);
    EXPECT_EQ(std::tuple(d.state(), d.start(), d.end()), std::tuple(c.state, c.start, c.end)) << c.rule;
  }
}

}  // namespace
}  // namespace ardv
