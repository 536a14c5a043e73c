// libFuzzer target: the bytes are a trajectory-filter track file, read at
// two rates, resampled, smoothed and written back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "formants/polypoints_ola_file.h"
#include "platform/headless/recording_reporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ardv::RecordingReporter recorder;
  ardv::setReportHandler(&recorder);
  static const std::filesystem::path dir = std::filesystem::temp_directory_path();
  static const std::string stem = "ardv-ola-fuzz-" + std::to_string(::getpid());
  const auto in = dir / (stem + ".ola"), out = dir / (stem + "-out.ola");
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  for (double rate : {16000.0, 0.0}) {
    ardv::PolyPointsOLA track;
    if (!ardv::readPolyPointsOLA(in, track, rate)) continue;
    (void)track.echantillonneSamples(160, rate);
    (void)track.spline(0);
    (void)track.echantillonne(4);
    (void)ardv::writePolyPointsOLA(out, track);
  }
  recorder.clear();
  return 0;
}
