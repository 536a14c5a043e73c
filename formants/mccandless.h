// McCandless formant tracking: LPC roots of successive frames assigned to
// F1–F4 by closeness to the previous estimates, within fixed ranges
// (S. McCandless, "An algorithm for automatic formant extraction using
// linear prediction spectra", IEEE Trans. ASSP 22, 1974).
//
// Stages per frame: windowed LPC roots (bandwidth < 700 Hz); candidates
// 150–3800 Hz below the bandwidth threshold, at most 4; closest match;
// conflicts; unclaimed candidates; a second try with the wider threshold.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace ardv {

inline constexpr int kMcCandlessFrame = 256;
inline constexpr int kMcCandlessHop = 128;
inline constexpr int kMcCandlessMaxFrames = 1000;
// Roots above this frequency (at the reference ceiling) are never candidates.
inline constexpr double kCandidateHighHz = 3800.0;

// A formant of one frame: frequency, and the bandwidth and LPC level of the
// root it came from (0 when it kept its previous estimate).
struct TrackedFormant {
  double frequencyHz = 0.0;
  double bandwidthHz = 0.0;
  double amplitudeDb = 0.0;
  bool assigned = false;
};

struct McCandlessFrame {
  std::int64_t centre = 0;  // sample index: frame start + 128
  std::array<TrackedFormant, 3> f;
  bool succeeded = false;  // F1–F3 all assigned
};

// A root offered to the assignment.
struct RootCandidate {
  double frequencyHz = 0.0;
  double bandwidthHz = 0.0;
  double amplitudeDb = 0.0;
};

// The tracker's state: the previous estimates of F1–F4. `scale` stretches
// the formant ranges, the starting estimates and the candidates' upper
// limit (3800 Hz) alike: a ceiling of c Hz analyses with scale c / 5000.
struct McCandlessState {
  McCandlessState() = default;
  explicit McCandlessState(double rangeScale);
  std::array<double, 4> previous{320.0, 1440.0, 2760.0, 3200.0};
  std::array<int, 4> misses{0, 0, 0, 0};  // consecutive frames each formant went unassigned
  double scale = 1.0;
};

// A formant unassigned for this many frames in a row takes the candidate of
// the formant above when that candidate lies in its range (the fixed initial
// estimates otherwise hand F3 of a child's voice to F4 for good).
inline constexpr int kShiftAfterMisses = 2;

// Assigns the roots (ascending frequency, any bandwidth) to F1–F4 with the
// bandwidth threshold `thresholdHz`; `assigned[k]` receives the index of
// formant k's root or −1. With `misses`, formant k (k < 3) unassigned in at
// least kShiftAfterMisses previous frames takes the root of formant k + 1
// when it lies in k's range, F1 upwards. Returns true when F1, F2 and F3 are
// assigned. No two formants ever share a root.
bool assignFormants(const std::vector<RootCandidate>& roots, const std::array<double, 4>& previous,
                    double thresholdHz, std::array<int, 4>& assigned, std::array<RootCandidate, 4>& chosen,
                    const std::array<int, 4>* misses = nullptr, double scale = 1.0);

// The assignment of one frame's roots (ascending frequency) with the two
// thresholds; updates the state and fills `out` but its centre.
void mcCandlessAssign(const std::vector<RootCandidate>& roots, McCandlessState& state, McCandlessFrame& out);

// Tracks one frame of 256 samples starting at `first` (one more for the
// pre-emphasis) and updates the state; a failure after both thresholds
// writes "mccandless *" to the trace. False after a report for a frame
// outside the samples or a bad order.
bool mcCandlessFrame(std::span<const std::int16_t> samples, std::int64_t first, double fs, int order,
                     McCandlessState& state, McCandlessFrame& out);

// How many frames mcCandless makes over first..last of `sampleCount`
// samples, first and last clamped to the samples; −1 after a report when fs
// is below 1000 Hz.
std::int64_t mcCandlessFrames(std::size_t sampleCount, double fs, std::int64_t& first, std::int64_t& last);

// Frames of 256 samples with hop 128 from first (or backwards from last when
// `reversed`) over the inclusive range first..last, at most 1000 and at most
// (length − 256)/128; the state starts afresh. Returns the number of frames
// or −1 after a report.
int mcCandless(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs, int order,
               bool reversed, std::vector<McCandlessFrame>& frames);

}  // namespace ardv
