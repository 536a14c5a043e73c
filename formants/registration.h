// Registration of formant pieces onto the spectrum: every point of a
// selected piece of groups 1–6 moves to the nearest spectral peak of the
// frame at its date when that peak is narrow and near enough.
//
// Stages per date: a frame centred on the date (LPC spectrum of order p
// over 16 ms, or cepstral smoothing over 512 samples), 256 bins; its
// extrema and the 9 peaks in registration order (formant_candidates.h);
// the nearest peak with a bandwidth below 700 Hz; the move rule.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formants/formant_candidates.h"
#include "formants/formant_options.h"
#include "klatt/klatt_tracks.h"

namespace ardv {

enum class RegistrationSpectrum { Lpc, Cepstral };

// A formant at `frequencyHz` with cascade bandwidth `bandwidthHz` (unset or
// negative counts as 0) moves to the nearest peak whose bandwidth is below
// 700 Hz when the distance is below max(2.5 × bandwidthHz, 500 Hz); returns
// the new frequency, or frequencyHz itself.
double registeredFrequency(double frequencyHz, double bandwidthHz, std::span<const FormantCandidate> peaks);

// The registration peaks of the frame centred on sample `centre` of
// `samples` (samples outside read as zeros): 9 peaks of the 256-bin LPC
// spectrum (order from the options' factor, pre-emphasised, 16 ms Hamming
// frame) or cepstrally smoothed spectrum (512 samples, the options' lifter
// bounds), bandwidth = the width 6 dB down. False after a report.
bool registrationPeaks(std::span<const std::int16_t> samples, std::int64_t centre, double fs,
                       RegistrationSpectrum kind, const FormantOptions& options, std::vector<FormantCandidate>& peaks);

// "with &LPC" / "with &cepstral smoothing": every point with a frequency
// above 0 of every selected piece of groups 1–6 is registered (above) on the
// frame at its date; `samples` holds the signal from sample `offset` on, at
// tracks.frequence. Other pieces, other columns and the selection are kept.
// Returns the number of points moved (0 without a selected piece), −1 after
// a report with the tracks unchanged.
int registerSelectedFormants(KlattTracks& tracks, std::span<const std::int16_t> samples, std::int64_t offset,
                             RegistrationSpectrum kind, const FormantOptions& options);

}  // namespace ardv
