// Resampling the current file into a WAV file, block by block.

#include "editing/resample.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/keyboard.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/buffers.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/transport_error.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv {

std::string resampledWavName(const std::string& target) {
  return target.find(".wav") != std::string::npos ? target : target + ".wav";
}

namespace {

constexpr const char* kResampleOperation = "resampleCurrent()";

// `list` with every boundary moved to its position at the new rate. Boundaries
// that fall on the sample of an earlier one are dropped and counted.
notetiqs scaledList(const notetiqs& list, const ResampleRatio& ratio, std::int64_t outCount, int& merged) {
  notetiqs out;
  for (int i = 0; i < list.count(); ++i) {
    const std::int64_t at = std::clamp<std::int64_t>(resampledPosition(list.position(i), ratio), 0, outCount);
    const int k = out.insertNew(static_cast<std::int32_t>(std::min<std::int64_t>(at, 0x7fffffff)));
    if (k < 0) ++merged;
    else out.SetText(k, list.Text(i));
  }
  return out;
}

void appendLe16(std::vector<std::uint8_t>& bytes, const std::vector<std::int16_t>& y) {
  for (std::int16_t v : y) {
    const auto u = static_cast<std::uint16_t>(v);
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
}

}  // namespace

bool resampleCurrent(double newFrequence, const std::string& target) {
  Program& p = program();
  if (!p.fileLoaded) return false;
  const double current = std::trunc(p.en_cours.frequence);
  if (!(newFrequence >= static_cast<double>(kResampleMinRateHz) &&
        newFrequence <= static_cast<double>(kResampleMaxRateHz)) ||
      newFrequence != std::trunc(newFrequence)) {
    message("The new sampling frequency must be a whole number of Hz from " + std::to_string(kResampleMinRateHz) +
            " to " + std::to_string(kResampleMaxRateHz) + ".");
    return false;
  }
  if (!(current >= 1.0 && current <= static_cast<double>(kResampleMaxRateHz))) {
    message("The file " + p.en_cours.nom + " has a sampling frequency that cannot be converted.");
    return false;
  }
  const std::string wav = resampledWavName(target);
  if (!isSeparateOutput(wav, p.en_cours.nom)) return false;
  const auto from = static_cast<std::int64_t>(current), to = static_cast<std::int64_t>(newFrequence);
  Resampler resampler(from, to);
  const ResampleRatio ratio = resampler.ratio();
  const std::int64_t n = p.en_cours.sampleCount();
  const std::int64_t outCount = resampledLength(n, ratio);
  try {
    int merged = 0;
    bool phonClosed = true, wordClosed = true;
    const std::vector<std::uint8_t> phon = chunkPayload(scaledList(p.etiq, ratio, outCount, merged), outCount, phonClosed);
    const std::vector<std::uint8_t> word = chunkPayload(scaledList(p.note, ratio, outCount, merged), outCount, wordClosed);
    std::array<std::uint8_t, kWavHeaderBytes> header;
    if (outCount > 0x7ffffffe ||
        !wavHeaderBytes(2 * outCount, static_cast<std::int64_t>(phon.size()), static_cast<std::int64_t>(word.size()),
                        newFrequence, header)) {
      message("The file " + p.en_cours.nom + " is too long to be resampled to " + std::to_string(to) +
              " Hz as a WAV file.");
      return false;
    }
    if (!phonClosed) transportError(kResampleOperation, kWavStepPhonCheck, wav, text(1201));
    if (!wordClosed) transportError(kResampleOperation, kWavStepWordCheck, wav, text(1202));
    if (merged > 0)
      warn(std::to_string(merged) + " boundaries fall on the sample of another one at " + std::to_string(to) +
           " Hz and are left out of " + wav + ".");

    ReplacingFile file(wav);
    if (!file.open() || !file.write(header.data(), header.size())) {
      transportError(kResampleOperation, kWavStepCreate, wav);
      return false;
    }
    SHORTbuf block(std::min(std::max<std::int64_t>(n, 1), kResampleBlockSamples), "resampling input");
    if (block.size() == 0) return false;
    std::vector<std::int16_t> y;
    std::vector<std::uint8_t> bytes;
    std::int64_t written = 0;
    auto flush = [&] {
      bytes.clear();
      appendLe16(bytes, y);
      written += static_cast<std::int64_t>(y.size());
      y.clear();
      return file.write(bytes.data(), bytes.size());
    };
    escapePressed();  // forget a press made before
    for (std::int64_t at = 0; at < n; at += kResampleBlockSamples) {
      if (escapePressed()) {
        message("Resampling stopped: " + wav + " was not written.");
        return false;
      }
      const auto count = static_cast<std::int32_t>(std::min(kResampleBlockSamples, n - at));
      if (lireSignal(p.en_cours, p.en_cours.depl + 2 * at, block, 0, count) != count) return false;
      resampler.push(std::span<const std::int16_t>(block.data(), static_cast<std::size_t>(count)), y);
      if (!flush()) {
        transportError(kResampleOperation, kWavStepSamples, wav);
        return false;
      }
    }
    resampler.finish(y);
    if (!flush() || written != outCount) {
      transportError(kResampleOperation, kWavStepSamples, wav);
      return false;
    }
    const std::vector<std::uint8_t> trailer = wavTrailerBytes(2 * outCount, phon, word);
    if (!file.write(trailer.data(), trailer.size())) {
      transportError(kResampleOperation, phon.empty() ? kWavStepWordChunk : kWavStepPhonChunk, wav);
      return false;
    }
    if (!file.commit()) {
      transportError(kResampleOperation, kWavStepClose, wav);
      return false;
    }
  } catch (const std::bad_alloc&) {
    message("Not enough memory to resample " + p.en_cours.nom + ".");
    return false;
  }
  traceLine("Resampling: " + std::to_string(from) + " Hz to " + std::to_string(to) + " Hz, ratio " +
            std::to_string(ratio.up) + "/" + std::to_string(ratio.down));
  message(text(9210) + ": in the wav file " + wav);
  return true;
}

}  // namespace ardv
