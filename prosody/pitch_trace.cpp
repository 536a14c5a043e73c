// The F0 trace file.
#include "prosody/pitch_trace.h"

#include <cstdarg>

namespace ardv {

PitchTrace::~PitchTrace() { close(); }

bool PitchTrace::open(const std::filesystem::path& dir) {
  close();
  file_ = std::fopen((dir / "pm.txt").string().c_str(), "wb");
  return file_ != nullptr;
}

void PitchTrace::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void PitchTrace::line(const char* format, ...) {
  if (!file_) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(file_, format, args);
  va_end(args);
}

void PitchTrace::table(const char* name, const PitchTable& table) {
  if (!file_) return;
  for (std::size_t i = 0; i < table.size(); ++i) {
    std::fprintf(file_, "%s[%d]\n", name, static_cast<int>(i));
    for (int h = 0; h < 4; ++h) {
      const PitchHypothesis& p = table[i][static_cast<std::size_t>(h)];
      std::fprintf(file_, "... [%d] %.3g %.3g %d %d %d %.3g %.3g %.3g\n", h, p.cost, p.slope, p.prevFrame,
                   p.prevHyp, p.filled, p.bonus, p.coefVois, p.f0);
    }
  }
}

void PitchTrace::track(const std::vector<int>& p) {
  if (!file_) return;
  for (std::size_t i = 0; i < p.size(); i += 8) {
    std::fprintf(file_, "pitchCorrige[%d] =", static_cast<int>(i));
    for (std::size_t k = i; k < p.size() && k < i + 8; ++k) std::fprintf(file_, " %d", p[k]);
    std::fprintf(file_, "\n");
  }
}

}  // namespace ardv
