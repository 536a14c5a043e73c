// Critical-band filter bank: building the auditory filters, the band analysis
// of a dB column, the mapping of band values back onto the display bins, and
// the check of the filter width.
//
// Kind 6 (critical bands) of the spectrogram, per spectrogram:
//   buildFilterBank(fs, B, N, distribution, scale, WidthStrategy::Constant, axis, bank)
// then per column (column = N/2 + 1 dB values from specFft, or the cepstrally
// smoothed column from cepstre):
//   criticalBandColumn(bank, column, displayedBins, out)   // out: displayedBins values
// and releaseFilterBank(bank) at the end.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "spectral/critical_band_scale.h"

namespace ardv {

// Layout of the band centres; the values are those of the band settings.
enum class BandDistribution : std::uint8_t { SpectroLike = 0, AsrLike = 1 };
// Frequency axis of the display.
enum class BandAxis : std::uint8_t { Linear = 0, Perceptual = 1 };
// Width of the Mel and Mely triangles in scale units: 100, or the scale's
// top value / (B + 1).
enum class WidthStrategy : std::uint8_t { Constant = 0, FilterDependent = 1 };

// One weight per bin below N/2 for each band, plus the centre bins. Each
// filter sums to 1 (or is all zero when its weights vanish).
struct FilterBank {
  int bands = 0;
  int fftSize = 0;  // N
  BandDistribution distribution = BandDistribution::SpectroLike;
  std::vector<float> weights;         // band b at [b·N/2, (b+1)·N/2)
  std::vector<std::int32_t> centres;  // centre bin of each band
  std::vector<std::int32_t> firstBin;  // first non-zero weight of each band
  std::vector<std::int32_t> endBin;    // one past the last non-zero weight
  std::vector<float> values;           // scratch: band values of the last columns

  std::span<const float> filter(int b) const {
    const std::size_t half = static_cast<std::size_t>(fftSize / 2);
    return std::span<const float>(weights).subspan(static_cast<std::size_t>(b) * half, half);
  }
};

// Builds the filters of `bands` bands (2 ≤ B ≤ N/2) for an N-point spectrum
// (N even, 4 ≤ N ≤ 4096) at sampling frequency fs (Hz). Centres are linear in
// Hz for the spectro-like distribution on the linear axis, else equally spaced
// on the scale; centre bins are display bins on the perceptual axis. Bark
// filters follow barkCurve around the centre; Mel and Mely filters are
// triangles whose feet lie one width away on the scale. Returns false with a
// message (bank unchanged) for fewer than 2 or more than N/2 bands, a bad N
// or fs; a "bug" report for lack of memory.
bool buildFilterBank(double fs, int bands, int fftSize, BandDistribution distribution,
                     PerceptualScale scale, WidthStrategy width, BandAxis axis, FilterBank& bank);

// Frees the filters.
void releaseFilterBank(FilterBank& bank);

// Number of bands analysed for `displayedBins` displayed bins D: bands stop
// at the first band b < B − 1 whose upper boundary (centre[b] + centre[b+1]) / 2
// (integer halves) exceeds D.
int analysedBands(const FilterBank& bank, int displayedBins);

// Band values of a column of N/2 (or more) dB levels: out[b] = Σ column[k]·w_b[k]
// for the analysed bands; returns their number, or −1 ("bug" report) when the
// column is shorter than N/2 or `out` shorter than B.
int bandAnalysis(std::span<const float> column, int displayedBins, const FilterBank& bank,
                 std::span<float> out);

// Writes bins 0..D−1 (D = min(displayedBins, N/2)) of `column` from the first
// `count` band values: stairs up to the midpoints between centres (ASR like,
// `stairs` true) or linear interpolation between centre bins (spectro like,
// extrapolated below the first centre); bins past the last band written repeat
// its value. Too short a column or band list is a "bug" report and writes nothing.
void bandsToBins(std::span<const float> bandValues, int count, int displayedBins,
                 const FilterBank& bank, bool stairs, std::span<float> column);

// The kind-6 column: band analysis of `column` (N/2 dB levels or more), then the
// mapping to bins when N/2 > B or the distribution is ASR like, otherwise the
// band values themselves as the first bins. Writes D = min(displayedBins, N/2)
// values into `out` and returns D, or −1 (reported as a "bug") when `column`
// or `out` is too short or the bank is empty.
int criticalBandColumn(FilterBank& bank, std::span<const float> column, int displayedBins,
                       std::span<float> out);

// The same for `count` (1..kBandBatch) columns at once, each N/2 values long,
// into outs of D values each: the same bits as one at a time, faster, since
// the columns share each filter's weights.
inline constexpr int kBandBatch = 4;
int criticalBandColumns(FilterBank& bank, const float* const* columns, int count, int displayedBins,
                        float* const* outs);

// True when the "# filter dependent" width is narrower than one FFT bin:
// scale⁻¹(scale(fs/2)/B) < fs/N.
bool widthTooSmall(double fs, int bands, int fftSize, PerceptualScale scale);

// The width strategy to use: `width` itself, or Constant when the filter
// dependent width is too small, in which case the error "Width strategy set to
// constant width because the width is too small.\n Decrease the number of
// bands" is shown unless `silently`.
WidthStrategy checkWidthStrategy(double fs, int bands, int fftSize, PerceptualScale scale,
                                 WidthStrategy width, bool silently);

}  // namespace ardv
