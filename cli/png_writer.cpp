// PNG writing: the chunks by hand, the image data deflated in strips on
// every thread.
#include "cli/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "platform/report.h"
#include "platform/thread_pool.h"
#include "signal/replacing_file.h"

namespace ardv::cli {
namespace {

// Fast settings: the "sub" filter (neighbouring frames differ little) and
// deflate at level 1 with run-length matches only. On a narrow-band minute
// (30000 x 256) the PNG is half the PGM's size; libpng's defaults cost
// three times as much for a file a fifth smaller.
constexpr int kDeflateLevel = 1;
constexpr int kDeflateStrategy = Z_RLE;
constexpr std::uint8_t kSubFilter = 1;
// Rows of a strip: each strip is deflated on its own, so that the threads
// share the work (pigz's way: every strip but the last ends on a byte
// boundary with a full flush, and their Adler-32 sums are combined).
constexpr int kStripRows = 32;

void putWord(std::string& out, std::uint32_t v) {
  const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                         static_cast<char>(v)};
  out.append(bytes, 4);
}

// A chunk: length, type, data, CRC of type and data.
std::string chunk(std::string_view type, std::string_view data) {
  std::string out;
  out.reserve(data.size() + 12);
  putWord(out, static_cast<std::uint32_t>(data.size()));
  out.append(type);
  out.append(data);
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), static_cast<uInt>(type.size()));
  crc = crc32_z(crc, reinterpret_cast<const Bytef*>(data.data()), data.size());
  putWord(out, static_cast<std::uint32_t>(crc));
  return out;
}

struct Strip {
  std::string deflated;
  uLong adler = 1;
  std::size_t length = 0;  // bytes before deflating
  int error = Z_OK;
};

// Rows first .. first + count - 1, each with its filter byte, deflated raw.
void deflateStrip(const Raster& image, int first, int count, bool last, Strip& strip) {
  const std::size_t stride = static_cast<std::size_t>(image.width) * image.channels;
  std::string filtered(1 + stride, '\0');
  z_stream z{};
  if ((strip.error = deflateInit2(&z, kDeflateLevel, Z_DEFLATED, -15, 8, kDeflateStrategy)) != Z_OK) return;
  strip.deflated.resize(deflateBound(&z, static_cast<uLong>(count * (1 + stride))) + 16);
  z.next_out = reinterpret_cast<Bytef*>(strip.deflated.data());
  z.avail_out = static_cast<uInt>(strip.deflated.size());
  for (int y = first; y < first + count; ++y) {
    const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * stride;
    auto* f = reinterpret_cast<std::uint8_t*>(filtered.data());
    f[0] = kSubFilter;
    const std::size_t bpp = static_cast<std::size_t>(image.channels);
    std::memcpy(f + 1, row, bpp);
    for (std::size_t x = bpp; x < stride; ++x) f[1 + x] = static_cast<std::uint8_t>(row[x] - row[x - bpp]);
    strip.adler = adler32_z(strip.adler, f, filtered.size());
    strip.length += filtered.size();
    z.next_in = f;
    z.avail_in = static_cast<uInt>(filtered.size());
    const bool end = y + 1 == first + count;
    const int flush = !end ? Z_NO_FLUSH : last ? Z_FINISH : Z_FULL_FLUSH;
    const int result = deflate(&z, flush);
    if (result == Z_STREAM_ERROR || z.avail_in != 0 || (flush == Z_FINISH && result != Z_STREAM_END)) {
      strip.error = result == Z_OK ? Z_BUF_ERROR : result;
      break;
    }
  }
  strip.deflated.resize(strip.deflated.size() - z.avail_out);
  deflateEnd(&z);
}

// The PNG file's bytes in pieces, in order; false with the reason.
bool encode(const Raster& image, std::vector<std::string>& pieces, std::string& reason) {
  std::string header("\x89PNG\r\n\x1a\n", 8);
  std::string ihdr;
  putWord(ihdr, static_cast<std::uint32_t>(image.width));
  putWord(ihdr, static_cast<std::uint32_t>(image.height));
  const char rest[5] = {8, static_cast<char>(image.channels == 3 ? 2 : 0), 0, 0, 0};
  ihdr.append(rest, 5);
  header += chunk("IHDR", ihdr);
  pieces.push_back(std::move(header));

  const int strips = (image.height + kStripRows - 1) / kStripRows;
  std::vector<Strip> done(static_cast<std::size_t>(strips));
  parallelFor(strips, [&](int s) {
    try {
      const int first = s * kStripRows;
      deflateStrip(image, first, std::min(kStripRows, image.height - first), s + 1 == strips,
                   done[static_cast<std::size_t>(s)]);
    } catch (const std::bad_alloc&) {
      done[static_cast<std::size_t>(s)].error = Z_MEM_ERROR;
    }
    return true;
  });
  uLong adler = adler32(0L, nullptr, 0);
  for (int s = 0; s < strips; ++s) {
    Strip& strip = done[static_cast<std::size_t>(s)];
    if (strip.error != Z_OK) {
      reason = std::string("deflate failed (") + (strip.error == Z_MEM_ERROR ? "out of memory" : zError(strip.error)) + ")";
      return false;
    }
    adler = adler32_combine(adler, strip.adler, static_cast<z_off_t>(strip.length));
    std::string data;
    if (s == 0) data.append("\x78\x01", 2);  // zlib header: deflate, 32 K window, fastest
    data += strip.deflated;
    std::string().swap(strip.deflated);
    if (s + 1 == strips) putWord(data, static_cast<std::uint32_t>(adler));
    pieces.push_back(chunk("IDAT", data));
  }
  pieces.push_back(chunk("IEND", ""));
  return true;
}

}  // namespace

bool writePng(const std::filesystem::path& path, const Raster& image) {
  if (image.width < 1 || image.height < 1 || (image.channels != 1 && image.channels != 3) ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * image.channels) {
    debugMessage("writePng(): raster of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                 " x " + std::to_string(image.channels) + " with " + std::to_string(image.pixels.size()) + " bytes");
    return false;
  }
  std::string reason;
  std::vector<std::string> pieces;
  bool encoded = false;
  try {
    encoded = encode(image, pieces, reason);
  } catch (const std::bad_alloc&) {
    reason = "out of memory";
  }
  if (encoded) {
    ReplacingFile out(path);
    bool ok = out.open();
    for (const std::string& piece : pieces)
      if (ok) ok = out.write(piece.data(), piece.size());
    if (ok && out.commit()) return true;
    reason = out.error();
  }
  message("Cannot write image file " + path.string() + ": " + reason + "; nothing was changed.");
  return false;
}

}  // namespace ardv::cli
