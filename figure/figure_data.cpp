// Taking a figure's values from a signal file with the existing analyses.
#include "figure/figure_data.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "spectral/file_spectrogram.h"
#include "prosody/energy.h"
#include "prosody/energy_file.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_types.h"
#include "signal/current_signal.h"
#include "signal/time_conversion.h"
#include "spectral/spectrogram_params.h"

namespace ardv::figure {
namespace {

// Samples read per block for the waveform.
constexpr int kWaveBlock = 1 << 16;
// Signal analysed beyond each end of the stretch, so that the F0 track's
// first and last frames see whole periods.
constexpr double kF0MarginMs = 100.0;

double ms(std::int64_t sample, double fs) { return static_cast<double>(sample) * 1000.0 / fs; }

bool waveform(const infoFile& file, std::int64_t first, std::int64_t last, int columns, FigureData& out) {
  out.waveMin.assign(static_cast<std::size_t>(columns), 0);
  out.waveMax.assign(static_cast<std::size_t>(columns), 0);
  std::vector<bool> seen(static_cast<std::size_t>(columns), false);
  const std::int64_t span = last - first + 1;
  return forEachFileFrame(file, first, kWaveBlock, kWaveBlock, [&](std::int64_t p, const std::int16_t* x) {
    const std::int64_t end = std::min<std::int64_t>(p + kWaveBlock, last + 1);
    for (std::int64_t s = p; s < end; ++s) {
      const auto c = static_cast<std::size_t>((s - first) * columns / span);
      const std::int16_t v = x[s - p];
      if (!seen[c]) {
        out.waveMin[c] = out.waveMax[c] = v;
        seen[c] = true;
      } else {
        out.waveMin[c] = std::min(out.waveMin[c], v);
        out.waveMax[c] = std::max(out.waveMax[c], v);
      }
    }
    return end <= last;
  });
}

bool spectrogram(const infoFile& file, const FigureRequest& request, std::int64_t first, std::int64_t last,
                 const DataColumns& columns, FigureData& out, std::string& error) {
  const double fs = file.frequence;
  if (request.fmaxHz > fs / 2.0 + 1e-9) {
    char text[160];
    std::snprintf(text, sizeof text, "--fmax %g Hz is above half the sampling rate of %s (%g Hz)", request.fmaxHz,
                  file.nom.c_str(), fs / 2.0);
    error = text;
    return false;
  }
  SpectroSettings settings = spectroSettings();
  SpectroParams& record = settings[request.kind];
  if (request.rangeDb > 0.0) record.lowDb = static_cast<float>(record.highDb - request.rangeDb);
  settings.fmaxHz = request.fmaxHz > 0.0 ? request.fmaxHz : fs / 2.0;
  DisplayColours display = displayColours();
  display.setSpectroGamma(spectroGammaForKind(request.kind));
  out.colours = request.colour ? display.colour : display.grey;
  CurrentSpectro current;
  if (!spectro_GetParams(settings, request.kind, fs, current)) return false;
  // The displayed bins stand for 0 .. fmax with fmax rounded to a whole bin.
  out.spectroTopHz = static_cast<double>(current.displayedBins) * fs / current.fftSize;
  if (out.spectroTopHz <= 0.0) out.spectroTopHz = settings.fmaxHz;
  return renderFileSpectrogram(current, file, first, last, columns.spectroFrames, columns.spectroRows,
                                    memorySpanSamples(fs), out.spectrogram);
}

bool energy(const infoFile& file, std::int64_t first, std::int64_t last, FigureData& out) {
  EnergyParams p = energyParams();
  const double fs = file.frequence;
  checkEnergyHigh(p, fs);
  checkEnergyLow(p, fs);
  checkEnergyWindow(p, fs);
  EnergySetup setup;
  if (!energySetup(p, fs, setup)) return false;
  FrameEnergy frameEnergy(setup, p.windowed);
  out.energyFloorDb = p.eLow;
  const std::int64_t half = setup.Le / 2;
  const std::int64_t start = std::max<std::int64_t>(0, first - half);
  return forEachFileFrame(file, start, setup.He, setup.Le, [&](std::int64_t p0, const std::int16_t* x) {
    const std::int64_t centre = p0 + half;
    if (centre > last) return false;
    if (centre >= first) out.energy.push_back({ms(centre, fs), std::max(frameEnergy(x), p.eLow)});
    return true;
  });
}

bool f0(const infoFile& file, std::int64_t first, std::int64_t last, const std::string& scratchDir,
        FigureData& out) {
  const double fs = file.frequence;
  const std::int64_t margin = msToSamples(kF0MarginMs, fs);
  const std::int64_t a = std::max<std::int64_t>(0, first - margin);
  const std::int64_t b = std::min(file.sampleCount() - 1, last + margin);
  infoFile stretch = file;
  stretch.depl += 2 * a;
  stretch.longueur = 2 * (b - a + 1);
  std::error_code ec;
  std::filesystem::path dir = scratchDir;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) dir = std::filesystem::temp_directory_path(ec);
  const std::filesystem::path tmp = dir / ("ardv-figure-" + std::to_string(::getpid()) + ".pit");
  PitchOptions options;
  options.trace = false;
  if (!pitchFileFromSignal(stretch, tmp, speakerF0Params(speakerType()), options)) {
    std::filesystem::remove(tmp, ec);
    return false;
  }
  std::ifstream in(tmp);
  std::string head;
  in >> head;
  long frameMs = 0;
  int hz = 0;
  const double offsetMs = ms(a, fs);
  while (in >> frameMs >> hz) {
    const double t = offsetMs + static_cast<double>(frameMs);
    if (hz > 0 && t >= out.fromMs && t <= out.toMs) out.f0.push_back({t, static_cast<double>(hz)});
  }
  in.close();
  std::filesystem::remove(tmp, ec);
  out.f0StepMs = 8.0;
  return true;
}

}  // namespace

bool resolveStretch(const infoFile& file, const FigureRequest& request, std::int64_t& first, std::int64_t& last,
                    std::string& error) {
  const double fs = file.frequence;
  const std::int64_t n = file.sampleCount();
  const double durationMs = ms(n, fs);
  const double fromMs = request.fromMs >= 0.0 ? request.fromMs : 0.0;
  const double toMs = request.toMs >= 0.0 ? request.toMs : durationMs;
  char text[512];
  if (n < 2 || fromMs >= durationMs || toMs > durationMs + 0.5 || fromMs >= toMs) {
    std::snprintf(text, sizeof text, "the stretch from %g ms to %g ms is not inside %s (it lasts %g ms)", fromMs,
                  toMs, file.nom.c_str(), durationMs);
    error = text;
    return false;
  }
  first = std::clamp<std::int64_t>(msToSamples(fromMs, fs), 0, n - 1);
  last = std::clamp<std::int64_t>(msToSamples(toMs, fs), 0, n - 1);
  if (last - first < 16) {
    std::snprintf(text, sizeof text, "the stretch from %g ms to %g ms of %s holds fewer than 16 samples", fromMs,
                  toMs, file.nom.c_str());
    error = text;
    return false;
  }
  return true;
}

std::vector<Segment> segmentsOf(const notetiqs& list, double fs, std::int64_t first, std::int64_t last) {
  std::vector<Segment> segments;
  for (int i = 0; i + 1 < list.count(); ++i) {
    const std::int64_t a = list.position(i), b = list.position(i + 1);
    if (b < first || a > last) continue;
    segments.push_back({ms(a, fs), ms(b, fs), list.Text(i)});
  }
  return segments;
}

bool collectFigureData(const infoFile& file, const FigureRequest& request, std::int64_t first, std::int64_t last,
                       const notetiqs& phonemes, const notetiqs& words, const DataColumns& columns,
                       const std::string& scratchDir, FigureData& out, std::string& error) {
  out = FigureData{};
  out.fs = file.frequence;
  out.fromMs = ms(first, out.fs);
  out.toMs = ms(last + 1, out.fs);
  if (request.has(Pane::Waveform) && !waveform(file, first, last, std::max(1, columns.waveform), out)) return false;
  if (request.has(Pane::Spectrogram) && !spectrogram(file, request, first, last, columns, out, error)) return false;
  if (request.has(Pane::Energy) && !energy(file, first, last, out)) return false;
  if (request.has(Pane::F0) && !f0(file, first, last, scratchDir, out)) return false;
  if (request.has(Pane::Phonemes) || request.boundaries) out.phonemes = segmentsOf(phonemes, out.fs, first, last);
  if (request.has(Pane::Words) || request.boundaries) out.words = segmentsOf(words, out.fs, first, last);
  return true;
}

}  // namespace ardv::figure
