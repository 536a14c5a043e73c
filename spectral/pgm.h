// Spectrogram images as raw PGM (P5): one row of `height` bytes per analysis
// frame, first frame first, lowest frequency first in a row, dark = high
// energy. The header is "P5 <height> <frames> 255 " (one space, no newline).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ardv {

// File levels (0 lightest .. 255 darkest) of `frames` rows of `height` pixels.
struct LevelImage {
  int frames = 0;
  int height = 0;
  std::vector<std::uint8_t> levels;  // row i at [i*height, (i+1)*height)

  std::uint8_t* row(int i) { return levels.data() + static_cast<std::size_t>(i) * height; }
  const std::uint8_t* row(int i) const { return levels.data() + static_cast<std::size_t>(i) * height; }
};

// The header text for an image.
std::string pgmHeader(int height, int frames);

// Writes the image (byte = 255 - level) through ReplacingFile. If the file
// cannot be created, reports "Cannot open image file" with the path and the
// system's reason; a failed write is reported with the path and reason, and
// leaves a previous file of that name as it was. Returns true when the whole
// image is written.
bool writePgm(const std::filesystem::path& path, const LevelImage& image);

}  // namespace ardv
