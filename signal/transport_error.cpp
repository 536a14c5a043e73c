// Transport messages and traces of the file transports.

#include "signal/transport_error.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/report.h"
#include "texts/text_format.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr std::size_t kDirectoryChars = 40;  // working directory shown in the message

std::string workingDirectory() {
  std::error_code ec;
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (ec) return {};
  return utf8Prefix(cwd.string(), kDirectoryChars);
}

void trace(const std::string& line) {
  if (transportTraceOn()) traceLine(line);
}

// The last system failure of this thread, until a message uses it.
thread_local std::string notedFile;
thread_local std::string notedReason;

}  // namespace

std::string utf8Prefix(const std::string& s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  std::size_t end = maxBytes;
  // Back off over continuation bytes (10xxxxxx) so that the cut falls between
  // characters; a UTF-8 character has at most three of them.
  for (int i = 0; i < 3 && end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80; ++i) --end;
  if ((static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) end = maxBytes;  // not UTF-8: cut where asked
  return s.substr(0, end);
}

std::string transportErrorText(const std::string& detail, int step, const std::string& fileName) {
  std::string out;
  if (!detail.empty()) out = detail + "\r\n";  // message texts break lines with CR LF
  out += textf(401, {step});
  out += textf(402, {fileName});
  out += text(403);
  out += workingDirectory();
  return out;
}

void noteSystemError(const std::string& fileName, int errnum) { noteSystemError(fileName, std::strerror(errnum)); }

void noteSystemError(const std::string& fileName, const std::string& reason) {
  notedFile = fileName;
  notedReason = reason;
}

void transportError(const std::string& operation, int step, const std::string& fileName,
                    const std::string& detail) {
  std::string full = detail;
  if (!notedReason.empty() && notedFile == fileName) full = detail.empty() ? notedReason : notedReason + "\r\n" + detail;
  notedFile.clear();
  notedReason.clear();
  reportHandler().show(Report{ReportKind::Message, operation, transportErrorText(full, step, fileName)});
}

void transportChunkNotFound(const std::string& operation, int step, const std::string& fileName) {
  transportError(operation, step, fileName, text(409));
}

bool transportTraceOn() { return debugLevel() == 2; }

void traceTransport(const std::string& operation) { trace(operation); }
void traceSource(const std::string& fileName, std::int64_t offset) {
  trace(formatText("... srcinfo: %s, offset=%ld", {fileName, static_cast<long long>(offset)}));
}
void traceCoding(int swap, int nbBits) { trace(formatText("...... swap=%d, nb_bits%d", {swap, nbBits})); }
void traceDestination(const std::string& fileName) { trace(formatText("... dstinfo: %s", {fileName})); }
void traceBufferOffset(std::int64_t offset) {
  trace(formatText("... buffer offset=%ld", {static_cast<long long>(offset)}));
}
void traceByteCount(std::int64_t count) { trace(formatText("... bcount=%ld", {static_cast<long long>(count)})); }
void traceFileName(const std::string& fileName) { trace(formatText("... %s", {fileName})); }

}  // namespace ardv
