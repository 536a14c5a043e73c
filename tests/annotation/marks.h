// Boundary lists as (position, label) pairs, to build and compare them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "annotation/notetiqs.h"

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

}  // namespace ardv::test
