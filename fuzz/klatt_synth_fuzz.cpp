// libFuzzer target: the bytes are synthesizer options (first 5 bytes) and
// records of 56 native int32 values, any values at all. Traps on a sample
// that is not finite or a 16-bit sample that differs from the rounded,
// limited one (a wrapped sample).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/klatt/klatt_synth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  static const int kRates[] = {8000, 11025, 16000, 22050, 1000};
  ardv::klatt::SynthOptions o;
  o.rateHz = kRates[data[0] % 5];
  o.waveform = 1 + data[1] % 8;
  o.source = data[2] % 2 ? ardv::klatt::Source::liljencrantsFant : ardv::klatt::Source::klatt;
  o.flutterPercent = data[3] % 101;
  o.frameMs = 1 + data[4] % 32;
  data += 5;
  size -= 5;
  constexpr size_t kRecordBytes = sizeof(ardv::KlattRecord);
  ardv::klatt::Synthesizer exact(o), limited(o);
  std::vector<double> y;
  std::vector<std::int16_t> s;
  for (size_t r = 0; r < 16 && (r + 1) * kRecordBytes <= size; ++r) {
    ardv::KlattRecord record;
    std::memcpy(record.data(), data + r * kRecordBytes, kRecordBytes);
    y.clear();
    s.clear();
    exact.frame(record, y);
    limited.frame(record, s);
    if (y.size() != s.size()) __builtin_trap();
    for (size_t i = 0; i < y.size(); ++i) {
      if (!std::isfinite(y[i])) __builtin_trap();
      if (s[i] != static_cast<std::int16_t>(std::clamp(std::round(y[i]), -32768.0, 32767.0))) __builtin_trap();
    }
  }
  return 0;
}
