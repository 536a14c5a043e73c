// libFuzzer target: the bytes are a formant listing, read into the formant
// window's groups and written back as a listing and a parameter file.
#include "fuzz/fuzz_support.h"
#include "klatt/klatt_tracks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  static const ardv::fuzz::ScratchFile in("listing.for"), out("listing-out.for");
  ardv::KlattTracks tracks;
  tracks.stepMs = 2 + static_cast<int>(size % 3) * 6;
  if (tracks.openFormants(in.hold(data, size))) {
    (void)tracks.writeFormants(out.path, -100000, 100000);
    (void)tracks.write(out.path, 56, 0, 100000);
  }
  return 0;
}
