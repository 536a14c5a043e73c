// Scrolling and selection arithmetic on the display context.
#include "shell/logic/view_ops.h"

#include <algorithm>
#include <cmath>

#include "signal/current_signal.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"

namespace ardv::shell {

DisplayContext viewFrom(const DisplayContext& ct, std::int32_t start, double frequence) {
  DisplayContext next = ct;
  if (ct.tf <= 0) return next;
  const std::int32_t width = std::max(1, ct.f_a - ct.d_a + 1);
  start = std::clamp(start, 0, std::max(0, ct.tf - width));
  next.d_a = start;
  next.f_a = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t(start) + width - 1, INT32_MAX));
  const std::int32_t lastWanted = std::min(next.f_a, ct.tf - 1);
  const std::int32_t capacity = memorySpanSamples(frequence);
  const bool holdsView = next.d_a >= ct.d_e && lastWanted <= ct.f_e;
  const bool insideWideView = width > capacity && ct.d_e >= next.d_a && ct.f_e <= lastWanted && ct.f_e >= ct.d_e;
  if (!holdsView && !insideWideView) {
    next.d_e = start;
    next.f_e = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t(ct.tf) - 1, std::int64_t(start) + capacity - 1));
  }
  next.d_es = std::max(next.d_a, next.d_e);
  next.f_es = std::min(next.f_a, next.f_e);
  next.d_sel = next.f_sel = -1;
  return next;
}

std::int32_t widestView(const DisplayContext& ct, double) { return std::max(1, ct.tf); }

std::int32_t memoryView(const DisplayContext& ct, double frequence) {
  return std::max(1, std::min(ct.tf, memorySpanSamples(frequence)));
}

DisplayContext viewSpan(const DisplayContext& ct, std::int64_t start, std::int64_t width, double frequence) {
  DisplayContext wide = ct;
  if (ct.tf <= 0) return wide;
  const std::int64_t most = std::max<std::int64_t>(widestView(ct, frequence), ct.f_a - ct.d_a + 1);
  width = std::clamp<std::int64_t>(width, std::min<std::int64_t>(kZoomMinWidth + 1, ct.tf), most);
  // viewFrom keeps the width of the view it starts from.
  wide.d_a = 0;
  wide.f_a = static_cast<std::int32_t>(width - 1);
  wide.d_e = ct.d_e;
  wide.f_e = ct.f_e;
  return viewFrom(wide, static_cast<std::int32_t>(std::clamp<std::int64_t>(start, 0, ct.tf - 1)), frequence);
}

DisplayContext viewAfter(const DisplayContext& ct, Step step, double frequence, double steps) {
  const std::int64_t width = std::int64_t(ct.f_a) - ct.d_a + 1;
  const std::int64_t centre = (std::int64_t(ct.d_a) + ct.f_a) / 2;
  const auto shift = [&](double share) {
    return viewSpan(ct, ct.d_a + static_cast<std::int64_t>(std::llround(share * steps * double(width))), width, frequence);
  };
  const auto zoom = [&](double factor) {
    const auto w = static_cast<std::int64_t>(std::llround(double(width) * factor));
    return viewSpan(ct, centre - w / 2, w, frequence);
  };
  switch (step) {
    case Step::Left: return shift(-0.1);
    case Step::Right: return shift(0.1);
    case Step::PageLeft: return shift(-1.0);
    case Step::PageRight: return shift(1.0);
    case Step::Home: return viewSpan(ct, 0, width, frequence);
    case Step::End: return viewSpan(ct, std::int64_t(ct.tf) - width, width, frequence);
    case Step::ZoomIn: return zoom(std::pow(0.5, steps));
    case Step::ZoomOut: return zoom(std::pow(2.0, steps));
    case Step::ShowAll: {
      return viewSpan(ct, 0, widestView(ct, frequence), frequence);
    }
  }
  return ct;
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

bool showView(const DisplayContext& next) {
  auto& prog = program();
  if (!prog.fileLoaded) return false;
  DisplayContext view = next;
  const bool moved = memoryMoved(prog.ct, view);
  if (moved && !loadMemory(view.d_e, view.f_e)) return false;
  if (!moved) {
    view.d_sel = prog.ct.d_sel;
    view.f_sel = prog.ct.f_sel;
  }
  prog.ct = view;
  return true;
}

}  // namespace ardv::shell
