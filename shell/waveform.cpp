// Min/max reduction of the samples under each pixel column.
#include "shell/waveform.h"

#include <algorithm>

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

int sampleRow(int value, int heightPx) {
  const double half = heightPx / 2.0;
  const int row = static_cast<int>(half - value * half / 32768.0);
  return std::clamp(row, 0, std::max(0, heightPx - 1));
}

}  // namespace ardv::shell
