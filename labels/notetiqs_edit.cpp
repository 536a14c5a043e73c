// Editing operations of the boundary lists: split, remove and move at a
// position, and the cut, copy and paste of a stretch.

#include <algorithm>
#include <limits>

#include "labels/notetiqs.h"
#include "platform/report.h"
#include "texts/texts.h"

namespace ardv {
namespace {

std::int64_t middleOf(std::int32_t s, std::int32_t e) { return (static_cast<std::int64_t>(s) + e) / 2; }

std::int32_t clampTo32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

int notetiqs::split(std::int32_t p) {
  const int i = insertNew(p);
  if (i <= 0 || i + 1 >= count()) return i;
  notetiq& previous = items_[static_cast<std::size_t>(i) - 1];
  const std::int64_t next = items_[static_cast<std::size_t>(i) + 1].limite;
  if (previous.limite + next > 2 * static_cast<std::int64_t>(p)) {
    items_[static_cast<std::size_t>(i)].text = std::move(previous.text);
    previous.text.clear();
  }
  return i;
}

bool notetiqs::remove(std::int32_t p) {
  const int i = nearest(p);
  if (i < 0) return false;
  const auto at = static_cast<std::size_t>(i);
  // The refusal is decided on the list as the label move would leave it, so
  // that a refused removal changes nothing.
  const bool moveLeft = i > 0 && !items_[at].text.empty() && items_[at - 1].text.empty();
  const bool leftLabelled = i > 0 && (moveLeft || !items_[at - 1].text.empty());
  const bool stillLabelled = !moveLeft && !items_[at].text.empty();
  const bool last = i + 1 == count();
  if (i > 0 && ((last && leftLabelled) || stillLabelled)) {
    message(text(5601));
    return false;
  }
  if (moveLeft) items_[at - 1].text = std::move(items_[at].text);
  items_.erase(items_.begin() + i);
  return true;
}

int notetiqs::move(std::int32_t p) {
  const int i = nearest(p);
  if (i >= 0) items_[static_cast<std::size_t>(i)].limite = p;
  return i;
}

void notetiqs::extract(std::int32_t a, std::int32_t b, notetiqs& out) const {
  out.clear();
  if (a >= b) return;
  const std::int64_t length = static_cast<std::int64_t>(b) - a;
  auto relative = [&](std::int32_t q) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(static_cast<std::int64_t>(q) - a, 0, length));
  };
  for (std::size_t i = 0; i + 1 < items_.size(); ++i) {
    const std::int32_t s = items_[i].limite, e = items_[i + 1].limite;
    const std::int64_t m = middleOf(s, e);
    // The segments whose label the cut of [a, b) clears or whose segment it removes.
    const bool straddlesStart = s < a && e > a && e < b && m > a;
    const bool startsInside = s >= a && s < b && (e <= b || m < b);
    if (!straddlesStart && !startsInside) continue;
    const int j = out.insertOrGet(relative(s));
    if (j < 0) return;
    out.items_[static_cast<std::size_t>(j)].text = items_[i].text;
    if (out.insertOrGet(relative(e)) < 0) return;
  }
}

void notetiqs::removeRange(std::int32_t a, std::int32_t b, notetiqs* removed) {
  if (removed) extract(a, b, *removed);
  if (a >= b) return;
  const std::int64_t length = static_cast<std::int64_t>(b) - a;
  std::size_t i = 0;
  while (i < items_.size()) {
    notetiq& item = items_[i];
    const std::int32_t s = item.limite;
    if (i + 1 == items_.size()) {
      if (s > a) item.limite = static_cast<std::int32_t>(std::max<std::int64_t>(s - length, a));
      break;
    }
    const std::int32_t e = items_[i + 1].limite;
    const std::int64_t m = middleOf(s, e);
    if (s < a) {
      // A segment that ends strictly inside the stretch ends at a: its end
      // boundary (or a later one) lands there below. One that ends exactly
      // at b keeps its label.
      if (e > a && e < b && m > a) item.text.clear();
      ++i;
    } else if (s < b) {
      if (e <= b) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      if (m < b) item.text.clear();
      item.limite = a;
      ++i;
    } else {
      item.limite = static_cast<std::int32_t>(s - length);
      ++i;
    }
  }
}

bool notetiqs::insertList(std::int32_t p, std::int32_t length, const notetiqs& src) {
  const std::int64_t shift = std::max<std::int32_t>(length, 0);
  const int i = findLE(p);
  if (i > 0 && i + 1 < count() && items_[static_cast<std::size_t>(i)].limite < p) {
    if (insertAt(i + 1, p) < 0) return false;
  }
  for (notetiq& item : items_)
    if (item.limite >= p) item.limite = clampTo32(item.limite + shift);
  // One merge: a paste of many marks into a long list stays O(n log n).
  MarkBatch batch;
  for (const notetiq& mark : src.items_) {
    const std::int32_t q = clampTo32(static_cast<std::int64_t>(p) + mark.limite);
    if (mark.text.empty())
      batch.add(q);
    else
      batch.add(q, mark.text);
  }
  return batch.mergeInto(*this);
}

}  // namespace ardv
