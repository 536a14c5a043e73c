// Min/max reduction of the samples under each pixel column.
#include "shell/logic/waveform.h"

#include <algorithm>
#include <cstdlib>

namespace ardv::shell {

std::vector<ColumnExtent> waveformColumns(const TimeAxis& axis, const MemorySamples& memory) {
  std::vector<ColumnExtent> columns(static_cast<std::size_t>(std::max(0, axis.width())));
  if (!memory.samples || memory.count <= 0) return columns;
  const std::int64_t memLast = std::int64_t(memory.memoryFirst) + memory.count - 1;
  for (int x = 0; x < axis.width(); ++x) {
    std::int64_t a = axis.sampleAt(x);
    std::int64_t b = std::max<std::int64_t>(a, axis.sampleAt(x + 1));
    if (x + 1 >= axis.width()) b = axis.last();
    a = std::max<std::int64_t>(a, memory.memoryFirst);
    b = std::min(b, memLast);
    if (a > b) continue;
    const std::int16_t* begin = memory.samples + (a - memory.memoryFirst);
    const std::int16_t* end = memory.samples + (b - memory.memoryFirst) + 1;
    const auto [lo, hi] = std::minmax_element(begin, end);
    columns[static_cast<std::size_t>(x)] = {true, *lo, *hi};
  }
  return columns;
}

std::vector<ColumnExtent> waveformColumns(const TimeAxis& axis, const MemorySamples& memory,
                                          const SignalEnvelope& envelope) {
  std::vector<ColumnExtent> columns = waveformColumns(axis, memory);
  if (envelope.empty() || envelope.blockSamples <= 0) return columns;
  const std::int64_t memFirst = memory.samples && memory.count > 0 ? memory.memoryFirst : INT64_MAX;
  const std::int64_t memLast = memory.samples && memory.count > 0 ? std::int64_t(memory.memoryFirst) + memory.count - 1 : INT64_MIN;
  const std::int64_t lastBlock = static_cast<std::int64_t>(envelope.mins.size()) - 1;
  // Blocks overlapping samples a..b widen column c.
  const auto widen = [&](ColumnExtent& c, std::int64_t a, std::int64_t b) {
    a = std::max<std::int64_t>(a, 0);
    b = std::min<std::int64_t>(b, envelope.samples - 1);
    if (a > b) return;
    const std::int64_t k0 = a / envelope.blockSamples, k1 = std::min(b / envelope.blockSamples, lastBlock);
    for (std::int64_t k = k0; k <= k1; ++k) {
      const std::int16_t lo = envelope.mins[static_cast<std::size_t>(k)], hi = envelope.maxs[static_cast<std::size_t>(k)];
      if (!c.valid) c = {true, lo, hi};
      c.min = std::min(c.min, lo);
      c.max = std::max(c.max, hi);
    }
  };
  for (int x = 0; x < axis.width(); ++x) {
    std::int64_t a = axis.sampleAt(x);
    std::int64_t b = std::max<std::int64_t>(a, axis.sampleAt(x + 1));
    if (x + 1 >= axis.width()) b = axis.last();
    auto& c = columns[static_cast<std::size_t>(x)];
    widen(c, a, std::min(b, memFirst - 1));
    widen(c, std::max(a, memLast + 1), b);
  }
  return columns;
}

int columnsPeak(const std::vector<ColumnExtent>& columns) {
  int peak = 1;
  for (const ColumnExtent& c : columns)
    if (c.valid) peak = std::max({peak, std::abs(int(c.min)), std::abs(int(c.max))});
  return peak;
}

int sampleRow(int value, int heightPx, int fullScale) {
  const double half = heightPx / 2.0;
  const int row = static_cast<int>(half - value * half / std::max(1, fullScale));
  return std::clamp(row, 0, std::max(0, heightPx - 1));
}

}  // namespace ardv::shell
