// Shared by the WAV tests: the interface texts their messages use, and a
// builder of RIFF files chunk by chunk (sizes may be set to lie).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "annotation/texts.h"

namespace ardv::test {

inline void loadWavTexts() {
  textTable().loadText(
      "204, \"Message\"\n205, \"Warning\"\n"
      "401, \"step %d\\n\"\n402, \"file %s\\n\"\n403, \"cwd \"\n409, \"T409 chunk not found\"\n"
      "1201, \"T1201 phon\"\n1202, \"T1202 word\"\n"
      "3201, \"T3201 open\"\n3202, \"T3202 not wave\"\n3203, \"T3203 mono 16\"\n"
      "5602, \"T5602\"\n5603, \"T5603\"\n5604, \"T5604\"\n5605, \"T5605\"\n5606, \"T5606 \"\n",
      "wav-test");
}

using Bytes = std::vector<std::uint8_t>;

inline void put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void putId(Bytes& b, const char* id) { b.insert(b.end(), id, id + 4); }

// A chunk: id, the given size (the payload's own size unless `claimed` is set),
// the payload and a pad byte when the payload is odd.
inline Bytes chunk(const char* id, const Bytes& payload, std::int64_t claimed = -1) {
  Bytes b;
  putId(b, id);
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
  Bytes body;
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  putId(b, "RIFF");
  put32(b, static_cast<std::uint32_t>(claimed >= 0 ? claimed : static_cast<std::int64_t>(body.size() + 4)));
  putId(b, "WAVE");
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

}  // namespace ardv::test
