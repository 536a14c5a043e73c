// Raw PGM export.
#include "spectral/pgm.h"

#include <algorithm>

#include "platform/report.h"
#include "signal/replacing_file.h"

namespace ardv {
namespace {

constexpr std::size_t kPieceBytes = 1 << 16;

}  // namespace

std::string pgmHeader(int height, int frames) {
  return "P5 " + std::to_string(height) + " " + std::to_string(frames) + " 255 ";
}

bool writePgm(const std::filesystem::path& path, const LevelImage& image) {
  ReplacingFile out(path);
  if (!out.open()) {
    message("Cannot open image file\r\n" + path.string() + ": " + out.error());
    return false;
  }
  bool ok = out.write(pgmHeader(image.height, image.frames));
  std::vector<char> piece;
  for (std::size_t start = 0; ok && start < image.levels.size(); start += kPieceBytes) {
    piece.resize(std::min(kPieceBytes, image.levels.size() - start));
    for (std::size_t j = 0; j < piece.size(); ++j) piece[j] = static_cast<char>(255 - image.levels[start + j]);
    ok = out.write(piece.data(), piece.size());
  }
  if (!ok || !out.commit()) {
    message("Cannot write image file " + path.string() + ": " + out.error() + "; nothing was changed.");
    return false;
  }
  return true;
}

}  // namespace ardv
