// The snakes' support image: computed from the signal, cached by file and
// samples, written as PGM.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "formants/formant_candidates.h"
#include "formants/snake.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"

namespace ardv {
namespace {

constexpr double kRangeDb = 60.0;

}  // namespace

int SupportImage::workingRows() const {
  if (!(fs > 0.0)) return rows;
  return std::clamp(static_cast<int>(kSnakeTopHz * 512.0 / fs), 2, rows);
}

std::int64_t SupportImage::columnCentre(double c) const {
  return first + static_cast<std::int64_t>(std::lround(c)) * hop + frameLength / 2;
}

namespace {

// The stretch clamped to the buffer, the frame length and the hop of an image.
struct ImageGeometry {
  std::int64_t first = 0, last = -1;
  int frame = 0, hop = 0;
};

ImageGeometry imageGeometry(std::size_t size, std::int64_t first, std::int64_t last, double fs, SupportMethod method) {
  ImageGeometry g;
  g.first = std::max<std::int64_t>(first, 0);
  g.last = std::min<std::int64_t>(last, static_cast<std::int64_t>(size) - 1);
  const std::int64_t length = g.last - g.first + 1;
  g.frame = method == SupportMethod::Lpc ? lpcRootsFrameLength(fs) : kSnakePeakFrame;
  const std::int64_t hop64 = method == SupportMethod::Lpc ? std::max<std::int64_t>(0, length + 1 - g.frame) / 511 + 1
                                                          : std::max<std::int64_t>(0, length - 511) / 511 + 1;
  g.hop = static_cast<int>(std::min<std::int64_t>(hop64, 1 << 30));
  return g;
}

}  // namespace

std::uint64_t supportSamplesHash(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last,
                                 double fs, SupportMethod method) {
  const ImageGeometry g = imageGeometry(samples.size(), first, last, fs, method);
  const std::int64_t size = static_cast<std::int64_t>(samples.size());
  const std::int64_t from = std::clamp<std::int64_t>(g.first, 0, size);
  const std::int64_t to =
      std::clamp<std::int64_t>(g.first + static_cast<std::int64_t>(kSnakeColumns - 1) * g.hop + g.frame, from, size);
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  auto mix = [&h](std::uint64_t v) {
    for (int b = 0; b < 8; ++b) h = (h ^ ((v >> (8 * b)) & 0xff)) * 1099511628211ull;
  };
  mix(static_cast<std::uint64_t>(to - from));
  for (std::int64_t i = from; i < to; ++i) {
    const auto v = static_cast<std::uint16_t>(samples[static_cast<std::size_t>(i)]);
    h = (h ^ (v & 0xff)) * 1099511628211ull;
    h = (h ^ (v >> 8)) * 1099511628211ull;
  }
  return h;
}

bool computeSupportImage(std::span<const std::int16_t> samples, std::int64_t first, std::int64_t last, double fs,
                         SupportMethod method, const FormantOptions& options, SupportImage& out) {
  if (!(fs >= 1000.0)) {
    message("Snake tracking needs a sampling rate of at least 1000 Hz");
    return false;
  }
  const ImageGeometry g = imageGeometry(samples.size(), first, last, fs, method);
  first = g.first;
  last = g.last;
  const int frame = g.frame;
  if (last - first + 1 < 2) {
    message("Snake tracking: the stretch holds no analysis frame");
    return false;
  }
  SupportImage img;
  img.columns = kSnakeColumns;
  img.rows = kSnakeRows;
  img.first = first;
  img.last = last;
  img.hop = g.hop;
  img.frameLength = frame;
  img.fs = fs;
  img.method = method;
  img.options = options;
  img.samplesHash = supportSamplesHash(samples, first, last, fs, method);
  std::vector<float> db(static_cast<std::size_t>(kSnakeColumns) * kSnakeRows);
  std::vector<std::int16_t> buffer;
  std::vector<float> column;
  PeakSettings peaks;
  peaks.trueEnvelope = method == SupportMethod::TrueEnvelope;
  const int order = formantLpcOrder(options, fs);
  for (int c = 0; c < kSnakeColumns; ++c) {
    const auto x = paddedFrame(samples, first + static_cast<std::int64_t>(c) * img.hop, frame, buffer);
    float* col = db.data() + static_cast<std::size_t>(c) * kSnakeRows;
    if (method == SupportMethod::Lpc) {
      CandidateFrame f;
      if (!lpcRootsFrame(x, 0, frame, fs, order, kMaxRootBandwidthHz, 0.0, f, &column)) return false;
      for (int r = 0; r < kSnakeRows; ++r) col[r] = column[static_cast<std::size_t>(r / 2)];
    } else {
      CandidateFrame f;
      if (cepstralPeaksFrame(x, 0, fs, options, peaks, f, &column) < 0) return false;
      std::copy(column.begin(), column.end(), col);
    }
  }
  float top = -1e30f;
  for (float v : db)
    if (std::isfinite(v)) top = std::max(top, v);
  img.cells.resize(db.size());
  for (std::size_t i = 0; i < db.size(); ++i) {
    const double v = std::isfinite(db[i]) ? (db[i] - (top - kRangeDb)) / kRangeDb : 0.0;
    img.cells[i] = static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(v, 0.0, 1.0)));
  }
  out = std::move(img);
  return true;
}

const SupportImage* SupportImageCache::get(const std::string& file, std::span<const std::int16_t> samples,
                                           std::int64_t first, std::int64_t last, double fs, SupportMethod method,
                                           const FormantOptions& options) {
  if (valid_ && image_.file == file && image_.first == std::max<std::int64_t>(first, 0) &&
      image_.last == std::min<std::int64_t>(last, static_cast<std::int64_t>(samples.size()) - 1) &&
      image_.method == method && image_.fs == fs && image_.options == options &&
      image_.samplesHash == supportSamplesHash(samples, first, last, fs, method))
    return &image_;
  SupportImage fresh;
  if (!computeSupportImage(samples, first, last, fs, method, options, fresh)) return nullptr;
  fresh.file = file;
  image_ = std::move(fresh);
  valid_ = true;
  ++computations_;
  return &image_;
}

bool writeSupportPgm(const std::filesystem::path& path, const SupportImage& image) {
  ReplacingFile f(path);
  if (!f.open()) {
    message("Unable to create the PGM file\n" + path.string() + ": " + f.error());
    return false;
  }
  char header[64];
  const int n = std::snprintf(header, sizeof header, "P5 %d %d 255 ", image.columns, image.rows);
  bool ok = n > 0 && f.write(header, static_cast<std::size_t>(n));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(image.columns));
  for (int r = image.rows - 1; ok && r >= 0; --r) {
    for (int c = 0; c < image.columns; ++c) row[static_cast<std::size_t>(c)] = image.at(c, r);
    ok = f.write(row.data(), row.size());
  }
  if (!ok || !f.commit()) {
    message("Unable to write the PGM file\n" + path.string() + ": " + f.error());
    return false;
  }
  return true;
}

}  // namespace ardv
