// PNG writing through libpng's simplified interface.
#include "cli/png_writer.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/report.h"
#include "signal/replacing_file.h"

namespace ardv::cli {
namespace {

// Writes the PNG stream of `image` to `file`; the libpng message on failure.
bool writeStream(std::FILE* file, const Raster& image, std::string& reason) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = image.channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
  const bool ok = png_image_write_to_stdio(&png, file, 0, image.pixels.data(), 0, nullptr) != 0;
  if (!ok) reason = png.message;
  png_image_free(&png);
  return ok;
}

}  // namespace

bool writePng(const std::filesystem::path& path, const Raster& image) {
  if (image.width < 1 || image.height < 1 || (image.channels != 1 && image.channels != 3) ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * image.channels) {
    debugMessage("writePng(): raster of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                 " x " + std::to_string(image.channels) + " with " + std::to_string(image.pixels.size()) + " bytes");
    return false;
  }
  ReplacingFile out(path);
  std::string reason;
  if (!out.open()) {
    reason = out.error();
  } else {
    // libpng writes to a stream over its own descriptor of the same open file.
    const int fd = ::dup(out.descriptor());
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
      reason = std::strerror(errno);
      if (fd >= 0) ::close(fd);
    } else {
      bool ok = writeStream(file, image, reason);
      if (std::fclose(file) != 0 && ok) {
        reason = std::strerror(errno);
        ok = false;
      }
      if (ok && out.commit()) return true;
      if (ok) reason = out.error();
    }
  }
  message("Cannot write image file " + path.string() + ": " + reason + "; nothing was changed.");
  return false;
}

}  // namespace ardv::cli
