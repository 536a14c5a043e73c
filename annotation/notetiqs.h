// Boundary lists (`notetiqs`): the phoneme list and the word list of a signal.
// Each boundary (`notetiq`) is a sample position and the text of the segment
// that starts there and ends at the next boundary; boundaries stay sorted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ardv {

struct notetiq {
  std::string text;         // label of the segment starting here; empty when unlabelled and on the last boundary
  std::int32_t limite = 0;  // sample index of the boundary
};

class notetiqs {
 public:
  // Most boundaries a list may hold; insertions beyond it are refused.
  static constexpr std::int32_t kMaxCount = 2147483643;

  // Deletes all boundaries.
  void clear() { items_.clear(); }

  // Number of boundaries (k boundaries delimit k - 1 segments).
  int count() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }
  // Number of segments: count - 1, at least 0.
  int segmentCount() const { return items_.empty() ? 0 : count() - 1; }

  // Sample position of boundary n; out of range: internal-fault report and 0.
  std::int32_t position(int n) const;

  // Copy of the label of boundary n; out of range: internal-fault report
  // "notetiqs::Text(n) : n out of range" and an empty text.
  std::string Text(int n) const;

  // Sets the label of boundary n to a copy of `text`. Out of range:
  // internal-fault report "notetiqs::SetText(n,texte) : n out of range",
  // nothing changes, false.
  bool SetText(int n, const std::string& text);

  // Index of the last boundary whose position is <= p; -1 when none.
  int findLE(std::int32_t p) const;

  // Index of the boundary closest to p: the one found by findLE (the first when
  // none), or the next one when p lies past the middle (truncated) of the
  // segment between them. A p exactly at the middle belongs to the earlier
  // boundary. -1 on an empty list.
  int nearest(std::int32_t p) const;

  // Index of the boundary at p, inserting one with an empty text when there is
  // none. -1 when the list is full (kMaxCount, no report) or memory runs out
  // (after a report).
  int insertOrGet(std::int32_t p);

  // Like insertOrGet, but -1 without a report when a boundary is already at p,
  // and -1 when the list holds kMaxCount boundaries.
  int insertNew(std::int32_t p);

  // Read-only view of the boundaries, in increasing order of position.
  const std::vector<notetiq>& items() const { return items_; }

 private:
  bool inRange(int n) const { return n >= 0 && n < count(); }
  // Inserts an empty boundary at p before index `at`; -1 after a report on failure.
  int insertAt(int at, std::int32_t p);

  std::vector<notetiq> items_;
};

}  // namespace ardv
