// The message of a failed file step, shared by every file transport (WAV
// description, sample copies, file writing), and their debug-level-2 traces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ardv {

// Text of a transport message: `detail` and a newline when there is a detail,
// UI text 401 with the step number, UI text 402 with the file name, UI text
// 403, then the current working directory cut to 40 characters.
std::string transportErrorText(const std::string& detail, int step, const std::string& fileName);

// Shows the transport message with the failing operation's name as caption
// (for example "read_WAV_datas::SetFilename()"). When a system call on
// `fileName` failed since the last message (noteSystemError), its reason
// ("No space left on device") comes first in the detail.
void transportError(const std::string& operation, int step, const std::string& fileName,
                    const std::string& detail = std::string());

// Keeps the system's reason for a failure on `fileName` (for this thread)
// until the next transport message, which shows it when it names that file.
void noteSystemError(const std::string& fileName, int errnum);
void noteSystemError(const std::string& fileName, const std::string& reason);

// The same for a chunk that was not found: UI text 409 is the detail.
void transportChunkNotFound(const std::string& operation, int step, const std::string& fileName);

// Trace lines of the transports, written to the trace window only at debug
// level 2.
bool transportTraceOn();
void traceTransport(const std::string& operation);                        // the operation's name
void traceSource(const std::string& fileName, std::int64_t offset);       // "... srcinfo: %s, offset=%ld"
void traceCoding(int swap, int nbBits);                                   // "...... swap=%d, nb_bits%d"
void traceDestination(const std::string& fileName);                       // "... dstinfo: %s"
void traceBufferOffset(std::int64_t offset);                              // "... buffer offset=%ld"
void traceByteCount(std::int64_t count);                                  // "... bcount=%ld"
void traceFileName(const std::string& fileName);                          // "... %s"

// `s` cut to at most maxBytes bytes, never inside a UTF-8 character.
std::string utf8Prefix(const std::string& s, std::size_t maxBytes);

}  // namespace ardv
