// WAV files of the program: which names are read as WAV, and the description
// of a RIFF/WAVE file (one channel of 16-bit PCM, optional "phon" and "word"
// annotation chunks) copied into an `infoFile` record.
#pragma once

#include <cstdint>
#include <string>

#include "signal/infofile.h"

namespace ardv {

// True when `name` is read as a WAV file: its extension, compared without
// regard to case, is ".wa$" (temporary files, always), or ".wav" or ".ard"
// while program().options.WindowsWAVfiles is on.
bool isWavName(const std::string& name);

// What SetFilename found in a WAV file. Offsets are byte offsets of chunk
// payloads in the file; sizes are payload sizes; 0, 0 for an absent chunk.
struct WavDescription {
  std::string name;
  std::int32_t formatTag = 0;
  std::int32_t subFormat = 0;  // of WAVE_FORMAT_EXTENSIBLE (tag 0xFFFE); -1 when not a standard GUID
  std::int32_t channels = 0;
  std::int32_t samplesPerSecond = 0;
  std::int32_t bitsPerSample = 0;
  std::int32_t swap = 0;
  std::int64_t dataOffset = 0, dataSize = 0;
  std::int64_t phonOffset = 0, phonSize = 0;
  std::int64_t wordOffset = 0, wordSize = 0;
};

// Parser of a WAV file's description. Its failures are reported with the
// transport message, caption "read_WAV_datas::SetFilename()", and the number
// of the step that failed:
//   1 open the file (a regular file)    (UI text 3201 and the reason)
//   2 find the RIFF form "WAVE"         (UI text 3202)
//   3 find the format chunk ("fmt ", wherever it lies among the chunks)
//   4 read 16 bytes of format
//   5 check PCM (tag 1, or tag 0xFFFE with the PCM sub-format), mono, 16
//     bits, a rate of 1 Hz to 1 MHz (UI text 3203, then what was found)
//   6 find the "data" chunk             (UI text 409 when absent)
//   7 close the file
// What an unfinished or damaged file still holds is read, with one warning
// naming the file and what was mended or passed over: a "data" size that
// runs past the end of the file or is 0 with samples after it (taken to the
// end of the file), a missing pad byte, damaged chunks after the data
// (passed over with what they hold).
class read_WAV_datas {
 public:
  // Parses `name` and fills the description as far as it gets. Returns 0 on
  // success, 1 on failure (after its one message).
  int SetFilename(const std::string& name);
  const WavDescription& description() const { return desc_; }

 private:
  int fail(int step, const std::string& detail);
  // "Found: format tag 0xFFFE (sub-format 0x0001), 2 channels, 24 bits, 44100 Hz."
  std::string foundFormat() const;
  WavDescription desc_;
};

// Describes the WAV file `info.nom` into `info`: `frequence`, `nb_bits` = 16,
// `swap` = 0, `depl`/`longueur` (the data chunk, its length rounded down to
// whole samples), `etiqdepl`/`etiqlongueur` ("phon"), `notedepl`/`notelongueur`
// ("word"). Returns true on success; on failure it has reported and `info` is
// unchanged.
bool init_infoFile_read_WAV(infoFile& info);

// Prepares a record about to be written as WAV: `nb_bits` = 16, `swap` = 0.
void init_infoFile_write_WAV(infoFile& info);

}  // namespace ardv
