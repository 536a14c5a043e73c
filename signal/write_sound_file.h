// `writeSoundFile`: assembles one output signal file from up to three
// stretches (1 and 3 from a source file, 2 from a middle file or a sample
// buffer) and, for a WAV destination, the "phon" and "word" chunks.
//
// Calling sequence: construct with the destination; setSource; setMiddleFile
// or setMiddleBuffer; addPhon / addWord once per mark in order; flush() once.
// The file is written under a temporary name beside the destination and
// replaces it only when every byte has been written: a failed flush leaves a
// previous file of that name as it was (and the destination may be the
// source itself).
#pragma once

#include <cstdint>
#include <string>

#include "signal/annotation_chunk.h"
#include "signal/buffers.h"
#include "signal/infofile.h"

namespace ardv {

class writeSoundFile {
 public:
  // `destination`: name and coding of the file to write (for a profile file,
  // as prepared by init_infoFile_write; a WAV file is always written with 16
  // bits and no swap).
  explicit writeSoundFile(const infoFile& destination);

  // Stretch 1 = `count1` bytes at byte `offset1` of `source`, stretch 3 =
  // `count3` bytes at `offset3`. The source's coding is used to decode them.
  void setSource(const infoFile& source, std::int64_t offset1, std::int64_t count1, std::int64_t offset3,
                 std::int64_t count3);
  // Stretch 2 = `count2` bytes at byte `offset2` of `file`.
  void setMiddleFile(const infoFile& file, std::int64_t offset2, std::int64_t count2);
  // Stretch 2 = `count2` bytes of `buffer` from element offset2 / 2. The
  // buffer is not copied: it must outlive flush().
  void setMiddleBuffer(const SHORTbuf& buffer, std::int64_t offset2, std::int64_t count2);

  // One mark of the phoneme / word chunk: the position (sample index) and the
  // label of the segment it starts (empty for the last mark).
  void addPhon(std::int32_t position, const std::string& text);
  void addWord(std::int32_t position, const std::string& text);

  // Writes the file: flushWAV when isWavName holds for the destination name,
  // else flushNOTWAV. Returns 0 on success, 1 on failure after its one
  // transport message (caption "writeSoundFile::flush()").
  int flush();

  const infoFile& destination() const { return destination_; }

 private:
  int flushWAV();
  int flushNOTWAV();
  bool checkStretches() const;
  bool sourceNeeded() const { return count1_ != 0 || count3_ != 0; }
  // Writes stretches 1, 2 and 3 to `out`; `source` is open when sourceNeeded().
  bool copyStretches(class SignalStream& source, class SignalStream& out);

  infoFile destination_;
  infoFile source_;
  std::int64_t offset1_ = 0, count1_ = 0;
  std::int64_t offset3_ = 0, count3_ = 0;
  bool hasMiddleFile_ = false;
  infoFile middleFile_;
  const SHORTbuf* middleBuffer_ = nullptr;
  std::int64_t offset2_ = 0, count2_ = 0;
  AnnotationChunkBuilder phon_;
  AnnotationChunkBuilder word_;
};

}  // namespace ardv
