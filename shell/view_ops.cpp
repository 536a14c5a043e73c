// Scrolling and selection arithmetic on the display context.
#include "shell/view_ops.h"

#include <algorithm>

#include "signal/current_signal.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"

namespace ardv::shell {

DisplayContext viewFrom(const DisplayContext& ct, std::int32_t start, double frequence) {
  DisplayContext next = ct;
  if (ct.tf <= 0) return next;
  const std::int32_t width = std::max(1, ct.f_a - ct.d_a + 1);
  start = std::clamp(start, 0, ct.tf - 1);
  next.d_a = start;
  next.f_a = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t(start) + width - 1, INT32_MAX));
  const std::int32_t lastWanted = std::min(next.f_a, ct.tf - 1);
  if (next.d_a < ct.d_e || lastWanted > ct.f_e) {
    const std::int32_t capacity = std::max(memorySpanSamples(frequence), width);
    next.d_e = start;
    next.f_e = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t(ct.tf) - 1, std::int64_t(start) + capacity - 1));
  }
  next.d_es = next.d_a;
  next.f_es = std::min(next.f_a, next.f_e);
  next.d_sel = next.f_sel = -1;
  return next;
}

bool memoryMoved(const DisplayContext& before, const DisplayContext& after) {
  return before.d_e != after.d_e || before.f_e != after.f_e;
}

Selection selectionFromColumns(int a, int b, const TimeAxis& axis, std::int32_t lastShown, double frequence) {
  if (a > b) std::swap(a, b);
  Selection s;
  s.first = std::min(axis.sampleAt(a), lastShown);
  s.last = std::min(axis.sampleAt(b), lastShown);
  s.startMs = axis.msAt(a, frequence);
  s.endMs = axis.msAt(b, frequence);
  return s;
}

}  // namespace ardv::shell

namespace ardv::shell {

bool loadMemory(std::int32_t first, std::int32_t last) {
  auto& prog = program();
  if (first < 0 || last < first || last >= prog.ct.tf) return false;
  const std::int32_t count = last - first + 1;
  SHORTbuf fresh(count, prog.memory.name());
  if (fresh.size() != count) return false;
  if (lireSignal(prog.en_cours, prog.en_cours.depl + 2 * std::int64_t(first), fresh, 0, count) != count) return false;
  prog.memory.swap(fresh);
  return true;
}

bool showFrom(std::int32_t start) {
  auto& prog = program();
  if (!prog.fileLoaded) return false;
  const DisplayContext next = viewFrom(prog.ct, start, prog.en_cours.frequence);
  if (memoryMoved(prog.ct, next) && !loadMemory(next.d_e, next.f_e)) return false;
  prog.ct = next;
  return true;
}

}  // namespace ardv::shell
