// Perceptual frequency scales of the critical-band analysis (Bark, Mel and the
// improved Mel "Mely"), their inverses, and the Bark critical-band curve.
// All frequencies in Hz.
#pragma once

#include <cstdint>

namespace ardv {

// The scale of a filter bank; the values are those stored in the band settings.
enum class PerceptualScale : std::int32_t { Bark = 0, Mel = 1, Mely = 2 };

// Bark: z = 6·asinh(f/600); inverse f = 600·sinh(z/6).
double barkFromHz(double f);
double hzFromBark(double z);

// Mel: m = 1127.01048·ln(1 + f/700); inverse f = 700·(e^(m/1127.01048) − 1).
double melFromHz(double f);
double hzFromMel(double m);

// Mely: y = f·(1 − 0.000125·f) below 3000 Hz, y = 500·ln f + C from 3000 Hz on,
// with C = 1875 − 500·ln 3000 so that both pieces give 1875 at 3000 Hz.
// The inverse takes the quadratic piece below y = 1875.
double melyFromHz(double f);
double hzFromMely(double y);
// The constant C of the logarithmic piece.
double melyOffset();

// Forward and inverse conversion of the chosen scale.
double scaleFromHz(PerceptualScale scale, double f);
double hzFromScale(PerceptualScale scale, double v);

// Critical-band curve Ψ(x), x the Bark distance from the band centre: 0 below
// −2.5, rising as 10^(x+0.5) to 1 at −0.5, 1 up to 0.5, falling as
// 10^(−2.5·(x−0.5)) up to 1.3, 0 from 1.3 on.
double barkCurve(double x);

}  // namespace ardv
