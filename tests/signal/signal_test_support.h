// Shared by the signal tests: the interface texts their messages use (each
// marked "T<number>"), sines, seeded noise, sample files written from 16-bit
// words in either byte order and their descriptions, the shipped profiles, and
// a builder of RIFF files chunk by chunk (sizes may be set to lie).
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "signal/infofile.h"
#include "signal/profile_table.h"
#include "tests/support/files.h"
#include "texts/texts.h"

namespace ardv::test {

inline void loadSignalTexts() {
  std::string table =
      "204, \"Message\"\n205, \"Warning\"\n401, \"step %d\\n\"\n402, \"file %s\\n\"\n403, \"cwd \"\n"
      "409, \"T409 chunk not found\"\n901, \"T901\"\n1201, \"T1201 phon\"\n1202, \"T1202 word\"\n"
      "3201, \"T3201 open\"\n3202, \"T3202 not wave\"\n3203, \"T3203 mono 16\"\n";
  for (int n : {3701, 3702, 3703, 3704, 3705, 3903, 3904, 5001, 5002, 5003, 5004, 5602, 5603, 5604, 5605, 5606})
    table += std::to_string(n) + ", \"T" + std::to_string(n) + " \"\n";
  textTable().loadText(table, "signal-test");
}

// `count` samples of a sine of `hz` at `fs` Hz.
inline std::vector<std::int16_t> sine(std::int64_t count, double fs, double hz, double amplitude) {
  std::vector<std::int16_t> x(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < x.size(); ++i)
    x[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / fs)));
  return x;
}

// `count` samples drawn evenly from lo..hi, seeded.
inline std::vector<std::int16_t> noise(std::size_t count, unsigned seed, int lo, int hi) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(lo, hi);
  std::vector<std::int16_t> x(count);
  for (auto& v : x) v = static_cast<std::int16_t>(dist(gen));
  return x;
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

// A headerless file of `bits`-bit words, byte-swapped (big-endian) when
// `swap` is 1, at 16 kHz, `bytes` long.
inline infoFile rawFile(const std::filesystem::path& path, int bits, int swap, std::int64_t bytes) {
  infoFile info;
  info.nom = path.string();
  info.nb_bits = bits;
  info.swap = swap;
  info.frequence = 16000;
  info.longueur = bytes;
  return info;
}

// Replaces the program's profile table by the shipped profiles.
inline void loadShippedProfiles() {
  profileTable().alloc_fmt();
  profileTable().init_fmt(sourceDataDir() / "format");
}

using Bytes = std::vector<std::uint8_t>;

inline void put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A chunk: id, the given size (the payload's own size unless `claimed` is set),
// the payload and a pad byte when the payload is odd.
inline Bytes chunk(const char* id, const Bytes& payload, std::int64_t claimed = -1) {
  Bytes b(id, id + 4);
  put32(b, static_cast<std::uint32_t>(claimed >= 0 ? claimed : static_cast<std::int64_t>(payload.size())));
  b.insert(b.end(), payload.begin(), payload.end());
  if (payload.size() % 2) b.push_back(0);
  return b;
}

inline Bytes fmtPayload(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  Bytes b;
  put16(b, tag);
  put16(b, channels);
  put32(b, rate);
  put32(b, rate * channels * bits / 8);
  put16(b, static_cast<std::uint16_t>(channels * bits / 8));
  put16(b, bits);
  return b;
}

// "RIFF", size (true unless `claimed` is set), "WAVE", then the chunks.
inline Bytes riffWave(const std::vector<Bytes>& chunks, std::int64_t claimed = -1) {
  Bytes body{'W', 'A', 'V', 'E'};
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b = chunk("RIFF", {}, claimed >= 0 ? claimed : static_cast<std::int64_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

}  // namespace ardv::test
