#include "prosody/play_signal.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/report.h"
#include "signal/program.h"
#include "signal/transports.h"
#include "signal/wavfile.h"
#include "signal/write_sound_file.h"

namespace ardv {

bool currentStretchSamples(std::int32_t a, std::int32_t b, std::vector<std::int16_t>& out) {
  out.clear();
  const Program& p = program();
  a = std::max(a, 0);
  b = std::min(b, p.ct.tf - 1);
  if (!p.fileLoaded || b < a) {
    message("Nothing to play: the signal holds no sample there.");
    return false;
  }
  const auto& ct = p.ct;
  if (a >= ct.d_e && b <= ct.f_e && b - ct.d_e < p.memory.size()) {
    const std::int16_t* first = p.memory.data() + (a - ct.d_e);
    out.assign(first, first + (b - a + 1));
    return true;
  }
  SHORTbuf buffer(static_cast<std::int64_t>(b) - a + 1, "playback samples");
  if (buffer.size() != b - a + 1) return false;
  if (lireSignal(p.en_cours, p.en_cours.depl + 2 * static_cast<std::int64_t>(a), buffer, 0, buffer.size()) !=
      buffer.size())
    return false;
  out.assign(buffer.data(), buffer.data() + buffer.size());
  return true;
}

std::string fileToPlay() {
  const infoFile& current = program().en_cours;
  if (!program().fileLoaded) return {};
  if (isWavName(current.nom) && current.nb_bits == 16 && current.swap == 0) return current.nom;
  infoFile copy;
  copy.nom = (program().dirs.temp / "tmp.wav").string();
  copy.frequence = current.frequence;
  init_infoFile_write_WAV(copy);
  writeSoundFile writer(copy);
  writer.setSource(current, current.depl, current.longueur, current.depl + current.longueur, 0);
  if (writer.flush() != 0) return {};
  return copy.nom;
}

bool readWavSamples(const std::string& name, std::vector<std::int16_t>& out, int& rateHz) {
  infoFile info;
  info.nom = name;
  if (!init_infoFile_read_WAV(info)) return false;
  const std::int64_t count = info.sampleCount();
  if (count >= std::numeric_limits<std::int32_t>::max()) {
    message("The file " + name + " is too long to be played.");
    return false;
  }
  SHORTbuf buffer(count, "playback samples");
  if (buffer.size() != count) return false;
  if (count > 0 && lireSignal(info, info.depl, buffer, 0, static_cast<std::int32_t>(count)) != count) return false;
  out.assign(buffer.data(), buffer.data() + buffer.size());
  rateHz = static_cast<int>(std::lround(info.frequence));
  return true;
}

}  // namespace ardv
