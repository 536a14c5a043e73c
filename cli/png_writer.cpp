// PNG writing through libpng, tuned for speed.
#include "cli/png_writer.h"

#include <png.h>
#include <zlib.h>
#include <unistd.h>

#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/report.h"
#include "signal/replacing_file.h"

namespace ardv::cli {
namespace {

// Fast settings: the "sub" filter (neighbouring frames differ little) and
// deflate at level 1 with run-length matches only. On a narrow-band minute
// (30000 x 256) the PNG is half the PGM's size and costs 0.08 s more than
// it; libpng's defaults cost 0.27 s more for a file a fifth smaller.
constexpr int kDeflateLevel = 1;
constexpr int kDeflateStrategy = Z_RLE;
constexpr int kRowFilter = PNG_FILTER_SUB;

struct ErrorText {
  char text[256] = "";
};

void onError(png_structp png, png_const_charp text) {
  auto* error = static_cast<ErrorText*>(png_get_error_ptr(png));
  std::snprintf(error->text, sizeof error->text, "%s", text ? text : "PNG error");
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Writes the PNG stream of `image` to `file`; the libpng message on failure.
// No object with a destructor lives in this function (libpng leaves it by
// longjmp on errors).
bool writeRows(std::FILE* file, const Raster& image, ErrorText& error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onError, onWarning);
  if (!png) {
    std::snprintf(error.text, sizeof error.text, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    if (!info) std::snprintf(error.text, sizeof error.text, "out of memory");
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, kDeflateLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kRowFilter);
  png_set_compression_strategy(png, kDeflateStrategy);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               image.channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(image.width) * image.channels;
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, image.pixels.data() + static_cast<std::size_t>(y) * stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool writeStream(std::FILE* file, const Raster& image, std::string& reason) {
  ErrorText error;
  const bool ok = writeRows(file, image, error);
  if (!ok) reason = error.text;
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
