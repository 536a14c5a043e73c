// Writing pitch files for whole signal files in overlapping chunks.
#include "prosody/pitch_file.h"

#include <cstdio>
#include <system_error>

#include "annotation/texts.h"
#include "platform/report.h"
#include "signal/buffers.h"
#include "signal/current_signal.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/writable_target.h"
#include "spectral/analysable.h"

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
  const std::int64_t M = (W - 1) / S;
  const std::int64_t n = file.sampleCount();
  SHORTbuf buffer(W + 2, "F0 chunk");
  if (buffer.size() == 0) return false;
  bool headerWritten = false;
  std::int64_t s = 0, e = std::min(s + W, n) - 1;
  while (true) {
    const std::int64_t count = std::max<std::int64_t>(e - s + 1, 0);
    if (count > buffer.size()) return false;
    if (count > 0 && lireSignal(file, file.depl + 2 * s, buffer, 0, static_cast<std::int32_t>(count)) != count)
      return false;
    PitchTrack track;
    if (!calcPitchMartin(buffer.data() ? buffer.data() : nullptr, count, s, file.frequence, params, options, track))
      return false;
    const long target = static_cast<long>(kPitchLineBytes * ((headerWritten ? 1 : 0) + s / S));
    if (!pit.seek(target)) {
      message(text(6901) + "\r\n" + pit.target().string() + ": " + pit.error());
      return false;
    }
    if (!headerWritten) {
      if (!pit.write(kPitchHeader, kPitchLineBytes)) return writeFailed(pit);
      headerWritten = true;
    }
    // A later chunk leaves its tail to the next one; the last chunk has none after it.
    const int skip = s == 0 || e >= n - 1 ? 0 : kChunkTailFrames;
    for (int j = 0; j < track.frames - skip; ++j) {
      const double c = static_cast<double>(s) + static_cast<double>(j) * S + track.L / 2;
      const std::string line = pitchLine(static_cast<long>(samplesToMs(c, file.frequence)),
                                         track.pitchCorrige[static_cast<std::size_t>(j)]);
      if (!pit.write(line)) return writeFailed(pit);
    }
    if (e >= n - 1) break;
    if (n - e < M / 3) {
      e = n - 1;
      s = std::max<std::int64_t>(e - W - 1, 0);
      s = (s / S + 1) * S;
    } else {
      // A chunk too short to move on by its overlap would never end.
      if (track.frames <= kChunkOverlapFrames) break;
      s = s + static_cast<std::int64_t>(S) * (track.frames - kChunkOverlapFrames);
      e = std::min(s + W, n) - 1;
    }
  }
  return pit.commit() || writeFailed(pit);
}

}  // namespace

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
