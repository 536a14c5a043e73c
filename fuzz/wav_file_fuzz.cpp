// libFuzzer target: the bytes are the content of a WAV file, described (with
// the salvage of unfinished and damaged files), its samples and its "phon"
// and "word" chunks read; and the bytes read as one chunk payload.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "annotation/notetiqs.h"
#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/transports.h"
#include "signal/wavfile.h"

namespace {

// The scratch file, removed when the fuzzer exits.
struct ScratchFile {
  std::string path =
      (std::filesystem::temp_directory_path() / ("ardv-wav-fuzz-" + std::to_string(getpid()) + ".wav")).string();
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ardv::RecordingReporter recorder;
  static ScratchFile scratch;
  const std::string& path = scratch.path;
  ardv::setReportHandler(&recorder);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
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
  recorder.clear();
  ardv::clearFatalRequest();
  return 0;
}
