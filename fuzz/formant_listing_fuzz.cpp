// libFuzzer target: the bytes are a formant listing, read into the formant
// window's groups and written back as a listing and a parameter file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "formants/klatt_tracks.h"
#include "platform/headless/recording_reporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ardv::RecordingReporter recorder;
  ardv::setReportHandler(&recorder);
  static const std::filesystem::path dir = std::filesystem::temp_directory_path();
  static const std::string stem = "ardv-listing-fuzz-" + std::to_string(::getpid());
  const auto in = dir / (stem + ".for"), out = dir / (stem + "-out.for");
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ardv::KlattTracks tracks;
  tracks.stepMs = 2 + static_cast<int>(size % 3) * 6;
  if (tracks.openFormants(in)) {
    (void)tracks.writeFormants(out, -100000, 100000);
    (void)tracks.write(out, 56, 0, 100000);
  }
  recorder.clear();
  return 0;
}
