// ardv-cli spectrogram FILE --kind KIND [--from MS] [--to MS] [--width N]
// [--height N] [--set NAME=VALUE ...] [--colour] [--profile NAME] -o OUT: the
// spectrogram of a file, or of a stretch of it, as a PGM or PNG image.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/png_writer.h"
#include "cli/signal_options.h"
#include "platform/report.h"
#include "signal/current_signal.h"
#include "signal/time_conversion.h"
#include "signal/writable_target.h"
#include "spectral/analysable.h"
#include "spectral/file_spectrogram.h"
#include "spectral/image_levels.h"
#include "spectral/pgm.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram_params.h"
#include "spectral/spectrogram_settings.h"

namespace ardv::cli {
namespace {


int refuse(const std::string& why) { return usageError(why); }

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

struct SpectrogramOptions {
  std::string file, out, kindName;
  std::optional<std::string> profile;
  std::optional<double> from, to;
  std::optional<int> width, height;
  std::vector<std::string> sets;
  bool colour = false;
};

int runSpectrogram(const SpectrogramOptions& o) {
  const auto& [file, outName, kindName, profile, from, to, width, height, sets, colour] = o;
  const std::string* out = &outName;
  const int kind = spectroKindByName(kindName);
  PgmImageSize size = pgmImageSize();
  if (width) size.width = *width;
  if (height) size.height = *height;
  if (static_cast<std::int64_t>(size.width) * size.height > kMaxImagePixels)
    return refuse("--width and --height give at most " + std::to_string(kMaxImagePixels) + " pixels in all");
  const double fromMs = from.value_or(0.0), toMs = to.value_or(0.0);
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
  if (!describeForReading(file, profile, info) || !isSeparateOutput(*out, info.nom)) return 1;
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

}  // namespace

std::vector<std::string> spectrogramKinds() {
  std::vector<std::string> names;
  std::string all = spectroKindNames();
  for (std::size_t at = 0; at <= all.size();) {
    const std::size_t bar = std::min(all.find('|', at), all.size());
    names.push_back(all.substr(at, bar - at));
    at = bar + 1;
  }
  return names;
}

void addSpectrogram(Commands& commands) {
  auto o = std::make_shared<SpectrogramOptions>();
  CLI::App* c = commands.add("spectrogram", "spectrogram image of a file or a stretch", [o] { return runSpectrogram(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  oneOf(c->add_option("--kind", o->kindName, "the kind of spectrogram")->required(), spectrogramKinds());
  c->add_option("--from", o->from, "start of the stretch")->transform(number(0.0, 1e12))->type_name("MS");
  c->add_option("--to", o->to, "end of the stretch")->transform(number(0.0, 1e12))->type_name("MS");
  c->add_option("--width", o->width, "image width")->transform(whole(1, kMaxImageWidth))->type_name("N");
  c->add_option("--height", o->height, "image height")->transform(whole(1, kMaxImageHeight))->type_name("N");
  c->add_option("--set", o->sets, "a parameter of the kind (repeated for more)")
      ->allow_extra_args(false)
      ->type_name("NAME=VALUE ...");
  c->add_flag("--colour", o->colour, "colours (PNG only) instead of grey levels");
  addProfileOption(c, o->profile);
  addThreadsOption(c);
  c->add_option("-o", o->out, "the image written")->required()->type_name("OUT.pgm|OUT.png");
}

}  // namespace ardv::cli
