// The annotation chunks "phon" and "word" of a WAV file: reading a chunk into
// a boundary list and building the payload of one from a list.
//
// Payload: per boundary, in increasing order, a 4-byte little-endian position
// and the zero-terminated label of the segment it starts (at most 39 bytes);
// the last boundary is a bare position with no text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "labels/notetiqs.h"

namespace ardv {

// Longest label a chunk holds, in bytes (without the terminator).
constexpr std::size_t kMaxChunkLabelBytes = 39;

// Loads the chunk payload of `length` bytes at byte `offset` of `file` into
// `list` (emptied first; length 0 leaves it empty). Returns true when the
// whole payload was read as marks. Failures are reported once: internal fault
// "readnotetiqs() : offset out of file" when the offset lies outside the file;
// otherwise UI text 5606 followed by 5602 (short read), 5603 (a label that is
// longer than 39 bytes or not terminated), 5604 (payload ends after a label)
// or 5605 (bytes left over). Marks read before a failure stay in the list.
// Marks may come in any order (sorted once, O(n log n)); a repeated position
// takes the later label. With tf > 0 (the signal's length in samples) the
// list is fitted to the signal (fitToSignal) with a warning naming `file`
// when a position lay outside it.
bool readnotetiqs(const std::string& file, notetiqs& list, std::int64_t offset, std::int64_t length,
                  std::int64_t tf = 0);

// Builds a chunk payload entry by entry.
class AnnotationChunkBuilder {
 public:
  // Appends a mark: the position and the label with its terminator. A label
  // longer than 39 bytes is cut there (never inside a UTF-8 character) with a
  // warning for the first such label; a label stops at an embedded zero byte.
  void add(std::int32_t position, const std::string& label);
  // Appends every boundary of `list` in order.
  void addList(const notetiqs& list);

  bool empty() const { return bytes_.empty(); }
  // True when the last entry is a bare position (a position and an empty label).
  bool lastEntryClosed() const { return !bytes_.empty() && bytes_.size() - lastEntry_ == 5; }
  // Cuts the payload right after the last entry's position. Callers check
  // lastEntryClosed() first and report UI text 1201/1202 when it is false.
  void cutAfterLastPosition();

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  int cutLabels() const { return cutLabels_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t lastEntry_ = 0;
  int cutLabels_ = 0;
};

// The payload of `list` fitted to a signal of `tf` samples (fitToSignal: a
// segment ending at tf keeps its closing boundary, one running past tf is
// closed there), built with AnnotationChunkBuilder and cut after the last
// position. `closed` is false when a label was lost: one on a boundary at or
// past the end (or on the last boundary when tf <= 0). Empty for an empty list.
std::vector<std::uint8_t> chunkPayload(const notetiqs& list, std::int64_t tf, bool& closed);

}  // namespace ardv
