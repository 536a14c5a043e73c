// Raw PGM export.
#include "spectral/pgm.h"

#include <fstream>
#include <system_error>

#include "platform/report.h"

namespace ardv {

std::string pgmHeader(int height, int frames) {
  return "P5 " + std::to_string(height) + " " + std::to_string(frames) + " 255 ";
}

bool writePgm(const std::filesystem::path& path, const LevelImage& image) {
  try {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
      message("Cannot open image file");
      return false;
    }
    const std::string header = pgmHeader(image.height, image.frames);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::vector<char> bytes(image.levels.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(255 - image.levels[i]);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      std::filesystem::remove(path, ec);
      message("Cannot open image file");
      return false;
    }
  } catch (const std::exception&) {
    message("Cannot open image file");
    return false;
  }
  return true;
}

}  // namespace ardv
