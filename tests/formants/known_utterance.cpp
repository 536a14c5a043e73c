#include "tests/formants/known_utterance.h"

#include <cmath>
#include <numbers>

#include "tests/formants/klatt_test_support.h"

namespace ardv::test {

KnownUtterance knownUtterance(double seconds, double fs, KnownVoice voice) {
  static const int vowels[][3] = {{700, 1220, 2600}, {300, 2200, 2950}, {500, 1750, 2500},
                                  {320, 900, 2300},  {520, 950, 2450}};
  const double scale = voice == KnownVoice::Child ? 1.35 : voice == KnownVoice::Female ? 1.15 : 1.0;
  const double f0Base = voice == KnownVoice::Child ? 330.0 : voice == KnownVoice::Female ? 220.0 : 120.0;
  KnownUtterance u;
  u.fs = fs;
  const int frames = static_cast<int>(seconds * 250.0);
  for (int i = 0; i < frames; ++i) {
    KlattRecord r = initialKlattDefaults();
    const int ms = 4 * i;
    const int syllable = ms / 500, within = ms % 500;
    r[kDate] = ms;
    r[kAVdb] = r[kAVpdb] = 0;
    r[kF0hz10] = 0;
    r[kF4hz] = static_cast<int>(3500 * scale);
    r[kF5hz] = static_cast<int>(4300 * scale);
    if (within < 60) {  // a fricative: noise shaped by the parallel F4 and F5
      r[kAF] = 60;
      r[kA4] = 50;
      r[kA5] = 55;
      r[kB4phz] = 300;
      r[kB5phz] = 400;
    } else if (within < 460) {  // a vowel gliding to the next syllable's
      const double w = (within - 60) / 400.0;
      const int* a = vowels[syllable % 5];
      const int* b = vowels[(syllable + 1) % 5];
      for (int k = 0; k < 3; ++k) r[kF1hz + 2 * k] = static_cast<int>(scale * (a[k] + w * (b[k] - a[k])));
      r[kF0hz10] = static_cast<int>(f0Base * (1.0 + 0.1 * std::sin(2 * std::numbers::pi * ms / 1300.0)) -
                                    15.0 * w * scale);
      r[kAVdb] = 60;
    }
    u.records.push_back(r);
  }
  u.samples = synthesize(u.records, {.rateHz = static_cast<int>(fs), .frameMs = 4});
  return u;
}

}  // namespace ardv::test
