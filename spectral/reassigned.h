// The reassigned spectrogram (fft_zoom_no): each bin's energy is moved to the
// time and frequency its phase derivatives point to (Auger and Flandrin's
// method of reassignment, with Hamming, derivative and time-weighted windows).
//
// Stages per frame: first difference, three windowed FFTs (h, dh, th), per bin
// the corrections tau = -Re(Xth conj Xh)/P and phi = Im(Xdh conj Xh)/P, the
// energy P accumulated at the reassigned column and row; finally dB. The
// FFTs of a block of frames run on the worker threads; the energies are then
// added in frame order, so any thread count gives the same cells.
#pragma once

#include <functional>

#include <cstdint>
#include <vector>

#include "spectral/spectrogram.h"

namespace ardv {

// Matrix of `frames` columns x N/2 rows, in dB (10*log10(energy + 1e-10)).
struct ReassignedImage {
  int frames = 0;
  int rows = 0;  // N/2
  std::vector<float> db;  // column i at [i*rows, (i+1)*rows)
  double totalEnergy = 0.0;
  double lostEnergy = 0.0;  // energy reassigned outside the image
  std::int64_t lostPoints = 0;

  float at(int column, int row) const { return db[static_cast<std::size_t>(column) * rows + row]; }
};

// Computes the image of `frames` frames, frame i centred on
// firstCentre + i*hop (hop in samples), with a window of L samples and an
// N-point FFT (1 <= L <= N, N a power of two 4..4096). Frames whose samples
// `x` does not hold are skipped. Returns false after an internal-fault report
// (image unchanged) for bad sizes, frames < 1, hop <= 0 or lack of memory,
// and without a report when `stop` (asked every kStopPollFrames frames)
// returns true.
inline constexpr int kStopPollFrames = 64;
bool fft_zoom_no(const SampleSpan& x, double firstCentre, double hop, int frames, int window, int n,
                 ReassignedImage& image, const std::function<bool()>& stop = {});

// Columns columnFrom..columnTo-1 of an image of `frames` frames, fed by
// frames frameFrom..frameTo-1 (those whose energy is to reach the columns).
struct ReassignedBand {
  int columnFrom = 0, columnTo = 0;
  int frameFrom = 0, frameTo = 0;
};

// The same image restricted to `band`: `image` holds its columns only (frame
// indices and placement as in the whole image, so the cells are those of
// fft_zoom_no). Total and lost energy count the frames of the band's own
// columns.
bool fft_zoom_columns(const SampleSpan& x, double firstCentre, double hop, int frames, const ReassignedBand& band,
                      int window, int n, ReassignedImage& image, const std::function<bool()>& stop = {});

// The same in steps, for frames read in several pieces: startReassigned
// makes `energy` the empty band (cells in linear energy), fft_zoom_add adds
// the frames of the band that `x` holds, in frame order, and
// reassignedToDb turns the cells into dB. Each frame added once, in
// increasing order, gives the cells fft_zoom_columns gives, bit for bit.
// fft_zoom_add fails as fft_zoom_columns does, with `energy` then partly
// added.
bool startReassigned(const ReassignedBand& band, int frames, int n, ReassignedImage& energy);
bool fft_zoom_add(const SampleSpan& x, double firstCentre, double hop, int frames, const ReassignedBand& band,
                  int window, int n, ReassignedImage& energy, const std::function<bool()>& stop = {});
void reassignedToDb(ReassignedImage& energy);

}  // namespace ardv
