// libFuzzer target: the bytes are a Klatt parameter file, opened and pasted
// into the formant window's groups at two steps, then written back as 56 and
// 41 columns and as a formant listing.
#include "fuzz/fuzz_support.h"
#include "klatt/klatt_tracks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  static const ardv::fuzz::ScratchFile in("klatt.kle"), out("klatt-out.kle");
  ardv::KlattTracks tracks;
  if (tracks.open(in.hold(data, size), size % 3 == 0 ? std::optional<std::int32_t>(-500) : std::nullopt)) {
    (void)tracks.paste(in.path, 300, 16000);
    tracks.selectGroup(1);
    tracks.smoothSelected();
    (void)tracks.setStep(16);
    (void)tracks.write(out.path, 56, 0, 60000);
    (void)tracks.write(out.path, 41, -1000, 60000);
    (void)tracks.writeFormants(out.path, 0, 60000);
  }
  return 0;
}
