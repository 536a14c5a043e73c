// libFuzzer target: the bytes are a pitch file, written to a scratch file and
// read back through the pitch-file cache at positions taken from the first
// bytes, including positions far outside the window.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ardv::RecordingReporter recorder;
  ardv::setReportHandler(&recorder);
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("ardv-pitch-fuzz-" + std::to_string(::getpid()) + ".pit");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ardv::PitchFileCache cache;
  const double rates[] = {8000.0, 16000.0, 1.0, 0.0};
  for (int k = 0; k < 6; ++k) {
    std::int32_t t = k * 1000 - 2000;
    if (size >= static_cast<size_t>(4 * (k + 1))) std::memcpy(&t, data + 4 * k, 4);
    (void)cache.lookup(path, rates[k % 4], t);
    (void)cache.lookup(path, rates[k % 4], static_cast<std::int64_t>(t) + 17);
  }
  recorder.clear();
  return 0;
}
