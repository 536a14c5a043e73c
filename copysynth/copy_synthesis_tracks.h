// The starting tracks of a copy synthesis made from a recording alone: F0,
// the tracked F1–F3, F4 and F5 (the speaker's F4 in back vowels, default
// pieces elsewhere), and the frication source in unvoiced frames that carry
// energy, on one frame grid.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "copysynth/copy_synthesis.h"
#include "klatt/klatt_table.h"

namespace ardv {

// F1–F3 of a tracker at a date.
struct FormantPoint {
  double ms = 0.0;
  std::array<double, 3> hz{};
};

// F1–F3 at `ms`, linear between the points around it (ascending in time),
// held at the ends; zeros without points.
std::array<double, 3> formantsAt(std::span<const FormantPoint> points, double ms);

struct CopyTrackSettings {
  int stepMs = 4;                   // frame grid, the window's initial step
  std::array<int, 2> defaultHz{3500, 4500};  // F4, F5 where below 0.45·fs
  double fricationLowHz = 2000.0;   // band of the frication energy
  double fricationHighHz = 6000.0;
  double fricationFloorDb = 40.0;   // below the loudest frame's: silence
  double fricationMinimumDb = 40.0; // below this (noise of about ±10): silence
  int fricationAf = 60;             // AF of an unvoiced frame with energy; the fit sets the level
  int analysisSize = 512;           // samples of the frication analysis
  // The fit's parallel bandwidths of F3 and above where F3 lies far above
  // F2 (back vowels), in % of the window's 10·k² + 50 Hz: their skirts, each
  // 20-30 dB under its peak, otherwise fill the band between F2 and F3 some
  // 20 dB above a recording's, and Praat reads F1 and F2 there as one peak.
  int higherBandwidthPercent = 40;
  int wideF2F3Hz = 1200;  // F3 this far above F2: back vowels
  // F1 at least as wide as puts the nearest harmonic of F0 half its peak's
  // amplitude down, and the low resonance on the first harmonic at this
  // bandwidth where F0 lies above it (CopySynthesisSettings).
  double f1HarmonicDropDb = 6.0;
  int firstHarmonicBandwidth = 60;
  // F4 of the speaker in voiced frames where F3 lies wideF2F3Hz above F2
  // (speakerHigherFormants), where the default 3500 Hz, narrowed, weighed
  // on the band between F2 and F3.
  bool speakerHigherFormants = true;
  double higherGapHz = 300.0;           // F4 at least this far above F3, F5 above F4
  double higherMaxBandwidthHz = 600.0;  // wider LPC resonances are not formants
  double higherFrameMs = 25.0;
  // Below this rate F4 lies at the band's edge, where the LPC's top
  // resonance is least sure: the defaults stay.
  double higherMinimumRateHz = 10000.0;
};

// F4 and F5 (Hz) of the frame centred on `centre`: F4 the lowest resonance
// of an LPC of order 2 + fs/1000 (Hamming window of higherFrameMs,
// pre-emphasis) narrower than higherMaxBandwidthHz, at least higherGapHz
// above F3 and below 0.45·fs; F5, and F4 where the LPC has none, the
// default of the settings where it lies so far above the one below and
// under 0.45·fs, else 0.
std::array<int, 2> speakerHigherFormants(const FrameSource& speech, std::int64_t centre, double fs, double f3Hz,
                                         const CopyTrackSettings& settings);

// F4 and F5 from speakerHigherFormants at the record's date in a voiced
// record (F0 > 0) whose F3 lies more than wideF2F3Hz above F2, at a rate of
// higherMinimumRateHz or more, with speakerHigherFormants set; other records
// are left as they are.
void placeSpeakerHigherFormants(KlattRecord& r, const FrameSource& speech, double fs, const CopyTrackSettings& settings);

// The fit's settings for the copy of a recording.
CopySynthesisSettings copyOfRecordingSettings(const CopyTrackSettings& tracks);

// Frication energy: mean power in dB of the 512-point Hamming spectrum of the
// frame centred on `centre` between the bins of lowHz and highHz (both below
// the last bin; zeros outside the signal).
double fricationEnergyDb(std::span<const std::int16_t> speech, std::int64_t centre, double fs,
                         const CopyTrackSettings& settings);
// The same on frames read from `speech`; −100 when they cannot be read.
double fricationEnergyDb(const FrameSource& speech, std::int64_t centre, double fs, const CopyTrackSettings& settings);

// The frication energy from which an unvoiced frame gets the noise source:
// fricationFloorDb below the loudest frame's, and at least fricationMinimumDb.
double fricationThresholdDb(double loudestDb, const CopyTrackSettings& settings);

// The F0 of the copy's record of date t (Hz, 0 when unvoiced): our
// synthesizer plays a record for stepMs from its date and latches F0 at the
// start of each period for the whole period, so the record takes the F0 of
// the recording half a frame and half a period later (without this the
// copy's F0 lagged about 6 ms behind the recording's, reading 4 % high on
// falling contours).
int copyF0At(const std::function<int(double ms)>& f0AtMs, long t, int stepMs);

// The record of date t: F0 (0 when unvoiced), F1–F3 `hz`, F4 and F5 from the
// settings, AF = fricationAf when unvoiced with a frication energy of at
// least `thresholdDb`; every other parameter from `defaults`.
KlattRecord initialCopyRecord(long t, int f0, const std::array<double, 3>& hz, double energyDb, double thresholdDb,
                              double fs, const KlattRecord& defaults, const CopyTrackSettings& settings);

// Records at 0, stepMs, … while below `durationMs`: F0 from `f0AtMs` by
// copyF0At (0 when unvoiced), F1–F3 interpolated linearly in time between the tracker's points
// (held at the ends; `formants` ascending in time), F4 and F5 from the
// settings, AF = fricationAf in unvoiced frames whose frication energy is
// within fricationFloorDb of the loudest frame's and above
// fricationMinimumDb, 0 elsewhere; every other
// parameter from `defaults`.
std::vector<KlattRecord> initialCopyRecords(long durationMs, const std::function<int(double ms)>& f0AtMs,
                                            const std::vector<FormantPoint>& formants,
                                            std::span<const std::int16_t> speech, double fs,
                                            const KlattRecord& defaults, const CopyTrackSettings& settings = {});

}  // namespace ardv
