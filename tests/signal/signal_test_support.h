// Shared by the tests of profiles, transports and the current signal: the
// interface texts their messages use (each marked "T<number>"), and sample
// files written from 16-bit words in either byte order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "annotation/texts.h"
#include "signal/profile_table.h"
#include "tests/support/files.h"

namespace ardv::test {

inline void loadSignalTexts() {
  std::string table =
      "204, \"Message\"\n205, \"Warning\"\n401, \"step %d\\n\"\n402, \"file %s\\n\"\n403, \"cwd \"\n"
      "409, \"T409\"\n901, \"T901\"\n";
  for (int n : {1201, 1202, 3201, 3202, 3203, 3701, 3702, 3703, 3704, 3705, 3903, 3904, 5001, 5002, 5003, 5004,
                5602, 5603, 5604, 5605, 5606}) {
    table += std::to_string(n) + ", \"T" + std::to_string(n) + " \"\n";
  }
  textTable().loadText(table, "signal-test");
}

// The bytes of `words`, least significant byte first unless `bigEndian`.
inline std::vector<std::uint8_t> wordBytes(const std::vector<std::int16_t>& words, bool bigEndian) {
  std::vector<std::uint8_t> out;
  out.reserve(words.size() * 2);
  for (std::int16_t w : words) {
    const auto u = static_cast<std::uint16_t>(w);
    const auto lo = static_cast<std::uint8_t>(u & 0xFF), hi = static_cast<std::uint8_t>(u >> 8);
    out.push_back(bigEndian ? hi : lo);
    out.push_back(bigEndian ? lo : hi);
  }
  return out;
}

// Replaces the program's profile table by the shipped profiles.
inline void loadShippedProfiles() {
  profileTable().alloc_fmt();
  profileTable().init_fmt(sourceDataDir() / "format");
}

}  // namespace ardv::test
