// ardv-cli play FILE [--from MS --to MS] [--repeat N] [--profile NAME]: plays
// a signal file, or a stretch of it, on the default audio device and returns
// when it has been heard.
#include <algorithm>
#include <cmath>
#include <cstdio>
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

struct PlayOptions {
  std::string file;
  std::optional<std::string> profile;
  double fromMs = 0.0, toMs = std::numeric_limits<double>::infinity(), repeats = 1.0;
};

int runPlay(const PlayOptions& o) {
  const double fromMs = o.fromMs, toMs = o.toMs, repeats = o.repeats;
  if (toMs <= fromMs) return usageError("the stretch needs --to after --from");
  const std::string& file = o.file;
  infoFile info;
  if (!describeForReading(file, o.profile, info)) return 1;
  const std::int64_t total = info.sampleCount();
  const std::int64_t first = std::min(msToSamples(fromMs, info.frequence), total);
  const std::int64_t last = std::isinf(toMs) ? total : std::min(msToSamples(toMs, info.frequence), total);
  if (last <= first) {
    std::fprintf(stderr, "ardv-cli: nothing to play in %s\n", file.c_str());
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

}  // namespace

void addPlay(Commands& commands) {
  auto o = std::make_shared<PlayOptions>();
  CLI::App* c = commands.add("play", "play a signal or a stretch on the default audio device", [o] { return runPlay(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  const double forever = std::numeric_limits<double>::max();
  c->add_option("--from", o->fromMs, "start of the stretch")->transform(number(0.0, forever))->type_name("MS");
  c->add_option("--to", o->toMs, "end of the stretch")->transform(number(-forever, forever))->type_name("MS");
  c->add_option("--repeat", o->repeats, "times played")->transform(number(1.0, 1000.0))->type_name("N");
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
