#include "formants/spectral_slice.h"

#include <algorithm>
#include <cmath>

#include "platform/report.h"
#include "signal/time_conversion.h"
#include "spectral/cepstrum.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"
#include "spectral/lpc_spectrum.h"

namespace ardv {
namespace {

constexpr double kFrameMs = 32.0;
constexpr int kMinFrame = 64;
constexpr int kMaxFrame = 2048;

int transformSize(int length) {
  int n = 256;
  while (n < length) n *= 2;
  return n;
}

}  // namespace

bool spectralSlice(std::span<const std::int16_t> samples, std::int64_t centre, double fs,
                   const FormantOptions& options, SpectralSlice& out, const char** why) {
  static const char* kRate = "the sampling rate is not usable";
  static const char* kShort = "the signal is shorter than one frame";
  if (!(fs >= 1000.0 && fs <= 1e6)) {
    *why = kRate;
    return false;
  }
  const int length = static_cast<int>(std::clamp<std::int64_t>(msToSamples(kFrameMs, fs), kMinFrame, kMaxFrame));
  const auto n = static_cast<std::int64_t>(samples.size());
  if (n < length + 1) {  // one more sample for the pre-emphasis
    *why = kShort;
    return false;
  }
  const int size = transformSize(length);
  SpectralSlice s;
  s.length = length;
  s.first = std::clamp<std::int64_t>(centre - length / 2, 0, n - length - 1);
  s.binHz = fs / size;

  HammingCache hamming;
  const float* window = hamming.table(length);
  if (!window) return false;
  std::vector<double> frame(static_cast<std::size_t>(size), 0.0);
  envelopeFrame(samples, s.first, length, true, window, frame.data());
  if (!fftRealForward(size, frame.data())) return false;
  s.spectrumDb.resize(static_cast<std::size_t>(size / 2));
  for (int k = 0; k < size / 2; ++k) {
    const double re = frame[static_cast<std::size_t>(k)];
    const double im = k == 0 ? 0.0 : frame[static_cast<std::size_t>(size - k)];
    const double power = re * re + im * im;
    s.spectrumDb[static_cast<std::size_t>(k)] = static_cast<float>(10.0 * std::log10(power > 0.0 ? power : 1e-6));
  }

  CepstrumSettings cs;
  cs.frameLength = length;
  cs.cepstralFftSize = size;
  cs.spectrumSize = size;
  cs.lifterLow = lifterLowSamples(options, fs);
  cs.lifterHigh = lifterHighSamples(options, fs);
  s.cepstralDb.resize(static_cast<std::size_t>(size / 2));
  if (!cepstre(s.cepstralDb, samples, s.first, 1, 1, 1, cs)) return false;

  // The model's mean power over the bins is the frame's energy, as is the
  // spectrum's: the curves share a scale as they come.
  LpcSpectrumSettings ls;
  ls.frameLength = length;
  ls.fftSize = size;
  ls.order = std::min(formantLpcOrder(options, fs), length - 1);
  ls.samplingHz = fs;
  s.lpcDb.resize(static_cast<std::size_t>(size / 2));
  if (!lpcSpectrum(samples, s.first, ls, s.lpcDb, nullptr)) return false;
  out = std::move(s);
  return true;
}

}  // namespace ardv
