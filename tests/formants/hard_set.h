// Utterances with known formants that trip a tracker with a fixed ceiling:
// /i/ and /e/ of female and child voices (F2 up to 3500 Hz), diphthongs, a
// sentence with stop closures and pauses; under conditions: telephone band
// at 8 kHz, white and speech-shaped noise, 48 kHz, breathy and creaky
// voices. Made by our synthesizer from 4-ms parameter frames.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ardv::test {

struct HardUtterance {
  double fs = 16000.0;
  std::vector<std::int16_t> samples;
  // Per 4-ms frame (frame i covers i·4 .. i·4 + 4 ms): voiced, F1–F3.
  std::vector<bool> voiced;
  std::vector<std::array<double, 3>> formants;
};

// The names of the classes and conditions.
const std::vector<std::string>& hardClasses();
const std::vector<std::string>& hardConditions();

HardUtterance hardUtterance(const std::string& klass, const std::string& condition);

// A file of tests/formants/klattgrid (NAME.wav, 16-bit PCM, and NAME.truth).
// Empty samples when unreadable.
HardUtterance klattGridUtterance(const std::string& name);

// The true Fk at `ms` when every frame within ±`edgeMs` is voiced, else 0.
double hardTruth(const HardUtterance& u, int k, double ms, double edgeMs);

}  // namespace ardv::test
