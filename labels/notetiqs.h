// Boundary lists (`notetiqs`): the phoneme list and the word list of a signal.
// Each boundary (`notetiq`) is a sample position and the text of the segment
// that starts there and ends at the next boundary; boundaries stay sorted.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ardv {

struct notetiq {
  std::string text;         // label of the segment starting here; empty when unlabelled and on the last boundary
  std::int32_t limite = 0;  // sample index of the boundary
};

class MarkBatch;
// What fitToSignal changed.
struct FitCount {
  int outside = 0;        // boundaries that lay outside 0..tf
  int labelsDropped = 0;  // labels of segments that lay wholly outside
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

  // Inserts a boundary at p (as insertNew). When the new boundary has
  // neighbours on both sides and lies in the left half of the old segment,
  // the old segment's label moves to it (the larger right part keeps the
  // label). Returns the new index, or -1 when a boundary already is at p.
  int split(std::int32_t p);

  // Removes the boundary nearest to p. A label on its right with none on its
  // left moves left first. When a label would be lost (both segments
  // labelled, or the last boundary after a labelled segment) nothing is
  // removed, UI text 5601 is shown and the result is false. The first
  // boundary is always removable. An empty list: false, no report.
  bool remove(std::int32_t p);

  // The boundary nearest to p takes position p (it cannot pass a neighbour).
  // Returns its index, -1 on an empty list.
  int move(std::int32_t p);

  // Copies into `out` (emptied first) the segments that a cut of [a, b)
  // takes away (those whose label the cut clears or whose segment it
  // removes), each with its label and its closing boundary, positions made
  // relative to a and kept within 0..b - a. Nothing when a >= b.
  void extract(std::int32_t a, std::int32_t b, notetiqs& out) const;

  // The cut of the stretch [a, b): boundaries inside it go, later ones move
  // left by b - a. A segment that loses most of its length loses its label;
  // the one that straddles a ends there. `removed` (when given) receives
  // what extract(a, b) gives. Nothing when a >= b.
  void removeRange(std::int32_t a, std::int32_t b, notetiqs* removed = nullptr);

  // The paste of `src` (positions relative) at p with length `length`
  // samples: a segment of the list (not the first) that p splits is cut at
  // p with an unlabelled boundary, boundaries at or after p move right by `length`, then each boundary of
  // `src` is placed at p + its position with its label (an empty label never
  // replaces one already there). Returns false (after a report) only when
  // memory runs out; the list may then hold part of the paste.
  bool insertList(std::int32_t p, std::int32_t length, const notetiqs& src);

  // Read-only view of the boundaries, in increasing order of position.
  const std::vector<notetiq>& items() const { return items_; }

 private:
  friend class MarkBatch;
  friend FitCount fitToSignal(notetiqs& list, std::int64_t tf);
  bool inRange(int n) const { return n >= 0 && n < count(); }
  // Inserts an empty boundary at p before index `at`; -1 after a report on failure.
  int insertAt(int at, std::int32_t p);

  std::vector<notetiq> items_;
};

// Boundaries gathered in any order and merged into a list at once, sorted
// once: the list that insertOrGet on each position in turn would give (with
// SetText where a text is given, the last text given for a position
// winning), in O(n log n) instead of O(n^2) for a reversed file.
class MarkBatch {
 public:
  // A boundary at p that keeps any text already there.
  void add(std::int32_t p) { marks_.push_back({p, false, std::string()}); }
  // A boundary at p whose text becomes `text`.
  void add(std::int32_t p, std::string text) { marks_.push_back({p, true, std::move(text)}); }
  std::size_t size() const { return marks_.size(); }

  // Merges the batch into `list` after its own boundaries and empties the
  // batch. False (after a report) when memory runs out or the result would
  // exceed notetiqs::kMaxCount; `list` is then unchanged.
  bool mergeInto(notetiqs& list);

 private:
  struct Pending {
    std::int32_t position;
    bool hasText;
    std::string text;
  };
  std::vector<Pending> marks_;
};

// Brings `list` within a signal of `tf` samples (tf <= 0: length unknown,
// only negative positions are mended). Positions below 0 move to 0 and
// positions above tf to tf; boundaries that then meet merge, the segment
// that reaches into the signal keeping its label. A boundary at tf closes the
// last segment and carries no label; a labelled last boundary before tf gets
// a closing boundary at tf. O(n).
FitCount fitToSignal(notetiqs& list, std::int64_t tf);

// Warns, naming `file`, when `count` records a change; silent otherwise.
void reportFit(const FitCount& count, const std::string& file, std::int64_t tf);

// A copy of `list` fitted to tf (fitToSignal), for writing.
notetiqs fittedCopy(const notetiqs& list, std::int64_t tf, FitCount* count = nullptr);

}  // namespace ardv
