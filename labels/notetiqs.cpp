// Boundary lists: sorted boundaries with the label of the segment each one starts.

#include "labels/notetiqs.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/report.h"

namespace ardv {

std::int32_t notetiqs::position(int n) const {
  if (!inRange(n)) {
    debugMessage("notetiqs::position(n) : n out of range");
    return 0;
  }
  return items_[static_cast<std::size_t>(n)].limite;
}

std::string notetiqs::Text(int n) const {
  if (!inRange(n)) {
    debugMessage("notetiqs::Text(n) : n out of range");
    return {};
  }
  return items_[static_cast<std::size_t>(n)].text;
}

bool notetiqs::SetText(int n, const std::string& text) {
  if (!inRange(n)) {
    debugMessage("notetiqs::SetText(n,texte) : n out of range");
    return false;
  }
  items_[static_cast<std::size_t>(n)].text = text;
  return true;
}

int notetiqs::findLE(std::int32_t p) const {
  // Positions are unique and sorted: the first boundary past p follows the answer.
  auto after = std::upper_bound(items_.begin(), items_.end(), p,
                                [](std::int32_t value, const notetiq& b) { return value < b.limite; });
  return static_cast<int>(after - items_.begin()) - 1;
}

int notetiqs::nearest(std::int32_t p) const {
  if (items_.empty()) return -1;
  int i = findLE(p);
  if (i < 0) return 0;
  if (i + 1 < count()) {
    // 64-bit sum: two 32-bit positions cannot overflow it; division truncates.
    std::int64_t middle = (static_cast<std::int64_t>(items_[static_cast<std::size_t>(i)].limite) +
                           items_[static_cast<std::size_t>(i) + 1].limite) / 2;
    if (middle < p) return i + 1;
  }
  return i;
}

int notetiqs::insertAt(int at, std::int32_t p) {
  if (count() >= kMaxCount) return -1;
  try {
    items_.insert(items_.begin() + at, notetiq{std::string(), p});
  } catch (const std::bad_alloc&) {
    message("Not enough memory to add a boundary");
    return -1;
  }
  return at;
}

int notetiqs::insertOrGet(std::int32_t p) {
  int i = findLE(p);
  if (i >= 0 && items_[static_cast<std::size_t>(i)].limite == p) return i;
  return insertAt(i + 1, p);
}

int notetiqs::insertNew(std::int32_t p) {
  int i = findLE(p);
  if (i >= 0 && items_[static_cast<std::size_t>(i)].limite == p) return -1;
  return insertAt(i + 1, p);
}

}  // namespace ardv

namespace ardv {

bool MarkBatch::mergeInto(notetiqs& list) {
  try {
    std::vector<Pending> all;
    all.reserve(list.items_.size() + marks_.size());
    for (const notetiq& b : list.items_) all.push_back({b.limite, true, b.text});
    for (Pending& m : marks_) all.push_back(std::move(m));
    marks_.clear();
    // Stable: for one position, later additions come later and their text wins.
    std::stable_sort(all.begin(), all.end(),
                     [](const Pending& a, const Pending& b) { return a.position < b.position; });
    std::vector<notetiq> out;
    for (Pending& m : all) {
      if (out.empty() || out.back().limite != m.position) out.push_back({std::string(), m.position});
      if (m.hasText) out.back().text = std::move(m.text);
    }
    if (out.size() > static_cast<std::size_t>(notetiqs::kMaxCount)) {
      message("Too many boundaries: at most " + std::to_string(notetiqs::kMaxCount) + " can be held");
      return false;
    }
    list.items_ = std::move(out);
    return true;
  } catch (const std::bad_alloc&) {
    marks_.clear();
    message("Not enough memory to add the boundaries");
    return false;
  }
}

FitCount fitToSignal(notetiqs& list, std::int64_t tf) {
  FitCount count;
  std::vector<notetiq>& items = list.items_;
  if (items.empty()) return count;
  const std::int32_t end =
      tf > 0 ? static_cast<std::int32_t>(std::min<std::int64_t>(tf, INT32_MAX)) : INT32_MAX;
  const bool inside = items.front().limite >= 0 && items.back().limite <= end;
  if (inside && (items.back().text.empty() || (tf <= 0 && items.back().limite < end))) return count;

  std::size_t kept = 0;  // items[0, kept) is the fitted list, built in place
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::int32_t p = std::clamp(items[i].limite, std::int32_t{0}, end);
    if (p != items[i].limite) ++count.outside;
    if (kept > 0 && items[kept - 1].limite == p) {
      // The earlier segment now has no length inside the signal.
      if (!items[kept - 1].text.empty()) ++count.labelsDropped;
      items[kept - 1].text = std::move(items[i].text);
    } else {
      items[kept].limite = p;
      if (kept != i) items[kept].text = std::move(items[i].text);
      ++kept;
    }
  }
  items.resize(kept);
  notetiq& last = items.back();
  if (!last.text.empty()) {
    if (last.limite == end) {
      ++count.labelsDropped;
      last.text.clear();
    } else if (tf > 0) {
      items.push_back({std::string(), end});
    }
  }
  return count;
}

void reportFit(const FitCount& count, const std::string& file, std::int64_t tf) {
  if (count.outside == 0 && count.labelsDropped == 0) return;
  const std::string where = tf > 0 ? "outside the signal (0 to " + std::to_string(tf) + " samples)" : "before 0";
  std::string report =
      file + ": " + std::to_string(count.outside) + " label boundaries lay " + where + " and were moved to its ends";
  if (count.labelsDropped > 0)
    report += "; " + std::to_string(count.labelsDropped) + " labels of segments outside it were dropped";
  warn(report + ".");
}

notetiqs fittedCopy(const notetiqs& list, std::int64_t tf, FitCount* count) {
  notetiqs copy = list;
  const FitCount c = fitToSignal(copy, tf);
  if (count) *count = c;
  return copy;
}

}  // namespace ardv
