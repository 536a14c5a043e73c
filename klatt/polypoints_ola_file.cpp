#include "klatt/polypoints_ola_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>

#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"

namespace ardv {
namespace {

constexpr const char* kUnconsistent = "read PolyPointsOLA: unconsistent file";

void putWord(std::string& out, std::uint32_t w) {
  for (int b = 0; b < 4; ++b) out.push_back(static_cast<char>((w >> (8 * b)) & 0xFF));
}

std::uint32_t word(const unsigned char* b) {
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool readPolyPointsOLA(const std::filesystem::path& path, PolyPointsOLA& track, double frequence) {
  auto& tab = track.tab();
  tab.points.clear();
  track.sync(true);
  auto refuse = [&](const std::string& reason) {
    tab.points.clear();
    track.sync(true);
    message(std::string(kUnconsistent) + "\n" + path.string() + ": " + reason);
    return false;
  };
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::is_regular_file(status))
    return refuse(ec ? ec.message() : std::string("not a regular file"));
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return refuse(ec.message());
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return refuse(std::strerror(errno));
  unsigned char head[12];
  const std::size_t got = std::fread(head, 1, sizeof head, file.get());
  if (got == 0) return true;  // end of file at the first field
  if (got < sizeof head) return refuse("the header is cut short");
  const auto count = static_cast<std::int32_t>(word(head));
  if (count < 0) return refuse("a negative point count (" + std::to_string(count) + ")");
  const std::uint64_t needed = 12 + 8 * static_cast<std::uint64_t>(count);
  if (needed > size)
    return refuse(std::to_string(count) + " points announced, room for " + std::to_string((size - 12) / 8));
  track.setting1 = static_cast<std::int32_t>(word(head + 4));
  track.setting2 = static_cast<std::int32_t>(word(head + 8));
  tab.points.reserve(static_cast<std::size_t>(count));
  unsigned char rec[8];
  for (std::int32_t i = 0; i < count; ++i) {
    if (std::fread(rec, 1, sizeof rec, file.get()) != sizeof rec) return refuse("point " + std::to_string(i) + " is cut short");
    Point2P p;
    p.sampleDate = static_cast<std::int32_t>(word(rec));
    const std::uint32_t bits = word(rec + 4);
    std::memcpy(&p.values[0], &bits, 4);
    p.date = static_cast<std::int32_t>(std::clamp<std::int64_t>(samplesToMs(p.sampleDate, frequence), INT32_MIN, INT32_MAX));
    if (!tab.points.empty() && p.sampleDate < tab.points.back().sampleDate)
      return refuse("the dates go backwards at point " + std::to_string(i));
    tab.points.push_back(p);
  }
  track.sync(true);
  return true;
}

bool writePolyPointsOLA(const std::filesystem::path& path, const PolyPointsOLA& track) {
  const auto& pts = track.tab().points;
  std::string out;
  out.reserve(12 + 8 * pts.size());
  putWord(out, static_cast<std::uint32_t>(pts.size()));
  putWord(out, static_cast<std::uint32_t>(track.setting1));
  putWord(out, static_cast<std::uint32_t>(track.setting2));
  for (const auto& p : pts) {
    std::uint32_t bits;
    std::memcpy(&bits, &p.values[0], 4);
    putWord(out, static_cast<std::uint32_t>(p.sampleDate));
    putWord(out, bits);
  }
  ReplacingFile file(path);
  if (!file.open() || !file.write(out) || !file.commit()) {
    message(path.string() + ": the trajectory cannot be written: " + file.error());
    return false;
  }
  return true;
}

}  // namespace ardv
