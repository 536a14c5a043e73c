// A WAV file read back whole: its description, its samples and its two label
// lists (for tests that link the signal library; writeWavFile writes one).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "labels/notetiqs.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"

namespace ardv::test {

struct WavContents {
  infoFile info;
  std::vector<std::int16_t> samples;
  notetiqs phon, word;
};

// False when the file cannot be described or a part of it cannot be read.
inline bool readWav(const std::filesystem::path& path, WavContents& out) {
  out = WavContents{};
  out.info.nom = path.string();
  if (!init_infoFile_read_WAV(out.info)) return false;
  SHORTbuf buf(static_cast<std::int32_t>(out.info.sampleCount()), "readWav");
  if (buf.size() > 0 && lireSignal(out.info, out.info.depl, buf, 0, buf.size()) != buf.size()) return false;
  out.samples.assign(buf.data(), buf.data() + buf.size());
  return readnotetiqs(out.info.nom, out.phon, out.info.etiqdepl, out.info.etiqlongueur) &&
         readnotetiqs(out.info.nom, out.word, out.info.notedepl, out.info.notelongueur);
}

}  // namespace ardv::test
