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
#include <limits>
#include <optional>
#include <functional>
#include <memory>
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

bool range(const std::optional<double>& from, const std::optional<double>& to, double fs, Range& r) {
  const double a = from.value_or(0.0), b = to.value_or(-1.0);
  r.first = msToSamples(a, fs);
  if (to) r.last = msToSamples(b, fs);
  return !to || b > a;
}

// FILE, -o, --from, --to and --profile of both commands.
struct StretchOptions {
  std::string file;
  std::optional<std::string> out, profile;
  std::optional<double> from, to;
};

CLI::App* addStretchCommand(Commands& commands, const char* name, const char* summary, StretchOptions& o,
                            std::function<int()> run) {
  CLI::App* c = commands.add(name, summary, std::move(run));
  c->add_option("FILE", o.file, "the signal file")->required();
  c->add_option("-o", o.out, "the listing (default: standard output)")->type_name("OUT");
  c->add_option("--from", o.from, "start of the stretch")->transform(number(0.0, 1e10))->type_name("MS");
  c->add_option("--to", o.to, "end of the stretch")->transform(number(0.0, 1e10))->type_name("MS");
  addProfileOption(c, o.profile);
  return c;
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

struct FormantsOptions : StretchOptions {
  std::optional<std::string> method, format, scoresOut;
  std::optional<double> ceilingHz, f0FloorHz;
  bool ceilingGiven = false;
};

int runFormants(const FormantsOptions& given) {
  const auto& out = given.out;
  const auto& method = given.method;
  const auto& scoresOut = given.scoresOut;
  FormantOptions options = formantOptions();
  options.ceilingHz = given.ceilingHz.value_or(0.0);
  if (given.f0FloorHz) options.voiceF0FloorHz = *given.f0FloorHz;
  const bool snake = method && *method == "snake";
  if ((scoresOut || given.ceilingGiven) && snake) return usageError("--method snake takes no --ceiling and no --scores");
  if (const std::string problem = formantOptionsProblem(options); !problem.empty()) return usageError(problem);
  const bool listing = given.format && *given.format == "for";
  infoFile info;
  if (!describeForReading(given.file, given.profile, info)) return 1;
  Range r;
  if (!range(given.from, given.to, info.frequence, r)) return usageError("the stretch needs --to after --from");
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

struct CandidateOptions : StretchOptions {
  std::string kindName;
};

int runFormantCandidates(const CandidateOptions& given) {
  const auto& out = given.out;
  const CandidateKind kind = given.kindName == "cepstral"        ? CandidateKind::Cepstral
                             : given.kindName == "true-envelope" ? CandidateKind::TrueEnvelope
                                                             : CandidateKind::Lpc;
  infoFile info;
  if (!describeForReading(given.file, given.profile, info)) return 1;
  Range r;
  if (!range(given.from, given.to, info.frequence, r)) return usageError("the stretch needs --to after --from");
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

}  // namespace

void addFormants(Commands& commands) {
  auto o = std::make_shared<FormantsOptions>();
  CLI::App* c = addStretchCommand(commands, "formants", "F1-F3 tracks of a whole file (\"time_ms F1 F2 F3\" lines)", *o,
                                  [o] { return runFormants(*o); });
  oneOf(c->add_option("--method", o->method, "the tracker (default mccandless)"), {"mccandless", "snake"});
  oneOf(c->add_option("--format", o->format, "formant listing lines (for) instead of time_ms F1 F2 F3 (tsv)"),
        {"for", "tsv"});
  c->add_option("--voice-f0-floor", o->f0FloorHz, "voice F0 floor (250 Hz or more lowers the LPC order)")
      ->transform(number(-HUGE_VAL, HUGE_VAL))
      ->type_name("HZ");
  addCeilingOption(c, o->ceilingHz, o->ceilingGiven);
  c->add_option("--scores", o->scoresOut, "each stretch's chosen ceiling and its score at every ceiling tried")
      ->type_name("OUT");
}

void addFormantCandidates(Commands& commands) {
  auto o = std::make_shared<CandidateOptions>();
  CLI::App* c = addStretchCommand(commands, "formant-candidates",
                                  "every formant candidate (time_ms, frequency, bandwidth, amplitude)", *o,
                                  [o] { return runFormantCandidates(*o); });
  oneOf(c->add_option("--kind", o->kindName, "the candidates' source")->required(), {"lpc", "cepstral", "true-envelope"});
}

}  // namespace ardv::cli
