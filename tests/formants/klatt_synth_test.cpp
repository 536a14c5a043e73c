// Our Klatt synthesizer against what its parameters say: formant poles by
// linear prediction over the closed glottal phase, F0 by our own detector,
// spectral tilt, open phase, and records far out of range; the program run
// as the formant window runs it.
#include "tools/klatt/klatt_synth.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <tuple>
#include <vector>

#include "klatt/klatt_invocation.h"
#include "platform/headless/recording_reporter.h"
#include "platform/keyboard.h"
#include "platform/process.h"
#include "prosody/pitch_martin.h"
#include "prosody/pitch_types.h"
#include "spectral/fft.h"
#include "spectral/roots.h"
#include "tests/formants/klatt_test_support.h"
#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using klatt::Source;
using klatt::SynthOptions;
using test::steady;

KlattRecord vowel(int f0, int f1, int f2, int f3) {
  KlattRecord r = initialKlattDefaults();
  r[kF0hz10] = f0;
  r[kF1hz] = f1, r[kF2hz] = f2, r[kF3hz] = f3;
  r[kB1hz] = 60, r[kB2hz] = 90, r[kB3hz] = 150;
  return r;
}

// Order-6 least squares prediction over the samples whose excitation and the
// four before it are zero: there the output obeys the poles' recurrence
// exactly, whatever the numerator of the parallel sum. Returns the three
// resonance frequencies in ascending order.
std::vector<double> closedPhasePoles(const std::vector<double>& y, const std::vector<std::int16_t>& u,
                                     double fs) {
  constexpr int p = 6;
  double m[p][p + 1] = {};
  for (std::size_t n = y.size() / 2; n < y.size(); ++n) {
    if (std::any_of(u.begin() + static_cast<long>(n) - 4, u.begin() + static_cast<long>(n) + 1,
                    [](std::int16_t v) { return v != 0; }))
      continue;
    for (int i = 0; i < p; ++i) {
      for (int j = 0; j < p; ++j) m[i][j] += double(y[n - 1 - i]) * y[n - 1 - j];
      m[i][p] += double(y[n - 1 - i]) * y[n];
    }
  }
  for (int c = 0; c < p; ++c)  // Gauss-Jordan with partial pivoting
    for (int r = 0; r < p; ++r) {
      if (r == c) continue;
      const double f = m[r][c] / m[c][c];
      for (int k = c; k <= p; ++k) m[r][k] -= f * m[c][k];
    }
  std::vector<double> poly{1.0};
  for (int i = 0; i < p; ++i) poly.push_back(-m[i][p] / m[i][i]);
  std::vector<Resonance> res;
  fband(p, poly, fs, fs / 2, 1, fs / 2, res);
  std::vector<double> f;
  for (const auto& r : res) f.push_back(r.frequencyHz);
  return f;
}

// (rate, F0)
class FormantAccuracy : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(FormantAccuracy, CascadeAndParallelPolesLieWithinTwoPercentOfTheFormantsSet) {
  const auto [rate, f0] = GetParam();
  const double set[3] = {650, 1250, 2550};
  KlattRecord cascade = vowel(f0, 650, 1250, 2550);
  cascade[kAVpdb] = 0;
  KlattRecord parallel = cascade;
  parallel[kAVdb] = 0, parallel[kAVpdb] = 60;
  for (int k = 0; k < 3; ++k) {
    parallel[kA1 + 2 * k] = 60 - 6 * k;
    parallel[kB1phz + 2 * k] = parallel[kB1hz + 2 * k];
  }
  const SynthOptions o{.rateHz = rate};
  // The voicing alone: where it is zero the tract rings freely.
  const SynthOptions source{.rateHz = rate, .waveform = 1};
  KlattRecord sourceRecord = cascade;
  sourceRecord[kAVdb] = 60;
  const auto u = steady(sourceRecord, source);
  // Poles measured at 22 kHz on samples rounded to 16 bits are off by several per cent.
  const auto fc = closedPhasePoles(steady<double>(cascade, o), u, rate);
  const auto fp = closedPhasePoles(steady<double>(parallel, o), u, rate);
  ASSERT_EQ(fc.size(), 3u);
  ASSERT_EQ(fp.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(fc[k] / set[k], 1.0, 0.02) << "cascade F" << k + 1 << " = " << fc[k];
    EXPECT_NEAR(fp[k] / set[k], 1.0, 0.02) << "parallel F" << k + 1 << " = " << fp[k];
    EXPECT_NEAR(fp[k] / fc[k], 1.0, 0.02) << "F" << k + 1;
  }
}

// Male, female and child F0 at the three rates.
INSTANTIATE_TEST_SUITE_P(RatesAndVoices, FormantAccuracy,
                         testing::Combine(testing::Values(8000, 16000, 22050), testing::Values(110, 220, 330)));

TEST(KlattSynth, OurDetectorFollowsAGlideFrom100To200HzWithinOnePercent) {
  ScopedRecorder rec;
  std::vector<KlattRecord> records;
  for (int i = 0; i < 400; ++i) records.push_back(vowel(100 + i / 4, 600, 1200, 2500));  // 5 ms frames, 2 s
  const auto y = test::synthesize(records, SynthOptions{});
  PitchTrack track;
  ASSERT_TRUE(calcPitchMartin(y.data(), static_cast<std::int64_t>(y.size()), 0, 16000, speakerF0Params(-1),
                              PitchOptions{}, track));
  std::vector<double> errors;
  for (int i = 0; i < track.frames; ++i) {
    const double t = track.centre(i) / 16000.0;
    if (track.pitchCorrige[i] <= 0 || t < 0.1 || t > 1.9) continue;
    errors.push_back(std::abs(track.pitchCorrige[i] / (100 + 50 * t) - 1));
  }
  ASSERT_GT(errors.size(), 100u);
  EXPECT_LT(test::median(errors), 0.01);
}

// Share of the energy above 2 kHz in the spectrum of the last 2048 samples.
double highShare(const std::vector<std::int16_t>& y, double fs) {
  constexpr int n = 2048;
  std::vector<double> x(y.end() - n, y.end());
  fftRealForward(n, x.data());
  double high = 0, all = 0;
  for (int k = 1; k < n / 2; ++k) {
    all += x[k] * x[k] + x[n - k] * x[n - k];
    if (k * fs / n > 2000) high += x[k] * x[k] + x[n - k] * x[n - k];
  }
  return high / all;
}

TEST(KlattSynth, RaisingTiltOrReturnPhaseLowersTheEnergyAbove2kHz) {
  for (const auto& [source, param, low, high] :
       {std::tuple{Source::klatt, int{kTLTdb}, 0, 20}, {Source::liljencrantsFant, int{kRax1000}, 10, 80}}) {
    const SynthOptions o{.source = source};
    KlattRecord r = vowel(120, 500, 1500, 2500);
    r[kF4hz] = 3500, r[kF5hz] = 4500;
    r[param] = low;
    const double before = highShare(steady(r, o, 60), o.rateHz);
    r[param] = high;
    EXPECT_LT(highShare(steady(r, o, 60), o.rateHz), 0.7 * before) << klattParams()[param].name;
  }
}

// TLTdb lowers the voicing's 3-kHz harmonic (F0 100 Hz) by TLTdb dB: a DFT over the last ten periods.
TEST(KlattSynth, TiltLowersThe3kHzHarmonicByTLTdb) {
  const SynthOptions o{.waveform = 1};
  KlattRecord r = vowel(100, 500, 1500, 2500);
  auto levelDb = [&](int tilt) {
    r[kTLTdb] = tilt;
    const auto y = steady<double>(r, o, 60);
    std::complex<double> sum;
    for (int i = 0; i < 1600; ++i) sum += y[y.size() - 1600 + i] * std::polar(1.0, -2 * std::numbers::pi * 3000 * i / 16000);
    return 20 * std::log10(std::abs(sum));
  };
  for (const int tilt : {10, 20, 30}) EXPECT_NEAR(levelDb(0) - levelDb(tilt), tilt, 1.0) << "TLTdb " << tilt;
}

// A parallel amplitude that jumps 30 dB at a frame boundary rings in through
// its resonator: no step between samples there beyond the steady output's
// (an amplitude applied after the resonator stepped 3 times as far).
TEST(KlattSynth, AParallelAmplitudeJumpRingsInWithoutAClick) {
  KlattRecord r = vowel(0, 300, 1500, 2500);
  r[kAVdb] = r[kAVpdb] = r[kAB] = 0;
  r[kAF] = 60;
  for (int k = 1; k < 6; ++k) r[kA1 + 2 * k] = 0;
  r[kANP] = r[kA1N] = r[kA2N] = r[kA3N] = 0;
  r[kA1] = 40, r[kB1phz] = 60;
  std::vector<KlattRecord> records(20, r);
  r[kA1] = 70;
  records.insert(records.end(), 60, r);
  const auto y = test::synthesize<double>(records, SynthOptions{.frameMs = 4});
  const std::size_t boundary = 20 * 64;
  auto largestStep = [&](std::size_t from, std::size_t to) {
    double m = 0;
    for (std::size_t n = from; n < to; ++n) m = std::max(m, std::abs(y[n] - y[n - 1]));
    return m;
  };
  EXPECT_LE(largestStep(boundary - 4, boundary + 64), 1.05 * largestStep(boundary + 1280, y.size()));
}

TEST(KlattSynth, KopenSetsTheOpenPhaseWithinFivePercent) {
  const SynthOptions o{.waveform = 1};
  for (int f0 : {100, 125})
    for (int kopen : {20, 40, 60, 80}) {
      KlattRecord r = vowel(f0, 500, 1500, 2500);
      r[kKopen] = kopen;
      const auto u = steady(r, o, 40);
      const auto open = std::count_if(u.begin(), u.end(), [](std::int16_t v) { return v != 0; });
      const double measured = double(open) / double(u.size());
      EXPECT_NEAR(measured / (kopen / 100.0), 1.0, 0.05) << "F0 " << f0 << " Kopen " << kopen;
    }
}

TEST(KlattSynth, EveryParameterAndTheFlutterChangeTheCompleteOutput) {
  KlattRecord base = vowel(120, 500, 1500, 2500);
  const std::pair<int, int> set[] = {
      {kF4hz, 3300}, {kF5hz, 3900}, {kF6hz, 4900}, {kFNZhz, 450}, {kFNPhz, 270}, {kASP, 40}, {kKopen, 40},
      {kAturb, 40}, {kTLTdb, 10}, {kAF, 40}, {kKskew, 20}, {kANP, 50}, {kAB, 40}, {kAVpdb, 50}, {kRax1000, 30},
      {kF1Nhz, 350}, {kF2Nhz, 1100}, {kF3Nhz, 2000}, {kA1N, 50}, {kA2N, 50}, {kA3N, 50}};
  for (const auto& [param, value] : set) base[param] = value;
  for (int k = 0; k < 6; ++k) base[kA1 + 2 * k] = 50, base[kB1phz + 2 * k] = 100 + 20 * k;
  for (int k = 0; k < 3; ++k) base[kB1Nphz + 4 * k] = 120;
  for (int p = 1; p < kKlattParams; ++p) {
    SynthOptions o;
    if (p == kRax1000 || p == kRkx100 || p == kRgx50) o.source = Source::liljencrantsFant;
    KlattRecord changed = base;
    changed[p] += std::max(5, base[p] / 5);
    EXPECT_NE(steady(base, o, 20), steady(changed, o, 20)) << klattParams()[p].name;
  }
  EXPECT_NE(steady(base, SynthOptions{}, 40), steady(base, SynthOptions{.flutterPercent = 50}, 40));
}

TEST(KlattSynth, AbsurdValuesAreClampedNeverWrapped) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  // Each absurd value synthesises as its limit: (parameter, absurd value, limit).
  const std::tuple<int, std::int32_t, std::int32_t> rows[] = {
      {kF0hz10, kMax, 1000}, {kF0hz10, 3, 20}, {kAVdb, kMax, 96}, {kKopen, kMin, 5}, {kKopen, kMax, 95},
      {kB1hz, kMin, 10}, {kB2hz, kMax, 8000}, {kTLTdb, kMax, 41}, {kGain0, kMax, 96}, {kKskew, kMax, 100},
      {kAturb, kMax, 96}, {kF1hz, kMin, 0}};
  for (Source source : {Source::klatt, Source::liljencrantsFant}) {
    const SynthOptions o{.source = source};
    for (const auto& [param, absurd, limit] : rows) {
      KlattRecord a = vowel(150, 500, 1500, 2500), b = a;
      a[param] = absurd;
      b[param] = limit;
      EXPECT_EQ(steady(a, o, 20), steady(b, o, 20)) << klattParams()[param].name << " " << absurd;
    }
  }
  // Far too loud: every sample keeps the sign it has at a sane level.
  SynthOptions o;
  for (int w = 1; w <= 8; ++w) {
    o.waveform = w;
    KlattRecord r = vowel(150, 500, 1500, 2500);
    r[kASP] = r[kAF] = r[kAB] = r[kA2] = 60;
    r[kF6hz] = 4900;
    const auto quiet = steady(r, o, 20);
    r[kGain0] = 96;  // +41 dB
    const auto loud = steady(r, o, 20);
    for (std::size_t i = 0; i < loud.size(); ++i)
      if (std::abs(quiet[i]) > 2) {
        ASSERT_EQ(loud[i] > 0, quiet[i] > 0) << "waveform " << w << " sample " << i;
      }
  }
}

// Running the synthesizer program: its output through the window's path
// equals ardv-cli synth, and a program that is missing, fails, writes nothing
// or hangs gives one message naming the command line and leaves the WAV be.
TEST(KlattInvocation, TheProgramThroughTheWindowsPathWritesWhatArdvCliSynthWrites) {
  test::TempDir dir;
  const auto params = test::sourceDataDir() / "examples" / "nasal-ama.kle";
  for (const auto& [arrangement, source, waveform] : {std::tuple{1, 1, 8}, std::tuple{2, 2, 8}, std::tuple{2, 1, 3}}) {
    KlattSynthesisSettings s;
    s.byteArrangement = arrangement;
    s.source = source;
    s.waveform = waveform;
    s.frameMs = 5;
    ScopedRecorder rec;
    ASSERT_TRUE(runKlattSynthesis(ARDV_KLATT_PATH, params, dir / "synthe.raw", dir / "window.wav", s, 22050))
        << (rec->reports().empty() ? "" : rec->reports()[0].text);
    const std::string args = params.string() + " -o " + (dir / "cli.wav").string() + " --rate 22050 --waveform " +
                             std::to_string(waveform) + (source == 2 ? " --source lf" : "");
    ASSERT_EQ(test::runCli("synth " + args, dir / "out"), 0) << test::readFile(dir / "out.err");
    const auto wav = test::readBytes(dir / "window.wav");
    EXPECT_EQ(wav, test::readBytes(dir / "cli.wav")) << "-r " << arrangement << " -v " << source << " -t " << waveform;
    // 700 ms and one frame at 22050 Hz, then the last sample once more.
    EXPECT_EQ(wav.size(), 44u + 2 * (15545 + 1));
    if (waveform != 3) continue;
    // Speech whose first frame is at 500 ms starts there.
    ASSERT_TRUE(runKlattSynthesis(ARDV_KLATT_PATH, params, dir / "synthe.raw", dir / "late.wav", s, 22050, 500));
    auto late = test::readBytes(dir / "late.wav");
    EXPECT_EQ(std::count(late.begin() + 44, late.begin() + 44 + 2 * 11025, 0), 2 * 11025);
    late.erase(late.begin() + 44, late.begin() + 44 + 2 * 11025);
    EXPECT_EQ(std::vector(late.begin() + 44, late.end()), std::vector(wav.begin() + 44, wav.end()));
  }
}

TEST(KlattInvocation, AProgramThatIsMissingFailsWritesNothingOrHangsLeavesTheWavAndNamesTheCommandLine) {
  const std::pair<const char*, const char*> rows[] = {  // (script, nullptr for no program; what the message says)
      {nullptr, "is missing"},
      {"echo 'cannot read the file' >&2; exit 3", "failed (exit status 3)"},
      {"exit 0", "wrote nothing"},
      {": > \"$6\"", "wrote nothing"},
      {"kill -9 $$", "ended abnormally"},
      {"exec sleep 30", "stopped by Escape"},
  };
  for (const auto& [script, fragment] : rows) {
    SCOPED_TRACE(fragment);
    test::TempDir dir;
    const auto program = dir / "klatt";
    if (script) {
      test::writeFile(program, std::string("#!/bin/sh\n") + script + "\n");
      std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    test::writeFile(dir / "synthe.raw", "stale samples");
    test::writeFile(dir / "synthe.wav", "previous");
    ScriptedKeyboard keys(3);
    ScopedKeyboard scope(keys);
    ScopedRecorder rec;
    KlattSynthesisSettings s;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(runKlattSynthesis(program, dir / "p.kle", dir / "synthe.raw", dir / "synthe.wav", s, 16000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const std::string line = commandLineText(klattCommandLine(program, dir / "p.kle", dir / "synthe.raw", s, 16000));
    ASSERT_EQ(rec->reports().size(), 1u);
    EXPECT_NE(rec->reports()[0].text.find(fragment), std::string::npos) << rec->reports()[0].text;
    EXPECT_NE(rec->reports()[0].text.find(line), std::string::npos) << rec->reports()[0].text;
    EXPECT_EQ(test::readFile(dir / "synthe.wav"), "previous");
  }
}

// The program's refusals leave a previous output whole; dates that disagree
// with -f are synthesized with a warning (ardv-cli synth's bad files: bad_input_test).
TEST(KlattInvocation, TheProgramRefusesBadFilesAndWarnsOfDatesThatDisagreeWithTheFrame) {
  test::TempDir dir;
  const std::string aiu = test::readFile(test::sourceDataDir() / "examples" / "vowels-aiu.kle");
  const auto at = aiu.find("\n250 ") + 5;  // frame 51
  for (const auto& [text, overInput, f, status, says] :
       {std::tuple<std::string, bool, int, int, const char*>{aiu, true, 5, 2, "would replace"},
        {aiu.substr(0, at) + "nan" + aiu.substr(at + 4), false, 5, 1, "frame 51: \"nan\" is not a number"},
        {".kle\n", false, 5, 1, "no parameter record"}, {aiu, false, 4, 0, "frame 2 is dated 5 ms"}}) {
    const auto in = dir / "in.kle", out = overInput ? in : dir / "out.raw";
    test::writeFile(dir / "out.raw", "previous");
    test::writeFile(in, text);
    const std::string command = std::string(ARDV_KLATT_PATH) + " -i " + in.string() + " -o " + out.string() +
                                " -f " + std::to_string(f) + " 2>" + (dir / "err").string();
    EXPECT_EQ(std::system(command.c_str()) >> 8, status) << says;
    EXPECT_NE(test::readFile(dir / "err").find(says), std::string::npos) << test::readFile(dir / "err");
    EXPECT_EQ(test::readFile(in), text);
    EXPECT_TRUE(status == 0 || test::readFile(dir / "out.raw") == "previous") << says;
  }
}

// Two programs sharing the temporary directory never share a working file.
TEST(KlattInvocation, WorkFilesAreNamedForTheProcess) {
  const KlattWorkFiles a = klattWorkFiles("/t"), b = klattWorkFiles("/t");
  const std::string pid = "-" + std::to_string(::getpid()) + "-";
  for (const auto& [mine, again, ext] : {std::tuple{a.params, b.params, ".kle"}, {a.raw, b.raw, ".raw"},
                                         {a.wav, b.wav, ".wav"}}) {
    EXPECT_EQ(mine, again);
    EXPECT_EQ(mine.parent_path(), "/t");
    EXPECT_EQ(mine.extension(), ext);
    EXPECT_NE(mine.filename().string().find(pid), std::string::npos) << mine;
  }
}

TEST(KlattInvocation, TheCommandLineFollowsTheSettings) {
  KlattSynthesisSettings s;
  EXPECT_EQ(commandLineText(klattCommandLine("/opt/a b/klatt", "in.kle", "out.raw", s, 11025)),
            "\"/opt/a b/klatt\" -r 2 -i in.kle -o out.raw -f 4 -s 11025 -F 0 -v 2");
  s = {22050, 1, 8, 3, 1, 2, 40};
  EXPECT_EQ(commandLineText(klattCommandLine("klatt", "in.kle", "out.raw", s, 22050)),
            "klatt -r 1 -i in.kle -o out.raw -t 3 -f 8 -s 22050 -F 40 -v 4");
}

}  // namespace
}  // namespace ardv
