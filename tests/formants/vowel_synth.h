// Test vowels: an impulse train through a glottal low-pass and a cascade of
// second-order resonators with known, optionally moving, F1–F3.
#pragma once

#include <cstdint>
#include <vector>

namespace ardv::test {

struct VowelSpec {
  double fs = 16000.0;
  double f0 = 100.0;
  double seconds = 1.0;
  double startHz[3] = {500, 1500, 2500};
  double endHz[3] = {500, 1500, 2500};
  double f4Hz = 3500.0;
  double snrDb = 0.0;  // 0: no noise
};

// The samples (peak about 12000) of the vowel.
std::vector<std::int16_t> synthVowel(const VowelSpec& spec);

// The true Fk (k = 0..2) at time t seconds.
double trueFormant(const VowelSpec& spec, int k, double t);

}  // namespace ardv::test
