// New silent signals and Remove DC.

#include "editing/edit_new.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "editing/edit_context.h"
#include "editing/edit_save.h"
#include "platform/report.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv {

bool newSilentSignal(double frequence, double displayMs) {
  if (!(frequence >= 1.0 && frequence <= 1e6)) {
    message("The sampling frequency of a new signal must lie between 1 and 1000000 Hz.");
    return false;
  }
  if (askSaveModifications() == SaveOutcome::Abandon) return false;
  Program& p = program();
  const std::filesystem::path path = p.dirs.temp / "shadow.wav";
  std::vector<std::int16_t> zeros;
  try {
    zeros.assign(static_cast<std::size_t>(frequence * kNewSignalSeconds), 0);
  } catch (const std::bad_alloc&) {
    message("Not enough memory for a new signal.");
    return false;
  }
  if (!writeWavFile(path, zeros, frequence, notetiqs(), notetiqs())) return false;
  const infoFile previous = p.en_cours;
  p.en_cours.nom = path.string();
  p.en_cours.labelKind = kLabelNone;
  p.en_cours.annotationKind = kAnnotNone;
  if (!openCurrent()) {
    p.en_cours = previous;
    return false;
  }
  DisplayContext& ct = p.ct;
  ct.d_a = 0;
  ct.f_a = static_cast<std::int32_t>(std::clamp<std::int64_t>(msToSamples(displayMs, p.en_cours.frequence), 0, 0x7ffffffe));
  ct.d_e = 0;
  ct.f_e = std::min(ct.tf - 1, ct.f_a);
  ct.d_es = 0;
  ct.f_es = std::min(ct.f_a, ct.f_e);
  p.memory.newsize(ct.f_e + 1);  // silence: the zeros need no reading
  std::fill(p.memory.data(), p.memory.data() + p.memory.size(), std::int16_t{0});
  resetEditContext();
  editStateAfterLoad();
  return true;
}

bool editNewEmpty() { return newSilentSignal(22050.0, 2000.0); }

bool editNewZero(double frequence, double durationMs) {
  return newSilentSignal(frequence, std::max(durationMs, 1000.0));
}

bool removeDC(const std::string& target) {
  Program& p = program();
  if (!p.fileLoaded) return false;
  if (!isSeparateOutput(target, p.en_cours.nom)) return false;
  const bool bigEndian = p.en_cours.swap != 0;
  auto word = [&](const unsigned char* b) {
    return static_cast<std::int16_t>(bigEndian ? (b[0] << 8 | b[1]) : (b[1] << 8 | b[0]));
  };
  std::string reason;  // the system's word for the failure, when there is one
  try {
    std::ifstream in(p.en_cours.nom, std::ios::binary);
    if (!in) {
      message("The file " + p.en_cours.nom + " cannot be read: " + std::strerror(errno) + ".");
      return false;
    }
    auto readFailed = [&] {
      reason = p.en_cours.nom + " ends before its samples";
      throw std::ios_base::failure("short read");
    };
    // Only the sample area is data: a header before it and annotation
    // chunks after it are copied unchanged.
    const std::int64_t size = static_cast<std::int64_t>(std::filesystem::file_size(p.en_cours.nom));
    const std::int64_t header = std::clamp<std::int64_t>(p.en_cours.depl, 0, size);
    const std::int64_t words = std::clamp<std::int64_t>(p.en_cours.longueur, 0, size - header) / 2;
    std::vector<unsigned char> piece(1 << 16);
    // Mean of the sample words; none gives 0.
    std::int64_t sum = 0;
    in.seekg(header);
    for (std::int64_t left = words * 2; left > 0;) {
      const std::int64_t n = std::min<std::int64_t>(left, static_cast<std::int64_t>(piece.size()));
      if (!in.read(reinterpret_cast<char*>(piece.data()), n)) readFailed();
      for (std::int64_t i = 0; i < n; i += 2) sum += word(&piece[static_cast<std::size_t>(i)]);
      left -= n;
    }
    const std::int64_t mean = words > 0 ? sum / words : 0;

    ReplacingFile out{std::filesystem::path(target)};
    auto writeFailed = [&] {
      reason = out.error();
      throw std::ios_base::failure("write");
    };
    if (!out.open()) writeFailed();
    in.clear();
    in.seekg(0);
    const std::int64_t dataEnd = header + 2 * words;
    for (std::int64_t at = 0; at < size;) {
      const std::int64_t stop = at < header ? header : at < dataEnd ? dataEnd : size;
      const std::int64_t n = std::min<std::int64_t>(stop - at, static_cast<std::int64_t>(piece.size()));
      if (!in.read(reinterpret_cast<char*>(piece.data()), n)) readFailed();
      if (at >= header && at < dataEnd) {
        for (std::int64_t i = 0; i + 1 < n; i += 2) {
          const auto v = static_cast<std::int16_t>(
              std::clamp<std::int64_t>(word(&piece[static_cast<std::size_t>(i)]) - mean, -32768, 32767));
          const auto u = static_cast<std::uint16_t>(v);
          piece[static_cast<std::size_t>(i)] = static_cast<unsigned char>(bigEndian ? u >> 8 : u & 0xFF);
          piece[static_cast<std::size_t>(i) + 1] = static_cast<unsigned char>(bigEndian ? u & 0xFF : u >> 8);
        }
      }
      if (!out.write(piece.data(), static_cast<std::size_t>(n))) writeFailed();
      at += n;
    }
    if (!out.commit()) writeFailed();
  } catch (const std::exception& failure) {
    if (reason.empty()) reason = failure.what();
    message("Remove DC: " + target + " cannot be written (" + reason + "); nothing was changed.");
    return false;
  }
  return true;
}

}  // namespace ardv
