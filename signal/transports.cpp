// The file transports: file to buffer, buffer to file, file to file.
#include "signal/transports.h"

#include <algorithm>
#include <cstring>

#include "platform/report.h"
#include "signal/sample_coding.h"
#include "signal/transport_error.h"

namespace ardv {
namespace {

constexpr std::int64_t kPieceBytes = 2 * static_cast<std::int64_t>(kTransportPieceSamples);

// Holds the scratch buffer at its working size for the lifetime of a copy.
class ScratchGuard {
 public:
  ScratchGuard() : ok_(transportScratch().newsize(kTransportPieceSamples)) {}
  ~ScratchGuard() { transportScratch().newsize(1); }
  bool ok() const { return ok_; }
  std::int16_t* data() { return transportScratch().data(); }

 private:
  bool ok_;
};

std::string endsEarlyText(std::int64_t offset, std::int64_t count, std::int64_t size) {
  return "The file ends before the samples asked for: " + std::to_string(count) + " bytes from byte " +
         std::to_string(offset) + ", but the file has " + std::to_string(size) + " bytes.";
}

// Copies in pieces; `convert` tells whether words are decoded and encoded.
std::int64_t copyPieces(SignalStream& source, std::int64_t byteOffset, SignalStream& destination,
                        std::int64_t byteCount, const char* operation, bool convert) {
  traceTransport(operation);
  traceSource(source.info().nom, byteOffset);
  traceCoding(source.info().swap, source.info().nb_bits);
  traceDestination(destination.info().nom);
  traceCoding(destination.info().swap, destination.info().nb_bits);
  traceByteCount(byteCount);
  if (byteOffset < 0 || byteCount < 0) {
    debugMessage(std::string(operation) + " : negative offset or byte count");
    return -1;
  }
  const std::int64_t size = source.size();
  if (!source.seek(byteOffset) || size < 0) {
    transportError(operation, 13, source.info().nom);
    return -1;
  }
  if (byteOffset > size || byteCount > size - byteOffset) {
    transportError(operation, 14, source.info().nom, endsEarlyText(byteOffset, byteCount, size));
    return -1;
  }
  if (!convert) {
    // Unconverted bytes are copied inside the kernel where the system can.
    switch (source.copyRangeTo(destination, byteOffset, byteCount)) {
      case SignalStream::RangeCopy::Done:
        return byteCount;
      case SignalStream::RangeCopy::SourceEnded:
        transportError(operation, 14, source.info().nom, endsEarlyText(byteOffset, byteCount, source.size()));
        return -1;
      case SignalStream::RangeCopy::ReadFailed:
        transportError(operation, 14, source.info().nom);
        return -1;
      case SignalStream::RangeCopy::WriteFailed:
        transportError(operation, 15, destination.info().nom);
        return -1;
      case SignalStream::RangeCopy::Unsupported:
        break;
    }
  }
  ScratchGuard scratch;
  if (!scratch.ok()) return -1;
  const SignalStream& src = source;
  const SignalStream& dst = destination;
  std::int64_t written = 0;
  while (written < byteCount) {
    const auto want = static_cast<std::size_t>(std::min(kPieceBytes, byteCount - written));
    const std::size_t got = source.read(scratch.data(), want);
    if (got == 0) {
      if (source.readFailed()) {
        transportError(operation, 14, source.info().nom);
      } else {
        transportError(operation, 14, source.info().nom, endsEarlyText(byteOffset, byteCount, byteOffset + written));
      }
      return -1;
    }
    if (convert) {
      decodeSamples(scratch.data(), got / 2, src.info().nb_bits, src.info().swap);
      encodeSamples(scratch.data(), got / 2, dst.info().nb_bits, dst.info().swap);
    }
    if (!destination.write(scratch.data(), got)) {
      transportError(operation, 15, destination.info().nom);
      return -1;
    }
    written += static_cast<std::int64_t>(got);
  }
  return written;
}

}  // namespace

SHORTbuf& transportScratch() {
  static SHORTbuf scratch(1, "transport scratch");
  return scratch;
}

std::int32_t lireSignal(const infoFile& file, std::int64_t byteOffset, SHORTbuf& buffer, std::int32_t index,
                        std::int32_t count) {
  static const char* const kOperation = "lireSignal()";
  traceTransport(kOperation);
  traceSource(file.nom, byteOffset);
  traceCoding(file.swap, file.nb_bits);
  traceBufferOffset(index);
  traceByteCount(2 * static_cast<std::int64_t>(count));
  if (index < 0 || count < 0 || static_cast<std::int64_t>(index) + count > buffer.size()) {
    debugMessage("lireSignal() : try to read data out of the buffer");
    return 0;
  }
  SignalStream in;
  if (!in.openRead(file)) {
    transportError(kOperation, 1, file.nom);
    return 0;
  }
  const std::int64_t size = in.size();
  if (byteOffset < 0 || byteOffset > size || !in.seek(byteOffset)) {
    debugMessage("lireSignal(): offset out of file");
    return 0;
  }
  const std::int64_t bytes = copyHFileToBuf(in, byteOffset, buffer, index, 2 * static_cast<std::int64_t>(count));
  if (!in.close()) {
    transportError(kOperation, 4, file.nom);
    return 0;
  }
  return bytes < 0 ? 0 : static_cast<std::int32_t>(bytes / 2);
}

std::int64_t copyHFileToBuf(SignalStream& file, std::int64_t byteOffset, SHORTbuf& buffer, std::int32_t index,
                            std::int64_t byteCount) {
  static const char* const kOperation = "copyHFileToBuf()";
  traceTransport(kOperation);
  traceSource(file.info().nom, byteOffset);
  traceCoding(file.info().swap, file.info().nb_bits);
  traceBufferOffset(index);
  traceByteCount(byteCount);
  if (index < 0 || byteCount < 0 || (static_cast<std::int64_t>(buffer.size()) - index) * 2 < byteCount) {
    transportError(kOperation, 1, file.info().nom, "bug in copyHFileToBuf()\ntry to put data after end of buffer");
    return -1;
  }
  const std::int64_t size = file.size();
  if (byteOffset < 0 || size < 0 || !file.seek(byteOffset)) {
    transportError(kOperation, 2, file.info().nom);
    return -1;
  }
  if (byteOffset > size || byteCount > size - byteOffset) {
    transportError(kOperation, 3, file.info().nom, endsEarlyText(byteOffset, byteCount, size));
    return -1;
  }
  if (byteCount == 0) return 0;
  auto* target = reinterpret_cast<unsigned char*>(buffer.data() + index);
  const std::size_t got = file.read(target, static_cast<std::size_t>(byteCount));
  if (got != static_cast<std::size_t>(byteCount)) {
    transportError(kOperation, 3, file.info().nom);
    return -1;
  }
  decodeSamples(buffer.data() + index, got / 2, file.info().nb_bits, file.info().swap);
  return byteCount;
}

std::int64_t copyBufToHFile(const SHORTbuf& buffer, std::int32_t index, SignalStream& file, std::int64_t byteCount) {
  static const char* const kOperation = "copyBufToHFile()";
  traceTransport(kOperation);
  traceDestination(file.info().nom);
  traceCoding(file.info().swap, file.info().nb_bits);
  traceBufferOffset(index);
  traceByteCount(byteCount);
  if (index < 0 || byteCount < 0 || (static_cast<std::int64_t>(buffer.size()) - index) * 2 < byteCount) {
    debugMessage("copyBufToHFile() : try to write data out of the buffer");
    return -1;
  }
  if (byteCount == 0) return 0;
  const std::int16_t* from = buffer.data() + index;
  if (isNativeCoding(file.info().nb_bits, file.info().swap)) {
    if (!file.write(from, static_cast<std::size_t>(byteCount))) {
      transportError(kOperation, 1, file.info().nom);
      return -1;
    }
    return byteCount;
  }
  ScratchGuard scratch;
  if (!scratch.ok()) return -1;
  std::int64_t done = 0;
  while (done < byteCount) {
    const auto piece = static_cast<std::size_t>(std::min(kPieceBytes, byteCount - done));
    std::memcpy(scratch.data(), reinterpret_cast<const unsigned char*>(from) + done, piece);
    encodeSamples(scratch.data(), piece / 2, file.info().nb_bits, file.info().swap);
    if (!file.write(scratch.data(), piece)) {
      transportError(kOperation, 1, file.info().nom);
      return -1;
    }
    done += static_cast<std::int64_t>(piece);
  }
  return done;
}

std::int64_t copyHFileToHFile(SignalStream& source, std::int64_t byteOffset, SignalStream& destination,
                              std::int64_t byteCount) {
  const infoFile& s = source.info();
  const infoFile& d = destination.info();
  // Two identical 16-bit codings convert to the same bytes: skip the work.
  const bool convert = !(s.nb_bits >= 16 && d.nb_bits >= 16 && s.swap == d.swap);
  return copyPieces(source, byteOffset, destination, byteCount, "copyHFileToHFile()", convert);
}

std::int64_t copyBytes(SignalStream& source, std::int64_t byteOffset, SignalStream& destination,
                       std::int64_t byteCount, const char* operation) {
  return copyPieces(source, byteOffset, destination, byteCount, operation, false);
}

}  // namespace ardv
