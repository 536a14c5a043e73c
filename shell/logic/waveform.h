// The waveform of a plane as one vertical stroke per pixel column: the
// smallest and largest sample under the column.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/logic/geometry.h"
#include "signal/signal_envelope.h"

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

// The same, with the samples outside memory taken from the block envelope
// of the whole signal (the blocks overlapping each column's samples), so
// that a view wider than memory draws in full.
std::vector<ColumnExtent> waveformColumns(const TimeAxis& axis, const MemorySamples& memory,
                                          const SignalEnvelope& envelope);

// Largest magnitude of the valid columns (at least 1).
int columnsPeak(const std::vector<ColumnExtent>& columns);

// Row of a sample value in a band `heightPx` high, +-fullScale filling the
// band (clipped beyond it), 0 in the middle.
int sampleRow(int value, int heightPx, int fullScale = 32768);

}  // namespace ardv::shell
