// Boundary lists as (position, label) pairs, to build and compare them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "labels/notetiqs.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile.h"

namespace ardv::test {

using Marks = std::vector<std::pair<std::int32_t, std::string>>;

template <class Pairs = Marks>
notetiqs listOf(const Pairs& marks) {
  notetiqs list;
  for (const auto& [p, t] : marks) list.SetText(list.insertOrGet(p), t);
  return list;
}

inline Marks marksOf(const notetiqs& list) {
  Marks out;
  for (const notetiq& b : list.items()) out.emplace_back(b.limite, b.text);
  return out;
}

// Plain reference of the edits of a list, as a map from position to label.
using MarkMap = std::map<std::int32_t, std::string>;

inline std::int64_t middleOf(std::int32_t s, std::int32_t e) { return (static_cast<std::int64_t>(s) + e) / 2; }

// Cut of [a, b): every position maps through f (inside -> a, after -> minus
// the length); of the boundaries landing on a only the last survives; a
// segment loses its label when it ends strictly inside and its middle is past
// a, or starts inside and its middle is before b.
inline MarkMap referenceCut(const MarkMap& in, std::int32_t a, std::int32_t b) {
  MarkMap out;
  for (auto it = in.begin(); it != in.end(); ++it) {
    auto [s, t] = *it;
    if (std::next(it) != in.end()) {
      const std::int32_t e = std::next(it)->first;
      const std::int64_t m = middleOf(s, e);
      if (s < a && e > a && e < b && m > a) t.clear();
      if (s >= a && s < b && m < b) t.clear();
    }
    out[s <= a ? s : (s < b ? a : s - (b - a))] = t;  // a later boundary landing on a replaces the earlier one
  }
  return out;
}

// What the cut of [a, b) takes: the segments it unlabels or removes, each with
// its closing boundary, relative to a and kept within 0..b - a.
inline MarkMap referenceExtract(const MarkMap& in, std::int32_t a, std::int32_t b) {
  MarkMap out;
  const auto relative = [&](std::int32_t q) { return std::clamp(q - a, 0, b - a); };
  for (auto it = in.begin(); a < b && it != in.end() && std::next(it) != in.end(); ++it) {
    const std::int32_t s = it->first, e = std::next(it)->first;
    const std::int64_t m = middleOf(s, e);
    if ((s < a && e > a && e < b && m > a) || (s >= a && s < b && (e <= b || m < b))) {
      out[relative(s)] = it->second;
      out.emplace(relative(e), "");
    }
  }
  return out;
}

// Paste of `src` at p with `length` samples.
inline MarkMap referencePaste(const MarkMap& in, std::int32_t p, std::int32_t length, const MarkMap& src) {
  MarkMap out;
  auto it = in.upper_bound(p);
  const bool splitsInner = it != in.begin() && it != in.end() && std::prev(it) != in.begin() &&
                           std::prev(it)->first < p;
  for (const auto& [q, t] : in) out[q >= p ? q + length : q] = t;
  if (splitsInner) out.emplace(p + length, "");
  for (const auto& [q, t] : src) {
    auto [pos, inserted] = out.emplace(p + q, t);
    if (!inserted && !t.empty()) pos->second = t;
  }
  return out;
}

inline MarkMap markMapOf(const notetiqs& list) {
  MarkMap out;
  for (const notetiq& b : list.items()) out[b.limite] = b.text;
  return out;
}

}  // namespace ardv::test
