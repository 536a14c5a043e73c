// ardv-cli copy-synth end to end: on utterances our synthesizer makes from
// known tracks, the recovered F0 and F1–F3 and the copy's narrow-band
// spectrum; on the bundled example, the copy measured by our own analyses;
// bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "formants/copy_synthesis_run.h"
#include "formants/klatt_invocation.h"
#include "signal/time_conversion.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"
#include "tests/formants/known_utterance.h"
#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

double median(std::vector<double> v) {
  if (v.empty()) return 1e9;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

bool writeWav(const fs::path& path, const std::vector<std::int16_t>& x, double fs) {
  SynthesizedWav out(path, static_cast<int>(fs));
  return out.open() && out.add(x) && out.finish();
}

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

struct Row {
  const char* name;
  double fs;
  bool female;
  const char* method;
};

TEST(CopySynthCommand, RecoversTheTracksAndTheSpectrumOfKnownUtterances) {
  for (const Row& row : {Row{"male 16 kHz", 16000, false, "mccandless"}, Row{"female 16 kHz", 16000, true, "snake"},
                         Row{"male 11025 Hz", 11025, false, "mccandless"}}) {
    SCOPED_TRACE(row.name);
    test::TempDir dir;
    const auto u = test::knownUtterance(3.0, row.fs, row.female);
    ASSERT_TRUE(writeWav(dir / "in.wav", u.samples, row.fs));
    ASSERT_EQ(test::runCli("copy-synth " + (dir / "in.wav").string() + " -o " + (dir / "out.kle").string() +
                               " --synth " + (dir / "out.wav").string() + " --method " + row.method,
                           dir / "log"),
              0)
        << test::readFile(dir / "log.err");
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
      const std::int64_t centre = msToSamples(truth[kDate], row.fs);
      spectra.push_back(spectralDistanceDb(spectrumDb(u.samples, centre, row.fs, 5000),
                                           spectrumDb(copied, centre, row.fs, 5000)));
    }
    ASSERT_GT(f0.size(), 100u);
    EXPECT_LT(median(f0), 0.02);
    for (int k = 0; k < 3; ++k) EXPECT_LT(median(f[k]), 0.05) << "F" << k + 1;
    double sum = 0;
    for (double d : spectra) sum += d * d;
    const double rms = std::sqrt(sum / spectra.size());
    EXPECT_LT(rms, 6.0);
    std::printf("%s: F0 %.2f %%, F1 %.2f %%, F2 %.2f %%, F3 %.2f %%, spectrum %.1f dB RMS\n", row.name,
                100 * median(f0), 100 * median(f[0]), 100 * median(f[1]), 100 * median(f[2]), rms);
  }
}

}  // namespace
}  // namespace ardv
