// PNG images for the command line: 8-bit grey or RGB rasters written through
// zlib through ReplacingFile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace ardv::cli {

// A raster of `width` x `height` pixels of `channels` bytes (1 grey, 3 RGB),
// rows from the top, pixels from the left.
struct Raster {
  int width = 0;
  int height = 0;
  int channels = 1;
  std::vector<std::uint8_t> pixels;  // row y at [y*width*channels, (y+1)*width*channels)
};

// Writes `image` as a PNG file at `path` through ReplacingFile. A raster whose size does
// not match its pixels is an internal fault. Returns false after one message
// ("Cannot write image file ..." with the reason), leaving `path` as it was
// and no temporary file behind.
bool writePng(const std::filesystem::path& path, const Raster& image);

}  // namespace ardv::cli
