// Shared by the Klatt and copy-synthesis tests: parameter files built frame
// by frame, our synthesizer run over records, samples as its raw output, and
// the median of relative errors.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "klatt/klatt_records.h"
#include "tests/signal/signal_test_support.h"
#include "tools/klatt/klatt_synth.h"

namespace ardv::test {

// A parameter file (".klf" for 44 columns) of `frames` frames every `step` ms
// from `start`: the defaults, changed by `set(k, record)` for frame k. With
// `asRead`, records are in file units (F0 in tenths) and written as they stand.
template <class Set>
std::string klattFile(int frames, int step, int start, Set set, int columns = kKlattParams, bool asRead = false) {
  std::string text = columns == 44 ? ".klf\n" : std::string(klattTypeWord(columns)) + "\n";
  for (int k = 0; k < frames; ++k) {
    KlattRecord r = initialKlattDefaults();
    if (asRead) r[kF0hz10] *= 10;
    set(k, r);
    r[kDate] = start + k * step;
    appendKlattRecord(text, r, columns, asRead ? KlattAsRead().set() : KlattAsRead());
  }
  return text;
}

// The samples our synthesizer makes of `records` (int16_t, or double before the 16-bit limit).
template <class Sample = std::int16_t>
std::vector<Sample> synthesize(const std::vector<KlattRecord>& records, const klatt::SynthOptions& options) {
  klatt::Synthesizer synth(options);
  std::vector<Sample> out;
  for (const auto& r : records) synth.frame(r, out);
  return out;
}

// `frames` frames of one record.
template <class Sample = std::int16_t>
std::vector<Sample> steady(const KlattRecord& r, const klatt::SynthOptions& options, int frames = 100) {
  return synthesize<Sample>(std::vector<KlattRecord>(static_cast<std::size_t>(frames), r), options);
}

// The synthesizer's raw output: 16 bits, most significant byte first.
inline std::string bigEndian(const std::vector<std::int16_t>& x) {
  const auto bytes = wordBytes(x, true);
  return {bytes.begin(), bytes.end()};
}

// The median of `v`; 1e9 when empty.
inline double median(std::vector<double> v) {
  if (v.empty()) return 1e9;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

}  // namespace ardv::test
