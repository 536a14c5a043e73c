// Boundary lists: sorted boundaries with the label of the segment each one starts.

#include "annotation/notetiqs.h"

#include <algorithm>
#include <new>

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
