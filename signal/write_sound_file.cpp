// Writing a whole signal file, WAV or profile format, through the transports.
#include "signal/write_sound_file.h"

#include <array>

#include "platform/report.h"
#include "signal/signal_stream.h"
#include "signal/transport_error.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr const char* kOperation = "writeSoundFile::flush()";

// Step numbers of the source and middle files.
constexpr int kStepOpenSource = 12;
constexpr int kStepCloseSource = 16;
constexpr int kStepOpenMiddle = 111;
constexpr int kStepCloseMiddle = 112;

// Cuts a chunk after its last position; false when its last entry had a label.
bool closeChunk(AnnotationChunkBuilder& chunk) {
  const bool closed = chunk.empty() || chunk.lastEntryClosed();
  chunk.cutAfterLastPosition();
  return closed;
}

}  // namespace

writeSoundFile::writeSoundFile(const infoFile& destination) : destination_(destination) {}

void writeSoundFile::setSource(const infoFile& source, std::int64_t offset1, std::int64_t count1,
                               std::int64_t offset3, std::int64_t count3) {
  source_ = source;
  offset1_ = offset1;
  count1_ = count1;
  offset3_ = offset3;
  count3_ = count3;
}

void writeSoundFile::setMiddleFile(const infoFile& file, std::int64_t offset2, std::int64_t count2) {
  hasMiddleFile_ = true;
  middleFile_ = file;
  middleBuffer_ = nullptr;
  offset2_ = offset2;
  count2_ = count2;
}

void writeSoundFile::setMiddleBuffer(const SHORTbuf& buffer, std::int64_t offset2, std::int64_t count2) {
  hasMiddleFile_ = false;
  middleBuffer_ = &buffer;
  offset2_ = offset2;
  count2_ = count2;
}

void writeSoundFile::addPhon(std::int32_t position, const std::string& text) { phon_.add(position, text); }
void writeSoundFile::addWord(std::int32_t position, const std::string& text) { word_.add(position, text); }

int writeSoundFile::flush() {
  traceTransport(kOperation);
  traceFileName(destination_.nom);
  if (!checkStretches()) return 1;
  return isWavName(destination_.nom) ? flushWAV() : flushNOTWAV();
}

bool writeSoundFile::checkStretches() const {
  const bool negative = offset1_ < 0 || count1_ < 0 || offset2_ < 0 || count2_ < 0 || offset3_ < 0 || count3_ < 0;
  if (negative) {
    debugMessage("writeSoundFile::flush() : negative offset or byte count");
    return false;
  }
  if (count2_ > 0 && !hasMiddleFile_ && middleBuffer_ == nullptr) {
    debugMessage("writeSoundFile::flush() : a middle stretch without a file or a buffer");
    return false;
  }
  return true;
}

bool writeSoundFile::copyStretches(SignalStream& source, SignalStream& out) {
  if (count1_ > 0 && copyHFileToHFile(source, offset1_, out, count1_) < 0) return false;
  if (count2_ > 0) {
    if (hasMiddleFile_) {
      SignalStream middle;
      if (!middle.openRead(middleFile_)) {
        transportError(kOperation, kStepOpenMiddle, middleFile_.nom);
        return false;
      }
      if (copyHFileToHFile(middle, offset2_, out, count2_) < 0) return false;
      if (!middle.close()) {
        transportError(kOperation, kStepCloseMiddle, middleFile_.nom);
        return false;
      }
    } else {
      const std::int64_t index = offset2_ / 2;
      if (index > middleBuffer_->size()) {
        debugMessage("writeSoundFile::flush() : middle stretch out of the buffer");
        return false;
      }
      if (copyBufToHFile(*middleBuffer_, static_cast<std::int32_t>(index), out, count2_) < 0) return false;
    }
  }
  if (count3_ > 0 && copyHFileToHFile(source, offset3_, out, count3_) < 0) return false;
  return true;
}

int writeSoundFile::flushWAV() {
  // Reported once the file is complete: a warning never stops a save half-way.
  const bool phonClosed = closeChunk(phon_), wordClosed = closeChunk(word_);
  const std::int64_t dataBytes = count1_ + count2_ + count3_;
  std::array<std::uint8_t, kWavHeaderBytes> header{};
  if (!wavHeaderBytes(dataBytes, static_cast<std::int64_t>(phon_.bytes().size()),
                      static_cast<std::int64_t>(word_.bytes().size()), destination_.frequence, header)) {
    transportError(kOperation, kWavStepHeader, destination_.nom,
                   "The signal cannot be written as a WAV file: it is too long (" + std::to_string(dataBytes) +
                       " bytes) or its sampling frequency (" + std::to_string(destination_.frequence) +
                       " Hz) is invalid.");
    return 1;
  }
  destination_.nb_bits = 16;
  destination_.swap = 0;
  SignalStream out;
  if (!out.create(destination_)) {
    transportError(kOperation, kWavStepCreate, destination_.nom);
    return 1;
  }
  if (!out.write(header.data(), header.size())) {
    transportError(kOperation, kWavStepHeader, destination_.nom);
    return 1;
  }
  SignalStream source;
  if (sourceNeeded() && !source.openRead(source_)) {
    transportError(kOperation, kStepOpenSource, source_.nom);
    return 1;
  }
  if (!copyStretches(source, out)) return 1;
  if (sourceNeeded() && !source.close()) {
    transportError(kOperation, kStepCloseSource, source_.nom);
    return 1;
  }
  if (dataBytes % 2 != 0) {
    const std::uint8_t zero = 0;
    if (!out.write(&zero, 1)) {
      transportError(kOperation, kWavStepDataPad, destination_.nom);
      return 1;
    }
  }
  const std::pair<const AnnotationChunkBuilder*, std::pair<const char*, int>> chunks[] = {
      {&phon_, {"phon", kWavStepPhonChunk}}, {&word_, {"word", kWavStepWordChunk}}};
  for (const auto& [chunk, idStep] : chunks) {
    if (chunk->empty()) continue;
    std::vector<std::uint8_t> bytes;
    appendChunk(bytes, idStep.first, chunk->bytes());
    if (!out.write(bytes.data(), bytes.size())) {
      transportError(kOperation, idStep.second, destination_.nom);
      return 1;
    }
  }
  if (!out.commit()) {
    transportError(kOperation, kWavStepClose, destination_.nom);
    return 1;
  }
  if (!phonClosed) transportError(kOperation, kWavStepPhonCheck, destination_.nom, text(1201));
  if (!wordClosed) transportError(kOperation, kWavStepWordCheck, destination_.nom, text(1202));
  return 0;
}

int writeSoundFile::flushNOTWAV() {
  const bool headerFromSource = destination_.depl > 0;
  if (headerFromSource && source_.nom.empty()) {
    transportError(kOperation, kStepOpenSource, destination_.nom,
                   "The format of this file begins with a header of " + std::to_string(destination_.depl) +
                       " bytes, but there is no source file to take it from.");
    return 1;
  }
  SignalStream out;
  if (!out.create(destination_)) {
    transportError(kOperation, kWavStepCreate, destination_.nom);
    return 1;
  }
  SignalStream source;
  const bool openSource = sourceNeeded() || headerFromSource;
  if (openSource && !source.openRead(source_)) {
    transportError(kOperation, kStepOpenSource, source_.nom);
    return 1;
  }
  if (headerFromSource && copyBytes(source, 0, out, destination_.depl, kOperation) < 0) return 1;
  if (!copyStretches(source, out)) return 1;
  if (openSource && !source.close()) {
    transportError(kOperation, kStepCloseSource, source_.nom);
    return 1;
  }
  if (!out.commit()) {
    transportError(kOperation, kWavStepClose, destination_.nom);
    return 1;
  }
  return 0;
}

}  // namespace ardv
