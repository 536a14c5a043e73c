// Formant tracks at a ceiling chosen per stretch of voiced speech.
#include "formants/ceiling_choice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <string>

#include "formants/closed_phase.h"
#include "formants/formant_candidates.h"
#include "formants/harmonic_fit.h"
#include "formants/low_band_f2.h"
#include "platform/report.h"
#include "platform/thread_pool.h"
#include "spectral/roots.h"

namespace ardv {
namespace {

constexpr double kMissPenaltyHz = 400.0;
constexpr double kMissingF2PenaltyHz = 1200.0;  // times the square of F2's share of frames without a root
constexpr double kBandwidthWeight = 0.2;
constexpr double kSkipPenaltyHz = 400.0;
constexpr double kNarrowRootHz = 200.0;
constexpr double kNarrowCandidateHz = 250.0;
// With several ceilings no root wider than this is a candidate: noise puts
// roots of 300–700 Hz between the formants, and the tracker's second try
// (up to 600 Hz) took them for F2 in whole stretches.
constexpr double kWidestCandidateHz = 300.0;
// F1's range at the reference ceiling (the tracker's).
constexpr double kF1LowHz = 180.0;
constexpr double kF1HighHz = 950.0;
// A root standing in for F1 lies this near F1's last root (or estimate).
constexpr double kF1ReachHz = 300.0;
// An F1 held under 400 Hz gives way to an unassigned narrow root at least
// twice as high, below F2 and 1100 Hz (an open vowel's F1 of a high voice).
constexpr double kHeldLowF1Hz = 400.0;
constexpr double kRetakeOverHeld = 2.0;
constexpr double kRetakeHighHz = 1100.0;
// The harmonic fit: 40 ms round a frame; F0 between 150 and 600 Hz (of
// 70–600 Hz) found first at about 4 kHz below 1 kHz, where the
// autocorrelation peak reaches 0.7; only where F1 lies below 2.5·F0.
constexpr double kHarmonicWindowS = 0.040;
constexpr double kF0BandHz = 1000.0;
constexpr double kCoarseRateHz = 4000.0;
constexpr double kLowestF0Hz = 70.0;
constexpr double kHighVoiceHz = 150.0;
constexpr double kHighestF0Hz = 600.0;
constexpr double kClarity = 0.7;
constexpr double kNoisyClarity = 0.3;  // in a noisy recording (below)
// There a frame without F0 (or with one under 150 Hz, often an octave low)
// takes that of the nearest frame with a high one within 80 ms, refined
// round it as any other.
constexpr double kF0ReachS = 0.080;
// There too an F0 of 150 Hz or more often reads an octave low (the noise
// fills every other period of a child's voice); it is doubled where a frame
// within 80 ms reads twice it, within 8 %.
constexpr double kOctaveTolerance = 0.08;
// There an open vowel's F1 lies above the second harmonic, where the fit's
// roots under 1.85·F0 are noise: where, within 80 ms, frames whose fit has a
// root above 1.9·F0 (in two orders of three) outnumber three to one those
// with one under 1.85·F0, that root is the frame's fit (a child's /e/, F1 at
// 1.9·F0, reads 49 Hz off with 1.9, 52 with 2·F0).
constexpr double kAboveSecondHarmonic = 1.9;
constexpr int kAboveVotes = 3;
// Such a root at the third harmonic or above lies on that harmonic (a
// female /o/, F1 530 Hz at 2.7·F0, read 600–680 Hz): it gives way to the
// peak of the harmonics' levels round it (`harmonicPeakHz`).
constexpr int kPeakFromHarmonic = 3;
// And a frame in which the fit did not run there (or in a telephone band)
// takes the median of the fits within 24 ms: linear prediction's F1 is
// mostly noise (a harmonic). (In a telephone band a frame whose fit found
// no root under the second harmonic keeps its F1, which may lie above it;
// in a noisy recording such a frame is filled too: the fit's root lies
// above 1.85·F0 in many frames of an /i/, where linear prediction's is a
// noise root.)
constexpr double kFitFillS = 0.024;
// Then F1 of every voiced frame is the median of F1 within 8 ms (three
// frames at 16 kHz): single frames leap to a harmonic or a noise root.
constexpr double kF1SmoothS = 0.008;
// In a noisy recording the fits scatter by 50–150 Hz from frame to frame
// (two or three harmonics under F1, each with the noise's share): there the
// median is over 32 ms on either side.
constexpr double kNoisyF1SmoothS = 0.032;
constexpr double kHarmonicsUnderF1 = 2.5;
// F1 is compared with 2.5·F0 as the median of linear prediction's F1 within
// 24 ms: at 48 kHz it leapt between the harmonics from frame to frame, and
// the frames on the upper one kept it.
constexpr double kF1MedianS = 0.024;
// The fit is made at orders 9, 10 and 11 at 16 kHz (scaled with a lower
// rate, at least 8: four pole pairs), fewer than linear prediction at any
// ceiling (the harmonics sample the envelope sparsely; more poles settle on
// them), and F1 is the median of their roots: the root moves by up to 60 Hz
// from one order to the next. A root narrower than 30 Hz is a pole on a
// harmonic.
constexpr int kFitOrders[] = {9, 10, 11};
constexpr int kFewestFitPoles = 8;
constexpr double kNarrowestFitHz = 30.0;
// The fit's F1 lies between the first two harmonics, up to 1.9·F0: a root
// just under the second is that harmonic again (F1 500 Hz at F0 220 Hz read
// 435 Hz with 2·F0; with 1.8·F0 the fit's bias upwards left the second half
// of a female /i/, F0 near 200 Hz, to linear prediction's harmonic). In a
// noisy recording, where linear prediction's F1 does not hold it, up to
// 1.85·F0 (with 1.8·F0 the fit's roots of a female /i/ in 20 dB noise lay
// above it from F0 200 Hz down; with 1.9, 5 dB white noise put more roots
// under the second harmonic).
constexpr double kBelowSecondHarmonic = 1.9;
constexpr double kNoisyBelowSecondHarmonic = 1.85;
// The harmonics of 1–4 kHz (or to 0.4·fs) stand 11 dB or more over the gaps
// between them.
constexpr double kGapLowHz = 1000.0;
constexpr double kGapHighHz = 4000.0;
constexpr double kGapHighOfRate = 0.4;
constexpr double kClearGapsDb = 11.0;
// Where the fit ran, F1 is the resonance of the glottal closed phases
// (`closedPhaseResonance`) if it lies within 150 Hz of the fit's F1 (or,
// where the fit found none, of linear prediction's): the fit's all-pole
// envelope holds the source's slope, which drew F1 30–60 Hz towards the
// second harmonic with a short open phase. In a noisy recording only where
// the harmonics stand 15 dB over the gaps. (A telephone band's high-pass
// rings in the closed phase too, but its poles are wider than the 250 Hz
// the resonance may have.)
constexpr double kClosedPhaseReachHz = 150.0;
constexpr double kClosedPhaseGapsDb = 15.0;
// The middle 24 ms of the fit's 40 (cheaper, and as good).
constexpr double kClosedPhaseTrimS = 0.008;
// A low voice (F0 70–150 Hz, or that of the nearest such frame within
// 80 ms where F0 was not looked for or not found) takes F1 from its closed
// phases where analyses over a fifth and over three fifths of each period
// agree within 10 Hz (`longClosedPhaseResonance`): the glottis stays closed
// for most of the period (creak), while linear prediction's root lies on a
// harmonic above F1 (a creaky female /i/ read 345–430 Hz for 300–320).
constexpr std::size_t kCreakStride = 4;
constexpr double kCreakJump = 0.1;
constexpr double kCreakH1H2Db = -8.0;
// An F0 of 300 Hz or more is halved where its harmonics stand less than
// 5 dB over their gaps on average (at twice the true F0 the gaps hold the
// odd harmonics: 0–5 dB in the child's /e/, 8–19 at the true F0 in 20 dB
// noise) and those of half of it 6 dB more.
constexpr double kFilledGapsDb = 5.0;
constexpr double kHalfClearerDb = 6.0;
// F2 from the band below 2 kHz: 16 ms round a frame, within F2's range
// (at the reference ceiling); an F2 root this near F1's is F1's again; at
// least this many frames of a stretch give one, the median within kFillReach.
constexpr double kLowBandWindowS = 0.016;
constexpr double kF2LowHz = 600.0;
constexpr double kF2HighHz = 2650.0;
constexpr double kSharedRootHz = 150.0;
constexpr std::size_t kFewestLowBandF2 = 5;
// Above 16 kHz the fit takes the harmonics below 7.6 kHz with the order of
// 16 kHz: the poles of a high rate settle over the empty band above.
constexpr double kFitRateHz = 16000.0;
// A telephone band (8 kHz): its long-term spectrum at 50–100 Hz 50 dB or
// more under that at 300–1000 Hz (the synthetic band's 52–67 dB; real
// 8-kHz voices without the band −8–43 dB, a low male voice 65). There the
// fit undoes a high-pass at 300 Hz (two second-order Butterworth sections,
// at most 20 dB: all of it from 175 Hz up) on the harmonics' powers, at
// orders 7–9 (F1 to F3 and the slope in 4 kHz); F0 is looked for at the
// full rate, and an F0 under 150 Hz is taken as a multiple of the period
// where 2–4 times it is clearly periodic (the weak first harmonic leaves
// the peak of two or four periods highest); F1 is compared with 3·F0
// (linear prediction's lies on the second or third harmonic); the gaps are
// looked at over 1–2 kHz (over 1–3.2 kHz the test failed in many frames of
// the synthetic band's /i/: child 69 Hz, 39 with 1–2 kHz).
constexpr double kTelephoneRateHz = 8000.0;
constexpr double kBandWindowS = 0.064;
constexpr double kUnderBandLowHz = 50.0;
constexpr double kUnderBandHighHz = 100.0;
constexpr double kRefBandLowHz = 300.0;
constexpr double kRefBandHighHz = 1000.0;
constexpr double kUnderBandDb = 50.0;
constexpr double kTelephoneCutHz = 300.0;
constexpr int kBandFitOrders[] = {7, 8, 9};
constexpr double kMostLowCutBoostDb = 20.0;
constexpr int kBandF0Multiples = 4;
constexpr double kBandF0Reach = 1.08;
constexpr double kBandHarmonicsUnderF1 = 3.0;
constexpr double kBandGapHighHz = 2000.0;
// A noisy recording: its quietest frame within 30 dB of its loudest, and
// 80 ms of frames or more within 3 dB of the quietest (a steady floor), in
// levels of the first difference (a DC offset or hum sets no floor), once
// a stretch has shown 5 frames or more that are not voiced. There the gaps
// tell noise, not a breathy voice, and the noise between the harmonics is
// taken off their powers instead; F0 is looked for down to a lower clarity,
// and neither the test of F1 under 2.5·F0 nor F1's reach hold (linear
// prediction's F1 there is often a noise root), and the fit's root under
// the second harmonic decides. The harder set's 5–20 dB noise lies 4–37 dB
// under its loudest frame, 12 frames or more at 16 kHz; spoken words' room
// tone 34–70 dB, an /h/ before a vowel 20 dB but 4 frames. (The plain
// level's quietest frame within 40 dB put F1 of open vowels on a harmonic:
// an /ɑː/ of 230 Hz whose file has a DC offset read F1 23 % under Praat's,
// 1.5 % without the mode.)
constexpr double kNoisyFloorDb = 30.0;
// A stretch of a high voice is taken as noisy with the steady floor within
// 38 dB of the loudest frame where F0 is found (at a clarity of 0.7) in 75 %
// of its frames or more, their median 150 Hz or more: the harder set's /i/
// in 20 dB speech-shaped noise lies 30–37 dB under (its first difference
// weakens the low noise), 84–98 % of its frames periodic. kt_ru, whose floor
// lies within 35–36 dB, shows F0 in 42–52 % of its stretches'
// frames; taken for noisy (by the floor alone), its F1 moved from Praat's.
constexpr double kHighVoiceFloorDb = 38.0;
constexpr double kPeriodicShare = 0.75;
constexpr double kSteadyFloorDb = 3.0;
constexpr double kSteadyFloorS = 0.080;
constexpr double kFloorBinDb = 0.5;
constexpr double kLowestFloorDb = -20.0;
constexpr std::size_t kFloorBins = 440;  // −20 to 200 dB
constexpr std::size_t kFloorFrames = 5;
// Voiced: within 30 dB of the loudest frame so far and 4 dB above the
// quietest (the noise floor), or within 4 dB of the loudest.
constexpr double kVoicedRangeDb = 30.0;
constexpr double kAboveFloorDb = 4.0;
// A stretch is scored over at most this many frames.
constexpr std::size_t kLongestStretch = 160;
// Voiced frames held, fewer than which one thread finds every ceiling's
// roots, or tracks the stretch at every ceiling (waking the workers costs
// more).
constexpr int kFewestSharedFrames = 12;
constexpr int kFewestSharedTrackedFrames = 40;
constexpr int kFewestScoredFrames = 3;
// Sweeps of the root refinement from the previous frame's roots, and from a
// circle when the QR iteration gave up.
constexpr int kWarmSteps = 20;
constexpr int kColdSteps = 200;

// Least-squares polynomial of degree d through (u, y), u in [−1, 1]; the
// mean absolute residual.
double polynomialResidual(std::span<const double> u, std::span<const double> y, int d) {
  const std::size_t n = y.size();
  std::array<std::array<double, 5>, 4> m{};  // normal equations, right-hand side last
  for (std::size_t i = 0; i < n; ++i) {
    double p[4] = {1.0, u[i], u[i] * u[i], u[i] * u[i] * u[i]};
    for (int r = 0; r <= d; ++r) {
      for (int c = 0; c <= d; ++c) m[r][c] += p[r] * p[c];
      m[r][4] += p[r] * y[i];
    }
  }
  for (int c = 0; c <= d; ++c) {  // Gaussian elimination with partial pivoting
    int pivot = c;
    for (int r = c + 1; r <= d; ++r)
      if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
    std::swap(m[c], m[pivot]);
    if (std::abs(m[c][c]) < 1e-12) return 0.0;
    for (int r = 0; r <= d; ++r) {
      if (r == c) continue;
      const double f = m[r][c] / m[c][c];
      for (int k = c; k <= 4; ++k) m[r][k] -= f * m[c][k];
    }
  }
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    double fit = 0.0, power = 1.0;
    for (int c = 0; c <= d; ++c, power *= u[i]) fit += m[c][4] / m[c][c] * power;
    sum += std::abs(y[i] - fit);
  }
  return sum / static_cast<double>(n);
}

// Where F2 or F3 took no root in a frame of the chosen tracks, the median
// of its roots within kFillReach frames, else of all its roots in the
// stretch, instead of the estimate the tracker held: in strong noise that is
// often a root at the stretch's edge (the tracker runs backwards too), held
// for dozens of frames. F2 with fewer than kFewestF2Roots roots in the
// stretch takes its starting estimate instead (one stray root is no F2).
constexpr std::size_t kFillReach = 8;
constexpr std::size_t kFewestF2Roots = 3;

// The median of v (reordered).
double medianOf(std::vector<double>& v) {
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// Doubles each F0 of `f0` (150 Hz or more) that some frame within `reach`
// reads twice over: an octave low.
void liftOctaveLow(std::vector<double>& f0, std::size_t reach) {
  const std::vector<double> found(f0);
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (found[i] < kHighVoiceHz) continue;
    const double twice = 2.0 * found[i];
    for (std::size_t j = i > reach ? i - reach : 0; j < found.size() && j <= i + reach; ++j)
      if (std::abs(found[j] / twice - 1.0) <= kOctaveTolerance) {
        f0[i] = twice;
        break;
      }
  }
}

// Where, within `reach` frames, the frames with a root above the second
// harmonic (`above`, 0 Hz for none) outnumber kAboveVotes to one those with a
// fit under it (`fits`), the frame's fit is its root above (none if it has
// none), and F1 of `tracks` follows.
void preferAboveSecond(std::vector<RootCandidate>& fits, std::span<const RootCandidate> above, std::size_t reach,
                       std::vector<McCandlessFrame>& tracks) {
  const std::size_t n = fits.size();
  std::vector<RootCandidate> out(fits);
  for (std::size_t i = 0; i < n; ++i) {
    int under = 0, over = 0;
    for (std::size_t j = i > reach ? i - reach : 0; j < n && j <= i + reach; ++j) {
      under += fits[j].frequencyHz > 0.0 ? 1 : 0;
      over += above[j].frequencyHz > 0.0 ? 1 : 0;
    }
    if (over <= kAboveVotes * under) continue;
    out[i] = above[i].frequencyHz > 0.0 ? above[i] : RootCandidate{0.0, 0.0, 0.0};
    if (out[i].frequencyHz > 0.0)
      tracks[i].f[0] = {out[i].frequencyHz, out[i].bandwidthHz, tracks[i].f[0].amplitudeDb, true};
  }
  fits = std::move(out);
}

// In a noisy recording, where the fit has no root under the second harmonic
// and linear prediction's F1 (its median within 24 ms) lies above it too,
// F1 near 2·F0 puts the fit's poles on that harmonic (too narrow, dropped)
// or above it (a child's /e/, F1 575 Hz at 1.8·F0, read 630–690 Hz). Where
// the second harmonic stands kPeakOverNeighboursDb or more over the first
// and the third, F1 is the vertex of the parabola through the three
// harmonics' levels in dB, if it lies under the second (the first louder
// than the third: above it the vertex fell short of a female /e/'s F1 at
// 2.1·F0, which the fit's roots above the second harmonic hold).
constexpr double kPeakOverNeighboursDb = 6.0;

// That vertex in Hz for `power` at the harmonics of f0, 0 for none.
double underSecondHarmonicPeakHz(std::span<const double> power, double f0) {
  if (power.size() < 3) return 0.0;
  const double second = 10.0 * std::log10(power[1] / std::max(power[0], power[2]));
  const double peak = second >= kPeakOverNeighboursDb ? harmonicPeakHz(power, f0, 2.0 * f0, 2) : 0.0;
  return peak < 2.0 * f0 ? peak : 0.0;
}

// F1 of each frame of `tracks`, the median of F1 within `reach` frames.
void medianF1(std::vector<McCandlessFrame>& tracks, std::size_t reach) {
  const std::size_t n = tracks.size();
  std::vector<double> out(n), nearby;
  for (std::size_t i = 0; i < n; ++i) {
    nearby.clear();
    for (std::size_t j = i > reach ? i - reach : 0; j < n && j <= i + reach; ++j)
      nearby.push_back(tracks[j].f[0].frequencyHz);
    out[i] = medianOf(nearby);
  }
  for (std::size_t i = 0; i < n; ++i) tracks[i].f[0].frequencyHz = out[i];
}

// The median of the values of `given` (0: none) within kFillReach frames of
// frame i, else `whole`; `near` is scratch.
double nearbyMedian(std::span<const double> given, std::size_t i, double whole, std::vector<double>& near) {
  near.clear();
  for (std::size_t j = i > kFillReach ? i - kFillReach : 0; j < given.size() && j <= i + kFillReach; ++j)
    if (given[j] > 0.0) near.push_back(given[j]);
  return near.empty() ? whole : medianOf(near);
}

void fillFromRoots(std::vector<McCandlessFrame>& tracks, const std::array<double, 4>& startHz) {
  std::vector<double> near, all, given(tracks.size()), out(tracks.size());
  for (std::size_t k = 1; k < 3; ++k) {
    all.clear();
    for (const McCandlessFrame& f : tracks)
      if (f.f[k].assigned) all.push_back(f.f[k].frequencyHz);
    if (all.empty()) continue;
    if (k == 1 && all.size() < kFewestF2Roots) {
      for (McCandlessFrame& f : tracks)
        if (!f.f[k].assigned) f.f[k].frequencyHz = startHz[k];
      continue;
    }
    const double whole = medianOf(all);
    for (std::size_t i = 0; i < tracks.size(); ++i) given[i] = tracks[i].f[k].assigned ? tracks[i].f[k].frequencyHz : 0.0;
    for (std::size_t i = 0; i < tracks.size(); ++i)
      out[i] = tracks[i].f[k].assigned ? tracks[i].f[k].frequencyHz : nearbyMedian(given, i, whole, near);
    for (std::size_t i = 0; i < tracks.size(); ++i) tracks[i].f[k].frequencyHz = out[i];
  }
}

// Where F2 took no root in a frame and F3's root lies within kHandBackHz
// (scaled) of F2's held estimate (before F2's first root, of that root),
// that root is F2's: F3's estimate had drifted onto F2's resonance (a quiet
// /i/ in strong noise shows one root for F2 and F3, or none), and the
// ceiling that followed F2 looked as if F2 were missing there. Only when F3
// keeps kFewestF2Roots roots or more of its own: else F2 held F3's
// resonance.
constexpr double kHandBackHz = 150.0;
void handBackF2(std::vector<McCandlessFrame>& tracks, double scale) {
  const auto first = std::find_if(tracks.begin(), tracks.end(), [](const McCandlessFrame& f) { return f.f[1].assigned; });
  if (first == tracks.end()) return;
  const double firstHz = first->f[1].frequencyHz;
  std::vector<char> hand(tracks.size());
  std::size_t own = 0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const auto& f = tracks[i].f;
    const double held = tracks.begin() + static_cast<std::ptrdiff_t>(i) < first ? firstHz : f[1].frequencyHz;
    hand[i] = !f[1].assigned && f[2].assigned && std::abs(f[2].frequencyHz - held) < kHandBackHz * scale;
    if (f[2].assigned && !hand[i]) ++own;
  }
  if (own < kFewestF2Roots) return;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (!hand[i]) continue;
    TrackedFormant& f3 = tracks[i].f[2];
    tracks[i].f[1] = f3;
    f3 = {f3.frequencyHz, 0.0, 0.0, false};
  }
}

// Where F2 took no root in a share s of a stretch's frames, the evidence
// for any ceiling is thin: kPriorHz·s² per 1000 Hz away from kMiddleHz. In
// 5 dB noise a ceiling at either end (4500 Hz, whose F2 range stops below a
// female /i/, or 6500–7500 Hz) won on noise roots where 5500 Hz followed F2.
constexpr double kPriorHz = 300.0;
constexpr double kMiddleHz = 5500.0;
double ceilingPrior(std::span<const McCandlessFrame> tracks, double ceilingHz) {
  if (tracks.empty()) return 0.0;
  const auto missing = static_cast<double>(std::count_if(tracks.begin(), tracks.end(), [](const McCandlessFrame& f) {
                         return !f.f[1].assigned;
                       })) / static_cast<double>(tracks.size());
  return kPriorHz * missing * missing * std::abs(ceilingHz - kMiddleHz) / 1000.0;
}

// Below 1 kHz for F0 (two Butterworth sections): the formants above
// decorrelate from period to period.
std::vector<double> f0Band(std::vector<double> low, double fs) {
  const double w = 2.0 * std::numbers::pi * kF0BandHz / fs, alpha = std::sin(w) / std::sqrt(2.0), cw = std::cos(w);
  const double a0 = 1.0 + alpha, b0 = (1.0 - cw) / 2.0 / a0, b1 = (1.0 - cw) / a0, a1 = -2.0 * cw / a0,
               a2 = (1.0 - alpha) / a0;
  for (int pass = 0; pass < 2; ++pass) {
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    for (double& v : low) {
      const double y = b0 * v + b1 * x1 + b0 * x2 - a1 * y1 - a2 * y2;
      x2 = x1, x1 = v, y2 = y1, y1 = y;
      v = y;
    }
  }
  return low;
}

}  // namespace

const std::vector<double>& automaticCeilings() {
  static const std::vector<double> c{4500, 5000, 5500, 6000, 6500, 7000, 7500};
  return c;
}

double trackScore(std::span<const McCandlessFrame> frames, std::span<const std::vector<RootCandidate>* const> roots,
                  bool strict) {
  const std::size_t n = frames.size();
  if (n == 0) return 0.0;
  // Narrow roots between F1 and F3 that no formant took: a resonance skipped.
  int skipped = 0;
  for (std::size_t i = 0; i < roots.size() && i < n; ++i)
    for (const RootCandidate& r : *roots[i]) {
      const auto& f = frames[i].f;
      if (!(r.bandwidthHz < kNarrowRootHz && r.frequencyHz > f[0].frequencyHz && r.frequencyHz < f[2].frequencyHz))
        continue;
      const bool taken = std::any_of(f.begin(), f.end(), [&](const TrackedFormant& t) {
        return t.assigned && std::abs(t.frequencyHz - r.frequencyHz) < 1.0;
      });
      if (!taken) ++skipped;
    }
  std::vector<double> u(n), y(n);
  for (std::size_t i = 0; i < n; ++i) u[i] = n > 1 ? 2.0 * static_cast<double>(i) / static_cast<double>(n - 1) - 1.0 : 0.0;
  const int degree = static_cast<int>(std::min<std::size_t>(3, (n - 1) / 4));
  double score = 0.0;
  std::vector<double> ua, ya;
  for (std::size_t k = 0; k < 3; ++k) {
    int misses = 0;
    double bandwidth = 0.0;
    ua.clear();
    ya.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const TrackedFormant& f = frames[i].f[k];
      y[i] = f.frequencyHz;
      if (f.assigned) {
        bandwidth += f.bandwidthHz;
        ua.push_back(u[i]);
        ya.push_back(y[i]);
      } else {
        ++misses;
      }
    }
    if (!strict) {
      score += polynomialResidual(u, y, degree);
    } else if (ua.size() >= 2) {
      const int d = static_cast<int>(std::min<std::size_t>(3, (ua.size() - 1) / 4));
      score += polynomialResidual(ua, ya, d);
    }
    const double missing = misses / static_cast<double>(n);
    score += kMissPenaltyHz * missing;
    if (strict && k == 1) score += kMissingF2PenaltyHz * missing * missing;
    if (misses < static_cast<int>(n)) score += kBandwidthWeight * bandwidth / static_cast<double>(static_cast<int>(n) - misses);
  }
  return score + kSkipPenaltyHz * skipped / static_cast<double>(n);
}

double strongSkipPenalty(std::span<const McCandlessFrame> tracks,
                         std::span<const std::vector<RootCandidate>* const> roots, double scale) {
  if (tracks.empty()) return 0.0;
  const double f1Low = kF1LowHz * scale, f2Low = kF2LowHz * scale, f2High = kF2HighHz * scale;
  double sum = 0.0;
  for (std::size_t i = 0; i < roots.size() && i < tracks.size(); ++i) {
    const auto& f = tracks[i].f;
    if (!f[1].assigned) continue;
    for (const RootCandidate& r : *roots[i]) {
      const double hz = r.frequencyHz;
      if (std::any_of(f.begin(), f.end(), [&](const TrackedFormant& t) {
            return t.assigned && std::abs(t.frequencyHz - hz) < 1.0;
          }))
        continue;
      if (hz >= f2Low && hz > f[0].frequencyHz && hz < f[1].frequencyHz && r.amplitudeDb >= f[1].amplitudeDb)
        sum += f[1].frequencyHz - hz;
      else if (hz >= f2Low && hz > f[1].frequencyHz && hz < f2High && f[2].assigned && hz < f[2].frequencyHz &&
               r.amplitudeDb >= f[2].amplitudeDb)
        sum += f[2].frequencyHz - hz;
      else if (f[0].assigned && f[0].frequencyHz >= f2Low && hz >= f1Low && hz < f[0].frequencyHz &&
               r.bandwidthHz < kNarrowRootHz && r.amplitudeDb >= f[1].amplitudeDb)
        sum += f[0].frequencyHz - hz;
    }
  }
  return sum / static_cast<double>(tracks.size());
}

CeilingTracker::CeilingTracker(double fs, const FormantOptions& options, std::vector<double> ceilings, Row row,
                               Score score)
    : fs_(fs), ceilings_(std::move(ceilings)), row_(std::move(row)), score_(std::move(score)),
      automatic_(ceilings_.size() > 1) {
  for (double c : ceilings_) {
    orders_.push_back(std::min(formantLpcOrderAtCeiling(options, fs, c), kMcCandlessFrame - 1));
  }
  coefficients_.resize(ceilings_.size());
  lastRoots_.resize(ceilings_.size());
  // Start from the reference ceiling, or the nearest to it.
  for (std::size_t i = 0; i < ceilings_.size(); ++i)
    if (std::abs(ceilings_[i] - kReferenceCeilingHz) < std::abs(ceilings_[static_cast<std::size_t>(chosen_)] - kReferenceCeilingHz))
      chosen_ = static_cast<int>(i);
}

bool CeilingTracker::frame(std::int64_t start, std::span<const std::int16_t> x) {
  if (stopped_) return false;
  const int length = kMcCandlessFrame;
  if (x.size() < static_cast<std::size_t>(length) + 1 || ceilings_.empty()) return false;
  const float* window = hamming_.table(length);
  if (!window) return false;
  frame_.resize(static_cast<std::size_t>(length));
  envelopeFrame(x, 0, length, true, window, frame_.data());
  double raw = 0.0;
  for (int j = 0; j < length; ++j) {
    const double v = window[j] * static_cast<double>(x[static_cast<std::size_t>(j)]);
    raw += v * v;
  }
  const int pMax = *std::max_element(orders_.begin(), orders_.end());
  r_.assign(static_cast<std::size_t>(pMax) + 1, 0.0);
  // Four lags at a time: four independent sums, each still added in the
  // order of n (the same bits as one lag after the other).
  const double* f = frame_.data();
  int lag = 0;
  for (; lag + 3 <= pMax; lag += 4) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    int n = 0;
    for (; n + lag + 3 < length; ++n) {
      s0 += f[n] * f[n + lag];
      s1 += f[n] * f[n + lag + 1];
      s2 += f[n] * f[n + lag + 2];
      s3 += f[n] * f[n + lag + 3];
    }
    for (int k = n; k + lag < length; ++k) s0 += f[k] * f[k + lag];
    for (int k = n; k + lag + 1 < length; ++k) s1 += f[k] * f[k + lag + 1];
    for (int k = n; k + lag + 2 < length; ++k) s2 += f[k] * f[k + lag + 2];
    r_[static_cast<std::size_t>(lag)] = s0;
    r_[static_cast<std::size_t>(lag) + 1] = s1;
    r_[static_cast<std::size_t>(lag) + 2] = s2;
    r_[static_cast<std::size_t>(lag) + 3] = s3;
  }
  for (; lag <= pMax; ++lag) {
    double s = 0.0;
    for (int n = 0; n + lag < length; ++n) s += f[n] * f[n + lag];
    r_[static_cast<std::size_t>(lag)] = s;
  }
  const double rawDb = 10.0 * std::log10(raw + 1e-10);
  if (automatic_) noteFloorLevel(x, window, length);
  loudestDb_ = std::max(loudestDb_, rawDb);
  quietestDb_ = std::min(quietestDb_, rawDb);
  // Until the signal has a floor below its loudest frames, every frame counts.
  const bool voiced = raw > 1.0 && voicedLevel(rawDb);

  Pending p;
  p.voiced = voiced;
  p.levelDb = rawDb;
  p.centre = start + length / 2;
  if (automatic_) {
    p.start = start;
    p.samples.assign(x.begin(), x.end());
  }
  p.roots.resize(ceilings_.size());
  p.wideF1.resize(ceilings_.size());
  if (voiced) {
    // One recursion up to the highest order, kept at every ceiling's order.
    double e = r_[0] < 1e-10 ? 1.0 : r_[0];
    a_.assign(static_cast<std::size_t>(pMax) + 1, 0.0);
    auto keep = [&](int order) {
      for (std::size_t c = 0; c < ceilings_.size(); ++c)
        if (orders_[c] == order) {
          coefficients_[c].assign(a_.begin() + 1, a_.begin() + order + 1);
          coefficients_[c].push_back(e);
        }
    };
    bool exact = false;
    for (int i = 1; i <= pMax; ++i) {
      if (!exact) {
        double acc = r_[static_cast<std::size_t>(i)];
        for (int j = 1; j < i; ++j) acc -= r_[static_cast<std::size_t>(i - j)] * a_[static_cast<std::size_t>(j)];
        const double k = acc / e;
        previous_ = a_;
        a_[static_cast<std::size_t>(i)] = k;
        for (int j = 1; j < i; ++j)
          a_[static_cast<std::size_t>(j)] = previous_[static_cast<std::size_t>(j)] - k * previous_[static_cast<std::size_t>(i - j)];
        const double next = (1.0 - k * k) * e;
        if (next > 0.0) e = next;
        else exact = true;  // perfectly predicted: the higher coefficients stay 0
      }
      keep(i);
    }
    p.lpc = coefficients_;
  }
  // A stretch ends where voicing stops, or when it grows too long to score.
  if ((!block_.empty() && block_.back().voiced && !voiced) || block_.size() >= kLongestStretch)
    if (!flush()) return false;
  block_.push_back(std::move(p));
  return true;
}

void CeilingTracker::findRoots() {
  // Each ceiling's polynomials start from its own roots a frame earlier and
  // so depend on no other ceiling's: the ceilings share the threads, each
  // taking its frames in order (the same roots as one thread). Ceilings of
  // one order share a polynomial, found once.
  std::vector<std::size_t> distinct;
  for (std::size_t c = 0; c < ceilings_.size(); ++c)
    if (c == 0 || orders_[c] != orders_[c - 1]) distinct.push_back(c);
  // A few frames are not worth waking the threads for.
  const auto voicedFrames = std::count_if(block_.begin(), block_.end(), [](const Pending& p) { return p.voiced; });
  if (voicedFrames < kFewestSharedFrames) {
    for (std::size_t c : distinct) skippedRootFindings_ += rootsAt(c);
  } else {
    std::vector<int> skipped(distinct.size(), 0);
    parallelFor(static_cast<int>(distinct.size()), [&](int k) {
      skipped[static_cast<std::size_t>(k)] = rootsAt(distinct[static_cast<std::size_t>(k)]);
      return true;
    });
    for (int n : skipped) skippedRootFindings_ += n;
  }
  for (Pending& p : block_) {
    if (!p.voiced) continue;
    for (std::size_t c = 1; c < ceilings_.size(); ++c)
      if (orders_[c] == orders_[c - 1]) {
        p.roots[c] = p.roots[c - 1];
        p.wideF1[c] = p.wideF1[c - 1];
      }
    p.lpc.clear();
    p.lpc.shrink_to_fit();
  }
}

int CeilingTracker::rootsAt(std::size_t c) {
  const int order = orders_[c];
  // The automatic choice never takes a root wider than its limit as a
  // candidate: those are left out here, before their levels, but for
  // F1's range, where they may stand in for F1 after the choice.
  const double widest = automatic_ ? kWidestCandidateHz : kMaxRootBandwidthHz;
  // The level matters only where a root may become a candidate.
  double levelLimitHz = 0.0;
  for (std::size_t d = c; d < ceilings_.size() && orders_[d] == order; ++d)
    levelLimitHz = std::max(levelLimitHz, kCandidateHighHz * ceilings_[d] / kReferenceCeilingHz);
  std::vector<double> poly(static_cast<std::size_t>(order) + 1);
  std::vector<std::complex<double>> found;
  std::vector<Resonance> resonances;
  int skipped = 0;
  for (Pending& p : block_) {
    if (!p.voiced) continue;
    const std::vector<double>& a = p.lpc[c];
    std::vector<RootCandidate>& roots = p.roots[c];
    poly[0] = 1.0;
    for (int j = 1; j <= order; ++j) poly[static_cast<std::size_t>(j)] = -a[static_cast<std::size_t>(j - 1)];
    if (rootsOf(c, poly, found)) resonancesOf(found, fs_, kMaxRootBandwidthHz, 0.0, fs_ / 2.0, resonances);
    else {
      ++skipped;
      resonances.clear();
    }
    const double logE = std::log10(a.back() > 0.0 ? a.back() : 1e-7);
    for (const Resonance& r : resonances) {
      if (r.bandwidthHz >= widest) {
        if (acceptedRoot(r.frequencyHz, r.bandwidthHz, fs_, kMaxRootBandwidthHz) &&
            r.frequencyHz <= levelLimitHz * kF1HighHz / kCandidateHighHz)
          p.wideF1[c].push_back({r.frequencyHz, r.bandwidthHz, 0.0});
        continue;
      }
      if (!acceptedRoot(r.frequencyHz, r.bandwidthHz, fs_, widest)) continue;
      if (r.frequencyHz > levelLimitHz) {
        roots.push_back({r.frequencyHz, r.bandwidthHz, 0.0});
        continue;
      }
      // The LPC level at the root's bin of a 256-point spectrum.
      const double bin = std::min(127.0, std::round(r.frequencyHz / fs_ * 256.0));
      const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * bin / 256.0);
      std::complex<double> sum = 1.0, power = 1.0;
      for (int j = 1; j <= order; ++j) {
        power *= z;
        sum -= a[static_cast<std::size_t>(j - 1)] * power;
      }
      const double level = 10.0 * (logE - std::log10(std::norm(sum) + 1e-10));
      roots.push_back({r.frequencyHz, r.bandwidthHz, std::max(0.0, level)});
    }
  }
  return skipped;
}

bool CeilingTracker::rootsOf(std::size_t c, std::span<const double> poly, std::vector<std::complex<double>>& found) {
  std::vector<std::complex<double>>& last = lastRoots_[c];
  // Several ceilings: each polynomial starts from its roots one frame
  // earlier, which lie close. One ceiling keeps the plain root finder, so
  // that its tracks stay those of the single-ceiling tracker.
  bool settled = ceilings_.size() > 1 && !last.empty() && refineRoots(poly, last, kWarmSteps, found);
  if (!settled) settled = polynomialRoots(poly, found, false);
  // The QR iteration now and then gives up on a high order (48 kHz); the
  // refinement from a circle round the roots may still settle.
  if (!settled) settled = refineRoots(poly, circleStart(poly), kColdSteps, found);
  if (!settled) {
    // That ceiling offers no roots in this frame; the others go on.
    last.clear();
    return false;
  }
  if (ceilings_.size() > 1) last = found;
  return true;
}

void CeilingTracker::fillF1(const std::vector<std::size_t>& voiced, std::vector<McCandlessFrame>& tracks) const {
  if (tracks.empty()) return;
  const auto c = static_cast<std::size_t>(chosen_);
  const double scale = ceilings_[c] / kReferenceCeilingHz;
  double last = -1.0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    TrackedFormant& f1 = tracks[i].f[0];
    if (f1.assigned) {
      last = f1.frequencyHz;
      continue;
    }
    const double near = last > 0.0 ? last : f1.frequencyHz;
    const RootCandidate* pick = nullptr;
    for (const RootCandidate& r : block_[voiced[i]].wideF1[c])
      if (r.frequencyHz >= kF1LowHz * scale && r.frequencyHz <= kF1HighHz * scale &&
          r.frequencyHz < tracks[i].f[1].frequencyHz && std::abs(r.frequencyHz - near) < kF1ReachHz * scale &&
          (!pick || std::abs(r.frequencyHz - near) < std::abs(pick->frequencyHz - near)))
        pick = &r;
    if (pick) {
      f1 = {pick->frequencyHz, pick->bandwidthHz, 0.0, true};
      last = pick->frequencyHz;
    }
  }
}

void CeilingTracker::retakeHeldF1(const std::vector<std::size_t>& voiced, std::vector<McCandlessFrame>& tracks) const {
  // The tracker holds F1's last value where no root lies within its reach:
  // after a nasal or a voice bar on the first harmonic it stays there into
  // the open vowel that follows, whose F1 root (a narrow one, over twice as
  // high) is left to no formant.
  const auto c = static_cast<std::size_t>(chosen_);
  const double scale = ceilings_[c] / kReferenceCeilingHz;
  const double highHz = kRetakeHighHz * std::max(scale, 1.0);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    TrackedFormant& f1 = tracks[i].f[0];
    if (f1.assigned || f1.frequencyHz <= 0.0 || f1.frequencyHz >= kHeldLowF1Hz * scale) continue;
    const RootCandidate* pick = nullptr;
    for (const RootCandidate& r : block_[voiced[i]].roots[c])
      if (r.bandwidthHz < kNarrowCandidateHz && r.frequencyHz >= kRetakeOverHeld * f1.frequencyHz &&
          r.frequencyHz <= highHz && r.frequencyHz < tracks[i].f[1].frequencyHz &&
          (!pick || r.frequencyHz < pick->frequencyHz))
        pick = &r;
    if (pick) f1 = {pick->frequencyHz, pick->bandwidthHz, pick->amplitudeDb, true};
  }
}

void CeilingTracker::harmonicF1(const BlockSignal& block, const std::vector<std::size_t>& voiced,
                                std::vector<McCandlessFrame>& tracks) const {
  if (tracks.empty()) return;
  const std::vector<double>& s = block.samples;
  const std::vector<double>& low = block.low;
  const std::int64_t lo = block.lo, hi = lo + static_cast<std::int64_t>(s.size());
  const auto c = static_cast<std::size_t>(chosen_);
  const double scale = ceilings_[c] / kReferenceCeilingHz;
  // Fewer than four pole pairs (8 kHz) do not hold F1 to F3 and the slope,
  // but in a telephone band (below) orders 7–9 do.
  const double fitRate = std::min(fs_, kFitRateHz);
  std::vector<int> fitOrders;
  for (const int o : kFitOrders)
    if (const auto scaled = static_cast<int>(std::lround(o * fitRate / kFitRateHz)); scaled >= kFewestFitPoles)
      fitOrders.push_back(scaled);
  const double bandCutHz = fitOrders.empty() ? telephoneCutHz(s) : 0.0;
  if (bandCutHz > 0.0) fitOrders.assign(std::begin(kBandFitOrders), std::end(kBandFitOrders));
  if (fitOrders.empty()) return;
  const double gapHighHz = bandCutHz > 0.0 ? kBandGapHighHz : std::min(kGapHighHz, kGapHighOfRate * fs_);
  bool noisy = floorSeen_ && noisyFloor();
  // Not in a noisy telephone band: F0 to a clarity of 0.3 and from the
  // frames nearby, with its multiples, ran the fit on a low voice (mmt1, a
  // male voice, F1 26 → 33 Hz from Praat's).
  if (noisy && bandCutHz > 0.0) return;
  const auto half = static_cast<std::int64_t>(std::lround(kHarmonicWindowS * fs_ / 2.0));
  const int step = bandCutHz > 0.0 ? 1 : std::max(1, static_cast<int>(std::lround(fs_ / kCoarseRateHz)));
  std::vector<double> coarse, piece, window, omega, power, gapOmega, gapPower, between, a, poly;
  std::vector<std::complex<double>> roots;
  ClosedPhaseRoots closedRoots;
  std::vector<RootCandidate> picks, above;
  // F0 of frame i at a low rate (cheap, and most voices stop here); 0 for none.
  auto coarseF0 = [&](std::size_t i) {
    const std::int64_t centre = block_[voiced[i]].centre;
    const std::int64_t from = std::max(lo, centre - half), to = std::min(hi - 1, centre + half);
    if (to - from < 3 * half / 2) return 0.0;
    coarse.clear();
    for (std::int64_t k = from; k <= to; k += step) coarse.push_back(low[static_cast<std::size_t>(k - lo)]);
    const double f = periodicF0(coarse, fs_ / step, kLowestF0Hz, kHighestF0Hz, noisy ? kNoisyClarity : kClarity);
    return bandCutHz > 0.0 ? bandF0(coarse, fs_ / step, f) : f;
  };
  // Every fourth frame first, then those between; a frame between two that
  // are not high is not either.
  const std::size_t n = tracks.size();
  std::vector<double> found(n, -1.0);
  auto notHigh = [&](std::size_t i) { return found[i] >= 0.0 && found[i] < kHighVoiceHz; };
  auto findF0 = [&] {
    for (const std::size_t stride : {4, 2, 1})
      for (std::size_t i = 0; i < n; i += stride)
        if (found[i] < 0.0) found[i] = i >= stride && i + stride < n && notHigh(i - stride) && notHigh(i + stride) ? 0.0 : coarseF0(i);
  };
  findF0();
  if (!noisy && bandCutHz == 0.0 && floorSeen_ && highVoiceBehindFloor(found)) {
    noisy = true;
    std::fill(found.begin(), found.end(), -1.0);
    findF0();
  }
  const double belowSecond = noisy ? kNoisyBelowSecondHarmonic : kBelowSecondHarmonic;
  if (noisy) {
    const auto reach = static_cast<std::size_t>(std::lround(kF0ReachS * fs_ / kMcCandlessHop));
    liftOctaveLow(found, reach);
    std::vector<double> near(found);
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t d = 1; d <= reach && found[i] < kHighVoiceHz; ++d) {
        if (i >= d && found[i - d] >= kHighVoiceHz) {
          near[i] = found[i - d];
          break;
        }
        if (i + d < n && found[i + d] >= kHighVoiceHz) {
          near[i] = found[i + d];
          break;
        }
      }
    found = std::move(near);
  }
  if (!noisy && bandCutHz == 0.0) creakyF1(found, s, lo, scale, voiced, tracks);
  if (noisy || bandCutHz > 0.0) halveOctaveHigh(found, s, lo, gapHighHz, voiced);
  std::vector<double> lpcF1(n), nearby;
  std::vector<RootCandidate> fits(n), aboveFits(n);
  for (std::size_t i = 0; i < n; ++i) lpcF1[i] = tracks[i].f[0].frequencyHz;
  const auto medianReach = static_cast<std::size_t>(std::lround(kF1MedianS * fs_ / kMcCandlessHop));
  for (std::size_t i = 0; i < n; ++i) {
    TrackedFormant& f1 = tracks[i].f[0];
    double f0 = found[i];
    if (f0 < kHighVoiceHz) continue;
    nearby.assign(lpcF1.begin() + static_cast<std::ptrdiff_t>(i > medianReach ? i - medianReach : 0),
                  lpcF1.begin() + static_cast<std::ptrdiff_t>(std::min(n, i + medianReach + 1)));
    if (!noisy && medianOf(nearby) > (bandCutHz > 0.0 ? kBandHarmonicsUnderF1 : kHarmonicsUnderF1) * f0) continue;
    const std::int64_t centre = block_[voiced[i]].centre;
    const std::int64_t from = std::max(lo, centre - half), to = std::min(hi - 1, centre + half);
    const std::span<const double> x(s.data() + (from - lo), static_cast<std::size_t>(to - from) + 1);
    // Then at the full rate near it.
    const std::span<const double> lx(low.data() + (from - lo), x.size());
    if (step > 1) f0 = periodicF0(lx, fs_, f0 / 1.08, f0 * 1.08, 0.0);
    if (f0 <= 0.0) continue;
    // Windowed, without the pre-emphasis of linear prediction: it lifts the
    // second harmonic over the first and the fit's F1 with it.
    piece.resize(x.size() - 1);
    if (window.size() != piece.size()) {
      window.resize(piece.size());
      for (std::size_t k = 0; k < window.size(); ++k)
        window[k] = 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(window.size() - 1));
    }
    for (std::size_t k = 0; k < piece.size(); ++k) piece[k] = window[k] * x[k + 1];
    harmonicPowers(piece, fs_, f0, omega, power);
    // Below 0.95·fitRate/2, at angles of the fit's rate.
    std::size_t below = 0;
    while (below < omega.size() && omega[below] * fs_ < 0.95 * std::numbers::pi * fitRate) ++below;
    // Aspiration or noise fills the gaps between the harmonics (of 1–4 kHz):
    // a breathy voice's strong first harmonic would draw the fit's F1 down.
    gapOmega.clear();
    gapPower.clear();
    for (std::size_t k = 0; k < omega.size(); ++k) {
      const double hz = omega[k] / (2.0 * std::numbers::pi) * fs_;
      if (hz >= kGapLowHz && hz <= gapHighHz) {
        gapOmega.push_back(omega[k] + std::numbers::pi * f0 / fs_);
        gapPower.push_back(power[k]);
      }
    }
    powersAt(piece, gapOmega, between);
    double gapDb = 0.0;
    const auto gaps = static_cast<double>(between.size());
    for (std::size_t k = 0; k < between.size(); ++k) gapDb += 10.0 * std::log10((gapPower[k] + 1.0) / (between[k] + 1.0));
    if (between.empty() || (!noisy && gapDb < kClearGapsDb * gaps)) continue;
    if (noisy) subtractGaps(piece, fs_, f0, omega, power);
    if (bandCutHz > 0.0) undoLowCut(omega, fs_, bandCutHz, kMostLowCutBoostDb, power);
    omega.resize(below);
    power.resize(below);
    for (double& w : omega) w *= fs_ / fitRate;
    picks.clear();
    above.clear();
    for (const int order : fitOrders) {
      if (!lineSpectrumPrediction(omega, power, order, a)) continue;
      poly.assign(static_cast<std::size_t>(order) + 1, 1.0);
      for (int j = 1; j <= order; ++j) poly[static_cast<std::size_t>(j)] = -a[static_cast<std::size_t>(j - 1)];
      if (!polynomialRoots(poly, roots, false)) continue;
      // Its root nearest F1 in F1's range, below F2 and the second harmonic.
      RootCandidate best{0.0, 0.0, 0.0}, over{0.0, 0.0, 0.0};
      for (const std::complex<double>& z : roots) {
        const double hz = std::arg(z) / (2.0 * std::numbers::pi) * fitRate,
                     bw = -std::log(std::abs(z)) * fitRate / std::numbers::pi;
        if (noisy && hz > kAboveSecondHarmonic * f0 && hz <= kF1HighHz * scale && hz < tracks[i].f[1].frequencyHz &&
            bw >= kNarrowestFitHz && bw <= kMaxRootBandwidthHz &&
            (over.frequencyHz == 0.0 || std::abs(hz - f1.frequencyHz) < std::abs(over.frequencyHz - f1.frequencyHz)))
          over = {hz, bw, 0.0};
        if (hz < kF1LowHz * scale || hz > kF1HighHz * scale || hz >= tracks[i].f[1].frequencyHz ||
            bw < kNarrowestFitHz || bw > kMaxRootBandwidthHz ||
            (!noisy && std::abs(hz - f1.frequencyHz) > kF1ReachHz * scale) || hz > belowSecond * f0)
          continue;
        if (best.frequencyHz == 0.0 || std::abs(hz - f1.frequencyHz) < std::abs(best.frequencyHz - f1.frequencyHz))
          best = {hz, bw, 0.0};
      }
      if (best.frequencyHz > 0.0) picks.push_back(best);
      if (over.frequencyHz > 0.0) above.push_back(over);
    }
    if (above.size() >= 2) {
      std::sort(above.begin(), above.end(),
                [](const RootCandidate& p, const RootCandidate& q) { return p.frequencyHz < q.frequencyHz; });
      aboveFits[i] = above[above.size() / 2];
      aboveFits[i].frequencyHz = harmonicPeakHz(power, f0, aboveFits[i].frequencyHz, kPeakFromHarmonic);
    }
    std::sort(picks.begin(), picks.end(),
              [](const RootCandidate& p, const RootCandidate& q) { return p.frequencyHz < q.frequencyHz; });
    RootCandidate fit = picks.empty() ? RootCandidate{} : picks[picks.size() / 2];
    if (!noisy || gapDb >= kClosedPhaseGapsDb * gaps) {
      const double near = fit.frequencyHz > 0.0 ? fit.frequencyHz : f1.frequencyHz;
      const auto trim = std::min(x.size() / 2, static_cast<std::size_t>(std::lround(kClosedPhaseTrimS * fs_)));
      const RootCandidate closed =
          closedPhaseResonance(x.subspan(trim, x.size() - 2 * trim), fs_, f0, near, kF1LowHz * scale,
                               std::min(kF1HighHz * scale, tracks[i].f[1].frequencyHz), closedRoots);
      if (closed.frequencyHz > 0.0 && std::abs(closed.frequencyHz - near) <= kClosedPhaseReachHz) fit = closed;
    }
    if (noisy && fit.frequencyHz == 0.0 && medianOf(nearby) > belowSecond * f0)
      if (const double peak = underSecondHarmonicPeakHz(power, f0); peak > 0.0) fit = {peak, f1.bandwidthHz, 0.0};
    if (fit.frequencyHz == 0.0) {
      fits[i].frequencyHz = -1.0;  // the fit ran and found none
      continue;
    }
    f1 = {fit.frequencyHz, fit.bandwidthHz, f1.amplitudeDb, true};
    fits[i] = fit;
  }
  if (noisy) {
    preferAboveSecond(fits, aboveFits, static_cast<std::size_t>(std::lround(kF0ReachS * fs_ / kMcCandlessHop)), tracks);
    settleNoisyF1(fits, tracks);
  } else if (bandCutHz > 0.0) {
    fillFromFits(fits, tracks);
  }
}

void CeilingTracker::creakyF1(std::span<const double> found, std::span<const double> s, std::int64_t lo, double scale,
                              const std::vector<std::size_t>& voiced, std::vector<McCandlessFrame>& tracks) const {
  const std::size_t n = tracks.size();
  const auto half = static_cast<std::int64_t>(std::lround(kHarmonicWindowS * fs_ / 2.0));
  const auto hi = lo + static_cast<std::int64_t>(s.size());
  auto piece = [&](std::size_t i) {
    const std::int64_t centre = block_[voiced[i]].centre;
    const std::int64_t from = std::max(lo, centre - half), to = std::min(hi - 1, centre + half);
    return s.subspan(static_cast<std::size_t>(from - lo), static_cast<std::size_t>(std::max<std::int64_t>(0, to - from + 1)));
  };
  auto lowF0 = [&](std::size_t i) { return found[i] >= kLowestF0Hz && found[i] < kHighVoiceHz; };
  ClosedPhaseRoots roots;
  const auto reach = static_cast<std::size_t>(std::lround(kF0ReachS * fs_ / kMcCandlessHop));
  // At the frames whose F0 was looked for (every fourth): creak where, of
  // those within 80 ms, half or more found none or one more than 10 % from
  // the last, and at the nearest frame with a low F0 the second harmonic
  // stands over the first (a short open phase).
  std::vector<RootCandidate> closed(n);
  std::vector<double> window, windowed, omega(2), power;
  for (std::size_t i = 0; i < n; i += kCreakStride) {
    if (found[i] >= kHighVoiceHz) continue;
    int looked = 0, irregular = 0;
    double last = 0.0;
    for (std::size_t j = i > reach ? (i - reach + kCreakStride - 1) / kCreakStride * kCreakStride : 0;
         j < n && j <= i + reach; j += kCreakStride) {
      ++looked;
      if (found[j] <= 0.0 || (last > 0.0 && std::abs(found[j] / last - 1.0) > kCreakJump)) ++irregular;
      last = found[j];
    }
    if (2 * irregular < looked || looked < kFewestScoredFrames) continue;
    std::size_t k = n;
    for (std::size_t d = 0; d <= reach && k == n; ++d)
      k = i + d < n && lowF0(i + d) ? i + d : i >= d && lowF0(i - d) ? i - d : n;
    if (k == n) continue;
    const std::span<const double> x = piece(k);
    if (window.size() != x.size()) {
      window.resize(x.size());
      for (std::size_t t = 0; t < x.size(); ++t)
        window[t] = 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * static_cast<double>(t) / static_cast<double>(x.size() - 1));
    }
    windowed.resize(x.size());
    for (std::size_t t = 0; t < x.size(); ++t) windowed[t] = window[t] * x[t];
    omega = {2.0 * std::numbers::pi * found[k] / fs_, 4.0 * std::numbers::pi * found[k] / fs_};
    powersAt(windowed, omega, power);
    if (10.0 * std::log10((power[0] + 1.0) / (power[1] + 1.0)) > kCreakH1H2Db) continue;
    closed[i] = longClosedPhaseResonance(piece(i), fs_, found[k], tracks[i].f[0].frequencyHz, kF1LowHz * scale,
                                         std::min(kF1HighHz * scale, tracks[i].f[1].frequencyHz), roots);
  }
  // Every low frame from the nearest two of them (between, the line
  // through both).
  for (std::size_t i = 0; i < n; ++i) {
    if (found[i] >= kHighVoiceHz) continue;
    const std::size_t before = i / kCreakStride * kCreakStride, after = before + kCreakStride;
    const RootCandidate& p = closed[before];
    const RootCandidate q = after < n ? closed[after] : RootCandidate{};
    RootCandidate r = p.frequencyHz > 0.0 ? p : q;
    if (p.frequencyHz > 0.0 && q.frequencyHz > 0.0) {
      const double w = static_cast<double>(i - before) / kCreakStride;
      r = {(1.0 - w) * p.frequencyHz + w * q.frequencyHz, (1.0 - w) * p.bandwidthHz + w * q.bandwidthHz, 0.0};
    }
    TrackedFormant& f1 = tracks[i].f[0];
    if (r.frequencyHz > 0.0 && std::abs(r.frequencyHz - f1.frequencyHz) <= kClosedPhaseReachHz)
      f1 = {r.frequencyHz, r.bandwidthHz, f1.amplitudeDb, true};
  }
}

void CeilingTracker::halveOctaveHigh(std::vector<double>& found, std::span<const double> s, std::int64_t lo,
                                     double gapHighHz, const std::vector<std::size_t>& voiced) const {
  const auto half = static_cast<std::int64_t>(std::lround(kHarmonicWindowS * fs_ / 2.0));
  const auto hi = lo + static_cast<std::int64_t>(s.size());
  std::vector<double> window, piece, omega, power, gapOmega, gapPower, between;
  // The harmonics' mean level over the gaps between them, in dB.
  auto gapsDb = [&](double f0) {
    harmonicPowers(piece, fs_, f0, omega, power);
    gapOmega.clear();
    gapPower.clear();
    for (std::size_t k = 0; k < omega.size(); ++k)
      if (const double hz = omega[k] / (2.0 * std::numbers::pi) * fs_; hz >= kGapLowHz && hz <= gapHighHz) {
        gapOmega.push_back(omega[k] + std::numbers::pi * f0 / fs_);
        gapPower.push_back(power[k]);
      }
    powersAt(piece, gapOmega, between);
    double db = 0.0;
    for (std::size_t k = 0; k < between.size(); ++k) db += 10.0 * std::log10((gapPower[k] + 1.0) / (between[k] + 1.0));
    return between.empty() ? 0.0 : db / static_cast<double>(between.size());
  };
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (found[i] < 2.0 * kHighVoiceHz) continue;
    const std::int64_t centre = block_[voiced[i]].centre;
    const std::int64_t from = std::max(lo, centre - half), to = std::min(hi - 1, centre + half);
    if (to - from < 3 * half / 2) continue;
    piece.resize(static_cast<std::size_t>(to - from));
    if (window.size() != piece.size()) {
      window.resize(piece.size());
      for (std::size_t k = 0; k < window.size(); ++k)
        window[k] = 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(window.size() - 1));
    }
    for (std::size_t k = 0; k < piece.size(); ++k) piece[k] = window[k] * s[static_cast<std::size_t>(from - lo) + k + 1];
    const double atF0 = gapsDb(found[i]);
    if (atF0 < kFilledGapsDb && gapsDb(found[i] / 2.0) >= atF0 + kHalfClearerDb) found[i] /= 2.0;
  }
}

double CeilingTracker::bandF0(std::span<const double> x, double rate, double f0) {
  if (f0 <= 0.0 || f0 >= kHighVoiceHz) return f0;
  for (int m = 2; m <= kBandF0Multiples; ++m)
    if (const double g = m * f0; g >= kHighVoiceHz && g <= kHighestF0Hz)
      if (const double h = periodicF0(x, rate, g / kBandF0Reach, g * kBandF0Reach, kClarity); h > 0.0) return h;
  return f0;
}

double CeilingTracker::telephoneCutHz(std::span<const double> s) const {
  if (fs_ > kTelephoneRateHz) return 0.0;
  // The long-term spectrum: Hann windows of 64 ms, their powers in the two
  // bands summed over the file so far.
  const auto n = static_cast<std::size_t>(std::lround(kBandWindowS * fs_));
  std::vector<double> omega, power, window(n), piece(n);
  for (std::size_t k = 0; k < n; ++k) window[k] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n));
  const double bin = fs_ / static_cast<double>(n);
  for (double hz = bin; hz < kRefBandHighHz; hz += bin)
    if ((hz >= kUnderBandLowHz && hz <= kUnderBandHighHz) || hz >= kRefBandLowHz) omega.push_back(2.0 * std::numbers::pi * hz / fs_);
  for (std::size_t from = 0; from + n <= s.size(); from += n / 2) {
    for (std::size_t k = 0; k < n; ++k) piece[k] = window[k] * s[from + k];
    powersAt(piece, omega, power);
    for (std::size_t k = 0; k < omega.size(); ++k)
      (omega[k] * fs_ / (2.0 * std::numbers::pi) < kRefBandLowHz ? underBand_ : refBand_) += power[k];
  }
  // Per hertz: the band under the cut lies 50 dB or more under the voice's.
  const double under = underBand_ / (kUnderBandHighHz - kUnderBandLowHz), ref = refBand_ / (kRefBandHighHz - kRefBandLowHz);
  return ref > 0.0 && 10.0 * std::log10(ref / std::max(under, 1e-300)) >= kUnderBandDb ? kTelephoneCutHz : 0.0;
}

void CeilingTracker::fillFromFits(const std::vector<RootCandidate>& fits, std::vector<McCandlessFrame>& tracks) const {
  const std::size_t n = tracks.size();
  std::vector<RootCandidate> picks;
  const auto fillReach = static_cast<std::size_t>(std::lround(kFitFillS * fs_ / kMcCandlessHop));
  for (std::size_t i = 0; i < n; ++i) {
    if (fits[i].frequencyHz != 0.0) continue;
    picks.clear();
    for (std::size_t j = i > fillReach ? i - fillReach : 0; j < n && j <= i + fillReach; ++j)
      if (fits[j].frequencyHz > 0.0) picks.push_back(fits[j]);
    if (picks.empty()) continue;
    std::nth_element(picks.begin(), picks.begin() + static_cast<std::ptrdiff_t>(picks.size() / 2), picks.end(),
                     [](const RootCandidate& p, const RootCandidate& q) { return p.frequencyHz < q.frequencyHz; });
    const RootCandidate& median = picks[picks.size() / 2];
    tracks[i].f[0] = {median.frequencyHz, median.bandwidthHz, tracks[i].f[0].amplitudeDb, true};
  }
}

void CeilingTracker::settleNoisyF1(std::vector<RootCandidate>& fits, std::vector<McCandlessFrame>& tracks) const {
  bool fitted = false;
  for (RootCandidate& f : fits) {
    if (f.frequencyHz < 0.0) f.frequencyHz = 0.0;
    fitted = fitted || f.frequencyHz > 0.0;
  }
  fillFromFits(fits, tracks);
  if (fitted) medianF1(tracks, static_cast<std::size_t>(std::lround(kNoisyF1SmoothS * fs_ / kMcCandlessHop)));
}

void CeilingTracker::smoothF1(std::vector<McCandlessFrame>& tracks) const {
  const auto reach = static_cast<std::size_t>(std::lround(kF1SmoothS * fs_ / kMcCandlessHop));
  if (reach > 0) medianF1(tracks, reach);
}

void CeilingTracker::noteFloorLevel(std::span<const std::int16_t> x, const float* window, int length) {
  double e = 0.0;
  for (int j = 0; j < length; ++j) {
    const double d = window[j] * (static_cast<double>(x[static_cast<std::size_t>(j) + 1]) - x[static_cast<std::size_t>(j)]);
    e += d * d;
  }
  const double db = 10.0 * std::log10(e + 1e-10);
  loudestDiffDb_ = std::max(loudestDiffDb_, db);
  if (floorLevels_.empty()) floorLevels_.assign(kFloorBins, 0);
  const double bin = std::floor((db - kLowestFloorDb) / kFloorBinDb);
  ++floorLevels_[static_cast<std::size_t>(std::clamp(bin, 0.0, static_cast<double>(kFloorBins - 1)))];
}

double CeilingTracker::steadyFloorDepthDb() const {
  const auto quietest = static_cast<std::size_t>(
      std::find_if(floorLevels_.begin(), floorLevels_.end(), [](int n) { return n > 0; }) - floorLevels_.begin());
  const std::size_t to = std::min(floorLevels_.size(), quietest + static_cast<std::size_t>(std::lround(kSteadyFloorDb / kFloorBinDb)));
  int steady = 0;
  for (std::size_t b = quietest; b < to; ++b) steady += floorLevels_[b];
  if (steady < std::lround(kSteadyFloorS * fs_ / kMcCandlessHop)) return std::numeric_limits<double>::infinity();
  return loudestDiffDb_ - (kLowestFloorDb + kFloorBinDb * static_cast<double>(quietest));
}

bool CeilingTracker::highVoiceBehindFloor(std::span<const double> f0) const {
  if (!(steadyFloorDepthDb() < kHighVoiceFloorDb)) return false;
  std::vector<double> periodic;
  for (const double f : f0)
    if (f > 0.0) periodic.push_back(f);
  return !periodic.empty() && static_cast<double>(periodic.size()) >= kPeriodicShare * static_cast<double>(f0.size()) &&
         medianOf(periodic) >= kHighVoiceHz;
}

bool CeilingTracker::noisyFloor() const { return steadyFloorDepthDb() < kNoisyFloorDb; }

bool CeilingTracker::voicedLevel(double levelDb) const {
  return levelDb >= loudestDb_ - kVoicedRangeDb &&
         levelDb >= std::min(quietestDb_ + kAboveFloorDb, loudestDb_ - kAboveFloorDb);
}

bool CeilingTracker::flush() {
  findRoots();
  std::vector<std::size_t> voiced;
  // The choice looks again with the levels known by now: the noise before
  // the first vowel counted as voiced while the signal showed no floor yet.
  for (std::size_t i = 0; i < block_.size(); ++i)
    if (block_[i].voiced && (!automatic_ || voicedLevel(block_[i].levelDb))) voiced.push_back(i);
  // A click of a frame or two is no stretch: it holds the tracks before it.
  if (voiced.size() < static_cast<std::size_t>(kFewestScoredFrames)) voiced.clear();
  if (block_.size() - voiced.size() >= kFloorFrames) floorSeen_ = true;
  // Each ceiling tracks the stretch forwards and backwards from its starting
  // estimates, the ceilings on the worker threads; the best of all is kept
  // (the first of equal scores, as in one loop).
  struct Tried {
    std::vector<McCandlessFrame> tracks;
    double score = 0.0;
  };
  std::vector<Tried> tried(ceilings_.size());
  auto track = [&](std::size_t c) {
    std::vector<McCandlessFrame> tracks(voiced.size());
    std::vector<const std::vector<RootCandidate>*> roots(voiced.size());
    std::vector<RootCandidate> narrow;
    for (int variant = 0; variant < 4; ++variant) {
      // Forwards or backwards, with every root or only the narrow ones
      // (noise adds wide roots between the formants).
      const bool backwards = variant % 2 != 0, narrowOnly = variant >= 2;
      McCandlessState state(ceilings_[c] / kReferenceCeilingHz);
      for (std::size_t n = 0; n < voiced.size(); ++n) {
        const std::size_t i = backwards ? voiced.size() - 1 - n : n;
        const std::vector<RootCandidate>& all = block_[voiced[i]].roots[c];
        if (narrowOnly) {
          narrow.clear();
          for (const RootCandidate& r : all)
            if (r.bandwidthHz < kNarrowCandidateHz) narrow.push_back(r);
        }
        mcCandlessAssign(narrowOnly ? narrow : all, state, tracks[i]);
        tracks[i].centre = block_[voiced[i]].centre;
        roots[i] = &all;
      }
      if (automatic_) handBackF2(tracks, ceilings_[c] / kReferenceCeilingHz);
      const double score =
          trackScore(tracks, roots, automatic_) +
          (automatic_ ? ceilingPrior(tracks, ceilings_[c]) +
                            strongSkipPenalty(tracks, roots, ceilings_[c] / kReferenceCeilingHz)
                      : 0.0);
      if (variant == 0 || score < tried[c].score) {
        tried[c].tracks = tracks;
        tried[c].score = score;
      }
    }
  };
  if (static_cast<int>(voiced.size()) < kFewestSharedTrackedFrames) {
    for (std::size_t c = 0; c < ceilings_.size(); ++c) track(c);
  } else {
    parallelFor(static_cast<int>(ceilings_.size()), [&](int c) {
      track(static_cast<std::size_t>(c));
      return true;
    });
  }
  StretchScore s;
  std::vector<McCandlessFrame> best;
  for (std::size_t c = 0; c < ceilings_.size(); ++c) {
    s.scores.push_back(tried[c].score);
    if (c == 0 || tried[c].score < tried[static_cast<std::size_t>(chosen_)].score) chosen_ = static_cast<int>(c);
  }
  // Nothing voiced: the rows that hold the tracks before carry the last ceiling.
  if (voiced.empty()) chosen_ = static_cast<int>(ceilings_.size()) - 1;
  else best = std::move(tried[static_cast<std::size_t>(chosen_)].tracks);
  // F1 as linear prediction gave it, for F2 from the band below 2 kHz.
  std::vector<double> lpcF1;
  // The stretch's samples for the steps that look at its harmonics.
  const BlockSignal block = automatic_ && !voiced.empty() ? blockSignal() : BlockSignal{};
  if (automatic_) {
    fillF1(voiced, best);
    retakeHeldF1(voiced, best);
    for (const McCandlessFrame& f : best) lpcF1.push_back(f.f[0].frequencyHz);
    harmonicF1(block, voiced, best);
    smoothF1(best);
  }
  if (!voiced.empty()) {
    s.firstCentre = block_[voiced.front()].centre;
    s.lastCentre = block_[voiced.back()].centre;
    s.voicedFrames = static_cast<int>(voiced.size());
    s.chosen = chosen_;
    if (score_ && ceilings_.size() > 1) score_(s);
  }
  if (automatic_)
    fillFromRoots(best, McCandlessState(ceilings_[static_cast<std::size_t>(chosen_)] / kReferenceCeilingHz).previous);
  if (automatic_) backVowelF2(block, voiced, lpcF1, best);
  // Frames that are not voiced hold the nearest voiced frame's tracks.
  std::size_t next = 0;
  for (std::size_t i = 0; i < block_.size(); ++i) {
    while (next + 1 < voiced.size() && voiced[next] < i) ++next;
    McCandlessFrame f;
    if (!best.empty()) {
      f = best[next];
      if (voiced[next] != i)
        for (TrackedFormant& t : f.f) t = {t.frequencyHz, 0.0, 0.0, false};
    } else {
      for (std::size_t k = 0; k < 3; ++k) f.f[k].frequencyHz = held_[k];
    }
    f.centre = block_[i].centre;
    if (!row_(f, ceilings_[static_cast<std::size_t>(chosen_)])) {
      stopped_ = true;
      block_.clear();
      return false;
    }
    if (!best.empty()) held_ = {f.f[0].frequencyHz, f.f[1].frequencyHz, f.f[2].frequencyHz};
  }
  block_.clear();
  return true;
}

CeilingTracker::BlockSignal CeilingTracker::blockSignal() const {
  BlockSignal b;
  std::int64_t lo = block_.front().start, hi = lo;
  for (const Pending& p : block_) {
    lo = std::min(lo, p.start);
    hi = std::max(hi, p.start + static_cast<std::int64_t>(p.samples.size()));
  }
  b.lo = lo;
  b.samples.assign(static_cast<std::size_t>(hi - lo), 0.0);
  for (const Pending& p : block_)
    std::copy(p.samples.begin(), p.samples.end(), b.samples.begin() + (p.start - lo));
  b.low = f0Band(b.samples, fs_);
  return b;
}

bool CeilingTracker::finish() {
  if (stopped_) return false;
  if (skippedRootFindings_ > 0)
    traceLine("formant ceilings: " + std::to_string(skippedRootFindings_) + " root findings did not settle (skipped)");
  return flush();
}

void CeilingTracker::backVowelF2(const BlockSignal& block, const std::vector<std::size_t>& voiced,
                                 std::span<const double> f1Hz, std::vector<McCandlessFrame>& tracks) const {
  if (tracks.empty() || f1Hz.size() != tracks.size()) return;
  const double scale = ceilings_[static_cast<std::size_t>(chosen_)] / kReferenceCeilingHz;
  auto wanted = [&](std::size_t i) {
    const TrackedFormant& f2 = tracks[i].f[1];
    return f2.frequencyHz <= kLowBandF2HighHz && (!f2.assigned || f2.frequencyHz - f1Hz[i] < kSharedRootHz * scale);
  };
  const std::vector<double>& s = block.samples;
  const std::int64_t lo = block.lo, hi = lo + static_cast<std::int64_t>(s.size());
  const std::int64_t length = std::min<std::int64_t>(hi - lo, std::lround(kLowBandWindowS * fs_));
  if (length < 64) return;
  std::vector<double> window(static_cast<std::size_t>(length)), piece(window.size());
  const auto last = static_cast<double>(window.size() - 1);
  for (std::size_t k = 0; k < window.size(); ++k)
    window[k] = 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * static_cast<double>(k) / last);
  const std::size_t n = tracks.size();
  std::vector<double> found(n, 0.0);
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!wanted(i)) continue;
    const std::int64_t from = std::clamp<std::int64_t>(block_[voiced[i]].centre - length / 2, lo, hi - length);
    for (std::size_t k = 0; k < piece.size(); ++k) piece[k] = window[k] * s[static_cast<std::size_t>(from - lo) + k];
    found[i] = lowBandF2(piece, fs_, f1Hz[i], kF2LowHz * scale);
    if (found[i] > 0.0) ++count;
  }
  if (count < kFewestLowBandF2) return;
  std::vector<double> near, all, out(n);
  for (const double f : found)
    if (f > 0.0) all.push_back(f);
  const double whole = medianOf(all);
  for (std::size_t i = 0; i < n; ++i) out[i] = wanted(i) ? nearbyMedian(found, i, whole, near) : tracks[i].f[1].frequencyHz;
  for (std::size_t i = 0; i < n; ++i) tracks[i].f[1].frequencyHz = out[i];
}

int mcCandlessAtCeiling(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                        const FormantOptions& options, bool reversed, std::vector<McCandlessFrame>& frames,
                        std::vector<double>& ceilings) {
  if (options.ceilingHz == kReferenceCeilingHz) {
    const int n = mcCandless(samples, first, last, fs, formantLpcOrder(options, fs), reversed, frames);
    ceilings.assign(static_cast<std::size_t>(std::max(0, n)), kReferenceCeilingHz);
    return n;
  }
  const std::int64_t m = mcCandlessFrames(samples.size(), fs, first, last);
  if (m < 0) return -1;
  std::vector<McCandlessFrame> out;
  std::vector<double> used;
  CeilingTracker tracker(fs, options,
                         options.ceilingHz > 0.0 ? std::vector<double>{options.ceilingHz} : automaticCeilings(),
                         [&](const McCandlessFrame& f, double c) {
                           out.push_back(f);
                           used.push_back(c);
                           return true;
                         });
  for (std::int64_t i = 0; i < m; ++i) {
    const std::int64_t start = reversed ? last + 1 - kMcCandlessFrame - i * kMcCandlessHop : first + i * kMcCandlessHop;
    if (!tracker.frame(start, samples.subspan(static_cast<std::size_t>(start), kMcCandlessFrame + 1))) return -1;
  }
  tracker.finish();
  frames = std::move(out);
  ceilings = std::move(used);
  return static_cast<int>(m);
}

}  // namespace ardv
