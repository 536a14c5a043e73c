// One stretch modified, the rest of the signal copied around it.
#include "prosody/modified_stretch.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/report.h"
#include "prosody/phase_vocoder.h"
#include "signal/time_conversion.h"

namespace ardv {
namespace {

// Samples from..to-1 of `read` copied into `sink` in blocks.
bool copySamples(const SampleReader& read, std::int64_t from, std::int64_t to, const SampleSink& sink) {
  constexpr std::int64_t kBlock = 1 << 16;
  std::vector<std::int16_t> block(static_cast<std::size_t>(std::min(kBlock, std::max<std::int64_t>(to - from, 0))));
  for (std::int64_t at = from; at < to; at += kBlock) {
    const std::int64_t count = std::min(kBlock, to - at);
    if (!read(at, count, block.data()) || !sink(block.data(), static_cast<std::size_t>(count))) return false;
  }
  return true;
}

}  // namespace

std::int64_t stretchMarginSamples(double fs) {
  return std::max<std::int64_t>(msToSamples(100.0, fs), 2 * kVocoderFrame);
}

bool modifyStretch(const SampleReader& read, std::int64_t n, std::int64_t first, std::int64_t last,
                   std::int64_t margin, double alpha, const StretchModifier& modify, const SampleSink& sink) {
  if (first < 0 || last < first || last >= n || margin < 0 || !(alpha > 0)) {
    message("The stretch " + std::to_string(first) + ".." + std::to_string(last) + " is not inside the signal of " +
            std::to_string(n) + " samples.");
    return false;
  }
  const std::int64_t before = std::min(margin, first), after = std::min(margin, n - 1 - last);
  const std::int64_t from = first - before;
  std::int64_t skip = std::llround(alpha * static_cast<double>(before));
  std::int64_t keep = std::llround(alpha * static_cast<double>(last - first + 1));
  // Only the stretch's part of the output goes on.
  const SampleSink kept = [&](const std::int16_t* s, std::size_t count) {
    const auto dropped = static_cast<std::size_t>(std::min<std::int64_t>(skip, static_cast<std::int64_t>(count)));
    skip -= static_cast<std::int64_t>(dropped);
    const auto passed = static_cast<std::size_t>(std::min<std::int64_t>(keep, static_cast<std::int64_t>(count - dropped)));
    keep -= static_cast<std::int64_t>(passed);
    return passed == 0 || sink(s + dropped, passed);
  };
  const SampleReader shifted = [&](std::int64_t at, std::int64_t count, std::int16_t* out) {
    return read(from + at, count, out);
  };
  return copySamples(read, 0, first, sink) && modify(shifted, from, before + (last - first + 1) + after, kept) &&
         copySamples(read, last + 1, n, sink);
}

}  // namespace ardv
