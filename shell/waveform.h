// The waveform of a plane as one vertical stroke per pixel column: the
// smallest and largest sample under the column.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/geometry.h"

namespace ardv::shell {

struct ColumnExtent {
  bool valid = false;  // false when no sample of the column is in memory
  std::int16_t min = 0, max = 0;
};

// Samples held in memory: samples[i] is sample memoryFirst + i of the signal.
struct MemorySamples {
  const std::int16_t* samples = nullptr;
  std::int32_t count = 0;
  std::int32_t memoryFirst = 0;
};

// One extent per column of `axis`. Column x covers the samples sampleAt(x)
// to sampleAt(x + 1) inclusive, so that adjacent strokes join; only samples
// held in memory count.
std::vector<ColumnExtent> waveformColumns(const TimeAxis& axis, const MemorySamples& memory);

// Row of a sample value in a band `heightPx` high, full scale +-32768 filling
// the band, 0 in the middle.
int sampleRow(int value, int heightPx);

}  // namespace ardv::shell
