// Conversions between the samples of a file (nb_bits significant bits in
// 16-bit words, either byte order) and the program's samples (signed 16-bit,
// left-aligned, in the machine's order).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ardv {

// Exchanges the two bytes of each of the `count` words.
void swapWords(std::int16_t* words, std::size_t count);

// File words to program samples: swapped when `swap` is 1, then shifted left
// by 16 - nbBits (nbBits 1..16).
void decodeSamples(std::int16_t* words, std::size_t count, int nbBits, int swap);

// Program samples to file words: shifted right arithmetically by 16 - nbBits,
// then swapped when `swap` is 1.
void encodeSamples(std::int16_t* words, std::size_t count, int nbBits, int swap);

// True when decoding with (nbBits, swap) changes nothing.
inline bool isNativeCoding(int nbBits, int swap) { return nbBits >= 16 && swap == 0; }

}  // namespace ardv
