// ardv-cli spectrogram FILE --kind KIND [--from MS] [--to MS] [--width N]
// [--height N] [--set NAME=VALUE ...] [--colour] [--profile NAME] -o OUT: the
// spectrogram of a file, or of a stretch of it, as a PGM or PNG image.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/png_writer.h"
#include "cli/signal_options.h"
#include "spectral/spectrogram_settings.h"
#include "spectral/file_spectrogram.h"
#include "platform/report.h"
#include "signal/current_signal.h"
#include "signal/time_conversion.h"
#include "signal/writable_target.h"
#include "spectral/analysable.h"
#include "spectral/image_levels.h"
#include "spectral/pgm.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram_params.h"

namespace ardv::cli {
namespace {


int usage() {
  std::fprintf(stderr,
               "usage: ardv-cli spectrogram FILE --kind %s [--from MS] [--to MS] [--width N] [--height N] "
               "[--set NAME=VALUE ...] [--colour] [--profile NAME] -o OUT.pgm|OUT.png\n",
               spectroKindNames());
  return 2;
}

int refuse(const std::string& why) {
  std::fprintf(stderr, "ardv-cli spectrogram: %s\n", why.c_str());
  return 2;
}

bool parseInt(const std::optional<std::string>& text, int low, int high, int& value) {
  if (!text) return true;
  char* end = nullptr;
  const long v = std::strtol(text->c_str(), &end, 10);
  if (text->empty() || !end || *end || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

bool parseMs(const std::optional<std::string>& text, double& value) {
  if (!text) return true;
  char* end = nullptr;
  const double v = std::strtod(text->c_str(), &end);
  if (text->empty() || !end || *end || !(v >= 0.0) || v > 1e12) return false;
  value = v;
  return true;
}

std::string lowerExtension(const std::string& path) {
  const auto dot = path.find_last_of("./");
  if (dot == std::string::npos || path[dot] != '.') return {};
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

// The image as the PNG shows it: frame i in pixel column i, the lowest
// frequency in the bottom row, each level through `colours`.
Raster pngRaster(const LevelImage& image, const LevelColours& colours, bool colour) {
  Raster r;
  r.width = image.frames;
  r.height = image.height;
  r.channels = colour ? 3 : 1;
  r.pixels.resize(static_cast<std::size_t>(r.width) * r.height * r.channels);
  for (int i = 0; i < image.frames; ++i) {
    const std::uint8_t* levels = image.row(i);
    for (int j = 0; j < image.height; ++j) {
      const Rgb& c = colours[levels[j]];
      const std::size_t at = (static_cast<std::size_t>(image.height - 1 - j) * r.width + i) * r.channels;
      if (colour) {
        r.pixels[at] = c.r;
        r.pixels[at + 1] = c.g;
        r.pixels[at + 2] = c.b;
      } else {
        r.pixels[at] = c.r;
      }
    }
  }
  return r;
}

}  // namespace

int runSpectrogram(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto kindName = takeOption(args, "--kind", missing);
  const auto from = takeOption(args, "--from", missing);
  const auto to = takeOption(args, "--to", missing);
  const auto widthText = takeOption(args, "--width", missing);
  const auto heightText = takeOption(args, "--height", missing);
  const auto profile = takeOption(args, "--profile", missing);
  std::vector<std::string> sets;
  while (const auto s = takeOption(args, "--set", missing)) sets.push_back(*s);
  const auto colourFlag = std::find(args.begin(), args.end(), "--colour");
  const bool colour = colourFlag != args.end();
  if (colour) args.erase(colourFlag);
  if (missing || args.size() != 1 || !out || !kindName || args[0].rfind("--", 0) == 0) return usage();

  const int kind = spectroKindByName(*kindName);
  if (kind == 0) return refuse("unknown kind \"" + *kindName + "\" (valid: " + spectroKindNames() + ")");
  PgmImageSize size = pgmImageSize();
  if (!parseInt(widthText, 1, kMaxImageWidth, size.width) || !parseInt(heightText, 1, kMaxImageHeight, size.height) ||
      static_cast<std::int64_t>(size.width) * size.height > kMaxImagePixels)
    return refuse("--width takes a whole number from 1 to " + std::to_string(kMaxImageWidth) + ", --height from 1 to " +
                  std::to_string(kMaxImageHeight) + ", at most " + std::to_string(kMaxImagePixels) + " pixels in all");
  double fromMs = 0.0, toMs = 0.0;
  if (!parseMs(from, fromMs) || !parseMs(to, toMs)) return refuse("--from and --to take milliseconds (0 or more)");
  if (from && to && fromMs >= toMs) return refuse("--from must be below --to");
  const std::string ext = lowerExtension(*out);
  if (ext != ".pgm" && ext != ".png") return refuse("the output name must end in .pgm or .png");
  if (colour && ext == ".pgm") return refuse("--colour needs a PNG output (a PGM image is grey)");

  SpectroSettings& settings = spectroSettings();
  SpectroParams record = settings[kind];
  SettingEdits edits;
  std::string error;
  for (const std::string& s : sets)
    if (!applySetting(kind, s, record, edits, error)) return refuse(error);

  infoFile info;
  if (!describeForReading(args[0], profile, info) || !isSeparateOutput(*out, info.nom)) return 1;
  const double fs = info.frequence;
  const std::int64_t n = info.sampleCount();
  if (!analysableRate(info.nom, fs, "A spectrogram")) return 1;
  if (!finishSettings(kind, fs, edits, record, error)) return refuse(error);
  if (n < 2) {
    message(info.nom + " holds no samples to analyse");
    return 1;
  }
  const std::int64_t first = from ? msToSamples(fromMs, fs) : 0;
  const std::int64_t last = to ? std::min(n - 1, msToSamples(toMs, fs)) : n - 1;
  if (first >= last)
    return refuse("the stretch from " + std::to_string(samplesToMs(static_cast<double>(first), fs)) + " ms to " +
                  std::to_string(samplesToMs(static_cast<double>(last), fs)) + " ms is empty (the file lasts " +
                  std::to_string(samplesToMs(static_cast<double>(n), fs)) + " ms)");

  settings[kind] = record;
  settings.fmaxHz = fs / 2.0;
  DisplayColours& display = displayColours();
  display.setSpectroGamma(spectroGammaForKind(kind));
  CurrentSpectro spec;
  if (!spectro_GetParams(settings, kind, fs, spec)) return 1;
  LevelImage image;
  if (!renderFileSpectrogram(spec, info, first, last, size.width, size.height, memorySpanSamples(fs), image))
    return 1;
  if (ext == ".pgm") return writePgm(*out, image) ? 0 : 1;
  return writePng(*out, pngRaster(image, colour ? display.colour : display.grey, colour)) ? 0 : 1;
}

}  // namespace ardv::cli
