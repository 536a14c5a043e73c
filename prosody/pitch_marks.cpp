// Pitch marks: candidates per period-long segment, a path through each
// polarity's candidates, then the marks of the run filled out to its ends.
#include "prosody/pitch_marks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "platform/report.h"
#include "signal/infofile.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "spectral/analysable.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr float kCarriedScore = 65535.0f;
constexpr double kNoPath = std::numeric_limits<double>::infinity();

struct Waveform {
  const std::int16_t* x;
  std::int64_t first, count;
  int at(std::int64_t p) const { return x[p - first]; }
};

void insertCandidate(CandidateRow& row, std::int64_t pos, float score, int f0) {
  for (int i = 0; i < kMarkCandidates; ++i) {
    if (row[static_cast<std::size_t>(i)].score < score) {
      std::move_backward(row.begin() + i, row.end() - 1, row.end());
      row[static_cast<std::size_t>(i)] = MarkCandidate{0.0f, -1, -1, f0, pos, score};
      return;
    }
  }
}

// Local maxima (sign +1) or minima (sign -1) of samples a..b-1.
void collect(CandidateRow& row, const Waveform& wave, std::int64_t a, std::int64_t b, int sign,
             const PitchTrack& track) {
  std::int64_t k = a;
  while (k < b - 1) {
    while (k + 1 < b && sign * wave.at(k + 1) >= sign * wave.at(k)) ++k;
    if (k + 1 >= b) break;
    insertCandidate(row, k, static_cast<float>(std::abs(wave.at(k))), trackPitchAt(track, k));
    while (k + 1 < b && sign * wave.at(k + 1) <= sign * wave.at(k)) ++k;
  }
}

double transition(const MarkCandidate& p, const MarkCandidate& j, double fs, double w) {
  const double d = static_cast<double>(p.pos - j.pos);
  const double half = 0.5 * p.score;
  if (d == 0 && p.f0 != 0) return w * fs / p.f0 - half;
  if (p.f0 != 0 && j.f0 != 0) {
    const double tp = fs / p.f0, tj = fs / j.f0;
    return std::fabs((tp - tj) / d) + w * std::fabs(std::fabs(d) - tp) - half;
  }
  if (p.f0 != 0 || j.f0 != 0) return w * std::fabs(std::fabs(d) - fs / (p.f0 + j.f0)) - half;
  return 1e10;
}

// Best path through one polarity's table: its positions in time order and
// its end cost (kNoPath when the table holds no candidate).
double bestPath(std::vector<CandidateRow>& rows, double fs, double w, std::vector<std::int64_t>& path) {
  const int n = static_cast<int>(rows.size());
  std::vector<std::array<double, kMarkCandidates>> cost(rows.size());
  for (int k = 0; k < n; ++k) {
    for (int j = 0; j < kMarkCandidates; ++j) {
      MarkCandidate& c = rows[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
      double& cj = cost[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
      cj = c.pos == 0 ? kNoPath : 0.0;
      if (c.pos == 0 || k == 0) continue;
      double best = kNoPath;
      for (int ks = std::max(k - kMarkMaxSkip, 0); ks < k; ++ks) {
        for (int pc = 0; pc < kMarkCandidates; ++pc) {
          const double cp = cost[static_cast<std::size_t>(ks)][static_cast<std::size_t>(pc)];
          if (cp == kNoPath) continue;
          const double v = cp + transition(rows[static_cast<std::size_t>(ks)][static_cast<std::size_t>(pc)], c, fs, w);
          if (v < best) best = v, c.prevSeg = ks, c.prevCand = pc;
        }
      }
      if (best != kNoPath) cj = best;  // no predecessor: a path starts here
      c.cost = static_cast<float>(cj);
    }
  }
  double endCost = kNoPath;
  int ek = -1, ej = -1;
  for (int k = std::max(n - kMarkMaxSkip, 0); k < n; ++k)
    for (int j = 0; j < kMarkCandidates; ++j)
      if (cost[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)] < endCost)
        endCost = cost[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)], ek = k, ej = j;
  path.clear();
  while (ek >= 0) {
    const MarkCandidate& c = rows[static_cast<std::size_t>(ek)][static_cast<std::size_t>(ej)];
    path.push_back(c.pos);
    ek = c.prevSeg, ej = c.prevCand;
  }
  std::reverse(path.begin(), path.end());
  return endCost;
}

std::int64_t magnitude(std::int64_t m) { return m < 0 ? -m : m; }

}  // namespace

PitchTrack uncheckedTrack(const PitchTrack& track) {
  PitchTrack t = track;
  if (!t.unchecked.empty()) t.pitchCorrige = t.unchecked;
  t.unchecked.clear();
  return t;
}

PitchTrack markTrack(const PitchTrack& track) {
  PitchTrack t = uncheckedTrack(track);
  if (track.unchecked.empty()) return t;
  std::vector<int>& p = t.pitchCorrige;
  const auto n = std::min(p.size(), track.pitchCorrige.size());
  for (std::size_t i = 0; i < n;) {
    if (p[i] < 1) {
      ++i;
      continue;
    }
    std::size_t end = i, kept = i;
    for (; end < n && p[end] >= 1; ++end)
      if (track.pitchCorrige[end] >= 1) kept = end + 1;
    std::fill(p.begin() + static_cast<std::ptrdiff_t>(kept), p.begin() + static_cast<std::ptrdiff_t>(end), 0);
    i = end;
  }
  return t;
}

int trackPitchAt(const PitchTrack& t, std::int64_t sample) {
  if (t.S <= 0) return 0;
  const std::int64_t rel = sample - t.L / 2 - t.first + t.S / 2;
  if (rel < 0) return 0;
  const std::int64_t k = rel / t.S;
  if (k >= std::min<std::int64_t>(t.frames, static_cast<std::int64_t>(t.pitchCorrige.size()))) return 0;
  const int v = t.pitchCorrige[static_cast<std::size_t>(k)];
  return v >= 1 ? v : 0;
}

bool followMinima(int polarity, double costMin, double costMax) {
  if (costMin == kNoPath) return false;
  if (costMax == kNoPath) return true;
  return polarity == 1 || (polarity == 0 && costMin < costMax);
}

void pitchMark(MarkList& marks, const std::int16_t* samples, std::int64_t first, std::int64_t count,
               const PitchTrack& checked, std::int64_t start, std::int64_t end, const MarkParams& params,
               MarkerState& state) {
  const Waveform wave{samples, first, count};
  const PitchTrack track = markTrack(checked);
  const double fs = track.fs;
  const std::int64_t lo = std::max(start, first), hi = std::min(end, first + count - 1);
  const std::size_t base = marks.size();
  const int F = std::min(track.frames, static_cast<int>(track.pitchCorrige.size()));
  const int U = std::max(params.U, 1);
  auto voicedAt = [&](int i) { return trackPitchAt(track, track.centre(i)) >= 1; };
  // The path over a stretch is found on the F0 path's whole stretch, so that
  // the marks the check leaves are those it would place without it.
  const PitchTrack pathTrack = uncheckedTrack(checked);
  auto pathVoicedAt = [&](int i) { return trackPitchAt(pathTrack, pathTrack.centre(i)) >= 1; };
  // F0 at p, past the last frame centre that of the last frame, so that a
  // run going on to the stretch's end is marked to its end.
  auto f0Towards = [&](std::int64_t p) { return trackPitchAt(track, F > 0 ? std::min(p, track.centre(F - 1)) : p); };
  std::vector<CandidateRow> maxima, minima;
  std::vector<std::int64_t> pathMax, pathMin, run;
  int i = 0;
  while (true) {
    if (i >= F || !voicedAt(i)) {
      int j = i;
      while (j < F && !voicedAt(j)) ++j;
      // At the stretch's end, marks go on to its last sample, so that the
      // last window reaches it.
      const std::int64_t limit = j < F ? track.centre(j) : hi + 1;
      std::int64_t p = marks.size() == base ? track.first + track.L / 2 : magnitude(marks.back()) + U;
      for (; p < limit; p += U)
        if (p >= lo) marks.push_back(-p);
      state.polarity = 0;
      if (j >= F) break;
      i = j;
    }
    int r = 0, pathR = 0, fmax = 0;
    while (i + r < F && voicedAt(i + r)) ++r;
    while (i + pathR < F && (pathR < r || pathVoicedAt(i + pathR)))
      fmax = std::max(fmax, trackPitchAt(pathTrack, pathTrack.centre(i + pathR))), ++pathR;
    const bool continuing = i == 0 && state.carried > 0;
    if (!continuing) state.polarity = 0;
    const std::int64_t T = std::max<std::int64_t>(static_cast<std::int64_t>(fs / fmax), 1);
    const std::int64_t runLen = static_cast<std::int64_t>(pathR) * track.S;
    const std::int64_t N = std::max<std::int64_t>(runLen / T, 1);
    const std::int64_t c0 = track.centre(i);
    maxima.assign(static_cast<std::size_t>(N), CandidateRow{});
    minima.assign(static_cast<std::size_t>(N), CandidateRow{});
    for (std::int64_t k = 0; k < N; ++k) {
      if (k == 0 && continuing) {
        const MarkCandidate c{0.0f, -1, -1, trackPitchAt(track, state.carried), state.carried, kCarriedScore};
        maxima[0][0] = c, minima[0][0] = c;
        continue;
      }
      const std::int64_t a = std::max(c0 + k * T, lo);
      const std::int64_t b = std::min(k + 1 < N ? c0 + (k + 1) * T : c0 + runLen, hi + 1);
      collect(maxima[static_cast<std::size_t>(k)], wave, a, b, 1, pathTrack);
      collect(minima[static_cast<std::size_t>(k)], wave, a, b, -1, pathTrack);
    }
    run.clear();
    if (N == 1) {
      const MarkCandidate& mx = maxima[0][0];
      const MarkCandidate& mn = minima[0][0];
      const MarkCandidate& best = mx.score > mn.score ? mx : mn;
      if (best.pos != 0) run.push_back(best.pos);
    } else {
      const double costMax = bestPath(maxima, fs, params.w, pathMax);
      const double costMin = bestPath(minima, fs, params.w, pathMin);
      const bool useMin = followMinima(state.polarity, costMin, costMax);
      state.polarity = useMin ? 1 : 2;
      run = useMin ? pathMin : pathMax;
    }
    const std::int64_t nextCentre = std::min(track.centre(i + r), hi);
    i += r;
    if (pathR > r) run.erase(std::lower_bound(run.begin(), run.end(), nextCentre), run.end());
    if (run.empty()) continue;
    // Periods before the path's first mark, back towards the previous mark.
    const std::int64_t prev = marks.size() > base ? magnitude(marks.back()) : start + track.L / 2;
    std::vector<std::int64_t> before;
    for (std::int64_t e = run.front();;) {
      const int f = trackPitchAt(track, e);
      if (f < 1 || f > 999) break;
      const auto P = static_cast<std::int64_t>(fs / f);
      if (e - prev <= P || e - P < lo) break;
      e -= P;
      before.push_back(e);
    }
    marks.insert(marks.end(), before.rbegin(), before.rend());
    marks.insert(marks.end(), run.begin(), run.end());
    for (std::int64_t last = run.back();;) {
      const int f = f0Towards(last);
      if (f < 1 || f > 999) break;
      const auto P = static_cast<std::int64_t>(fs / f);
      if (nextCentre - last <= P) break;
      last += P;
      marks.push_back(last);
    }
    const int fEnd = f0Towards(magnitude(marks.back()));
    if (fEnd == 0 || fEnd > 1000) marks.back() = -marks.back();
  }
}

std::string markListing(const MarkList& marks, const std::vector<int>& f0, double fs, const std::string& fileName) {
  std::string out = ">> pitch_mark\r\n" + textf(6810, {fileName}) + "\r\nTime\tTime\tPitch\r\n[ms]\t[echt]\t[Hz]\r\n";
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const std::int64_t p = magnitude(marks[k]);
    char line[80];
    std::snprintf(line, sizeof line, "%ld\t%ld\t%d\r\n", static_cast<long>(samplesToMs(static_cast<double>(p), fs)),
                  static_cast<long>(p), k < f0.size() ? f0[k] : 0);
    out += line;
  }
  return out;
}

SampleReader signalFileReader(const infoFile& file) {
  auto buffer = std::make_shared<SHORTbuf>(0, "signal chunk");
  return [file, buffer](std::int64_t first, std::int64_t count, std::int16_t* out) {
    if (count <= 0) return true;
    if (buffer->size() < count && !buffer->newsize(count)) return false;
    if (lireSignal(file, file.depl + 2 * first, *buffer, 0, static_cast<std::int32_t>(count)) != count) return false;
    std::copy_n(buffer->data(), count, out);
    return true;
  };
}

std::int64_t markChunkSamples(double fs) { return std::min<std::int64_t>(msToSamples(6000.0, fs), 288000); }

std::int64_t shortRestSamples(std::int64_t chunk, int L) { return std::max<std::int64_t>(chunk / 4, 4 * static_cast<std::int64_t>(L)); }

bool marksOfSignal(const SampleReader& read, std::int64_t n, double fs, const SpeakerF0Params& speaker,
                   MarkList& marks, std::vector<int>& f0, std::int64_t chunkSamples) {
  marks.clear();
  f0.clear();
  PitchGeometry geo;
  if (!pitchGeometry(fs, 0, geo)) {
    message("Pitch marks need a sampling frequency from 4000 to 128000 Hz, not " + std::to_string(fs) + " Hz.");
    return false;
  }
  const std::int64_t chunk = chunkSamples > 0 ? chunkSamples : markChunkSamples(fs);
  if (n < geo.L || chunk < 4 * geo.L) {
    message(text(9015));
    return false;
  }
  const MarkParams params{200.0f, static_cast<int>(msToSamples(10.0, fs))};
  const std::int64_t rest = shortRestSamples(chunk, geo.L);
  std::vector<std::int16_t> buf(static_cast<std::size_t>(chunk + rest));
  MarkerState state;
  std::int64_t start = 0;
  for (bool firstChunk = true;; firstChunk = false) {
    const std::int64_t count = n - start <= chunk + rest ? n - start : chunk;
    if (!read(start, count, buf.data())) return false;
    PitchTrack track;
    if (!calcPitchMartin(buf.data(), count, start, fs, speaker, PitchOptions{true, false}, track)) return false;
    MarkList part;
    pitchMark(part, buf.data(), start, count, track, start, start + count - 1, params, state);
    const PitchTrack marked = markTrack(track);
    std::size_t from = 0;
    if (!firstChunk && !part.empty() && !marks.empty()) {
      part[0] = marks.back();
      from = 1;
    }
    for (std::size_t k = from; k < part.size(); ++k) {
      marks.push_back(part[k]);
      f0.push_back(trackPitchAt(marked, magnitude(part[k])));
    }
    if (start + count >= n) break;
    std::int64_t next = marks.empty() ? 0 : magnitude(marks.back()) - geo.L / 2;
    state = MarkerState{};
    if (next > start && marks.back() > 0) {
      state.carried = marks.back();
      state.polarity = buf[static_cast<std::size_t>(marks.back() - start)] < 1 ? 1 : 2;
    } else if (next <= start) {
      next = start + count - geo.L;
    }
    if (3 * static_cast<std::int64_t>(geo.L) + next >= n) break;
    start = next;
  }
  return true;
}

}  // namespace ardv
