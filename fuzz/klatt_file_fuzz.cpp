// libFuzzer target: the bytes are a Klatt parameter file, opened and pasted
// into the formant window's groups at two steps, then written back as 56 and
// 41 columns and as a formant listing.
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
  static const std::string stem = "ardv-klatt-fuzz-" + std::to_string(::getpid());
  const auto in = dir / (stem + ".kle"), out = dir / (stem + "-out.kle");
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ardv::KlattTracks tracks;
  if (tracks.open(in, size % 3 == 0 ? std::optional<std::int32_t>(-500) : std::nullopt)) {
    (void)tracks.paste(in, 300, 16000);
    tracks.selectGroup(1);
    tracks.smoothSelected();
    (void)tracks.setStep(16);
    (void)tracks.write(out, 56, 0, 60000);
    (void)tracks.write(out, 41, -1000, 60000);
    (void)tracks.writeFormants(out, 0, 60000);
  }
  recorder.clear();
  return 0;
}
