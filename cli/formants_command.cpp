// ardv-cli formants FILE [-o OUT] [--method mccandless|snake] [--from MS --to MS]
// [--format for|tsv] [--profile NAME] [--voice-f0-floor HZ] [--ceiling auto|HZ]
// [--scores OUT]: F1–F3 tracks of a whole file, one "time_ms F1 F2 F3" line per
// frame, or one formant listing line per frame; a voice F0 floor of 250 Hz or
// more lowers the LPC order. The ceiling is chosen per stretch of voiced
// speech unless given; --scores writes each stretch's "first_ms last_ms
// chosen_Hz" and its score at every ceiling tried. The snake takes no ceiling.
// ardv-cli formant-candidates FILE --kind lpc|cepstral|true-envelope [-o OUT]
// [--from MS --to MS] [--profile NAME]: every candidate, one
// "time_ms frequency bandwidth amplitude" line each.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "formants/formant_tracks.h"
#include "klatt/formant_listing.h"
#include "klatt/klatt_table.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "signal/writable_target.h"

namespace ardv::cli {
namespace {

bool milliseconds(const std::optional<std::string>& text, double& value) {
  if (!text) return true;
  char* end = nullptr;
  const double v = std::strtod(text->c_str(), &end);
  if (text->empty() || !end || *end || !std::isfinite(v) || v < 0.0 || v > 1e10) return false;
  value = v;
  return true;
}

// The output: OUT through ReplacingFile (a pipe or device named by OUT
// written as the lines come), or standard output, written as the lines come.
class Output {
 public:
  explicit Output(const std::optional<std::string>& out) : file_(out ? *out : std::string()), named_(out.has_value()) {
    file_.streamInPlace();
  }
  bool open() {
    if (!named_ || file_.open()) return true;
    message("Cannot create " + file_.target().string() + ": " + file_.error());
    return false;
  }
  bool line(const char* text, int n) {
    if (named_) ok_ = ok_ && n > 0 && file_.write(text, static_cast<std::size_t>(n));
    else ok_ = ok_ && n > 0 && std::fwrite(text, 1, static_cast<std::size_t>(n), stdout) == static_cast<std::size_t>(n);
    return ok_;
  }
  // Standard output is checked once more when the program ends.
  bool commit() {
    if (!named_) return ok_;
    if (ok_ && file_.commit()) return true;
    message("erreur d'ecriture\r\n" + file_.target().string() + ": " + file_.error());
    return false;
  }

 private:
  ReplacingFile file_;
  bool named_;
  bool ok_ = true;
};

struct Range {
  std::int64_t first = 0;
  std::int64_t last = std::numeric_limits<std::int64_t>::max() / 4;
};

bool range(const std::optional<std::string>& from, const std::optional<std::string>& to, double fs, Range& r) {
  double a = 0.0, b = -1.0;
  if (!milliseconds(from, a) || !milliseconds(to, b)) return false;
  r.first = msToSamples(a, fs);
  if (to) r.last = msToSamples(b, fs);
  return !to || b > a;
}

long ms(std::int64_t sample, double fs) { return static_cast<long>(samplesToMs(static_cast<double>(sample), fs)); }

// A frame of the formant listing: F1–F3 as tracked, the parallel amplitude of
// the default record (the tracker measures no synthesizer amplitude), the
// tracked bandwidth or, where the tracker has none, the default cascade one
// (the default parallel one, 4003 Hz, would flatten the formant); F4–F6 and
// an untracked formant absent (0).
FormantListingFrame listingFrame(const FormantTrackRow& row, double fs) {
  static const KlattRecord defaults = initialKlattDefaults();
  FormantListingFrame f;
  f.dateMs = static_cast<std::int32_t>(ms(row.centre, fs));
  for (int k = 0; k < 3; ++k) {
    const double hz = row.frequencyHz[k];
    if (!(std::isfinite(hz) && hz > 0.0)) continue;
    const auto& group = klattGroups()[static_cast<std::size_t>(k + 1)];  // Fk, Ak, Bk, Bkp
    const double bw = row.bandwidthHz[k];
    f.formants[static_cast<std::size_t>(k)] = {hz, static_cast<double>(defaults[group.params[1]]),
                                               std::isfinite(bw) && bw > 0.0 ? bw : double(defaults[group.params[2]])};
  }
  return f;
}

}  // namespace

int runFormants(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto method = takeOption(args, "--method", missing);
  const auto from = takeOption(args, "--from", missing);
  const auto to = takeOption(args, "--to", missing);
  const auto format = takeOption(args, "--format", missing);
  const auto profile = takeOption(args, "--profile", missing);
  const auto f0Floor = takeOption(args, "--voice-f0-floor", missing);
  const auto ceiling = takeOption(args, "--ceiling", missing);
  const auto scoresOut = takeOption(args, "--scores", missing);
  FormantOptions options = formantOptions();
  options.ceilingHz = 0.0;
  if (ceiling && *ceiling != "auto") {
    char* end = nullptr;
    options.ceilingHz = std::strtod(ceiling->c_str(), &end);
    if (ceiling->empty() || !end || *end || options.ceilingHz == 0.0) options.ceilingHz = -1.0;
  }
  if (f0Floor) {
    char* end = nullptr;
    options.voiceF0FloorHz = std::strtod(f0Floor->c_str(), &end);
    if (f0Floor->empty() || !end || *end) options.voiceF0FloorHz = -1.0;
  }
  const bool snake = method && *method == "snake";
  if (missing || args.size() != 1 || (method && !snake && *method != "mccandless") ||
      (format && *format != "tsv" && *format != "for") || ((scoresOut || ceiling) && snake)) {
    std::fprintf(stderr,
                 "usage: ardv-cli formants FILE [-o OUT] [--method mccandless|snake] [--from MS --to MS] "
                 "[--format for|tsv] [--profile NAME] [--voice-f0-floor HZ] [--ceiling auto|HZ] [--scores OUT]\n");
    return 2;
  }
  if (const std::string problem = formantOptionsProblem(options); !problem.empty()) {
    std::fprintf(stderr, "ardv-cli formants: %s\n", problem.c_str());
    return 2;
  }
  const bool listing = format && *format == "for";
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  Range r;
  if (!range(from, to, info.frequence, r)) {
    std::fprintf(stderr, "ardv-cli formants: --from and --to take milliseconds, --to after --from\n");
    return 2;
  }
  if (out && !isSeparateOutput(*out, info.nom)) return 1;
  if (scoresOut && (!isSeparateOutput(*scoresOut, info.nom) || (out && *out == *scoresOut))) {
    if (out && *out == *scoresOut) message(*scoresOut + ": the tracks and the scores need two files");
    return 1;
  }
  Output o(out);
  if (!o.open()) return 1;
  std::optional<Output> scoreFile;
  if (scoresOut) {
    scoreFile.emplace(scoresOut);
    if (!scoreFile->open()) return 1;
  }
  const double fs = info.frequence;
  const std::vector<double> tried = options.ceilingHz == 0.0 ? automaticCeilings() : std::vector<double>{};
  auto scored = [&](const StretchScore& s) {
    std::string line = std::to_string(ms(s.firstCentre, fs)) + " " + std::to_string(ms(s.lastCentre, fs)) + " " +
                       std::to_string(static_cast<long>(tried[static_cast<std::size_t>(s.chosen)]));
    for (double v : s.scores) {
      char number[32];
      std::snprintf(number, sizeof number, " %.1f", v);
      line += number;
    }
    line += "\n";
    scoreFile->line(line.data(), static_cast<int>(line.size()));
  };
  const bool ok = formantTracksOfFile(info, r.first, r.last, snake ? TrackMethod::Snake : TrackMethod::McCandless,
                                      options, snakeParams(), [&](const FormantTrackRow& row) {
                                        if (listing) {
                                          std::string line;
                                          appendFormantListingLine(line, listingFrame(row, fs));
                                          return o.line(line.data(), static_cast<int>(line.size()));
                                        }
                                        char line[96];
                                        const int n = std::snprintf(line, sizeof line, "%ld %.0f %.0f %.0f\n",
                                                                    ms(row.centre, fs), row.frequencyHz[0],
                                                                    row.frequencyHz[1], row.frequencyHz[2]);
                                        return o.line(line, n);
                                      },
                                      scoreFile && !tried.empty() ? CeilingTracker::Score(scored) : CeilingTracker::Score{});
  return ok && o.commit() && (!scoreFile || scoreFile->commit()) ? 0 : 1;
}

int runFormantCandidates(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto kindText = takeOption(args, "--kind", missing);
  const auto from = takeOption(args, "--from", missing);
  const auto to = takeOption(args, "--to", missing);
  const auto profile = takeOption(args, "--profile", missing);
  CandidateKind kind = CandidateKind::Lpc;
  bool known = kindText.has_value();
  if (known) {
    if (*kindText == "cepstral") kind = CandidateKind::Cepstral;
    else if (*kindText == "true-envelope") kind = CandidateKind::TrueEnvelope;
    else known = *kindText == "lpc";
  }
  if (missing || args.size() != 1 || !known) {
    std::fprintf(stderr,
                 "usage: ardv-cli formant-candidates FILE --kind lpc|cepstral|true-envelope [-o OUT] "
                 "[--from MS --to MS] [--profile NAME]\n");
    return 2;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
  Range r;
  if (!range(from, to, info.frequence, r)) {
    std::fprintf(stderr, "ardv-cli formant-candidates: --from and --to take milliseconds, --to after --from\n");
    return 2;
  }
  if (out && !isSeparateOutput(*out, info.nom)) return 1;
  Output o(out);
  if (!o.open()) return 1;
  const double fs = info.frequence;
  const bool ok = formantCandidatesOfFile(info, r.first, r.last, kind, formantOptions(),
                                          [&](std::int64_t centre, const FormantCandidate& c) {
                                            char line[96];
                                            const int n = std::snprintf(line, sizeof line, "%ld\t%.1f\t%.1f\t%.1f\n",
                                                                        ms(centre, fs), c.frequencyHz, c.bandwidthHz,
                                                                        c.amplitudeDb);
                                            return o.line(line, n);
                                          });
  return ok && o.commit() ? 0 : 1;
}

}  // namespace ardv::cli
