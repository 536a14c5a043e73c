// Formant tracks and candidates of a whole file.
#include "formants/formant_tracks.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "formants/mccandless.h"
#include "platform/report.h"
#include "prosody/energy_file.h"
#include "signal/buffers.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"

namespace ardv {
namespace {

bool usable(const infoFile& file, std::int64_t& first, std::int64_t& last, int frame) {
  if (!(file.frequence >= 1000.0)) {
    message(file.nom + ": formant analysis needs a sampling rate of at least 1000 Hz");
    return false;
  }
  const std::int64_t n = file.sampleCount();
  first = std::max<std::int64_t>(first, 0);
  last = std::min<std::int64_t>(last, n - 1);
  if (n - first < frame || last < first) {
    message(file.nom + ": nothing to analyse (fewer samples than one frame of " + std::to_string(frame) + ")");
    return false;
  }
  return true;
}

// Value of a (ms, Hz) track at t (linear, ends held); 0 for an empty track.
double trackAt(const std::vector<SnakeTrackPoint>& t, double ms) {
  if (t.empty()) return 0.0;
  if (ms <= t.front().timeMs) return t.front().frequencyHz;
  if (ms >= t.back().timeMs) return t.back().frequencyHz;
  const auto it = std::lower_bound(t.begin(), t.end(), ms,
                                   [](const SnakeTrackPoint& p, double v) { return p.timeMs < v; });
  const SnakeTrackPoint& b = *it;
  const SnakeTrackPoint& a = *(it - 1);
  return b.timeMs > a.timeMs ? a.frequencyHz + (b.frequencyHz - a.frequencyHz) * (ms - a.timeMs) / (b.timeMs - a.timeMs)
                             : b.frequencyHz;
}

bool snakeTracks(const infoFile& file, std::int64_t first, std::int64_t last, const FormantOptions& options,
                 const SnakeParams& params, const std::function<bool(const FormantTrackRow&)>& row) {
  const double fs = file.frequence;
  const std::int64_t stretch = std::max<std::int64_t>(1024, msToSamples(kSnakeStretchMs, fs));
  const int margin = 1024;  // frames reach past the stretch's end
  SHORTbuf buffer(stretch + margin, "snake stretch");
  if (buffer.size() == 0) return false;
  const int step = formantStepSamples(options, fs);
  std::int64_t next = first;  // next output sample
  for (std::int64_t s = first; s <= last; s += stretch) {
    const std::int64_t end = std::min(last, s + stretch - 1);
    if (end - s + 1 < 2) break;
    const std::int64_t count = std::min<std::int64_t>(stretch + margin, file.sampleCount() - s);
    if (lireSignal(file, file.depl + 2 * s, buffer, 0, static_cast<std::int32_t>(count)) != count) return false;
    std::span<const std::int16_t> x(buffer.data(), static_cast<std::size_t>(count));
    std::vector<std::vector<SnakeTrackPoint>> tracks;
    {
      // The discretisation's counts are trace lines; keep them out of the listing.
      if (!trackSnakes(x, 0, end - s, fs, options, params, SupportMethod::Cepstral, InitialCurves::LpcRoots, tracks))
        return false;
    }
    for (; next <= end; next += step) {
      FormantTrackRow r;
      r.centre = next;
      const double ms = static_cast<double>(samplesToMs(static_cast<double>(next - s), fs));
      for (int k = 0; k < 3; ++k)
        r.frequencyHz[k] = k < static_cast<int>(tracks.size()) ? trackAt(tracks[static_cast<std::size_t>(k)], ms) : 0.0;
      if (!row(r)) return true;
    }
  }
  return true;
}

}  // namespace

bool formantTracksOfFile(const infoFile& file, std::int64_t first, std::int64_t last, TrackMethod method,
                         const FormantOptions& options, const SnakeParams& params,
                         const std::function<bool(const FormantTrackRow&)>& row, const CeilingTracker::Score& scores) {
  if (!usable(file, first, last, kMcCandlessFrame + 1)) return false;
  if (method == TrackMethod::Snake) return snakeTracks(file, first, last, options, params, row);
  if (options.ceilingHz != kReferenceCeilingHz) {
    std::vector<double> ceilings = options.ceilingHz > 0.0 ? std::vector<double>{options.ceilingHz} : automaticCeilings();
    CeilingTracker tracker(
        file.frequence, options, std::move(ceilings),
        [&](const McCandlessFrame& f, double ceiling) {
          FormantTrackRow r;
          r.centre = f.centre;
          r.ceilingHz = ceiling;
          for (int k = 0; k < 3; ++k) {
            r.frequencyHz[k] = f.f[static_cast<std::size_t>(k)].frequencyHz;
            r.bandwidthHz[k] = f.f[static_cast<std::size_t>(k)].bandwidthHz;
            r.amplitudeDb[k] = f.f[static_cast<std::size_t>(k)].amplitudeDb;
          }
          return row(r);
        },
        scores);
    bool failed = false;
    const bool read = forEachFileFrame(file, first, kMcCandlessHop, kMcCandlessFrame + 1,
                                       [&](std::int64_t p, const std::int16_t* x) {
                                         if (p > last || p + kMcCandlessFrame + 1 > file.sampleCount()) return false;
                                         if (tracker.frame(p, std::span<const std::int16_t>(x, kMcCandlessFrame + 1)))
                                           return true;
                                         failed = !tracker.stopped();
                                         return false;
                                       });
    if (!read || failed) return false;
    return tracker.stopped() || tracker.finish() || tracker.stopped();
  }
  const int order = formantLpcOrder(options, file.frequence);
  McCandlessState state;
  bool ok = true;
  const bool read = forEachFileFrame(file, first, kMcCandlessHop, kMcCandlessFrame + 1,
                                     [&](std::int64_t p, const std::int16_t* x) {
                                       if (p > last || p + kMcCandlessFrame + 1 > file.sampleCount()) return false;
                                       McCandlessFrame f;
                                       std::span<const std::int16_t> frame(x, kMcCandlessFrame + 1);
                                       if (!mcCandlessFrame(frame, 0, file.frequence, order, state, f)) {
                                         ok = false;
                                         return false;
                                       }
                                       FormantTrackRow r;
                                       r.centre = p + f.centre;
                                       r.ceilingHz = kReferenceCeilingHz;
                                       for (int k = 0; k < 3; ++k) {
                                         r.frequencyHz[k] = f.f[static_cast<std::size_t>(k)].frequencyHz;
                                         r.bandwidthHz[k] = f.f[static_cast<std::size_t>(k)].bandwidthHz;
                                         r.amplitudeDb[k] = f.f[static_cast<std::size_t>(k)].amplitudeDb;
                                       }
                                       return row(r);
                                     });
  return read && ok;
}

bool formantCandidatesOfFile(const infoFile& file, std::int64_t first, std::int64_t last, CandidateKind kind,
                             const FormantOptions& options,
                             const std::function<bool(std::int64_t, const FormantCandidate&)>& candidate) {
  const double fs = file.frequence;
  const int frame = kind == CandidateKind::Lpc ? lpcRootsFrameLength(fs) : 512;
  if (!usable(file, first, last, frame + 1)) return false;
  const int order = formantLpcOrder(options, fs);
  PeakSettings peaks;
  peaks.trueEnvelope = kind == CandidateKind::TrueEnvelope;
  bool ok = true;
  const bool read = forEachFileFrame(file, first, formantStepSamples(options, fs), frame + 1,
                                     [&](std::int64_t p, const std::int16_t* x) {
                                       if (p > last || p + frame + 1 > file.sampleCount()) return false;
                                       std::span<const std::int16_t> samples(x, static_cast<std::size_t>(frame) + 1);
                                       CandidateFrame f;
                                       if (kind == CandidateKind::Lpc) {
                                         ok = lpcRootsFrame(samples, 0, frame, fs, order, kMaxRootBandwidthHz, 0.0, f,
                                                            nullptr);
                                       } else {
                                         const int r = cepstralPeaksFrame(samples, 0, fs, options, peaks, f);
                                         if (r == 0)
                                           message(file.nom +
                                                   ": suivrePicsCepstre() : too many extrema because liftering "
                                                   "coefficients are not appropriate");
                                         ok = r > 0;
                                       }
                                       if (!ok) return false;
                                       for (const FormantCandidate& c : f.candidates)
                                         if (!candidate(p + f.centre, c)) return false;
                                       return true;
                                     });
  return read && ok;
}

}  // namespace ardv
