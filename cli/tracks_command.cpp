// ardv-cli tracks FILE [--to kle|kla|for] [--step MS] -o OUT: converts
// between Klatt parameter files (".kla", ".klf", ".kle") and formant
// listings ("*.for") through the formant window's track groups, with the
// same reading rules (pieces where a key parameter leaves its default,
// resampled at the step).
#include <climits>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "klatt/formant_listing.h"
#include "klatt/klatt_records.h"
#include "klatt/klatt_stretches.h"
#include "klatt/klatt_tracks.h"
#include "platform/report.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv::cli {
namespace {

enum class Kind { parameters, listing, unknown };

// A parameter file starts with its type word, a listing with "date". What
// is not a regular file goes to the parameter reader, which says why.
Kind kindOf(const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return Kind::parameters;
  std::ifstream in(file, std::ios::binary);
  std::string word;
  if (!(in >> std::setw(8) >> word)) return Kind::unknown;
  if (klattColumnsOfType(word)) return Kind::parameters;
  return word == "date" ? Kind::listing : Kind::unknown;
}

std::string extensionOf(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos || name.find('/', dot) != std::string::npos ? std::string() : name.substr(dot + 1);
}

struct TracksOptions {
  std::string in, outName;
  std::optional<std::string> to;
  int step = 0;
};

int runTracks(const TracksOptions& given) {
  const auto& [in, outName, to, step] = given;
  const std::string* out = &outName;
  if (in.rfind("-", 0) == 0) return usageError("FILE " + in + " looks like an option");
  const std::string format = to ? *to : extensionOf(*out);
  if (!isSeparateOutput(*out, in)) return 1;

  KlattTracks tracks;
  const Kind kind = kindOf(in);
  if (kind == Kind::parameters) {
    // Read and written a stretch at a time: memory does not grow with the file.
    tracks.stepMs = step ? step : klattFileFrameStep(in).value_or(kInitialStepMs);
    const int columns = format == "for" ? 0 : format == "kla" ? 41 : 56;
    return convertKlattFile(in, *out, columns, tracks.stepMs, tracks.frequence, tracks.defaults) ? 0 : 1;
  } else if (kind == Kind::unknown) {
    message(text(6462) + "\n" + in);
    return 1;
  } else {
    std::vector<FormantListingFrame> frames;
    tracks.stepMs = step ? step : kInitialStepMs;
    if (!step && !readFormantListing(in, frames)) return 1;  // reported
    if (!step && frames.size() >= 2) {
      const std::int64_t d = static_cast<std::int64_t>(frames[1].dateMs) - frames[0].dateMs;
      if (d >= 1 && d <= 1000) tracks.stepMs = static_cast<int>(d);
    }
    if (!tracks.openFormants(in)) return 1;
  }
  if (tracks.empty() && tracks.fileFrames.empty()) {
    message(in + ": no frame to write: no formant has a frequency above 0; " + *out + " was not written");
    return 1;
  }
  bool ok;
  if (format == "for")
    ok = tracks.writeFormants(*out, INT32_MIN, INT32_MAX);
  else
    ok = tracks.write(*out, format == "kla" ? 41 : 56, INT32_MIN, INT32_MAX);
  return ok ? 0 : 1;
}

}  // namespace

void addTracks(Commands& commands) {
  auto o = std::make_shared<TracksOptions>();
  CLI::App* c = commands.add("tracks", "convert between Klatt parameter files (.kla .klf .kle) and formant listings (.for)",
                             [o] { return runTracks(*o); });
  c->add_option("FILE", o->in, "the parameter file or formant listing")->required();
  oneOf(c->add_option("--to", o->to, "the format written (default: OUT's extension)"), {"kle", "kla", "for"});
  c->add_option("--step", o->step, "frame step (default: that of FILE)")->transform(whole(1, 1000))->type_name("MS");
  c->add_option("-o", o->outName, "the file written")->required()->type_name("OUT");
}

}  // namespace ardv::cli
