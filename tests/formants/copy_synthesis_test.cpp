// Copy synthesis: the fit recovers the amplitudes that made the speech; the
// starting tracks; bad files; the window's commands on its tracks; ardv-cli
// copy-synth end to end.
#include "copysynth/copy_synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "copysynth/copy_synthesis_run.h"
#include "copysynth/copy_synthesis_tracks.h"
#include "copysynth/copy_synthesis_window.h"
#include "klatt/klatt_invocation.h"
#include "platform/headless/recording_reporter.h"
#include "signal/time_conversion.h"
#include "signal/wav_layout.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"
#include "tests/cli/cli_test_support.h"
#include "tests/formants/klatt_test_support.h"
#include "tests/formants/known_utterance.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;
using test::median;
using test::TempDir;

constexpr double kFs = 16000.0;

struct Voice {
  double f0;
  int f[3];
  int a[3];
  int startMs = 0;  // of the speech and of the parameter file
  int f3Percent = 100;  // F3's parallel bandwidth, % of 140 Hz, in the fit where F3 − F2 > 1200 Hz
};

// F3's parallel bandwidth in the voice, as the fit gives it.
int f3Bandwidth(const Voice& v) { return 140 * (v.f[2] - v.f[1] > 1200 ? v.f3Percent : 100) / 100; }

// The voice on the parallel branch (cascade voicing off) with its amplitudes.
KlattRecord voiceRecord(const Voice& v) {
  KlattRecord r = initialKlattDefaults();
  r[kF0hz10] = static_cast<int>(v.f0);
  r[kAVdb] = 0;
  const int bw[3] = {60, 90, f3Bandwidth(v)};
  for (int k = 0; k < 3; ++k) r[kF1hz + 2 * k] = v.f[k], r[kA1 + 2 * k] = v.a[k], r[kB1phz + 2 * k] = bw[k];
  return r;
}

klatt::SynthOptions synthOptions(int waveform = 8) {
  return {.rateHz = static_cast<int>(kFs), .frameMs = 4, .waveform = waveform};
}

// The excitation our synthesizer writes for -t 7 on the voice's frames, with the parallel voicing.
std::string excitation(const Voice& v, int frames) {
  KlattRecord e = voiceRecord(v);
  e[kAVdb] = e[kAVpdb];
  return test::bigEndian(test::steady(e, synthOptions(7), frames));
}

// The voice without its amplitudes; the synthesizer's output starts at the file's first frame.
std::string paramFile(const Voice& v, int frames) {
  return test::klattFile(frames, 4, v.startMs, [&v](int, KlattRecord& r) {
    r = voiceRecord(v);
    for (int k = 0; k < 3; ++k) r[kA1 + 2 * k] = 0;
  });
}

TEST(CopySynthesis, RecoversTheAmplitudesThatMadeTheSpeech) {
  for (const Voice& v : {Voice{100, {500, 1500, 2500}, {60, 55, 50}}, Voice{125, {375, 1500, 2750}, {50, 62, 45}},
                         Voice{200, {600, 1800, 2600}, {66, 48, 52}, 100},
                         Voice{110, {450, 1000, 2900}, {55, 58, 48}, 0, 40},
                         Voice{100, {500, 1600, 2600}, {58, 55, 50}, 0, 40}}) {
    TempDir dir;
    auto speech = test::steady(voiceRecord(v), synthOptions(), 110);
    speech.insert(speech.begin(), static_cast<std::size_t>(v.startMs * kFs / 1000), std::int16_t{0});
    test::writeFile(dir / "full.kle", paramFile(v, 100));
    test::writeFile(dir / "exc.raw", excitation(v, 110));
    ASSERT_EQ(recalCopySynthesis(dir / "full.kle", dir / "full.kle", dir / "exc.raw", dir / "out.kle", speech, kFs,
                                 true, initialKlattDefaults(), {.higherBandwidthPercent = v.f3Percent}),
              100);
    std::vector<KlattRecord> out;
    ASSERT_TRUE(readKlattRecords(dir / "out.kle", initialKlattDefaults(), out));
    int checked = 0;
    for (const KlattRecord& r : out) {
      if (r[kDate] < v.startMs + 40 || r[kDate] > v.startMs + 360) continue;
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(r[kA1 + 2 * k], v.a[k], 3) << v.f0 << " Hz, F" << k + 1 << " at " << r[kDate];
      EXPECT_EQ(std::tuple(r[kB1phz], r[kB2phz], r[kB3phz], r[kF2hz]), std::tuple(60, 90, f3Bandwidth(v), v.f[1]))
          << r[kDate];
      ++checked;
    }
    EXPECT_GT(checked, 70);
  }
}

// The low resonance and F1's width: the design's in the window; in the copy
// of a recording F1 wide enough to reach its nearest harmonic within 6 dB
// (2·115/√(10^0.6 − 1) = 133 Hz midway in a 230-Hz voice) and, over F0
// above 200 Hz, the low resonance on the first harmonic.
TEST(CopySynthesis, LowResonanceAndF1WidthByVoice) {
  const std::array<bool, kKlattGroups> on{false, true};
  std::vector<float> flat(256, 40.0f);
  const struct { int f0, f1; bool copy; int fnp, bnp, b1; } rows[] = {
      {0, 250, false, 150, 95, 40}, {0, 180, false, 100, 40, 40}, {0, 450, false, 200, 150, 60},
      {230, 575, false, 200, 150, 60}, {230, 575, true, 230, 60, 133}, {230, 690, true, 230, 60, 60},
      {120, 500, true, 200, 150, 60}, {515, 775, true, 515, 60, 295}, {230, 250, true, 150, 95, 40},
      {0, 575, true, 200, 150, 60}};
  for (const auto& row : rows) {
    KlattRecord r = initialKlattDefaults();
    r[kF0hz10] = row.f0, r[kF1hz] = row.f1;
    fitCopyFrame(r, on, CopySpectra{row.f0 > 0, flat, flat}, kFs, initialKlattDefaults(),
                 row.copy ? copyOfRecordingSettings(CopyTrackSettings{}) : CopySynthesisSettings{});
    EXPECT_EQ(std::tuple(r[kFNPhz], r[kBNPhz], r[kB1phz]), std::tuple(row.fnp, row.bnp, row.b1))
        << row.f0 << " " << row.f1;
    EXPECT_GT(r[kANP], 0);
  }
}

// F2 fitted by hand: speech 0 dB but 20 dB at bin 49 (1531.25 Hz at
// 16 kHz, 512 points), excitation 0 dB. The resonator (1500 Hz, 90 Hz
// bandwidth, 20 dB at its centre) gives about 20 − 10·log10(1 + (2·31.25/90)²)
// = 18.3 dB there, so A2 = 20 − 18.3 + 60 ≈ 62. A peak outside the search
// (±F0/2 voiced, ±B2/2 unvoiced) leaves 0 dB at F2's own bin: 0 − 20 + 60 = 40.
TEST(CopySynthesis, FitsTheSecondFormantByHand) {
  const struct { int f0, peakBin, a2; } rows[] = {{100, 49, 62}, {0, 49, 62}, {100, 51, 40}, {0, 51, 40}};
  for (const auto& row : rows) {
    std::vector<float> speech(256, 0.0f), source(256, 0.0f);
    speech[static_cast<std::size_t>(row.peakBin)] = 20.0f;
    KlattRecord r = initialKlattDefaults();
    r[kF0hz10] = row.f0;
    for (const CopyResonance& res : copyResonances()) r[res.amplitude] = 0;
    r[kF2hz] = 1500;
    std::array<bool, kKlattGroups> on{};
    on[2] = true;
    fitCopyFrame(r, on, CopySpectra{row.f0 > 0, speech, source}, kFs, initialKlattDefaults(), {});
    EXPECT_EQ(std::tuple(r[kA2], r[kB2phz], r[kF2hz]), std::tuple(row.a2, 90, 1500)) << row.f0 << " " << row.peakBin;
  }
}

TEST(CopySynthesis, BadFilesChangeNothing) {
  const Voice v{100, {500, 1500, 2500}, {60, 55, 50}};
  const auto speech = test::steady(voiceRecord(v), synthOptions(), 125);
  const std::string good = paramFile(v, 50), exc = excitation(v, 125);
  const std::string stray = test::klattFile(1, 4, 6, [](int, KlattRecord& r) { r[kF1hz] = 500; });
  const std::string back = good + test::klattFile(1, 4, 0, [](int, KlattRecord&) {}).substr(5);
  const struct {
    const char* name;
    std::string full, selected, excitation, out;
    const char* report;
  } rows[] = {
      {"selected date off the grid", good, stray, exc, "out.kle", "unconsistent formant file"},
      {"unknown type", ".klx 1 2", good, exc, "out.kle", "unconsistent formant file"},
      {"dates going back", back, good, exc, "out.kle", "unconsistent formant file"},
      {"short excitation", good, good, exc.substr(0, 6000), "out.kle", "unconsistent excitation file"},
      {"odd excitation", good, good, exc + "x", "out.kle", "unconsistent excitation file"},
      {"no directory for the result", good, good, exc, "no/out.kle",
       "creation du fichier temporaire de formant impossible"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    test::writeFile(dir / "full.kle", row.full);
    test::writeFile(dir / "sel.kle", row.selected);
    test::writeFile(dir / "exc.raw", row.excitation);
    test::writeFile(dir / "out.kle", "keep");
    ScopedRecorder rec;
    EXPECT_EQ(recalCopySynthesis(dir / "full.kle", dir / "sel.kle", dir / "exc.raw", dir / row.out, speech, kFs, true,
                                 initialKlattDefaults()),
              -1);
    EXPECT_TRUE(rec->saw(row.report));
    EXPECT_EQ(rec->reports().size(), 1u);
    EXPECT_EQ(test::readFile(dir / "out.kle"), "keep");
  }
}

TEST(CopySynthesis, StartingTracksVoiceFricationAndDefaultFormants) {
  for (const double fs : {8000.0, 16000.0}) {
    const auto at = [fs](double ms) { return static_cast<std::size_t>(ms * fs / 1000); };
    std::vector<std::int16_t> x(at(700));
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> quiet(-2, 2), loud(-3000, 3000);
    for (std::size_t n = 0; n < x.size(); ++n)
      x[n] = static_cast<std::int16_t>(n >= at(200) && n < at(400) ? loud(rng) : quiet(rng));
    for (std::size_t n = at(400); n < x.size(); n += at(8)) x[n] = 20000;
    const auto f0 = [](double ms) { return ms >= 400 ? 120 : 0; };
    const std::vector<FormantPoint> tracked{{0, {500, 1500, 2500}}, {800, {700, 1700, 2700}}};
    const auto records = initialCopyRecords(700, f0, tracked, x, fs, initialKlattDefaults());
    ASSERT_EQ(records.size(), 175u);
    for (const auto& r : records) {
      const int t = r[kDate];
      const bool frication = t >= 220 && t <= 380;
      if (frication || t <= 170 || t >= 400) {
        EXPECT_EQ(r[kAF], frication ? 60 : 0) << fs << " Hz at " << t;
      }
      EXPECT_EQ(r[kF0hz10], t >= 400 ? 120 : 0);
      EXPECT_EQ(r[kF2hz], 1500 + t / 4);
      EXPECT_EQ(r[kF4hz], 3500);
      EXPECT_EQ(r[kF5hz], fs > 10000 ? 4500 : 0);
    }
    x.assign(x.size(), 3);  // silence: no frication anywhere
    for (const auto& r : initialCopyRecords(700, f0, tracked, x, fs, initialKlattDefaults()))
      EXPECT_EQ(r[kAF], 0) << fs << " Hz, silent, at " << r[kDate];
  }
}

// The speaker's F4 of a back vowel (cascade branch), or in silence the
// defaults 300 Hz above F3 and under 0.45·fs; F5 the default above F4.
TEST(CopySynthesis, SpeakerFourthFormant) {
  const struct { int rate, f3, f4, wantF4, wantF5; } rows[] = {  // f4 0: silence
      {16000, 2600, 3200, 3200, 4500}, {16000, 2800, 4300, 4300, 0}, {8000, 2500, 3200, 3200, 0},
      {11025, 2400, 3900, 3900, 4500}, {16000, 2500, 0, 3500, 4500}, {16000, 3300, 0, 0, 4500},
      {8000, 2500, 0, 3500, 0},        {8000, 3300, 0, 0, 0}};
  for (const auto& row : rows) {
    KlattRecord r = initialKlattDefaults();
    r[kF0hz10] = 110, r[kF1hz] = 450, r[kF2hz] = 800, r[kF3hz] = row.f3, r[kF4hz] = row.f4;
    r[kF5hz] = row.rate > 10000 ? 4700 : 0;
    auto speech = test::steady(r, {.rateHz = row.rate, .frameMs = 4, .waveform = 8}, 50);
    if (row.f4 == 0) speech.assign(speech.size(), 0);
    const auto got = speakerHigherFormants(framesOf(speech), std::ssize(speech) / 2, row.rate, row.f3, {});
    EXPECT_NEAR(got[0], row.wantF4, 0.03 * row.wantF4) << row.rate << " Hz, F4 " << row.f4;
    EXPECT_EQ(got[1], row.wantF5) << row.rate << " Hz, F4 " << row.f4;
  }
}

// The synthesizer run in-process for -t 7, as the program would.
bool synthesizeExcitation(const std::filesystem::path& params, const std::filesystem::path& raw) {
  std::vector<KlattRecord> records;
  if (!readKlattRecords(params, initialKlattDefaults(), records)) return false;
  return test::writeFile(raw, test::bigEndian(test::synthesize(records, synthOptions(7)))), true;
}

// A recording copied as it streams, in blocks far shorter than it or in
// one, is the copy made of it whole in memory; a silent one gives nothing.
TEST(CopySynthesis, StreamedRecordingEqualsTheWholeInMemory) {
  const auto u = test::knownUtterance(1.0, kFs, test::KnownVoice::Male);
  std::vector<FormantPoint> tracked;
  for (const KlattRecord& r : u.records)
    if (r[kDate] % 12 == 0 && r[kF1hz] > 0) tracked.push_back({r[kDate] + 2.0, {1.0 * r[kF1hz], 1.0 * r[kF2hz], 1.0 * r[kF3hz]}});
  const auto f0 = [&](double ms) { return u.records[std::min<std::size_t>(u.records.size() - 1, ms / 4)][kF0hz10]; };
  const KlattRecord defaults = initialKlattDefaults();
  const auto count = static_cast<std::int64_t>(u.samples.size());
  const long duration = static_cast<long>(samplesToMs(double(count), kFs));
  auto records = initialCopyRecords(duration, f0, tracked, u.samples, kFs, defaults);
  for (auto& r : records) r[kAVdb] = 0;
  TempDir dir;
  std::vector<KlattRecord> whole;
  CopySynthesisInput input{u.samples, kFs, true, defaults};
  input.settings = copyOfRecordingSettings(CopyTrackSettings{});
  ASSERT_GT(copySynthesizeRecords(records, records, input, synthesizeExcitation, dir.path(), whole), 0);
  for (const auto& [block, samples] : {std::pair{std::int64_t{600}, u.samples}, {std::int64_t{1} << 20, u.samples},
                                       {std::int64_t{700}, std::vector<std::int16_t>(u.samples.size(), 0)}}) {
    int reads = 0;
    const bool silent = std::all_of(samples.begin(), samples.end(), [](std::int16_t v) { return v == 0; });
    CopySignal signal{blockedFrames(
                          [&](std::int64_t first, std::int64_t n, std::int16_t* out) {
                            ++reads;
                            return std::copy_n(samples.begin() + first, n, out), true;
                          },
                          count, block),
                      count, kFs, f0, [&](const auto& point) {
                        return std::all_of(tracked.begin(), tracked.end(), [&](const FormantPoint& p) { return point(p); });
                      }};
    if (silent) signal.f0AtMs = [](double) { return 0; };
    CopySynthesisFiles files(dir.path());
    ASSERT_EQ(copySynthesizeSignal(signal, files, synthesizeExcitation, defaults, block), silent ? 0 : int(whole.size()));
    if (silent) continue;
    std::vector<KlattRecord> streamed;
    ASSERT_TRUE(readKlattRecords(files.result(), defaults, streamed));
    EXPECT_TRUE(streamed == whole) << block;
    EXPECT_GT(reads, block < count ? 20 : 0) << block;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0) << "temporary files left";
}

TEST(CopySynthesis, WindowCommandsOnTheTracks) {
  KlattTracks tracks;
  tracks.frequence = kFs;
  ScopedRecorder rec;
  std::vector<std::int64_t> asked;
  const auto f0 = [&](std::int64_t sample) { return asked.push_back(sample), 120; };
  EXPECT_FALSE(getF0IntoTracks(tracks, false, 13, 30, f0));
  EXPECT_TRUE(rec->saw("Only for a real speech signal"));
  EXPECT_TRUE(tracks.empty());
  EXPECT_EQ(tracks.scale, 0);
  ASSERT_TRUE(getF0IntoTracks(tracks, true, 13, 30, f0));  // 12, 16, 20, 24, 28 ms
  EXPECT_EQ(asked, (std::vector<std::int64_t>{192, 256, 320, 384, 448}));
  ASSERT_EQ(tracks.groups[0].size(), 1u);
  EXPECT_EQ(tracks.groups[0].front()->debut(), 12);
  EXPECT_EQ(tracks.groups[0].front()->y(0, 0), 120.0f);
  EXPECT_EQ(tracks.scale, 5);

  const Voice v{100, {500, 1500, 2500}, {60, 55, 50}};
  const auto speech = test::steady(voiceRecord(v), synthOptions(), 110);
  TempDir dir;
  test::writeFile(dir / "voice.kle", test::klattFile(100, 4, 0, [&v](int, KlattRecord& r) {
    r = voiceRecord(v);
    r[kKopen] = 40;
    r[kA1] = r[kA2] = r[kA3] = 0;
  }));
  int calls = 0;
  const ExcitationSynthesizer fails = [&](const auto&, const auto&) { return ++calls, false; };
  const ExcitationSynthesizer writesShort = [&](const auto&, const std::filesystem::path& raw) {
    return test::writeFile(raw, excitation(v, 110).substr(0, 200)), true;
  };
  const ExcitationSynthesizer synthesizes = synthesizeExcitation;
  const CopySynthesisInput input{speech, kFs, true, initialKlattDefaults()};
  const auto snapshot = [&] {
    tracks.write(dir / "snap.kle", kKlattParams, 0, 1000);
    return test::readFile(dir / "snap.kle");
  };
  const auto tmp = dir / "tmp";  // the run's own files, removed in every case
  std::filesystem::create_directory(tmp);
  ASSERT_TRUE(tracks.open(dir / "voice.kle", std::nullopt));
  const std::string before = snapshot();
  tracks.selectGroup(13);  // only groups 9..22: nothing happens
  tracks.selectGroup(9);
  ASSERT_EQ(tracks.groups[13].size(), 1u);
  EXPECT_EQ(copySynthesizeTracks(tracks, input, fails, tmp, 1000), 0);
  tracks.selectGroup(1);
  EXPECT_EQ(copySynthesizeTracks(tracks, input, fails, tmp, 1000), -1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(copySynthesizeTracks(tracks, input, writesShort, tmp, 1000), -1);
  EXPECT_TRUE(rec->saw("unconsistent excitation file"));
  EXPECT_EQ(snapshot(), before);
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
  EXPECT_EQ(copySynthesizeTracks(tracks, input, synthesizes, tmp, 1000), 100);
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
  ASSERT_EQ(tracks.groups[1].size(), 1u);
  EXPECT_NEAR(tracks.groups[1].front()->y(20, 1), 60.0f, 3.0f);  // A1
  EXPECT_EQ(tracks.groups[2].front()->y(20, 1), 0.0f);          // F2 not selected
  // Speech of 200 ms under tracks of 400 ms: the frames past it are kept as they were.
  ASSERT_TRUE(tracks.open(dir / "voice.kle", std::nullopt));
  tracks.selectGroup(1);
  const CopySynthesisInput shorter{std::span(speech).first(3200), kFs, true, initialKlattDefaults()};
  EXPECT_EQ(copySynthesizeTracks(tracks, shorter, synthesizes, tmp, 200), 100);
  EXPECT_TRUE(rec->saw("past the end of the signal at 200 ms"));
  ASSERT_EQ(tracks.groups[1].front()->nbPoints, 100);
  EXPECT_NEAR(tracks.groups[1].front()->y(20, 1), 60.0f, 3.0f);
  EXPECT_EQ(tracks.groups[1].front()->y(80, 1), 0.0f);
}

// ardv-cli copy-synth end to end: on utterances our synthesizer makes from
// known tracks, the recovered F0 and F1–F3 and the copy's narrow-band
// spectrum; on the bundled example, the copy measured by our own analyses
// (refusals: bad_input_test).

// The samples of a canonical 44-byte-header WAV file.
std::vector<std::int16_t> wavSamples(const fs::path& path) {
  const auto bytes = test::readBytes(path);
  std::vector<std::int16_t> x;
  for (std::size_t i = 44; i + 1 < bytes.size(); i += 2)
    x.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
  return x;
}

// 512-point Hamming power spectrum in dB around `centre`, 0..maxHz.
std::vector<double> spectrumDb(const std::vector<std::int16_t>& x, std::int64_t centre, double fs, double maxHz) {
  constexpr int n = 512;
  std::vector<std::int16_t> frame(n, 0);
  for (int i = 0; i < n; ++i) {
    const std::int64_t j = centre - n / 2 + i;
    if (j >= 0 && j < static_cast<std::int64_t>(x.size())) frame[i] = x[static_cast<std::size_t>(j)];
  }
  static HammingCache hamming;
  std::vector<double> w(n);
  envelopeFrame(frame, 0, n, false, hamming.table(n), w.data());
  fftRealForward(n, w.data());
  std::vector<double> db;
  for (int k = 1; k < n / 2 && k * fs / n <= maxHz; ++k)
    db.push_back(10 * std::log10(std::max(w[k] * w[k] + w[n - k] * w[n - k], 1e-10)));
  return db;
}

// RMS difference in dB of the two spectra, each floored 50 dB below the
// original's peak.
double spectralDistanceDb(const std::vector<double>& a, const std::vector<double>& b) {
  const double floor = *std::max_element(a.begin(), a.end()) - 50;
  double sum = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const double d = std::max(a[k], floor) - std::max(b[k], floor);
    sum += d * d;
  }
  return std::sqrt(sum / a.size());
}

TEST(CopySynthCommand, RecoversTheTracksAndTheSpectrumOfKnownUtterances) {
  // The child's McCandless F1 (automatic ceiling) is drawn to a harmonic
  // (F0 330 Hz): its bounds are the measured 11.2 % and 7.8 dB, +22-25 %.
  using enum test::KnownVoice;
  for (const auto& [name, rate, voice, method, f1Bound, rmsBound] :
       {std::tuple{"male 16 kHz", 16000.0, Male, "mccandless", 0.05, 6.0},
        {"female 16 kHz", 16000.0, Female, "snake", 0.05, 6.0},
        {"male 11025 Hz", 11025.0, Male, "mccandless", 0.05, 6.0},
        {"child 16 kHz", 16000.0, Child, "mccandless", 0.14, 8.0},
        {"child 48 kHz", 48000.0, Child, "snake", 0.05, 6.0}}) {
    SCOPED_TRACE(name);
    test::TempDir dir;
    const auto u = test::knownUtterance(3.0, rate, voice);
    ASSERT_TRUE(writeWavFile(dir / "in.wav", u.samples, rate, {}, {}));
    const std::string args = (dir / "in.wav").string() + " -o " + (dir / "out.kle").string() + " --synth " +
                             (dir / "out.wav").string() + " --method " + method;
    ASSERT_EQ(test::runCli("copy-synth " + args, dir / "log"), 0) << test::readFile(dir / "log.err");
    std::vector<KlattRecord> copy;
    ASSERT_TRUE(readKlattRecords(dir / "out.kle", initialKlattDefaults(), copy));
    const auto copied = wavSamples(dir / "out.wav");
    std::vector<double> f0, f[3], spectra;
    for (std::size_t i = 0; i < u.records.size() && i < copy.size(); ++i) {
      const auto& truth = u.records[i];
      const int within = truth[kDate] % 500;
      if (truth[kF0hz10] == 0 || within < 100 || within > 420) continue;  // vowel middles
      f0.push_back(std::abs(copy[i][kF0hz10] - truth[kF0hz10]) / double(truth[kF0hz10]));
      for (int k = 0; k < 3; ++k)
        f[k].push_back(std::abs(copy[i][kF1hz + 2 * k] - truth[kF1hz + 2 * k]) / double(truth[kF1hz + 2 * k]));
      const std::int64_t centre = msToSamples(truth[kDate], rate);
      spectra.push_back(spectralDistanceDb(spectrumDb(u.samples, centre, rate, 5000),
                                           spectrumDb(copied, centre, rate, 5000)));
    }
    ASSERT_GT(f0.size(), 100u);
    EXPECT_LT(median(f0), 0.02);
    for (int k = 0; k < 3; ++k) EXPECT_LT(median(f[k]), k == 0 ? f1Bound : 0.05) << "F" << k + 1;
    double sum = 0;
    for (double d : spectra) sum += d * d;
    const double rms = std::sqrt(sum / spectra.size());
    EXPECT_LT(rms, rmsBound);
    std::printf("%s: F0 %.2f %%, F1 %.2f %%, F2 %.2f %%, F3 %.2f %%, spectrum %.1f dB RMS\n", name,
                100 * median(f0), 100 * median(f[0]), 100 * median(f[1]), 100 * median(f[2]), rms);
  }
}

// "ms value…" lines of ardv-cli f0 or formants, by date.
std::map<long, std::vector<double>> listing(const fs::path& path) {
  std::map<long, std::vector<double>> rows;
  for (const auto& v : test::numberLines(test::readFile(path)))
    if (v.size() > 1) rows[std::lround(v.front())] = {v.begin() + 1, v.end()};
  return rows;
}

// The copy of the bundled recording, measured by our own F0 and formant
// analyses, against the recording: F0 0.0 %, F1 3.7 %, F2 1.1 %, F3 0.7 %
// (median over the recording's voiced frames).
TEST(CopySynthCommand, TheExampleCopyMeasuresLikeTheRecording) {
  test::TempDir dir;
  const std::string in = test::exampleWav().string(), copy = (dir / "copy.wav").string();
  ASSERT_EQ(test::runCli("copy-synth " + in + " -o " + (dir / "copy.kle").string() + " --synth " + copy, dir / "log"),
            0);
  for (const auto& [file, name] : {std::pair{in, "in"}, std::pair{copy, "copy"}}) {
    ASSERT_EQ(test::runCli("f0 " + file, dir / (std::string(name) + ".f0")), 0);
    ASSERT_EQ(test::runCli("formants " + file, dir / (std::string(name) + ".for")), 0);
  }
  const auto f0In = listing(dir / "in.f0"), f0Copy = listing(dir / "copy.f0");
  const auto fIn = listing(dir / "in.for"), fCopy = listing(dir / "copy.for");
  std::vector<double> f0, f[3];
  for (const auto& [ms, v] : f0In) {
    const auto c = f0Copy.find(ms);
    if (v[0] <= 0 || c == f0Copy.end() || c->second[0] <= 0) continue;
    f0.push_back(std::abs(c->second[0] - v[0]) / v[0]);
  }
  for (const auto& [ms, v] : fIn) {
    const auto c = fCopy.find(ms);
    const auto voiced = f0In.lower_bound(ms - 8);
    if (c == fCopy.end() || voiced == f0In.end() || voiced->first > ms + 8 || voiced->second[0] <= 0) continue;
    for (int k = 0; k < 3; ++k) f[k].push_back(std::abs(c->second[k] - v[k]) / v[k]);
  }
  ASSERT_GT(f0.size(), 200u);
  std::printf("example: F0 %.2f %%, F1 %.2f %%, F2 %.2f %%, F3 %.2f %%\n", 100 * median(f0), 100 * median(f[0]),
              100 * median(f[1]), 100 * median(f[2]));
  EXPECT_LT(median(f0), 0.05);
  for (int k = 0; k < 3; ++k) EXPECT_LT(median(f[k]), 0.05) << "F" << k + 1;
}

}  // namespace
}  // namespace ardv
