// Helpers shared by the label-file layouts: printf-style appending, lines,
// strict integer fields, and the line error message.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// A sample position: parseInteger within 0..INT32_MAX after multiplying by
// `scale` and dividing by `divisor` (truncated).
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
// walk (after its line error), which then returns false.
using SamRecordHandler = std::function<bool(std::string_view line, const std::vector<std::string_view>& fields,
                                            std::string_view rest)>;
bool forEachSamRecord(const std::vector<std::string_view>& lines, std::string_view wanted, std::size_t maxFields,
                      const SamRecordHandler& onRecord);

// Current local date and time in the 26-character form ending with "\n".
std::string dateLine();

}  // namespace ardv::labeltext
