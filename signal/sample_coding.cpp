// Byte swapping and bit alignment of 16-bit samples.
#include "signal/sample_coding.h"

#include <bit>

namespace ardv {

// The file coding "swap = 1" means most significant byte first, the other
// order from this machine's.
static_assert(std::endian::native == std::endian::little, "samples are decoded for a little-endian machine");

namespace {

int shiftFor(int nbBits) { return nbBits >= 1 && nbBits < 16 ? 16 - nbBits : 0; }

}  // namespace

void swapWords(std::int16_t* words, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto u = static_cast<std::uint16_t>(words[i]);
    words[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>((u << 8) | (u >> 8)));
  }
}

void decodeSamples(std::int16_t* words, std::size_t count, int nbBits, int swap) {
  if (swap == 1) swapWords(words, count);
  const int shift = shiftFor(nbBits);
  if (shift == 0) return;
  for (std::size_t i = 0; i < count; ++i) {
    words[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint16_t>(words[i]) << shift));
  }
}

void encodeSamples(std::int16_t* words, std::size_t count, int nbBits, int swap) {
  const int shift = shiftFor(nbBits);
  if (shift != 0) {
    for (std::size_t i = 0; i < count; ++i) words[i] = static_cast<std::int16_t>(words[i] >> shift);
  }
  if (swap == 1) swapWords(words, count);
}

}  // namespace ardv
