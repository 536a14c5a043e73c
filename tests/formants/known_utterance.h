// Utterances our synthesizer makes from known tracks, for the copy-synthesis
// targets and benchmark: syllables of a fricative (parallel branch), a vowel
// (cascade branch) with F0 and formants gliding between vowel targets, and a
// pause; 4-ms frames dated from 0.
#pragma once

#include <cstdint>
#include <vector>

#include "klatt/klatt_table.h"

namespace ardv::test {

struct KnownUtterance {
  double fs = 16000.0;
  std::vector<KlattRecord> records;  // F0 in Hz, 0 in fricatives and pauses
  std::vector<std::int16_t> samples;
};

enum class KnownVoice { Male, Female, Child };

// `seconds` of syllables of 500 ms; a male voice has F0 about 120 Hz, a
// female one about 220 Hz and formants 15 % higher, a child's about 330 Hz
// and formants 35 % higher.
KnownUtterance knownUtterance(double seconds, double fs, KnownVoice voice);

}  // namespace ardv::test
