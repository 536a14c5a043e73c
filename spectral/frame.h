// Frame operations: cut a frame of 16-bit samples, weight it by a window, or
// make it by first difference (the system's pre-emphasis). The caller makes
// sure the samples read exist: x[s .. s+L-1], or x[s .. s+L] for a difference.
#pragma once

#include <cstdint>

namespace ardv {

// frame[i] = x[s+i]*w[i], i = 0..L-1. With window nullptr the current default
// table and the current window length are used (length is then ignored).
void windowSamples(const std::int16_t* x, std::int64_t s, float* frame, const float* window, int length);

// out[i] = in[i]*w[i], i = 0..L-1; out may be in. Window nullptr as above.
void windowFrame(const float* in, float* out, const float* window, int length);
void windowFrame(const double* in, double* out, const float* window, int length);

// frame[i] = x[s+i+1] - x[s+i], i = 0..L-1: reads L+1 samples.
void differenceSamples(const std::int16_t* x, std::int64_t s, float* frame, int length);
void differenceSamples(const std::int16_t* x, std::int64_t s, double* frame, int length);

// ms*0.001*fs rounded half away from zero after truncating ms to whole
// milliseconds (a 1.9 ms setting counts as 1 ms); 0 when fs < 1e-10.
std::int64_t msToSamplesWhole(double ms, double fs);
// ms*0.001*fs without truncation (callers truncate themselves).
double msToSamplesFloat(double ms, double fs);

}  // namespace ardv
