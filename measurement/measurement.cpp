// Measurements of a stretch from the frames of the analyses.
#include "measurement/measurement.h"

#include <algorithm>
#include <iterator>
#include <numeric>

#include "formants/formant_tracks.h"
#include "formants/mccandless.h"
#include "formants/snake.h"
#include "platform/report.h"
#include "prosody/energy_file.h"
#include "prosody/pitch_file.h"

namespace ardv {
namespace {

bool analyseF0(const infoFile& file, std::int64_t first, std::int64_t last, const MeasureSettings& s,
               RangeAnalyses& out) {
  PitchOptions options;
  options.quiet = true;
  options.trace = false;
  return pitchFramesOfFile(file, first, last, s.f0Params, options, [&](std::int64_t centre, int hz) {
    out.f0.push_back({centre, std::max(hz, 0)});
    return true;
  });
}

bool analyseFormants(const infoFile& file, std::int64_t first, std::int64_t last, const MeasureSettings& s,
                     RangeAnalyses& out) {
  const std::int64_t n = file.sampleCount();
  if (n < kMcCandlessFrame + 1) return true;
  // Frames of the whole-file grid: the tracker's frame k starts at k·hop.
  std::int64_t from = 0;
  if (s.formantContextSamples >= 0)
    from = std::max<std::int64_t>(first - kMcCandlessFrame / 2 - s.formantContextSamples, 0) / kMcCandlessHop *
           kMcCandlessHop;
  if (from > n - (kMcCandlessFrame + 1)) return true;
  // The tracks run on past the stretch, as over the whole file: the
  // automatic ceiling is chosen per voiced stretch, and one cut at `last`
  // may get another ceiling (rows past `last` stop the tracker).
  const std::int64_t to = s.formantContextSamples >= 0 ? std::min(n - 1, last + s.formantContextSamples) : n - 1;
  return formantTracksOfFile(file, from, to, s.snakeFormants ? TrackMethod::Snake : TrackMethod::McCandless,
                             s.formantOptions, snakeParams(),
                             [&](const FormantTrackRow& r) {
                               if (r.centre > last) return false;
                               if (r.centre >= first)
                                 out.formants.push_back({r.centre, {r.frequencyHz[0], r.frequencyHz[1], r.frequencyHz[2]}});
                               return true;
                             });
}

// Marks each formant frame by the F0 frame nearest to its centre; none within
// half an F0 frame (the F0 analysis had no frame there) reads as unvoiced.
void markVoicing(double fs, std::vector<RangeAnalyses::FormantFrame>& formants,
                 const std::vector<RangeAnalyses::F0Frame>& f0) {
  PitchGeometry geo;
  const std::int64_t reach = pitchGeometry(fs, 0, geo) ? geo.L / 2 : 0;
  auto next = f0.begin();
  for (auto& frame : formants) {
    while (next != f0.end() && next->centre < frame.centre) ++next;
    const RangeAnalyses::F0Frame* nearest = nullptr;
    if (next != f0.end()) nearest = &*next;
    if (next != f0.begin() && (!nearest || frame.centre - std::prev(next)->centre <= nearest->centre - frame.centre))
      nearest = &*std::prev(next);
    frame.voiced = nearest && std::abs(nearest->centre - frame.centre) <= reach && nearest->hz > 0;
  }
}

bool analyseEnergy(const infoFile& file, std::int64_t first, std::int64_t last, const MeasureSettings& s,
                   RangeAnalyses& out) {
  EnergyParams p = s.energyParams;
  EnergySetup setup;
  if (!energySetup(p, file.frequence, setup)) return false;
  const std::int64_t n = file.sampleCount();
  if (n < setup.Le) return true;
  const int half = setup.Le / 2;
  // The first frame of the whole-file grid whose centre is at or after `first`.
  const std::int64_t p0 = std::max<std::int64_t>(first - half + setup.He - 1, 0) / setup.He * setup.He;
  FrameEnergy energy(setup, p.windowed);
  return forEachFileFrame(file, p0, setup.He, setup.Le, [&](std::int64_t pos, const std::int16_t* x) {
    if (pos + half > last || pos + setup.Le > n) return false;
    if (pos + half >= first) out.energy.push_back({pos + half, static_cast<double>(energy(x))});
    return true;
  });
}

template <typename Frame>
std::pair<const Frame*, const Frame*> inside(const std::vector<Frame>& frames, std::int64_t start, std::int64_t end) {
  const auto lo = std::lower_bound(frames.begin(), frames.end(), start,
                                   [](const Frame& f, std::int64_t v) { return f.centre < v; });
  const auto hi = std::lower_bound(lo, frames.end(), end, [](const Frame& f, std::int64_t v) { return f.centre < v; });
  return {frames.data() + (lo - frames.begin()), frames.data() + (hi - frames.begin())};
}

double mean(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size()); }

double sd(const std::vector<double>& v) {
  if (v.size() < 2) return kNoValue;
  const double m = mean(v);
  double s = 0.0;
  for (const double x : v) s += (x - m) * (x - m);
  return std::sqrt(s / static_cast<double>(v.size() - 1));
}

// Median of sorted values.
double median(const std::vector<double>& v) {
  const std::size_t h = v.size() / 2;
  return v.size() % 2 ? v[h] : 0.5 * (v[h - 1] + v[h]);
}

F0Figures f0Figures(const RangeAnalyses::F0Frame* b, const RangeAnalyses::F0Frame* e) {
  F0Figures f;
  f.frames = static_cast<int>(e - b);
  if (f.frames == 0) return f;
  std::vector<double> hz;
  for (const auto* p = b; p != e; ++p)
    if (p->hz > 0) hz.push_back(p->hz);
  f.voiced = static_cast<int>(hz.size());
  f.voicedFraction = static_cast<double>(f.voiced) / f.frames;
  if (hz.empty()) return f;
  std::sort(hz.begin(), hz.end());
  std::vector<double> st(hz.size());
  std::transform(hz.begin(), hz.end(), st.begin(), semitones);
  f.meanHz = mean(hz);
  f.medianHz = median(hz);
  f.minHz = hz.front();
  f.maxHz = hz.back();
  f.sdHz = sd(hz);
  f.meanSt = mean(st);
  f.medianSt = median(st);
  f.minSt = st.front();
  f.maxSt = st.back();
  f.sdSt = sd(st);
  return f;
}

}  // namespace

bool analyseRange(const infoFile& file, std::int64_t first, std::int64_t last, const MeasureSettings& settings,
                  RangeAnalyses& out) {
  out = RangeAnalyses{};
  out.fs = file.frequence;
  if (!(file.frequence >= 1000.0)) {
    message(file.nom + ": measurements need a sampling rate of at least 1000 Hz");
    return false;
  }
  first = std::max<std::int64_t>(first, 0);
  last = std::min(last, file.sampleCount() - 1);
  if (last < first) return true;
  if ((settings.what.f0 || settings.what.formants) && !analyseF0(file, first, last, settings, out)) return false;
  if (settings.what.formants) {
    if (!analyseFormants(file, first, last, settings, out)) return false;
    markVoicing(file.frequence, out.formants, out.f0);
    if (!settings.what.f0) out.f0.clear();
  }
  return !settings.what.intensity || analyseEnergy(file, first, last, settings, out);
}

Measurement measureStretch(const RangeAnalyses& a, std::int64_t start, std::int64_t end) {
  Measurement m;
  m.start = start;
  m.end = std::max(start, end);
  const double msPerSample = a.fs > 0 ? 1000.0 / a.fs : 0.0;
  m.startMs = static_cast<double>(m.start) * msPerSample;
  m.endMs = static_cast<double>(m.end) * msPerSample;
  m.durationMs = m.endMs - m.startMs;
  if (m.end == m.start) return m;

  const auto [f0b, f0e] = inside(a.f0, m.start, m.end);
  m.f0 = f0Figures(f0b, f0e);

  const auto [fb, fe] = inside(a.formants, m.start, m.end);
  const double length = static_cast<double>(m.end - m.start);
  for (int q = 0; q < 3; ++q) {
    if (fb == fe) break;
    const double t = static_cast<double>(m.start) + length * 0.25 * (q + 1);
    const auto* best = fb;
    for (const auto* p = fb; p != fe; ++p)
      if (std::abs(static_cast<double>(p->centre) - t) < std::abs(static_cast<double>(best->centre) - t)) best = p;
    if (best->voiced)
      for (int k = 0; k < 3; ++k) m.formantsAt[static_cast<std::size_t>(q)][static_cast<std::size_t>(k)] = best->hz[static_cast<std::size_t>(k)];
  }
  const double lo = static_cast<double>(m.start) + 0.25 * length, hi = static_cast<double>(m.start) + 0.75 * length;
  std::array<double, 3> sum{0, 0, 0};
  int count = 0;
  for (const auto* p = fb; p != fe; ++p) {
    const double c = static_cast<double>(p->centre);
    if (c < lo || c > hi || !p->voiced) continue;
    for (int k = 0; k < 3; ++k) sum[static_cast<std::size_t>(k)] += p->hz[static_cast<std::size_t>(k)];
    ++count;
  }
  if (count > 0)
    for (int k = 0; k < 3; ++k) m.formantsMiddleMean[static_cast<std::size_t>(k)] = sum[static_cast<std::size_t>(k)] / count;

  const auto [eb, ee] = inside(a.energy, m.start, m.end);
  if (eb != ee) {
    double power = 0.0, top = -1e300;
    for (const auto* p = eb; p != ee; ++p) {
      power += std::pow(10.0, p->db / 10.0);
      top = std::max(top, p->db);
    }
    m.intensityMeanDb = 10.0 * std::log10(power / static_cast<double>(ee - eb));
    m.intensityMaxDb = top;
  }
  return m;
}

}  // namespace ardv
