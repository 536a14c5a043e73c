// libFuzzer target: the bytes are a trajectory-filter track file, read at
// two rates, resampled, smoothed and written back.
#include "fuzz/fuzz_support.h"
#include "klatt/polypoints_ola_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  static const ardv::fuzz::ScratchFile in("track.ola"), out("track-out.ola");
  in.hold(data, size);
  for (double rate : {16000.0, 0.0}) {
    ardv::PolyPointsOLA track;
    if (!ardv::readPolyPointsOLA(in.path, track, rate)) continue;
    (void)track.echantillonneSamples(160, rate);
    (void)track.spline(0);
    (void)track.echantillonne(4);
    (void)ardv::writePolyPointsOLA(out.path, track);
  }
  return 0;
}
