// The spectrogram image of a stretch of a signal file of any length, read in
// pieces of bounded size: the frames are placed over the whole stretch, and
// each frame is computed from the one piece that holds all its samples.
#pragma once

#include <cstdint>

#include "signal/infofile.h"
#include "spectral/pgm.h"
#include "spectral/spectrogram_params.h"

namespace ardv {

// Largest image: columns (frames), rows, and pixels in all (one byte each).
constexpr int kMaxImageWidth = 1000000;
constexpr int kMaxImageHeight = 65536;
constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 27;

// Samples a frame of `spec` reads from its first sample (the reassigned kind
// always reads one past its window for the first difference).
int pieceFrameReach(const CurrentSpectro& spec);

// Computes an image of `width` frames x `height` frequency pixels of samples
// first..last (signal indices, 0 <= first < last < file.sampleCount()) of the
// described file `file`, with the settings `spec` of kind 1..6. The frames are
// placed as for an image of a buffer holding the whole file; the samples are
// read from first to last plus one frame's reach, in pieces of at most
// max(pieceSamples, 2 x reach) samples that overlap by reach - 1 samples, so
// that each frame lies whole in exactly one piece. The image equals the one
// renderSpectrogramImage computes with the whole file in memory, bit for bit,
// whatever the thread count (columns computed over the worker threads).
// Memory: the image (a byte per
// pixel), one piece, and for the reassigned kind one band of columns at a
// time. Returns false after a report (out unchanged): a size beyond the
// limits above, a stretch shorter than the window, a read failure, or
// settings that cannot be computed.
bool renderFileSpectrogram(const CurrentSpectro& spec, const infoFile& file, std::int64_t first, std::int64_t last,
                           int width, int height, std::int64_t pieceSamples, LevelImage& out);

}  // namespace ardv
