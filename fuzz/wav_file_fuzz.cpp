// libFuzzer target: the bytes are the content of a WAV file, described (with
// the salvage of unfinished and damaged files), its samples and its "phon"
// and "word" chunks read; and the bytes read as one chunk payload.
#include "fuzz/fuzz_support.h"
#include "labels/notetiqs.h"
#include "signal/annotation_chunk.h"
#include "signal/transports.h"
#include "signal/wavfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  static const ardv::fuzz::ScratchFile scratch("wav.wav");
  const std::string path = scratch.hold(data, size).string();
  ardv::read_WAV_datas reader;
  reader.SetFilename(path);
  ardv::infoFile info;
  info.nom = path;
  if (ardv::init_infoFile_read_WAV(info)) {
    // Whatever was salvaged lies inside the file, and its samples read.
    const auto fileSize = static_cast<std::int64_t>(size);
    if (info.depl < 0 || info.longueur < 0 || info.longueur > fileSize - info.depl) __builtin_trap();
    if (info.etiqlongueur > fileSize - info.etiqdepl || info.notelongueur > fileSize - info.notedepl) __builtin_trap();
    const auto count = static_cast<std::int32_t>(info.sampleCount());
    ardv::SHORTbuf samples(count, "fuzz samples");
    if (ardv::lireSignal(info, info.depl, samples, 0, count) != count) __builtin_trap();
    ardv::notetiqs phon, word;
    ardv::readnotetiqs(path, phon, info.etiqdepl, info.etiqlongueur);
    ardv::readnotetiqs(path, word, info.notedepl, info.notelongueur);
  }
  // The whole input as one chunk payload, for the walk itself.
  ardv::notetiqs marks;
  ardv::readnotetiqs(path, marks, 0, static_cast<std::int64_t>(size));
  return 0;
}
