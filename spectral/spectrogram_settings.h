// Spectrogram settings by name: the names of the six kinds, and the fields
// of each kind's parameter record that NAME=VALUE settings edit.
#pragma once

#include <string>

#include "spectral/spectrogram_params.h"

namespace ardv {

// Kind 1..6 for wide, narrow, reassigned, lpc, cepstral, critical; 0 for
// any other name.
int spectroKindByName(const std::string& name);
// "wide|narrow|reassigned|lpc|cepstral|critical".
const char* spectroKindNames();

// The names --set accepts for kind 1..6, as "a, b, c": the fields of the
// kind's record that change an image.
std::string settableNames(int kind);

// Edits of a record by --set, remembered for finishSettings.
struct SettingEdits {
  bool fftSize = false;
  bool window = false;
  bool spectrumSize = false;
  bool order = false;
};

// Applies "NAME=VALUE" to `record`, the record of kind 1..6. On an unknown
// name or a value that is not a number inside the field's range (integers
// for counts and sizes, 0 or 1 for switches), returns false with `error` set
// to a one-line message naming the valid names or the range; the record is
// then unchanged.
bool applySetting(int kind, const std::string& assignment, SpectroParams& record, SettingEdits& edits,
                  std::string& error);

// Completes the edited record for a signal at fs Hz: an edited FFT size or
// window (kinds with an FFT) gives the FFT size normaliseFftSize makes of it
// for the window; an edited spectrum size becomes the next power of two in
// 256..2048; the band count is limited to FFT size / 2. False with `error`
// (record unchanged) when lowDb is not below highDb, when the critical
// bands' prior cepstral smoothing would need an FFT above 2048 points, or
// when an edited linear-prediction window or order cannot be computed at fs
// (spectroSettingsComputable).
bool finishSettings(int kind, double fs, const SettingEdits& edits, SpectroParams& record, std::string& error);

}  // namespace ardv
