// The whole current signal at a glance: the smallest and largest sample of
// each block of the file, read once in memory-span chunks, so that a view of
// any width (up to the whole file) draws its waveform without holding the
// file's samples; and the samples of a stretch wider than memory for the
// analyses that may draw one.
#pragma once

#include <cstdint>
#include <vector>

#include "signal/buffers.h"
#include "signal/infofile.h"

namespace ardv {

// Fewest samples per block, and most blocks (the memory bound: 8 bytes a
// block, 8 MiB at most).
constexpr std::int32_t kEnvelopeMinBlock = 32;
constexpr std::int64_t kEnvelopeMaxBlocks = std::int64_t(1) << 20;

struct SignalEnvelope {
  std::int32_t blockSamples = 0;  // samples per block, a power of two
  std::int64_t samples = 0;       // samples covered (the signal's tf)
  std::vector<std::int16_t> mins, maxs;  // block k: samples k*B .. k*B+B-1
  std::vector<float> meanSquares;        // of the samples of each block
  bool empty() const { return mins.empty(); }
  // Root mean square of the blocks overlapping samples first..last (0 when
  // none).
  double rms(std::int64_t first, std::int64_t last) const;
};

// Samples per block for a signal of `samples` samples: the smallest power of
// two from kEnvelopeMinBlock giving at most kEnvelopeMaxBlocks blocks.
std::int32_t envelopeBlockSamples(std::int64_t samples);

// The envelope of samples 0..tf-1 of the file `info`, read in chunks of at
// most the memory span. False after the reader's report (out unchanged).
bool computeEnvelope(const infoFile& info, std::int32_t tf, SignalEnvelope& out);

// The envelope of program()'s current signal, computed on first use and kept
// while the file (name, size, time, data extent) stays the same. An empty
// envelope without a signal or after a read failure (reported once).
const SignalEnvelope& currentEnvelope();
// Forgets the kept envelope: the next currentEnvelope reads the file again.
void forgetCurrentEnvelope();

// Samples first..last of the current signal as the window shows them: those
// held in memory from memory (edits included), the others from the file.
// False after a report or when the stretch lies outside 0..tf-1.
bool readShownSamples(std::int32_t first, std::int32_t last, SHORTbuf& out);

}  // namespace ardv
