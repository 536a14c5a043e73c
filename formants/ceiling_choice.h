// F1–F3 tracks at an analysis ceiling chosen without knowing the voice: the
// McCandless tracker runs at several ceilings at once and each stretch of
// voiced speech keeps the ceiling whose tracks are smoothest and most
// plausible (after S. Barreda, "Fast Track: fast (nearly) automatic formant
// tracking using Praat", Linguistics Vanguard, 2021).
//
// Per frame the windowing, the autocorrelation and the Levinson–Durbin
// recursion are shared: the recursion passes through every ceiling's order
// (10·(fs/2)/ceiling + 2), and only the roots are found once per ceiling,
// each polynomial's refined from its roots one frame earlier.
// Frames that are not voiced find no roots and hold the tracks of the
// nearest voiced frame. Each stretch of voiced frames is tracked afresh,
// forwards and backwards, so that a pause or a closure never hands a
// formant's estimate to its neighbour's resonance after it. A root F3 took
// on F2's resonance where F2 took none goes back to F2. Where F2 or F3
// of the chosen tracks took no root, it takes the median of its roots
// nearby in the stretch rather than the estimate the tracker held; a back
// vowel's F2 in strong noise comes from the spectrum below 2 kHz. Where F2
// has few roots, the score leans towards the middle ceiling (5500 Hz).
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "formants/formant_options.h"
#include "formants/mccandless.h"
#include "spectral/envelope_frame.h"

namespace ardv {

// The ceilings tried by the automatic choice: 4500 to 7500 Hz by 500.
const std::vector<double>& automaticCeilings();

// The scores of one stretch (lower is better), one per ceiling.
struct StretchScore {
  std::int64_t firstCentre = 0;  // sample index of the stretch's first and last frame centres
  std::int64_t lastCentre = 0;
  int voicedFrames = 0;
  std::vector<double> scores;
  int chosen = 0;  // index into the ceilings
};

// The score of one ceiling's tracks over the voiced frames of a stretch, in
// Hz: per formant, the mean absolute residual of a polynomial in time of
// degree up to 3, plus 400 Hz times the share of frames in which it took no
// root, plus a fifth of its mean bandwidth; plus 400 Hz times the number of
// narrow roots (bandwidth below 200 Hz) of `roots` (one list per frame, or
// none) lying between F1 and F3 that no formant took, per frame: the tracks
// skipped a resonance. With `strict` (the automatic choice's rules) the
// polynomial goes through the frames in which the formant took a root (its
// held estimate elsewhere would make a formant that is mostly missing look
// smooth), and F2 missing in a share s of the frames adds 1200 Hz·s² (a
// ceiling whose ranges miss the voice's F2 holds it at its starting
// estimate while F3 takes F2's resonance). 0 for no frame.
double trackScore(std::span<const McCandlessFrame> frames,
                  std::span<const std::vector<RootCandidate>* const> roots = {}, bool strict = false);

// What the tracks lose by skipping strong resonances, in Hz (the automatic
// choice adds it to trackScore): per frame with F2 taken, each root of
// `roots` (one list per frame) that no formant took adds its distance to
// the formant above it when it lies in F2's range (scaled by `scale`, the
// ceiling over 5000 Hz) between F1 and F2 at F2's level or more, or between
// F2 and F3 at F3's level or more; or, narrow (< 200 Hz) in F1's range,
// under an F1 that lies in F2's range, at F2's level or more. The sum over
// the frames, divided by their number. So a high ceiling's "F2" on F3 above
// a male /ɑː/'s F2 (1100 Hz, a root 200–260 Hz wide at 7000 Hz) loses, as
// does its F1 on F2's resonance above the true F1, and a low ceiling whose
// F1 range stops under a female /ɑː/'s F1 (1000 Hz), giving F1's root to F2
// and skipping F2 (1500 Hz).
double strongSkipPenalty(std::span<const McCandlessFrame> tracks,
                         std::span<const std::vector<RootCandidate>* const> roots, double scale);

class CeilingTracker {
 public:
  // A frame's tracks and the ceiling they were made at; false stops.
  using Row = std::function<bool(const McCandlessFrame&, double ceilingHz)>;
  using Score = std::function<void(const StretchScore&)>;

  // `ceilings` in Hz (1 to 16); a single ceiling gives fixed-ceiling tracks
  // that still hold through pauses.
  CeilingTracker(double fs, const FormantOptions& options, std::vector<double> ceilings, Row row, Score score = {});

  // The frame of kMcCandlessFrame + 1 samples starting at `start` (a sample
  // index, used for the centre). False when `row` stopped the run or after a
  // report.
  bool frame(std::int64_t start, std::span<const std::int16_t> x);
  // Emits the frames still held. False when `row` stopped the run.
  bool finish();
  // True once `row` stopped the run.
  bool stopped() const { return stopped_; }
  const std::vector<double>& ceilings() const { return ceilings_; }
  // Root findings that did not settle (that ceiling offered no roots in
  // that frame; not reported).
  int skippedRootFindings() const { return skippedRootFindings_; }

 private:
  struct Pending {
    bool voiced = false;
    double levelDb = 0.0;  // of the windowed frame
    std::int64_t centre = 0;
    std::vector<std::vector<RootCandidate>> roots;  // per ceiling
    std::vector<std::vector<RootCandidate>> wideF1;  // per ceiling: roots too wide to be candidates, in F1's range
    std::int64_t start = 0;
    std::vector<std::int16_t> samples;  // the frame's, kept for the harmonic fit (several ceilings only)
    std::vector<std::vector<double>> lpc;  // a[1..p] per ceiling, E last; until the roots are found
  };
  // The samples of the frames held in one piece from `lo`, and below 1 kHz.
  struct BlockSignal {
    std::int64_t lo = 0;
    std::vector<double> samples, low;
  };
  bool flush();
  // Where F1 of the chosen tracks took no root, the root too wide to be a
  // candidate in F1's range (and below F2) nearest F1's last root, within
  // 300 Hz of it (scaled with the ceiling), if any:
  // a measurement, where the tracker would hold its estimate (for a high
  // voice's /i/, its starting one).
  void fillF1(const std::vector<std::size_t>& voiced, std::vector<McCandlessFrame>& tracks) const;
  // Where the voice is high over a low F1, F1 from an all-pole model fitted
  // at the harmonics of 40 ms round the frame (the roots of linear
  // prediction lie on a harmonic there), when it has a root near F1 (in a
  // noisy recording, below the second harmonic).
  void harmonicF1(const BlockSignal& block, const std::vector<std::size_t>& voiced,
                  std::vector<McCandlessFrame>& tracks) const;
  // F1 held low where a narrow root between it and F2 went unassigned.
  void retakeHeldF1(const std::vector<std::size_t>& voiced, std::vector<McCandlessFrame>& tracks) const;
  // Where the voice is low (`found`: F0 per frame, 0 where not looked for
  // or not found; `s`: the block's samples from `lo`), F1 from its glottal
  // closed phases where they last most of the period (creak: linear
  // prediction's root lies on a harmonic above F1).
  void creakyF1(std::span<const double> found, std::span<const double> s, std::int64_t lo, double scale,
                const std::vector<std::size_t>& voiced, std::vector<McCandlessFrame>& tracks) const;
  // Halves each F0 of `found` (300 Hz or more) whose harmonics' gaps
  // (1 kHz to `gapHighHz`) stand 6 dB clearer at half of it: a child's F1
  // near the second harmonic leaves the first too weak below 1 kHz, and F0
  // reads twice the true one.
  void halveOctaveHigh(std::vector<double>& found, std::span<const double> s, std::int64_t lo, double gapHighHz,
                       const std::vector<std::size_t>& voiced) const;
  // Where F2 of the filled tracks took no root (or one within 150 Hz of
  // F1's) and lies below 1600 Hz, the median of F2 from the spectrum below
  // 2 kHz alone (formants/low_band_f2.h) within 8 frames, else in the
  // stretch, when 5 or more of its frames give one: a back vowel's F2 in
  // strong noise. `f1Hz`: F1 per frame as linear prediction gave it (the
  // band's roots are compared with it, not with the fit at the harmonics).
  void backVowelF2(const BlockSignal& block, const std::vector<std::size_t>& voiced, std::span<const double> f1Hz,
                   std::vector<McCandlessFrame>& tracks) const;
  // In a noisy recording, a frame without a fit (`fits`, 0 Hz for none)
  // takes the median of the fits nearby.
  void fillFromFits(const std::vector<RootCandidate>& fits, std::vector<McCandlessFrame>& tracks) const;
  // In a noisy recording, after the fits: a frame whose fit found no root
  // (-1 Hz in `fits`) is filled as one without a fit, and where any frame
  // has a fit, F1 is its median over 32 ms on either side.
  void settleNoisyF1(std::vector<RootCandidate>& fits, std::vector<McCandlessFrame>& tracks) const;
  // The low cut of a telephone band (8 kHz) whose high-pass the harmonic
  // fit undoes, by the long-term spectrum of the file so far (`s`, the
  // block's samples, added to it); 0 for none.
  double telephoneCutHz(std::span<const double> s) const;
  // F0 of a telephone band's voice: the high-pass leaves the first harmonic
  // weak, and `f0` under 150 Hz may be a multiple of the period; the
  // shortest multiple of it that is clearly periodic, else f0.
  static double bandF0(std::span<const double> x, double rate, double f0);
  // F1 as its median over a few frames.
  void smoothF1(std::vector<McCandlessFrame>& tracks) const;
  // Counts the level of the frame's first difference (x: length + 1 samples).
  void noteFloorLevel(std::span<const std::int16_t> x, const float* window, int length);
  // A steady floor near the loudest frame so far: a noisy recording.
  bool noisyFloor() const;
  // How far the steady floor lies under the loudest frame (levels of the
  // first difference), in dB; infinity while no floor is steady.
  double steadyFloorDepthDb() const;
  // A steady floor within 38 dB of the loudest frame so far behind a stretch
  // whose frames show a high F0 (`f0`, 0 Hz for none) nearly throughout:
  // noisy too.
  bool highVoiceBehindFloor(std::span<const double> f0) const;
  // The samples of the frames held, and below 1 kHz.
  BlockSignal blockSignal() const;
  // Voiced by the loudest and quietest frames so far.
  bool voicedLevel(double levelDb) const;
  // The roots and their candidates of every voiced frame held, at every
  // ceiling.
  void findRoots();
  // Those of ceiling c; returns the frames whose root finding did not settle.
  int rootsAt(std::size_t c);
  // The roots of `poly` (ceiling c) into `found`; false when no root finding
  // settles.
  bool rootsOf(std::size_t c, std::span<const double> poly, std::vector<std::complex<double>>& found);

  double fs_;
  std::vector<double> ceilings_;
  std::vector<int> orders_;
  std::array<double, 3> held_{320.0, 1440.0, 2760.0};  // the tracks where nothing is voiced
  Row row_;
  Score score_;
  HammingCache hamming_;
  std::vector<double> frame_, r_, a_, previous_;
  std::vector<std::vector<double>> coefficients_;  // a[1..p] per ceiling, E last
  std::vector<std::vector<std::complex<double>>> lastRoots_;  // per ceiling, of the previous frame
  int skippedRootFindings_ = 0;
  std::vector<Pending> block_;
  double loudestDb_ = -1e9, quietestDb_ = 1e9;
  mutable double underBand_ = 0.0, refBand_ = 0.0;  // long-term powers below and in a telephone band
  std::vector<int> floorLevels_;  // frames per 0.5 dB of the first difference's level
  double loudestDiffDb_ = -1e9;
  bool floorSeen_ = false;  // a stretch had frames that are not voiced (the harmonic F1's noise test)
  bool automatic_ = false;  // several ceilings: the choice's own rules (a single ceiling keeps its first ones)
  int chosen_ = 0;
  bool stopped_ = false;
};

// The McCandless tracks of first..last of `samples` (frames as mcCandless
// takes them, forwards or backwards, at most 1000) at options.ceilingHz:
// the plain tracker at the reference ceiling, otherwise the tracker above
// with that ceiling or, at 0, the automatic choice. `ceilings` receives the
// ceiling of each frame. Returns the number of frames or −1 after a report.
int mcCandlessAtCeiling(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                        const FormantOptions& options, bool reversed, std::vector<McCandlessFrame>& frames,
                        std::vector<double>& ceilings);

}  // namespace ardv
