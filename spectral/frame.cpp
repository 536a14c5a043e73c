// Frame cutting, weighting and first difference.
#include "spectral/frame.h"

#include <cmath>

#include "signal/time_conversion.h"
#include "spectral/window.h"

namespace ardv {
namespace {

const float* resolve(const float* window, int& length) {
  if (window) return window;
  length = currentWindowLength();
  return currentDefaultWindow();
}

}  // namespace

void windowSamples(const std::int16_t* x, std::int64_t s, float* frame, const float* window, int length) {
  const float* w = resolve(window, length);
  const std::int16_t* p = x + s;
  for (int i = 0; i < length; ++i) frame[i] = static_cast<float>(p[i]) * w[i];
}

void windowFrame(const float* in, float* out, const float* window, int length) {
  const float* w = resolve(window, length);
  for (int i = 0; i < length; ++i) out[i] = in[i] * w[i];
}

void windowFrame(const double* in, double* out, const float* window, int length) {
  const float* w = resolve(window, length);
  for (int i = 0; i < length; ++i) out[i] = in[i] * w[i];
}

void differenceSamples(const std::int16_t* x, std::int64_t s, float* frame, int length) {
  const std::int16_t* p = x + s;
  for (int i = 0; i < length; ++i) frame[i] = static_cast<float>(p[i + 1] - p[i]);
}

void differenceSamples(const std::int16_t* x, std::int64_t s, double* frame, int length) {
  const std::int16_t* p = x + s;
  for (int i = 0; i < length; ++i) frame[i] = static_cast<double>(p[i + 1] - p[i]);
}

std::int64_t msToSamplesWhole(double ms, double fs) { return msToSamples(std::trunc(ms), fs); }

double msToSamplesFloat(double ms, double fs) { return ms * 0.001 * fs; }

}  // namespace ardv
