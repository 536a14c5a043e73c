// libFuzzer target: the bytes are a pitch file, written to a scratch file and
// read back through the pitch-file cache at positions taken from the first
// bytes, including positions far outside the window, and as a PSOLA contour.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "prosody/pitch_file_reader.h"
#include "prosody/psola.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  static const ardv::fuzz::ScratchFile file("pitch.pit");
  const auto& path = file.hold(data, size);
  ardv::PitchFileCache cache;
  const double rates[] = {8000.0, 16000.0, 1.0, 0.0};
  for (int k = 0; k < 6; ++k) {
    std::int32_t t = k * 1000 - 2000;
    if (size >= static_cast<size_t>(4 * (k + 1))) std::memcpy(&t, data + 4 * k, 4);
    (void)cache.lookup(path, rates[k % 4], t);
    (void)cache.lookup(path, rates[k % 4], static_cast<std::int64_t>(t) + 17);
  }
  std::vector<int> contour;
  (void)ardv::readContour(path, 16000.0, 48000, contour);
  return 0;
}
