// Amplitude edits of the selection: fade-in (Damp left), fade-out (Damp
// right) and attenuation with raised-sine ramps (Damp middle). The stretch is
// first saved in "cutfile_.wa$" so that Cancel restores it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace ardv {

// Fade-in gain of sample k (0..n-1) of n: (1 + sin(pi k / n - pi / 2)) / 2.
double fadeInGain(std::int64_t k, std::int64_t n);
// Fade-out gain of sample k (0..n-1) of n: the fade-in gain of n - k.
double fadeOutGain(std::int64_t k, std::int64_t n);
// Gains of an attenuation by g over n samples at `frequence` Hz: ramps of
// r = min(samples in 20 ms, n / 3) from 1 down to g at both ends, g between.
std::vector<double> attenuationGains(std::int64_t n, double g, double frequence);

// The edits on the selection d_sel..f_sel (inside memory, else UI text
// 1010) of a loaded, writable signal: each sample is multiplied by its gain,
// the product truncated towards zero. The selection is then cleared. False,
// nothing changed, when the stretch cannot be saved for Cancel.
bool dampLeft();
bool dampRight();
// Attenuation by `factor` (0 to 1; others give a message and false).
bool dampMiddle(double factor);

// The frame of every in-place edit of the selection a..b (inclusive samples
// of a loaded, writable signal, inside memory, else UI text 1010): `check`
// may refuse (after its own message) before anything is touched; the
// stretch is saved in "cutfile_.wa$" for Cancel; `change` rewrites the
// memory samples of a..b (it may read memory outside them); the edit is
// recorded as `kind`, the selection cleared, the views redrawn. False,
// nothing changed, when refused or when the stretch cannot be saved.
using SelectionCheck = std::function<bool(std::int32_t a, std::int32_t b)>;
using SelectionChange = std::function<void(std::int32_t a, std::int32_t b)>;
bool editSelectionInPlace(std::int32_t kind, const SelectionCheck& check, const SelectionChange& change);

}  // namespace ardv
