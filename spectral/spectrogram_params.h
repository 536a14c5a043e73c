// Parameter records of the six spectrogram kinds with their defaults, and the
// analysis settings of one computation derived from them (spectro_GetParams).
//
// Calling sequence of a computation: spectro_GetParams(kind) -> CurrentSpectro,
// then the column computations of spectrogram.h over the frames placed by
// frame_placement.h, then the level mapping of image_levels.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace ardv {

// Band-analysis settings appended to the critical-band record.
struct BandSettings {
  float reserved1 = 0.0f;  // copied, not read by the band analysis
  float reserved2 = 0.0f;
  std::uint8_t distribution = 0;    // 0 spectro like, 1 ASR like
  std::int32_t scale = 0;           // 0 Bark, 1 Mel, 2 Mely
  std::uint8_t priorSmoothing = 0;  // 1: cepstral smoothing before the bands
  std::uint8_t axis = 0;            // 0 linear, 1 perceptual
  std::int32_t bandCount = 512;     // at most FFT size / 2
};

// The parameter record of one kind. Fields a kind does not use keep their
// defaults. The GUI's parameter windows and the command line's --set both
// edit these fields.
struct SpectroParams {
  bool windowOpen = false;          // its parameter window exists
  std::int32_t kind = 0;            // 1..6
  std::int32_t optionsCommand = 0;  // menu command opening the window
  bool preemphasis = true;          // frames made by first difference
  float lowDb = 60.0f;              // level shown lightest
  float highDb = 97.0f;             // level shown darkest
  float stepMs = 0.0f;              // analysis step (linear prediction only)
  std::int32_t columnsPerFrame = 1; // pixel columns covered by one frame
  float windowMs = 4.0f;            // analysis window length
  std::int32_t fftSize = 256;       // N, a power of two, at most 4096
  float orderFactor = 1.0f;         // linear prediction: order per kHz
  float lifter1Ms = 1.25f;          // cepstral smoothing: lifter flat up to here
  float lifter2Ms = 2.5f;           // ... and zero from here
  std::int32_t spectrumSize = 512;  // cepstral smoothing: N of its columns
  bool trueEnvelope = false;        // cepstral smoothing: true envelope instead
  BandSettings bands;               // critical bands
};

inline constexpr int kSpectroKinds = 6;

// The defaults of kind 1..6 (the one place they are written).
SpectroParams defaultSpectroParams(int kind);

// The module-wide set of records and the upper display frequency.
struct SpectroSettings {
  std::array<SpectroParams, kSpectroKinds> records;
  double fmaxHz = 8000.0;  // upper display frequency, fs/2 once a file sets it
  // Screen only: > 0 puts the darkest level at the loudest cell shown and the
  // lightest this many dB below it; 0 keeps each kind's lowDb..highDb.
  double relativeRangeDb = 0.0;

  SpectroSettings();
  // Record of kind 1..6 (no check: callers validate the kind).
  SpectroParams& operator[](int kind) { return records[static_cast<std::size_t>(kind - 1)]; }
  const SpectroParams& operator[](int kind) const { return records[static_cast<std::size_t>(kind - 1)]; }
};

SpectroSettings& spectroSettings();

// Called with the kind of each reset record whose parameter window is open.
void setSpectroRedrawHook(std::function<void(int kind)> hook);

// Restores the defaults of kind 1..6, or of all kinds when kind < 0, keeping
// the window-open flag, and redraws the open windows through the hook. Another
// kind is reported as an internal fault.
void setSpectroDefaults(int kind);

// Analysis settings of one computation.
struct CurrentSpectro {
  int kind = 0;
  bool preemphasis = true;
  float lowDb = 60.0f, highDb = 97.0f;
  float relativeRangeDb = 0.0f;  // see SpectroSettings
  int step = 1;              // samples, >= 1
  int columnsPerFrame = 1;   // >= 1
  bool trueEnvelope = false;
  int displayedBins = 0;     // bins below the upper display frequency
  int fen_fft = 1;           // analysis window, samples, >= 1
  int fftSize = 256;         // N
  int cepstralFftSize = 0;   // cepstral smoothing only
  BandSettings bands;        // critical bands only
  // Derived for the column computations.
  double fs = 0.0;           // Hz
  int lifter1 = 0;           // lifter lengths in samples (cepstral kind's)
  int lifter2 = 0;
  int lpcOrder = 0;          // linear prediction only
};

// Fills `out` from the record of `kind` at sampling frequency fs (Hz) with the
// upper display frequency of `settings`. Returns false after an internal-fault
// report for a kind outside 1..6 (out unchanged). A window longer than N for
// kinds 1, 2, 3, 6 reports "Error in the determination of fen_fft in
// spectro_GetParams" and still returns true (the computation goes on).
bool spectro_GetParams(const SpectroSettings& settings, int kind, double fs, CurrentSpectro& out);

// The module-wide record filled by spectro_GetParams(kind) from the module's
// settings and the current signal's sampling frequency.
CurrentSpectro& currentSpectro();
bool spectro_GetParams(int kind);

// LPC order for an order factor at fs Hz: (fs + 10)*factor*0.001 + 2 rounded
// half away from zero, limited to 4..60, raised to the next even number.
int lpcOrder(double factor, double fs);

// The FFT size stored when the user enters `entered` for a window of windowMs
// at fs Hz: the next power of two (at most 4096, at least 256, the smallest
// size the spectrogram computes), doubled while twice it is still below the
// window length in samples.
int normaliseFftSize(int entered, double windowMs, double fs);

// Largest FFT the cepstral smoothing takes (spectrum size of `cepstre`).
inline constexpr int kMaxCepstralFftSize = 2048;

// Whether the critical-band record `r` can be computed: prior cepstral
// smoothing needs an FFT of at most kMaxCepstralFftSize points. True when it
// can; otherwise false with the reason in `why` (no report).
bool bandSettingsComputable(const SpectroParams& r, std::string& why);

// Longest linear-prediction frame, samples.
inline constexpr int kMaxLpcFrame = 4096;

// Whether record `r` of its kind can be computed as it stands at fs Hz: the
// critical bands as bandSettingsComputable; a linear-prediction window of
// more samples than the order and at most kMaxLpcFrame. True when it can;
// otherwise false with the reason and the accepted range in `why`.
bool spectroSettingsComputable(const SpectroParams& r, double fs, std::string& why);

// The text of the details box of `kind`: sampling frequency, window, lifters
// or LPC order, step (samplesPerPixel: samples per pixel column of the plane).
std::string spectroDetailsText(const SpectroSettings& settings, int kind, double fs, double samplesPerPixel);

// Shows the details box (titled with text 8512), or text 8530 when no signal
// is loaded.
void showSpectroDetails(int kind, double samplesPerPixel);

// The grey-ramp gamma used with each kind: 1.7 for narrow band and reassigned,
// 1.0 for the others.
double spectroGammaForKind(int kind);

}  // namespace ardv
