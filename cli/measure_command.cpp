// ardv-cli measure FILE|DIR [--tier phonemes|words] [--phonemes "SEQ"] [--word TEXT]
//   [--ext EXT] [--labels-dir D --labels-ext EXT --labels-kind K] [--profile NAME]
//   [--speaker any|female|male] [--voice-f0-floor HZ] [--measures LIST] [--method mccandless|snake]
//   [--ceiling auto|HZ] [--format csv|tsv] [--files-from LIST] [--shard I/N] [-o OUT.csv]:
// the measurement table of the segments of one recording or of a corpus, one
// file at a time (memory bounded by the largest file), then
// "N files measured, M segments, K failed"; status 1 when K > 0.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "annotation/label_files.h"
#include "cli/commands.h"
#include "cli/corpus_files.h"
#include "cli/signal_options.h"
#include "formants/formant_options.h"
#include "measurement/segment_table.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/writable_target.h"

namespace ardv::cli {

bool speakerTypeByName(const std::string& name, int& type);

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: ardv-cli measure FILE|DIR [--tier phonemes|words] [--phonemes \"SEQ[;SEQ...]\" | --word TEXT]\n"
               "         [--ext EXT] [--labels-dir D] [--labels-ext EXT] [--labels-kind K] [--profile NAME]\n"
               "         [--speaker any|female|male] [--voice-f0-floor HZ] [--measures f0,formants,intensity]\n"
               "         [--method mccandless|snake] [--ceiling auto|HZ]\n"
               "         [--format csv|tsv] [--files-from LIST] [--shard I/N] [-o OUT.csv]\n");
  return 2;
}

bool parseMeasures(const std::string& text, MeasureWhat& what) {
  what = MeasureWhat{false, false, false};
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (item == "f0") what.f0 = true;
    else if (item == "formants") what.formants = true;
    else if (item == "intensity") what.intensity = true;
    else if (item != "duration") return false;
  }
  return true;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int runMeasure(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto tier = takeOption(args, "--tier", missing);
  const auto phonemes = takeOption(args, "--phonemes", missing);
  const auto word = takeOption(args, "--word", missing);
  const auto ext = takeOption(args, "--ext", missing);
  const auto labelDir = takeOption(args, "--labels-dir", missing);
  const auto labelExt = takeOption(args, "--labels-ext", missing);
  const auto labelKind = takeOption(args, "--labels-kind", missing);
  const auto profile = takeOption(args, "--profile", missing);
  const auto speaker = takeOption(args, "--speaker", missing);
  const auto f0Floor = takeOption(args, "--voice-f0-floor", missing);
  const auto measures = takeOption(args, "--measures", missing);
  const auto method = takeOption(args, "--method", missing);
  const auto ceiling = takeOption(args, "--ceiling", missing);
  const auto format = takeOption(args, "--format", missing);
  const auto out = takeOption(args, "-o", missing);
  if (missing || (phonemes && word) || (tier && *tier != "phonemes" && *tier != "words")) return usage();

  SegmentRequest request;
  request.words = word.has_value() || (tier && *tier == "words");
  if (phonemes && request.words) return usage();
  MeasureSettings settings;
  int type = -1;
  if (speaker && !speakerTypeByName(*speaker, type)) return usage();
  settings.f0Params = speakerF0Params(type);
  settings.formantOptions = formantOptions();
  settings.formantOptions.ceilingHz = 0.0;  // chosen per stretch, as `formants` does
  settings.energyParams = EnergyParams{};
  if (ceiling && *ceiling != "auto") {
    char* end = nullptr;
    settings.formantOptions.ceilingHz = std::strtod(ceiling->c_str(), &end);
    if (ceiling->empty() || !end || *end || settings.formantOptions.ceilingHz == 0.0) return usage();
  }
  if (f0Floor) {
    char* end = nullptr;
    settings.formantOptions.voiceF0FloorHz = std::strtod(f0Floor->c_str(), &end);
    if (f0Floor->empty() || !end || *end) return usage();
  }
  if (const std::string problem = formantOptionsProblem(settings.formantOptions); !problem.empty()) {
    std::fprintf(stderr, "ardv-cli measure: %s\n", problem.c_str());
    return 2;
  }
  if (measures && !parseMeasures(*measures, settings.what)) return usage();
  if (method && *method != "mccandless" && *method != "snake") return usage();
  settings.snakeFormants = method && *method == "snake";
  if (ceiling && settings.snakeFormants) return usage();
  const bool tsv = format ? *format == "tsv" : (out && endsWith(*out, ".tsv"));
  if (format && *format != "csv" && *format != "tsv") return usage();

  LabelSource source;
  source.labelKind = labelKind ? labelFileCodeByName(*labelKind, request.words) : 1;
  if (source.labelKind == 0) return usage();
  source.labelExt = labelExt ? *labelExt : (request.words ? ".wrd" : ".lab");
  if (source.labelExt[0] != '.') source.labelExt = "." + source.labelExt;
  if (labelDir) source.labelDir = *labelDir;
  if (profile && (source.formatIndex = profileIndexByName(*profile)) < 0) return 1;
  if (word) request.word = *word;
  if (phonemes) {
    std::string unknown;
    request.sequences = parseSequences(*phonemes, unknown);
    if (!unknown.empty() || request.sequences.empty()) {
      message("Not phonemes or classes of the language file: " + (unknown.empty() ? *phonemes : unknown));
      return 1;
    }
  }

  std::string extension = ext ? *ext : ".wav";
  if (extension.empty() || extension[0] != '.') extension = "." + extension;
  CorpusFiles corpus;
  std::error_code ec;
  if (args.size() == 1 && std::filesystem::is_regular_file(args[0], ec)) {
    corpus.files.emplace_back(args[0]);
  } else if (const int status = takeCorpusFiles(args, extension, corpus); status != 0) {
    return status == 2 ? usage() : status;
  }

  const std::string target = out ? *out : "/dev/stdout";
  for (const auto& f : corpus.files)
    if (out && !isSeparateOutput(*out, f.string())) return 1;
  ReplacingFile table(target);
  if (!table.open()) {
    message("Cannot write " + target + ": " + table.error());
    return 1;
  }
  const char separator = tsv ? '\t' : ',';
  bool written = table.write(segmentTableHeader(separator));
  int measured = 0, failed = corpus.unreadable;
  long segments = 0;
  for (const auto& path : corpus.files) {
    infoFile info;
    notetiqs list;
    if (!readRecording(path, request, source, info, list)) {
      ++failed;
      continue;
    }
    if (list.segmentCount() == 0)
      message(path.string() + ": no " + (request.words ? "word" : "phoneme") + " labels; nothing measured.");
    const auto spans = requestedSegments(list, request);
    const bool ok = measureSegments(info, list, spans, request, settings, path.string(), [&](const SegmentRow& row) {
      written = written && table.write(segmentTableLine(row, separator));
      ++segments;
    });
    if (!ok) ++failed;
    else ++measured;
    if (!written) break;
  }
  if (!written || !table.commit()) {
    message("Cannot write " + target + ": " + table.error());
    return 1;
  }
  std::fprintf(out ? stdout : stderr, "%d files measured, %ld segments, %d failed\n", measured, segments, failed);
  return failed > 0 ? 1 : 0;
}

}  // namespace ardv::cli
