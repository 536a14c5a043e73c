// ardv-cli play FILE [--from MS --to MS] [--repeat N] [--profile NAME]: plays
// a signal file, or a stretch of it, on the default audio device and returns
// when it has been heard.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <span>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "platform/alsa/alsa_audio.h"
#include "platform/audio_device.h"
#include "prosody/playback.h"
#include "signal/buffers.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"

namespace ardv::cli {
namespace {

bool parseNumber(const std::optional<std::string>& text, double& value) {
  if (!text) return true;
  char* end = nullptr;
  value = std::strtod(text->c_str(), &end);
  return end != text->c_str() && *end == '\0' && std::isfinite(value);
}

}  // namespace

int runPlay(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto profile = takeOption(args, "--profile", missing);
  const auto from = takeOption(args, "--from", missing);
  const auto to = takeOption(args, "--to", missing);
  const auto repeat = takeOption(args, "--repeat", missing);
  double fromMs = 0.0, toMs = std::numeric_limits<double>::infinity(), repeats = 1.0;
  if (missing || args.size() != 1 || !parseNumber(from, fromMs) || !parseNumber(to, toMs) ||
      !parseNumber(repeat, repeats) || fromMs < 0.0 || toMs <= fromMs || repeats < 1.0 || repeats > 1000.0) {
    std::fprintf(stderr, "usage: ardv-cli play FILE [--from MS --to MS] [--repeat N] [--profile NAME]\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  const std::int64_t total = info.sampleCount();
  const std::int64_t first = std::min(msToSamples(fromMs, info.frequence), total);
  const std::int64_t last = std::isinf(toMs) ? total : std::min(msToSamples(toMs, info.frequence), total);
  if (last <= first) {
    std::fprintf(stderr, "ardv-cli: nothing to play in %s\n", args[0].c_str());
    return 1;
  }
  if (last - first >= std::numeric_limits<std::int32_t>::max()) {
    std::fprintf(stderr, "ardv-cli: the stretch is too long to be played\n");
    return 1;
  }
  const auto count = static_cast<std::int32_t>(last - first);
  SHORTbuf samples(count, "playback samples");
  if (samples.size() != count || lireSignal(info, info.depl + 2 * first, samples, 0, count) != count) return 1;
  installAlsaDevices();
  const int played = play(audioOutput(), std::span<const std::int16_t>(samples.data(), samples.size()),
                          static_cast<int>(std::lround(info.frequence)), static_cast<int>(repeats));
  uninstallAlsaDevices();
  return played > 0 ? 0 : 1;
}

}  // namespace ardv::cli
