// Copy synthesis on parameter files: the fit of the parallel resonances to
// the speech spectrum, frame by frame.
#include "copysynth/copy_synthesis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>

#include "klatt/klatt_records.h"
#include "platform/progress.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "spectral/envelope_frame.h"
#include "spectral/fft.h"
#include "spectral/true_envelope.h"

namespace ardv {
namespace {

constexpr const char* kFormantFileFault = "recalCopySynthesis: unconsistent formant file";
constexpr const char* kExcitationFault = "recalCopySynthesis: unconsistent excitation file";
constexpr const char* kCreateFault = "recalPPSpectre : creation du fichier temporaire de formant impossible";

// Parallel bandwidth of resonance k = 2..9; from F3 on, `percent` of it.
int higherBandwidth(int k, int percent) { return k >= 3 ? (10 * k * k + 50) * percent / 100 : 10 * k * k + 50; }

// F1's bandwidth in a voiced frame of F0 f0: at least `bw`, and wide enough
// that its response at the nearest harmonic lies at most dropDb under its
// peak (|H| ≈ (B/2)/√(d² + (B/2)²) at d from the centre). A narrow F1 midway
// between two harmonics is otherwise fitted 20–30 dB over them and rings at
// its own frequency, near 1.5·F0, whenever F0 or the amplitudes change:
// the copy's pitch then read an octave low.
int betweenHarmonicsBandwidth(double f1, int bw, double f0, double dropDb) {
  if (!(dropDb > 0.0) || !(f0 > 0.0)) return bw;
  const double d = std::abs(f1 - std::max(1.0, std::round(f1 / f0)) * f0);
  const double wide = 2.0 * d / std::sqrt(std::pow(10.0, dropDb / 10.0) - 1.0);
  return std::max(bw, static_cast<int>(std::lround(wide)));
}

int binOf(double f, double fs, int bins) {
  const long b = std::lround(f * 2.0 * bins / fs);
  return static_cast<int>(std::clamp<long>(b, 0, bins - 1));
}

// Where a resonance is fitted: the strongest speech bin within ±halfHz of f
// (taken to the top of its harmonic when `harmonic`), its frequency, and
// the gain in dB the parallel branch must have there, S − E (our
// synthesizer feeds every parallel resonator the excitation it writes for
// -t 7). Inactive for f ≤ 0 or a silent excitation.
struct FitPoint {
  bool active = false;
  double at = 0.0;
  double gainDb = 0.0;
};

FitPoint fitPoint(double f, double halfHz, bool harmonic, const CopySpectra& sp, double fs,
                  const CopySynthesisSettings& settings) {
  FitPoint p;
  const auto& s = sp.speech;
  const auto& e = sp.excitation;
  const int bins = static_cast<int>(s.size());
  if (!(f > 0.0) || f >= fs / 2.0) return p;
  const int centre = binOf(f, fs, bins);
  const int half = static_cast<int>(halfHz * 2.0 * bins / fs);
  int best = centre;
  for (int b = std::max(0, centre - half); b <= std::min(bins - 1, centre + half); ++b)
    if (s[b] > s[best]) best = b;
  // The excitation's own harmonic there: its F0 may differ a little from the
  // speech's, which moves high harmonics by a bin or more.
  const int near = halfHz > 0.0 ? std::max(1, half / 2) : 0;
  // A harmonic cut by the search's edge is read at its top, as the
  // excitation's is: on its flank S − E came out up to 5 dB low.
  if (harmonic) {
    for (int i = 0; i < near && best > 0 && s[best - 1] > s[best]; ++i) --best;
    for (int i = 0; i < near && best + 1 < bins && s[best + 1] > s[best]; ++i) ++best;
  }
  float source = e[best];
  for (int b = std::max(0, best - near); b <= std::min(bins - 1, best + near); ++b) source = std::max(source, e[b]);
  if (source < settings.silenceDb || !std::isfinite(s[best] - source)) return p;
  p.active = true;
  // A harmonic between two bins: its frequency from the parabola through the
  // three bins around its top (a narrow resonance's response changes fast).
  double offset = 0.0;
  if (harmonic && best > 0 && best + 1 < bins && s[best] >= s[best - 1] && s[best] >= s[best + 1]) {
    const double curve = s[best - 1] - 2.0 * s[best] + s[best + 1];
    if (curve < 0.0) offset = std::clamp(0.5 * (s[best - 1] - s[best + 1]) / curve, -0.5, 0.5);
  }
  p.at = std::max(best + offset, 1.0) * fs / (2.0 * bins);
  p.gainDb = s[best] - source;
  return p;
}

// Complex response at `at` of the synthesizer's parallel resonator (f, bw),
// kParallelPeakDb at f.
std::complex<double> parallelResponse(double f, double bw, double at, double fs) {
  const double t = 1.0 / fs;
  const double c = -std::exp(-2.0 * std::numbers::pi * bw * t);
  const double b = 2.0 * std::exp(-std::numbers::pi * bw * t) * std::cos(2.0 * std::numbers::pi * f * t);
  const auto denominator = [&](double x) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * x * t);
    return 1.0 - b * z1 - c * z1 * z1;
  };
  return std::pow(10.0, kParallelPeakDb / 20.0) * std::abs(denominator(f)) / denominator(at);
}

// The dates of a parameter file: false when it cannot be opened, has no
// known type, or its dates do not increase; its first and last dates and
// how many records it holds otherwise.
bool scanDates(const std::filesystem::path& path, const KlattRecord& defaults, std::int32_t& first,
               std::int32_t& last, std::int64_t& count) {
  KlattRecordReader reader;
  if (reader.open(path) != KlattRecordReader::Status::ok) return false;
  KlattRecord r{};
  count = 0;
  while (reader.next(r, defaults)) {
    if (count > 0 && r[kDate] <= last) return false;
    if (count++ == 0) first = r[kDate];
    last = r[kDate];
  }
  return true;
}

// Envelope of the signal around sample `centre`, zeros outside the signal.
bool envelopeAt(const FrameSource& samples, std::int64_t centre, std::vector<std::int16_t>& frame,
                std::span<float> column, const TrueEnvelopeSettings& te) {
  const int n = te.frameLength;
  return samples(centre - n / 2, std::span<std::int16_t>(frame.data(), static_cast<std::size_t>(n))) &&
         trueEnvelope(column, frame, 0, te);
}

// Power spectrum in dB of the Hamming-windowed frame around `centre`.
bool spectrumAt(const FrameSource& samples, std::int64_t centre, std::vector<std::int16_t>& frame,
                HammingCache& hamming, std::vector<double>& work, std::span<float> column) {
  const int n = static_cast<int>(frame.size());
  if (!samples(centre - n / 2, frame)) return false;
  const float* w = hamming.table(n);
  if (!w) return false;
  envelopeFrame(frame, 0, n, false, w, work.data());
  if (!fftRealForward(n, work.data())) return false;
  for (int k = 0; k < n / 2; ++k) {
    const double im = k == 0 ? 0.0 : work[n - k];
    column[k] = static_cast<float>(10.0 * std::log10(std::max(work[k] * work[k] + im * im, 1e-10)));
  }
  return true;
}

// Raw 16-bit samples of a file, `count` from `first`.
BlockReader rawReader(const std::filesystem::path& path, bool highByteFirst) {
  auto in = std::make_shared<std::ifstream>(path, std::ios::binary);
  auto bytes = std::make_shared<std::vector<char>>();
  return [in, bytes, highByteFirst, path](std::int64_t first, std::int64_t count, std::int16_t* out) {
    bytes->resize(static_cast<std::size_t>(2 * count));
    in->clear();
    if (!in->seekg(2 * first) || !in->read(bytes->data(), static_cast<std::streamsize>(bytes->size()))) {
      message(std::string(kExcitationFault) + " (" + path.string() + ": cannot read samples " + std::to_string(first) +
              " to " + std::to_string(first + count - 1) + ")");
      return false;
    }
    for (std::int64_t i = 0; i < count; ++i) {
      const auto b0 = static_cast<unsigned char>((*bytes)[2 * i]);
      const auto b1 = static_cast<unsigned char>((*bytes)[2 * i + 1]);
      out[i] = static_cast<std::int16_t>(highByteFirst ? (b0 << 8) | b1 : (b1 << 8) | b0);
    }
    return true;
  };
}

}  // namespace

const std::array<CopyResonance, 10>& copyResonances() {
  static const std::array<CopyResonance, 10> table{{
      {kFNPhz, kANP, kBNPhz, 1, -1},  // placed and fitted with F1, below it: the sign opposite to F1's
      {kF1hz, kA1, kB1phz, 1, 1},
      {kF2hz, kA2, kB2phz, 2, -1},
      {kF3hz, kA3, kB3phz, 3, 1},
      {kF4hz, kA4, kB4phz, 4, -1},
      {kF5hz, kA5, kB5phz, 5, 1},
      {kF6hz, kA6, kB6phz, 6, -1},
      {kF1Nhz, kA1N, kB1Nphz, 7, -1},
      {kF2Nhz, kA2N, kB2Nphz, 8, 1},
      {kF3Nhz, kA3N, kB3Nphz, 9, -1},
  }};
  return table;
}

FrameSource framesOf(std::span<const std::int16_t> samples) {
  return [samples](std::int64_t first, std::span<std::int16_t> out) {
    const auto n = static_cast<std::int64_t>(out.size());
    const auto size = static_cast<std::int64_t>(samples.size());
    std::fill(out.begin(), out.end(), std::int16_t{0});
    const std::int64_t lo = std::clamp<std::int64_t>(first, 0, size);
    const std::int64_t hi = std::clamp<std::int64_t>(first + n, 0, size);
    if (hi > lo) std::copy(samples.begin() + lo, samples.begin() + hi, out.begin() + (lo - first));
    return true;
  };
}

FrameSource blockedFrames(BlockReader read, std::int64_t count, std::int64_t blockSamples) {
  struct Block {
    BlockReader read;
    std::int64_t count, length, start = 0;
    std::vector<std::int16_t> samples;  // start .. start + size − 1
  };
  auto b = std::make_shared<Block>(Block{std::move(read), count, std::max<std::int64_t>(blockSamples, 1), 0, {}});
  return [b](std::int64_t first, std::span<std::int16_t> out) {
    const auto n = static_cast<std::int64_t>(out.size());
    std::fill(out.begin(), out.end(), std::int16_t{0});
    const std::int64_t lo = std::clamp<std::int64_t>(first, 0, b->count);
    const std::int64_t hi = std::clamp<std::int64_t>(first + n, 0, b->count);
    if (hi <= lo) return true;
    const auto held = static_cast<std::int64_t>(b->samples.size());
    if (lo < b->start || hi > b->start + held) {
      const std::int64_t length = std::min(std::max(b->length, hi - lo), b->count - lo);
      b->samples.resize(static_cast<std::size_t>(length));
      b->start = lo;
      if (!b->read(lo, length, b->samples.data())) {
        b->samples.clear();
        return false;
      }
    }
    std::copy(b->samples.begin() + (lo - b->start), b->samples.begin() + (hi - b->start), out.begin() + (lo - first));
    return true;
  };
}

bool copySynthesisEnabled(const std::array<bool, kKlattGroups>& selectedGroups) {
  return std::any_of(selectedGroups.begin(), selectedGroups.begin() + 9, [](bool s) { return s; });
}

void fitCopyFrame(KlattRecord& record, const std::array<bool, kKlattGroups>& selected, const CopySpectra& spectra,
                  double fs, const KlattRecord& defaults, const CopySynthesisSettings& settings) {
  const auto& res = copyResonances();
  // Voiced: the harmonic nearest each formant; unvoiced: the envelopes.
  const double f0 = record[kF0hz10];
  const double harmonicHalf = spectra.voiced && f0 > 0 ? f0 / 2.0 : 0.0;
  std::array<bool, 10> fitted{};
  std::array<FitPoint, 10> points{};
  if (selected[1]) {
    const int f1 = record[kF1hz];
    int low = record[kFNPhz] > 0 ? record[kFNPhz] : 200;
    int lowBw = defaults[kBNPhz];
    if (f1 > 0 && f1 < 300) {
      low = std::max(f1 - 100, 100);
      lowBw = f1 >= 200 ? static_cast<int>(0.01 * (f1 - 200) * 110 + 40) : 40;
    }
    record[kB1phz] = f1 >= 300 ? 60 : 40;
    if (harmonicHalf > 0 && f1 > 0)
      record[kB1phz] = betweenHarmonicsBandwidth(f1, record[kB1phz], f0, settings.f1HarmonicDropDb);
    // Under the first harmonic the low resonance fits H1's flank, and its
    // wide skirt, added to F1's between the two, raised the harmonics under
    // F1 10-15 dB over the recording's (Praat read the copy's F1 low): on
    // H1 and narrow, it carries H1 alone.
    const bool onFirstHarmonic =
        settings.firstHarmonicBandwidth > 0 && harmonicHalf > 0 && f1 >= 300 && f0 > low;
    if (onFirstHarmonic) {
      low = static_cast<int>(std::lround(f0));
      lowBw = settings.firstHarmonicBandwidth;
    }
    record[kFNPhz] = low;
    record[kBNPhz] = lowBw;
    fitted[0] = fitted[1] = true;
    if (f1 > 0) {
      // The low resonance at its own bin, not at the nearest harmonic: that
      // is F0 itself in a high voice, whose strong H1 then drew the copy's
      // F1 down (unless the resonance sits on H1, when both are one).
      points[0] = onFirstHarmonic ? fitPoint(low, f0 / 4.0, true, spectra, fs, settings)
                                  : fitPoint(low, 0.0, false, spectra, fs, settings);
      points[1] = fitPoint(f1, harmonicHalf, harmonicHalf > 0, spectra, fs, settings);
    }
  }
  // Narrower skirts only under the harmonics of a voiced frame: noise keeps
  // the wide resonances.
  const bool wideF2F3 = harmonicHalf > 0 && record[kF2hz] > 0 && record[kF3hz] > 0 &&
                        record[kF3hz] - record[kF2hz] > settings.wideF2F3Hz;
  for (int k = 2; k < 10; ++k) {
    if (!selected[res[k].group]) continue;
    const int bw = std::max(higherBandwidth(k, wideF2F3 ? settings.higherBandwidthPercent : 100), 10);
    record[res[k].bandwidth] = bw;
    fitted[k] = true;
    points[k] = fitPoint(record[res[k].frequency], harmonicHalf > 0 ? harmonicHalf : bw / 2.0, harmonicHalf > 0, spectra,
                         fs, settings);
  }

  // First each resonance alone, then the sum of the parallel branch (signs
  // alternating as in the synthesizer) brought to the speech at every fitted
  // point: the neighbours' skirts otherwise add up to a few dB.
  std::array<double, 10> amplitude{};
  for (int k = 0; k < 10; ++k) {
    const double f = record[res[k].frequency], bw = record[res[k].bandwidth];
    if (!fitted[k]) amplitude[k] = record[res[k].amplitude];
    else if (points[k].active)
      amplitude[k] = points[k].gainDb - 20.0 * std::log10(std::abs(parallelResponse(f, bw, points[k].at, fs))) + 60.0;
  }
  const double top = settings.maximumAmplitudeDb;
  for (int pass = 0; pass < settings.refinements; ++pass) {
    for (int j = 0; j < 10; ++j) {
      if (!fitted[j] || !points[j].active) continue;
      std::complex<double> sum = 0.0;
      for (int k = 0; k < 10; ++k) {
        const double a = std::clamp(amplitude[k], 0.0, top), f = record[res[k].frequency];
        if (a <= 0.0 || !(f > 0.0) || f >= fs / 2.0) continue;
        sum += double(res[k].parallelSign) * std::pow(10.0, (a - 60.0) / 20.0) *
               parallelResponse(f, std::max(10.0, double(record[res[k].bandwidth])), points[j].at, fs);
      }
      if (std::abs(sum) > 0.0) amplitude[j] += points[j].gainDb - 20.0 * std::log10(std::abs(sum));
    }
  }
  for (int k = 0; k < 10; ++k) {
    if (!fitted[k]) continue;
    const double a = std::isfinite(amplitude[k]) ? amplitude[k] : 0.0;
    record[res[k].amplitude] = static_cast<int>(std::lround(std::clamp(a, 0.0, top)));
  }
}

int recalCopySynthesis(const std::filesystem::path& full, const std::filesystem::path& selected,
                       const std::filesystem::path& excitation, const std::filesystem::path& result,
                       std::span<const std::int16_t> speech, double fs, bool highByteFirst,
                       const KlattRecord& defaults, const CopySynthesisSettings& settings) {
  return recalCopySynthesis(full, selected, excitation, result, framesOf(speech), static_cast<std::int64_t>(speech.size()), fs, highByteFirst, defaults,
                            settings);
}

int recalCopySynthesis(const std::filesystem::path& full, const std::filesystem::path& selected,
                       const std::filesystem::path& excitation, const std::filesystem::path& result,
                       const FrameSource& speech, std::int64_t speechSamples, double fs, bool highByteFirst,
                       const KlattRecord& defaults,
                       const CopySynthesisSettings& settings, std::int64_t blockSamples) {
  const int n = settings.analysisSize;
  if (!(fs >= 1000.0) || n < 256 || n > 4096 || (n & (n - 1)) != 0) {
    debugMessage("recalCopySynthesis: bad analysis settings");
    return -1;
  }
  std::int32_t firstDate = 0, lastDate = 0, ignored = 0;
  std::int64_t frameCount = 0, chosenCount = 0;
  if (!scanDates(full, defaults, firstDate, lastDate, frameCount) || frameCount == 0 ||
      !scanDates(selected, defaults, ignored, ignored, chosenCount)) {
    message(std::string(kFormantFileFault) + " (" + full.string() + ", " + selected.string() + ")");
    return -1;
  }
  // The synthesizer's output starts at the full file's first frame.
  const std::int64_t lastSample = msToSamples(lastDate - firstDate, fs);
  std::error_code ec;
  const bool regular = std::filesystem::is_regular_file(excitation, ec);
  const std::uintmax_t bytes = regular ? std::filesystem::file_size(excitation, ec) : 0;
  const std::int64_t available = ec || !regular || bytes % 2 != 0 ? 0 : static_cast<std::int64_t>(bytes / 2);
  if (available <= lastSample) {
    message(std::string(kExcitationFault) + " (" + excitation.string() + ": " + std::to_string(available) +
            " samples, " + std::to_string(lastSample + 1) + " needed)");
    return -1;
  }
  const FrameSource source =
      blockedFrames(rawReader(excitation, highByteFirst), std::min(available, lastSample + n), blockSamples);

  TrueEnvelopeSettings te;
  te.frameLength = n;
  te.fftSize = n;
  te.lifterLow = static_cast<int>(msToSamples(settings.lifterLowMs, fs));
  te.lifterHigh = static_cast<int>(msToSamples(settings.lifterHighMs, fs));
  te.iterations = settings.iterations;
  te.preemphasis = false;
  std::vector<std::int16_t> frame(n);
  std::vector<float> s(n / 2), e(n / 2);
  std::vector<double> work(n);
  HammingCache hamming;

  ReplacingFile out(result);
  const auto cannotWrite = [&] {
    message(std::string(kCreateFault) + " (" + result.string() + ": " + out.error() + ")");
    return -1;
  };
  if (!out.open()) return cannotWrite();
  KlattRecordReader frames, chosen;
  if (frames.open(full) != KlattRecordReader::Status::ok || chosen.open(selected) != KlattRecordReader::Status::ok) {
    message(std::string(kFormantFileFault) + " (" + full.string() + ", " + selected.string() + ")");
    return -1;
  }
  const auto& groups = klattGroups();
  std::string text(klattTypeWord(kKlattParams));
  text += '\n';
  KlattRecord record{}, next{};
  bool pending = chosen.next(next, defaults);
  for (std::int64_t i = 0; frames.next(record, defaults); ++i) {
    const KlattRecord asFound = record;
    std::array<bool, kKlattGroups> on{};
    if (pending && next[kDate] < record[kDate]) {
      message(std::string(kFormantFileFault) + " (" + selected.string() + ": date " + std::to_string(next[kDate]) +
              " ms is not a frame of " + full.string() + ")");
      return -1;
    }
    if (pending && next[kDate] == record[kDate]) {
      for (int g = 0; g < kKlattGroups; ++g) on[g] = next[groups[g].params[0]] != defaults[groups[g].params[0]];
      pending = chosen.next(next, defaults);
    }
    const std::int64_t centre = msToSamples(record[kDate], fs);
    // Frames past the speech have nothing to imitate: they stay as they are.
    if (centre < speechSamples && std::any_of(on.begin(), on.end(), [](bool x) { return x; })) {
      const std::int64_t synthCentre = msToSamples(record[kDate] - firstDate, fs);
      const bool voiced = record[kF0hz10] > 0;
      const bool ok = voiced ? spectrumAt(speech, centre, frame, hamming, work, s) &&
                                   spectrumAt(source, synthCentre, frame, hamming, work, e)
                             : envelopeAt(speech, centre, frame, s, te) &&
                                   envelopeAt(source, synthCentre, frame, e, te);
      if (!ok) return -1;
      fitCopyFrame(record, on, CopySpectra{voiced, s, e}, fs, defaults, settings);
    }
    // What the fit left alone is written as the file held it.
    KlattAsRead asRead;
    for (int p = 1; p < kKlattParams; ++p)
      if (record[p] == asFound[p]) {
        asRead.set(p);
        if (p == kF0hz10) record[p] = frames.fileF0();
      }
    appendKlattRecord(text, record, kKlattParams, asRead);
    if (text.size() >= (1 << 20)) {
      if (!out.write(text)) return cannotWrite();
      text.clear();
    }
    if (i % 256 == 0) showProgress("Recal copy synthesis", double(i) / double(frameCount));
  }
  showProgress("Recal copy synthesis", -1.0);
  if (pending) {
    message(std::string(kFormantFileFault) + " (" + selected.string() + " goes past the frames of " + full.string() +
            ")");
    return -1;
  }
  if (!out.write(text) || !out.commit()) return cannotWrite();
  return static_cast<int>(frameCount);
}

}  // namespace ardv
