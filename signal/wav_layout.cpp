// WAV header, trailing annotation chunks, and whole-file writing.

#include "signal/wav_layout.h"

#include <cmath>
#include <cstring>
#include <new>

#include "signal/annotation_chunk.h"
#include "signal/replacing_file.h"
#include "signal/transport_error.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr const char* kOperation = "writeWavFile()";
constexpr std::int64_t kMaxRiffSize = 0xFFFFFFFFLL;
constexpr std::size_t kSamplesPerPiece = 20000;

void putLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  p[2] = static_cast<std::uint8_t>((v >> 16) & 0xFF);
  p[3] = static_cast<std::uint8_t>((v >> 24) & 0xFF);
}

void putLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

std::int64_t chunkTotal(std::int64_t payload) { return payload > 0 ? payload + payload % 2 + 8 : 0; }

}  // namespace

std::int64_t wavRiffSize(std::int64_t dataBytes, std::int64_t phonBytes, std::int64_t wordBytes) {
  return dataBytes + dataBytes % 2 + 36 + chunkTotal(phonBytes) + chunkTotal(wordBytes);
}

bool wavHeaderBytes(std::int64_t dataBytes, std::int64_t phonBytes, std::int64_t wordBytes, double frequence,
                    std::array<std::uint8_t, kWavHeaderBytes>& header) {
  if (dataBytes < 0 || phonBytes < 0 || wordBytes < 0) return false;
  // Each size alone is checked first so that their sum cannot overflow.
  if (dataBytes > kMaxRiffSize || phonBytes > kMaxRiffSize || wordBytes > kMaxRiffSize) return false;
  std::int64_t riff = wavRiffSize(dataBytes, phonBytes, wordBytes);
  if (riff > kMaxRiffSize) return false;
  if (!(frequence >= 1.0 && frequence < 2147483648.0)) return false;

  std::array<std::uint8_t, kWavHeaderBytes> h{};
  std::memcpy(&h[0], "RIFF", 4);
  putLe32(&h[4], static_cast<std::uint32_t>(riff));
  std::memcpy(&h[8], "WAVE", 4);
  std::memcpy(&h[12], "fmt ", 4);
  putLe32(&h[16], 16);
  putLe16(&h[20], 1);  // PCM
  putLe16(&h[22], 1);  // mono
  putLe32(&h[24], static_cast<std::uint32_t>(std::trunc(frequence)));
  putLe32(&h[28], static_cast<std::uint32_t>(std::trunc(2.0 * frequence)));
  putLe16(&h[32], 2);   // block align
  putLe16(&h[34], 16);  // bits per sample
  std::memcpy(&h[36], "data", 4);
  putLe32(&h[40], static_cast<std::uint32_t>(dataBytes));
  header = h;
  return true;
}

void appendChunk(std::vector<std::uint8_t>& out, const char* id, const std::vector<std::uint8_t>& payload) {
  std::uint8_t head[8];
  std::memcpy(head, id, 4);
  putLe32(head + 4, static_cast<std::uint32_t>(payload.size()));
  out.insert(out.end(), head, head + 8);
  out.insert(out.end(), payload.begin(), payload.end());
  if (payload.size() % 2 != 0) out.push_back(0);
}

std::vector<std::uint8_t> wavTrailerBytes(std::int64_t dataBytes, const std::vector<std::uint8_t>& phonPayload,
                                          const std::vector<std::uint8_t>& wordPayload) {
  std::vector<std::uint8_t> out;
  if (dataBytes % 2 != 0) out.push_back(0);
  if (!phonPayload.empty()) appendChunk(out, "phon", phonPayload);
  if (!wordPayload.empty()) appendChunk(out, "word", wordPayload);
  return out;
}

bool writeWavFile(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, double frequence,
                  const notetiqs& phonList, const notetiqs& wordList) {
  const std::string name = path.string();
  if (transportTraceOn()) {
    traceTransport(kOperation);
    traceFileName(name);
  }
  try {
    bool phonClosed = true, wordClosed = true;
    const auto tf = static_cast<std::int64_t>(samples.size());
    std::vector<std::uint8_t> phon = chunkPayload(phonList, tf, phonClosed);
    std::vector<std::uint8_t> word = chunkPayload(wordList, tf, wordClosed);
    if (!phonClosed) transportError(kOperation, kWavStepPhonCheck, name, text(1201));
    if (!wordClosed) transportError(kOperation, kWavStepWordCheck, name, text(1202));

    const auto dataBytes = static_cast<std::int64_t>(samples.size()) * 2;
    std::array<std::uint8_t, kWavHeaderBytes> header;
    if (!wavHeaderBytes(dataBytes, static_cast<std::int64_t>(phon.size()), static_cast<std::int64_t>(word.size()),
                        frequence, header)) {
      transportError(kOperation, kWavStepHeader, name, "The signal cannot be written as a WAV file (size or rate)");
      return false;
    }

    ReplacingFile file(path);
    if (!file.open()) {
      transportError(kOperation, kWavStepCreate, name, file.error());
      return false;
    }
    if (!file.write(header.data(), header.size())) {
      transportError(kOperation, kWavStepHeader, name, file.error());
      return false;
    }
    std::vector<std::uint8_t> piece;
    for (std::size_t start = 0; start < samples.size(); start += kSamplesPerPiece) {
      std::size_t n = std::min(kSamplesPerPiece, samples.size() - start);
      piece.resize(2 * n);
      for (std::size_t i = 0; i < n; ++i) {
        auto u = static_cast<std::uint16_t>(samples[start + i]);
        piece[2 * i] = static_cast<std::uint8_t>(u & 0xFF);
        piece[2 * i + 1] = static_cast<std::uint8_t>(u >> 8);
      }
      if (!file.write(piece.data(), piece.size())) {
        transportError(kOperation, kWavStepSamples, name, file.error());
        return false;
      }
    }
    std::vector<std::uint8_t> trailer = wavTrailerBytes(dataBytes, phon, word);
    if (!file.write(trailer.data(), trailer.size())) {
      transportError(kOperation, phon.empty() ? kWavStepWordChunk : kWavStepPhonChunk, name, file.error());
      return false;
    }
    if (!file.commit()) {
      transportError(kOperation, kWavStepClose, name, file.error());
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    transportError(kOperation, kWavStepCreate, name, "Not enough memory");
  } catch (const std::exception& e) {
    transportError(kOperation, kWavStepCreate, name, e.what());
  }
  return false;
}

}  // namespace ardv
