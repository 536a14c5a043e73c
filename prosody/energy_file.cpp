// Whole-file energy.
#include "prosody/energy_file.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/report.h"
#include "prosody/pitch_file.h"
#include "signal/buffers.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/writable_target.h"

namespace ardv {
namespace {

constexpr std::int64_t kBlockSamples = 1 << 16;

}  // namespace

bool forEachFileFrame(const infoFile& file, std::int64_t first, int hop, int length,
                      const std::function<bool(std::int64_t, const std::int16_t*)>& frame) {
  const std::int64_t n = file.sampleCount();
  const std::int64_t capacity = kBlockSamples + length;
  SHORTbuf block(capacity, "energy frames");
  if (block.size() == 0) return false;
  std::int64_t blockStart = 0, blockCount = 0;
  std::vector<std::int16_t> tail(static_cast<std::size_t>(length), 0);
  for (std::int64_t p = std::max<std::int64_t>(first, 0); p < n; p += hop) {
    if (p + length > blockStart + blockCount && blockStart + blockCount < n) {
      blockStart = p;
      blockCount = std::min(capacity, n - p);
      if (lireSignal(file, file.depl + 2 * blockStart, block, 0, static_cast<std::int32_t>(blockCount)) != blockCount)
        return false;
    }
    const std::int16_t* x = block.data() + (p - blockStart);
    if (p + length > blockStart + blockCount) {
      // The file ends inside this frame.
      std::fill(tail.begin(), tail.end(), 0);
      std::copy(x, static_cast<const std::int16_t*>(block.data() + blockCount), tail.begin());
      x = tail.data();
    }
    if (!frame(p, x)) break;
  }
  return true;
}

bool energyForFile(const infoFile& file, const std::filesystem::path& out, EnergyParams& p) {
  if (!pitchOutputDirectoryExists(out) || !isSeparateOutput(out.string(), file.nom)) return false;
  EnergySetup setup;
  if (!energySetup(p, file.frequence, setup)) return false;
  ReplacingFile f(out);
  if (!f.open()) {
    message("Cannot create " + out.string() + ": " + f.error());
    return false;
  }
  FrameEnergy energy(setup, p.windowed);
  bool written = true;
  const bool ok = forEachFileFrame(file, 0, setup.He, setup.Le, [&](std::int64_t pos, const std::int16_t* x) {
    const float E = energy(x);
    const double v = std::max(E, p.eLow) - p.eLow;
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%ld   %g\n",
                                static_cast<long>(samplesToMs(static_cast<double>(pos), file.frequence)), v);
    written = n > 0 && f.write(line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1)));
    return written;
  });
  if (!ok) return false;
  if (!written || !f.commit()) {
    message("erreur d'ecriture\r\n" + out.string() + ": " + f.error());
    return false;
  }
  return true;
}

}  // namespace ardv
