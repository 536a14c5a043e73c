// Writing pitch files for whole signal files in overlapping chunks.
#include "prosody/pitch_file.h"

#include <cstdio>
#include <system_error>
#include <vector>

#include "platform/report.h"
#include "platform/thread_pool.h"
#include "signal/buffers.h"
#include "signal/current_signal.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/writable_target.h"
#include "spectral/analysable.h"
#include "texts/texts.h"

namespace ardv {

std::string pitchLine(long ms, int f0Hz) {
  char line[64];
  std::snprintf(line, sizeof line, "%10ld %5d\r\n", ms, f0Hz);
  return line;
}

std::int64_t pitchChunkSamples(double fs) { return memorySpanSamples(fs); }

namespace {

// A line that cannot be written stops the file: the previous file of that
// name is kept rather than replaced by a file with holes.
bool writeFailed(const ReplacingFile& pit) {
  message("erreur d'ecriture\r\n" + pit.target().string() + ": " + pit.error());
  return false;
}

// One chunk: samples first..last, the frames written (all but `skip` at the end).
struct Chunk {
  std::int64_t first = 0, last = 0;
  int skip = 0;
};

// The chunks of a file of n samples, in order: each frame count depends on
// the chunk's length only, so the whole plan is known before any analysis.
std::vector<Chunk> chunkPlan(std::int64_t n, double fs, int S, std::int64_t W) {
  const std::int64_t M = (W - 1) / S;
  std::vector<Chunk> plan;
  std::int64_t s = 0, e = std::min(s + W, n) - 1;
  while (true) {
    // A later chunk leaves its tail to the next one; the last chunk has none after it.
    plan.push_back(Chunk{s, e, s == 0 || e >= n - 1 ? 0 : kChunkTailFrames});
    if (e >= n - 1) break;
    if (n - e < M / 3) {
      e = n - 1;
      s = std::max<std::int64_t>(e - W - 1, 0);
      s = (s / S + 1) * S;
    } else {
      PitchGeometry g;
      pitchGeometry(fs, std::max<std::int64_t>(e - s + 1, 0), g);
      // A chunk too short to move on by its overlap would never end.
      if (g.frames <= kChunkOverlapFrames) break;
      s = s + static_cast<std::int64_t>(S) * (g.frames - kChunkOverlapFrames);
      e = std::min(s + W, n) - 1;
    }
  }
  return plan;
}

// Reads and analyses one chunk into `track`.
bool analyseChunk(const infoFile& file, const Chunk& c, std::int64_t W, const SpeakerF0Params& params,
                  const PitchOptions& options, PitchTrack& track) {
  SHORTbuf buffer(W + 2, "F0 chunk");
  if (buffer.size() == 0) return false;
  const std::int64_t count = std::max<std::int64_t>(c.last - c.first + 1, 0);
  if (count > buffer.size()) return false;
  if (count > 0 && lireSignal(file, file.depl + 2 * c.first, buffer, 0, static_cast<std::int32_t>(count)) != count)
    return false;
  return calcPitchMartin(buffer.data(), count, c.first, file.frequence, params, options, track);
}

bool writePitchFileAt(const infoFile& file, ReplacingFile& pit, const SpeakerF0Params& params,
                      const PitchOptions& options) {
  PitchGeometry geo;
  if (!pitchGeometry(file.frequence, 0, geo)) {
    message(file.nom + ": F0 analysis needs a sampling frequency from 4000 to 128000 Hz, not " + std::to_string(file.frequence) +
            " Hz.");
    return false;
  }
  if (!analysableLength(file.nom, file.sampleCount(), geo.L, "F0")) return false;
  const int S = geo.S;
  const std::int64_t W = pitchChunkSamples(file.frequence);
  const std::vector<Chunk> plan = chunkPlan(file.sampleCount(), file.frequence, S, W);
  // Chunks are independent analyses: a batch of them at a time over the
  // worker threads (memory: one chunk per thread at work, the tracks of the
  // batch), written in order. Several chunks per thread: a thread that ends
  // early takes the next one rather than waiting for the slowest. The
  // trace file of a run is written by one chunk at a time.
  constexpr int kChunksPerThread = 8;
  const bool tracing = options.trace && !options.quiet && debugLevel() == 1;
  const int batch = tracing ? 1 : kChunksPerThread * std::max(1, workerThreads());
  std::vector<PitchTrack> tracks(static_cast<std::size_t>(std::min<std::size_t>(plan.size(), batch)));
  PitchOptions chunkOptions = options;
  chunkOptions.saturationMessage = false;
  std::int64_t saturated = 0;
  bool headerWritten = false;
  for (std::size_t b0 = 0; b0 < plan.size(); b0 += tracks.size()) {
    const int count = static_cast<int>(std::min(tracks.size(), plan.size() - b0));
    if (!parallelFor(count, [&](int i) {
          return analyseChunk(file, plan[b0 + static_cast<std::size_t>(i)], W, params, chunkOptions,
                              tracks[static_cast<std::size_t>(i)]);
        }))
      return false;
    for (int i = 0; i < count; ++i) {
      const Chunk& c = plan[b0 + static_cast<std::size_t>(i)];
      const PitchTrack& track = tracks[static_cast<std::size_t>(i)];
      saturated += track.saturated;
      const long target = static_cast<long>(kPitchLineBytes * ((headerWritten ? 1 : 0) + c.first / S));
      if (!pit.seek(target)) {
        message(text(6901) + "\r\n" + pit.target().string() + ": " + pit.error());
        return false;
      }
      if (!headerWritten) {
        if (!pit.write(kPitchHeader, kPitchLineBytes)) return writeFailed(pit);
        headerWritten = true;
      }
      for (int j = 0; j < track.frames - c.skip; ++j) {
        const double centre = static_cast<double>(c.first) + static_cast<double>(j) * S + track.L / 2;
        const std::string line = pitchLine(static_cast<long>(samplesToMs(centre, file.frequence)),
                                           track.pitchCorrige[static_cast<std::size_t>(j)]);
        if (!pit.write(line)) return writeFailed(pit);
      }
    }
  }
  if (!pit.commit()) return writeFailed(pit);
  if (saturated > 0 && !options.quiet && options.saturationMessage)
    warn(text(6801) + " (" + std::to_string(saturated) + " samples, " + file.nom + ")");
  return true;
}

}  // namespace

bool pitchFramesOfFile(const infoFile& file, std::int64_t first, std::int64_t last, const SpeakerF0Params& params,
                       const PitchOptions& options, const std::function<bool(std::int64_t, int)>& frame) {
  PitchGeometry geo;
  if (!pitchGeometry(file.frequence, 0, geo)) {
    message(file.nom + ": F0 analysis needs a sampling frequency from 4000 to 128000 Hz, not " +
            std::to_string(file.frequence) + " Hz.");
    return false;
  }
  const std::int64_t n = file.sampleCount();
  if (n < geo.L) return true;
  const int S = geo.S;
  const std::int64_t W = pitchChunkSamples(file.frequence);
  const std::vector<Chunk> plan = chunkPlan(n, file.frequence, S, W);
  // A chunk's lines stand in the file up to the first line the next chunk rewrites.
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const Chunk& c = plan[k];
    PitchGeometry g;
    pitchGeometry(file.frequence, c.last - c.first + 1, g);
    const std::int64_t firstFrame = c.first / S;
    std::int64_t endFrame = firstFrame + std::max(g.frames - c.skip, 0);
    if (k + 1 < plan.size()) endFrame = std::min(endFrame, plan[k + 1].first / S);
    const auto centreOf = [&](std::int64_t f) { return f * S + geo.L / 2; };
    if (endFrame <= firstFrame || centreOf(endFrame - 1) < first || centreOf(firstFrame) > last) continue;
    PitchTrack track;
    if (!analyseChunk(file, c, W, params, options, track)) return false;
    endFrame = std::min<std::int64_t>(endFrame, firstFrame + static_cast<std::int64_t>(track.pitchCorrige.size()));
    for (std::int64_t f = firstFrame; f < endFrame; ++f) {
      const std::int64_t centre = centreOf(f);
      if (centre < first || centre > last) continue;
      if (!frame(centre, track.pitchCorrige[static_cast<std::size_t>(f - firstFrame)])) return true;
    }
  }
  return true;
}

bool pitchFileFromSignal(const infoFile& file, const std::filesystem::path& out, const SpeakerF0Params& params,
                         const PitchOptions& options) {
  if (!isSeparateOutput(out.string(), file.nom)) return false;
  ReplacingFile pit(out);
  if (!pit.open()) {
    message(text(6900) + "\r\n" + out.string() + ": " + pit.error());
    return false;
  }
  return writePitchFileAt(file, pit, params, options);
}

bool checkPitchFilePath(const std::filesystem::path& path) {
  std::error_code ec;
  const auto st = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(st)) {
    message(text(7901));
    return false;
  }
  if (std::filesystem::is_directory(st)) {
    message(text(7902));
    return false;
  }
  return true;
}

bool pitchOutputDirectoryExists(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  if (std::filesystem::is_directory(dir, ec)) return true;
  warn(path.string() + text(3601));
  return false;
}

}  // namespace ardv
