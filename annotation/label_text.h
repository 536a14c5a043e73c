// Helpers shared by the label-file layouts: printf-style appending, lines,
// strict integer fields, and the line error message.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "labels/notetiqs.h"

namespace ardv::labeltext {

// Appends printf-formatted text to `out` (no length limit).
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The lines of `content`, each without its "\n" or "\r\n".
std::vector<std::string_view> splitLines(std::string_view content);

std::string_view trim(std::string_view s);
std::string_view trimLeft(std::string_view s);
// `s` without any blank (space or tab).
std::string withoutBlanks(std::string_view s);
// The blank-separated words of `s`.
std::vector<std::string_view> words(std::string_view s);

// A decimal integer (optional sign, surrounding blanks allowed) that fits
// int64; nothing for anything else.
std::optional<std::int64_t> parseInteger(std::string_view s);
// A finite decimal real (surrounding blanks allowed); nothing for anything else.
std::optional<double> parseReal(std::string_view s);
// A sample position: parseInteger within the int32 range after multiplying
// by `scale` and dividing by `divisor` (truncated). Negative positions are
// read; fitToSignal moves them to 0 afterwards.
std::optional<std::int32_t> parsePosition(std::string_view s, std::int64_t scale = 1, std::int64_t divisor = 1);

// Shows the line error: UI text 206, the first 40 characters of `line`
// (never cutting a UTF-8 character), UI text 207, `path`; with `moreLines` >
// 0, a last line saying how many more lines could not be read.
void reportLineError(std::string_view line, const std::string& path, int moreLines = 0);

// The wanted records of a SAM file: each line is split at its first ":";
// the key "ELF" ends the file and other keys than `wanted` are skipped. The
// value of a wanted record is cut at up to `maxFields` commas: `fields` gets
// the text before each comma cut, `rest` what follows the last one (the
// whole value when there is no comma). `onRecord` returns false to stop the
// walk, which then returns false. Non-blank lines without a ":" and records of
// the other SAM tiers ("LBB", "LBR", "UTS") are skipped into `tally`.
using SamRecordHandler = std::function<bool(std::string_view line, const std::vector<std::string_view>& fields,
                                            std::string_view rest)>;
struct ReadTally;
bool forEachSamRecord(const std::vector<std::string_view>& lines, std::string_view wanted, std::size_t maxFields,
                      ReadTally& tally, const SamRecordHandler& onRecord);

// Current local date and time in the 26-character form ending with "\n".
std::string dateLine();

// The text of a label file as UTF-8: UTF-16 with its byte-order mark (either
// order) is converted, unpaired surrogates becoming U+FFFD; a UTF-8 mark is
// dropped; anything else is returned as it is.
std::string decodeText(std::string_view bytes);

// What a line-format reader found.
struct ReadTally {
  int records = 0;               // records that gave a segment or a boundary
  int skipped = 0;               // non-blank lines that could not be read
  std::string_view firstSkipped;
  void skip(std::string_view line) {
    if (skipped++ == 0) firstSkipped = line;
  }
};

// Ends a reading of `path`, a file of kind `kind` ("NIST", ...). With no
// record read although some line was not blank, says "no records read from
// PATH (is it KIND? UTF-16?)", leaves `list` unchanged and returns false.
// Otherwise `list` becomes `marks` fitted to a signal of `tf` samples (a
// warning when a position lay outside it), skipped lines are reported with
// the line error (the first one and the count of the others), and the result
// is false when lines were skipped.
bool finishReading(MarkBatch& marks, const ReadTally& tally, const char* kind, const std::string& path,
                   std::int64_t tf, notetiqs& list);

// Counts the record [start, end) of `line` and adds its two boundaries; a
// record that does not end after its start is a line that cannot be read
// (false).
bool addBounds(MarkBatch& marks, ReadTally& tally, std::string_view line, std::int32_t start, std::int32_t end);

// NIST lines "start end label", in samples, of the segments of `list` fitted
// to a signal of `tf` samples.
std::string formatNist(const notetiqs& list, std::int64_t tf);

// Index of the first boundary whose label holds a line break, or -1.
int firstLineBreak(const notetiqs& list);

// `s` safe to print on a terminal: bytes below 0x20 and 0x7F, and the C1
// controls U+0080..U+009F, are written as \xHH (C1: both bytes of their
// UTF-8 form); everything else, backslashes included, stays as it is.
std::string escapeControls(std::string_view s);

}  // namespace ardv::labeltext
