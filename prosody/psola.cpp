// PSOLA: synthesis marks from the virtual marks, Hanning-windowed periods
// overlap-added at them, chunk by chunk with the output flushed behind.
#include "prosody/psola.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "platform/file_access.h"
#include "platform/report.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {
namespace {

std::int64_t mag(std::int64_t m) { return m < 0 ? -m : m; }

struct Periods {
  const PsolaChunk& chunk;
  const PsolaParams& params;
  std::int64_t U;

  int f0Of(std::size_t a) const {
    const MarkList& M = *chunk.marks;
    int f = trackPitchAt(*chunk.track, mag(M[a]));
    if (f < 1 && a + 1 < M.size()) f = trackPitchAt(*chunk.track, mag(M[a + 1]));
    return f < 1 ? 0 : std::max(f, kPsolaMinF0);
  }
  // Analysis period at analysis mark a: the distance to the next mark of
  // the chunk (so that alpha = 1, beta = 1 puts every period back where it
  // was), up to the longest period; for the last mark, 10 ms when unvoiced,
  // else fs / F0.
  std::int64_t analysis(std::size_t a) const {
    const MarkList& M = *chunk.marks;
    if (a + 1 < M.size()) {
      const std::int64_t d = mag(M[a + 1]) - mag(M[a]);
      if (d >= 1 && d <= longest()) return d;
    }
    const int f = M[a] < 0 ? 0 : f0Of(a);
    if (f == 0) return U;
    return std::max<std::int64_t>(nearestInt(params.fs / f), 1);
  }
  std::int64_t longest() const { return std::max<std::int64_t>(nearestInt(params.fs / kPsolaMinF0), U); }
  // Synthesis period: P * beta, or the contour's F0 where it gives one,
  // kept within the factors PSOLA can do.
  double synthesis(std::size_t a, std::int64_t P) const {
    const std::int64_t m = (*chunk.marks)[a];
    if (chunk.contour && m > 0 && chunk.track->S > 0) {
      const std::int64_t k = (m - chunk.track->L / 2) / chunk.track->S;
      if (k >= 0 && k < static_cast<std::int64_t>(chunk.contour->size())) {
        const int target = (*chunk.contour)[static_cast<std::size_t>(k)];
        const double p = static_cast<double>(P);
        if (target >= 1) return std::clamp(params.fs / target, p / kPsolaMaxF0Factor, p / kPsolaMinF0Factor);
      }
    }
    return static_cast<double>(P) * params.beta;
  }
};

}  // namespace

bool Scale_mod(const PsolaChunk& chunk, const PsolaParams& params, HanningCache& hanning, OverlapAddOutput& output,
               PsolaState& state) {
  const MarkList& M = *chunk.marks;
  const std::size_t K = M.size();
  if (K == 0) return true;
  const Periods periods{chunk, params, msToSamples(10.0, params.fs)};
  const double alpha = params.alpha;
  std::vector<std::int64_t> V(K);
  // At the start, synthesis begins at the first mark's virtual position, so
  // that alpha = 1, beta = 1 puts the periods back where they were.
  if (state.lastVirtual < 0) {
    const std::int64_t v0 = nearestInt(static_cast<double>(mag(M[0])) * alpha);
    state.lastVirtual = M[0] < 0 ? -v0 : v0;
    state.lastSynth = state.lastVirtual;
  }
  V[0] = state.lastVirtual;
  for (std::size_t j = 1; j < K; ++j) {
    const std::int64_t v = nearestInt(static_cast<double>(mag(M[j])) * alpha);
    V[j] = M[j] < 0 ? -v : v;
  }
  const double kd = static_cast<double>(K);
  // Room for the synthesis marks: what the designed bound gives, and at
  // least what the fastest synthesis period allowed can place.
  const double fastest = chunk.contour ? 1.0 / kPsolaMaxF0Factor : params.beta;
  const auto designRoom = static_cast<std::size_t>(std::max(alpha < 1 && params.beta >= 1 ? 2 * kd / alpha : (alpha + 1) * 2 * kd,
                                                      (alpha / fastest + 1) * 2 * kd + 2));
  // The last chunk's synthesis goes on, with its last analysis mark, to the
  // end of the output.
  const std::int64_t vEnd = mag(V[K - 1]);
  const std::int64_t sEnd =
      chunk.last ? std::max(vEnd, nearestInt(static_cast<double>(chunk.first + chunk.count - 1) * alpha)) : vEnd;
  const std::size_t room = designRoom + static_cast<std::size_t>(sEnd - vEnd);
  std::vector<std::int64_t> S;
  std::vector<std::size_t> A;
  S.reserve(room);
  A.reserve(room);
  auto nearestFrom = [&](std::size_t a, std::int64_t s) {
    while (a + 1 < K && std::llabs(mag(V[a + 1]) - s) < std::llabs(mag(V[a]) - s)) ++a;
    return a;
  };
  const std::int64_t s0 = mag(state.lastSynth);
  const std::size_t a0 = s0 == mag(V[0]) ? 0 : nearestFrom(0, s0);
  S.push_back(V[a0] < 0 ? -s0 : s0);
  A.push_back(a0);
  while (true) {
    const std::size_t a = A.back();
    const std::int64_t step = std::max<std::int64_t>(nearestInt(periods.synthesis(a, periods.analysis(a))), 1);
    std::int64_t next = mag(S.back()) + step;
    // Leaving an unvoiced stretch, synthesis resumes on the voiced run's
    // first virtual mark, so that a run's periods keep their phase.
    if (M[a] < 0 && a + 1 < K && V[a + 1] > 0 && V[a + 1] < next && V[a + 1] > mag(S.back())) next = V[a + 1];
    if (next > sEnd) break;
    if (S.size() >= room) {
      message("erreur sur la taille du tableau de marques de synthese");
      return false;
    }
    const std::size_t an = nearestFrom(a, next);
    S.push_back(V[an] < 0 ? -next : next);
    A.push_back(an);
  }
  // Nothing later than this chunk writes below its first synthesis mark
  // less the longest window half.
  const std::int64_t pMax = std::max<std::int64_t>(nearestInt(params.fs / kPsolaMinF0), periods.U);
  const double slowest = chunk.contour ? 1.0 / kPsolaMinF0Factor : params.beta;
  const std::int64_t hMax = static_cast<std::int64_t>(static_cast<double>(pMax) * std::max(slowest, 1.0)) + 2;
  if (!output.flushBelow(s0 - hMax)) return false;

  std::vector<float> seg, inside;
  bool outside = false;
  for (std::size_t n = chunk.skipFirst ? 1 : 0; n < S.size(); ++n) {
    const std::size_t a = A[n];
    const std::int64_t P = periods.analysis(a);
    const std::int64_t W = 2 * P, h = (W - 1) / 2;
    const std::int64_t Ws = std::max<std::int64_t>(nearestInt(periods.synthesis(a, P) * 2), 1), hs = (Ws - 1) / 2;
    const std::vector<float>& hw = hanning.window(static_cast<int>(W));
    seg.assign(static_cast<std::size_t>(W), 0.0f);
    inside.assign(static_cast<std::size_t>(W), 0.0f);
    const std::int64_t at = mag(M[a]) - chunk.first - h;
    for (std::int64_t d = 0; d < W; ++d) {
      const std::int64_t i = at + d;
      if (i < 0 || i >= chunk.count) {
        outside = true;
        continue;
      }
      seg[static_cast<std::size_t>(d)] = static_cast<float>(chunk.samples[i]) * hw[static_cast<std::size_t>(d)];
      inside[static_cast<std::size_t>(d)] = hw[static_cast<std::size_t>(d)];
    }
    if (M[a] < 0 && state.lastAnalysis == M[a]) ++state.repetition;
    else state.repetition = 0;
    state.lastAnalysis = M[a];
    const bool reversed = state.repetition % 2 == 1;
    const std::int64_t s = mag(S[n]);
    const std::int64_t from = std::max<std::int64_t>(s - h, 0);
    float* out = output.out(from, s - h + W - from);
    float* as = output.asum(from, s - h + W - from);
    for (std::int64_t d = from - (s - h); d < W; ++d) {
      const auto u = static_cast<std::size_t>(reversed ? W - 1 - d : d);
      out[s - h + d - from] += seg[u];
      as[s - h + d - from] += inside[u];
    }
    const std::vector<float>& hs_w = hanning.window(static_cast<int>(Ws));
    const std::int64_t fromS = std::max<std::int64_t>(s - hs, 0);
    float* ws = output.wsum(fromS, s - hs + Ws - fromS);
    for (std::int64_t d = fromS - (s - hs); d < Ws; ++d)
      ws[s - hs + d - fromS] += hs_w[static_cast<std::size_t>(reversed ? Ws - 1 - d : d)];
  }
  if (outside) traceLine("depassement dans space");
  // Hand-over: the last synthesis mark and the last virtual mark not beyond it.
  const std::int64_t sLast = mag(S.back());
  std::size_t j = K;
  while (j > 0 && mag(V[j - 1]) > sLast) --j;
  if (j == 0) {
    message("erreur dans scalemod");
    return false;
  }
  state.lastSynth = S.back();
  state.lastVirtual = V[j - 1];
  state.carriedAnalysis = M[j - 1];
  return true;
}

bool CMPitchScaleMod(const SampleReader& read, std::int64_t n, double fs, const ModifyOptions& options,
                     const SampleSink& sink) {
  PitchGeometry geo;
  if (!pitchGeometry(fs, 0, geo)) {
    message("PSOLA needs a sampling frequency from 4000 to 128000 Hz, not " + std::to_string(fs) + " Hz.");
    return false;
  }
  if (n < geo.L) {
    message(text(9015));
    return false;
  }
  const std::int64_t chunk = std::max<std::int64_t>(
      options.chunkSamples > 0 ? options.chunkSamples : markChunkSamples(fs), 4 * static_cast<std::int64_t>(geo.L));
  const MarkParams markParams{200.0f, static_cast<int>(msToSamples(10.0, fs))};
  const PsolaParams params{fs, options.contour ? 1.0 : options.alpha, options.contour ? 1.0 : options.beta};
  OverlapAddOutput output(sink, options.flushing);
  HanningCache hanning;
  MarkerState markerState;
  PsolaState state;
  const std::int64_t rest = shortRestSamples(chunk, geo.L);
  std::vector<std::int16_t> buf(static_cast<std::size_t>(chunk + rest));
  std::int64_t start = 0;
  for (bool first = true;; first = false) {
    const std::int64_t count = n - start <= chunk + rest ? n - start : chunk;
    if (!read(start, count, buf.data())) return false;
    PitchTrack track;
    if (!calcPitchMartin(buf.data(), count, start, fs, speakerF0Params(options.speakerType), PitchOptions{true, false},
                         track))
      return false;
    MarkList marks;
    pitchMark(marks, buf.data(), start, count, track, start, start + count - 1, markParams, markerState);
    const PitchTrack marked = markTrack(track);
    if (!first) {
      if (marks.empty()) marks.push_back(state.carriedAnalysis);
      else marks[0] = state.carriedAnalysis;
    }
    const PsolaChunk pc{&marks, buf.data(), start, count, &marked, options.contour, !first, start + count >= n};
    if (!Scale_mod(pc, params, hanning, output, state)) return false;
    if (start + count >= n) break;
    const std::int64_t carried = state.carriedAnalysis;
    const std::int64_t next = mag(carried) - geo.L / 2;
    if (next <= start || 3 * static_cast<std::int64_t>(geo.L) + next >= n) break;
    markerState = MarkerState{};
    if (carried > 0) {
      const std::int64_t d4 = msToSamples(4.0, fs);
      if (trackPitchAt(marked, carried) == 0 && trackPitchAt(marked, carried - d4) == 0 &&
          std::max(trackPitchAt(marked, carried + d4), trackPitchAt(marked, carried - 2 * d4)) == 0)
        message("CMPitchScaleMod: pitch null sur marque voisee");
      markerState.carried = carried;
      markerState.polarity = buf[static_cast<std::size_t>(carried - start)] < 1 ? 1 : 2;
    }
    start = next;
  }
  return output.finish(nearestInt(static_cast<double>(n) * params.alpha));
}

}  // namespace ardv

namespace ardv {

std::vector<int> contourFrames(const std::vector<std::pair<long, int>>& points, double fs, std::int64_t samples) {
  PitchGeometry geo;
  if (!pitchGeometry(fs, 0, geo) || samples < 0) return {};
  const std::int64_t frames = samples / geo.S + 1;
  std::vector<int> perFrame(static_cast<std::size_t>(frames), 0);
  auto frameOf = [&](long ms) {
    return std::max<std::int64_t>(
        nearestInt((static_cast<double>(msToSamples(static_cast<double>(ms), fs)) - geo.L / 2) / geo.S), 0);
  };
  for (std::size_t p = 0; p < points.size(); ++p) {
    const std::int64_t k = frameOf(points[p].first);
    const int f = points[p].second;
    if (k < frames) perFrame[static_cast<std::size_t>(k)] = f;
    if (p + 1 == points.size() || f == 0 || points[p + 1].second == 0) continue;
    const std::int64_t k2 = frameOf(points[p + 1].first);
    const int f2 = points[p + 1].second;
    for (std::int64_t j = k + 1; j < k2 && j < frames; ++j)
      perFrame[static_cast<std::size_t>(j)] =
          static_cast<int>(nearestInt(f + static_cast<double>(f2 - f) * static_cast<double>(j - k) / static_cast<double>(k2 - k)));
  }
  return perFrame;
}

namespace {

// Longest line of a contour file read (its lines have 18 bytes).
constexpr std::size_t kContourLineMax = 256;

// The next line of `in` without its end (and a final CR); false at the end
// of the file, or with `tooLong` set when it exceeds kContourLineMax.
bool boundedLine(std::istream& in, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  int c = 0;
  while ((c = in.get()) != std::char_traits<char>::eof() && c != '\n') {
    if (line.size() == kContourLineMax) {
      tooLong = true;
      return true;
    }
    line.push_back(static_cast<char>(c));
  }
  if (c == std::char_traits<char>::eof() && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool blank(const std::string& line) {
  return line.find_first_not_of(" \t\r\f\v") == std::string::npos;
}

}  // namespace

bool readContourPoints(const std::filesystem::path& path, std::vector<std::pair<long, int>>& points) {
  if (const std::string why = regularFileProblem(path); !why.empty()) {
    message(path.string() + ": " + why);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    message(path.string() + ": cannot be read.");
    return false;
  }
  const std::string notPitch = "Ce fichier n'est pas un fichier de pitch\r\n" + path.string();
  std::string line;
  bool tooLong = false;
  long number = 0;
  auto refuse = [&](const std::string& why) {
    message(notPitch + (number > 0 ? ", line " + std::to_string(number) : std::string()) + ": " + why);
    return false;
  };
  bool header = false;
  while (!header && boundedLine(in, line, tooLong)) {
    ++number;
    if (tooLong) return refuse("a line longer than " + std::to_string(kContourLineMax) + " bytes");
    if (blank(line)) continue;
    const std::size_t at = line.find_first_not_of(" \t\f\v");
    if (line.compare(at, 4, ".pit") != 0) return refuse("no \".pit\" header");
    header = true;
  }
  if (!header) return refuse("no \".pit\" header");
  std::vector<std::pair<long, int>> read;
  while (boundedLine(in, line, tooLong)) {
    ++number;
    if (tooLong) return refuse("a line longer than " + std::to_string(kContourLineMax) + " bytes");
    if (blank(line)) continue;
    std::istringstream words(line);
    long ms = 0;
    long hz = 0;
    std::string rest;
    if (!(words >> ms) || !(words >> hz) || (words >> rest) || ms < 0 || hz < 0 || hz > 5000)
      return refuse("\"" + line.substr(0, 40) + "\" is not \"ms Hz\" (Hz from 0 to 5000)");
    if (!read.empty() && ms <= read.back().first) continue;
    read.emplace_back(ms, static_cast<int>(hz));
  }
  if (in.bad()) {
    message(path.string() + ": cannot be read.");
    return false;
  }
  if (read.empty()) {
    number = 0;
    return refuse("the contour has no point");
  }
  points = std::move(read);
  return true;
}

bool readContour(const std::filesystem::path& path, double fs, std::int64_t samples, std::vector<int>& perFrame) {
  PitchGeometry geo;
  if (!pitchGeometry(fs, 0, geo)) {
    message(path.string() + ": a contour needs a sampling frequency from 4000 to 128000 Hz.");
    return false;
  }
  std::vector<std::pair<long, int>> points;  // ms, Hz
  if (!readContourPoints(path, points)) return false;
  const std::int64_t frames = samples / geo.S + 1;
  for (const auto& [ms, hz] : points) {
    const std::int64_t k = nearestInt((static_cast<double>(msToSamples(static_cast<double>(ms), fs)) - geo.L / 2) / geo.S);
    if (k >= frames + 4) {
      message(text(6931) + "\r\n" + path.string() + ": " + std::to_string(ms) + " ms is past the signal's end");
      return false;
    }
  }
  perFrame = contourFrames(points, fs, samples);
  return true;
}

}  // namespace ardv
