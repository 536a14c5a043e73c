// ardv-cli measure FILE|DIR [--tier phonemes|words] [--phonemes "SEQ"] [--word TEXT]
//   [--ext EXT] [--labels-dir D --labels-ext EXT --labels-kind K] [--profile NAME]
//   [--speaker any|female|male] [--voice-f0-floor HZ] [--measures LIST] [--method mccandless|snake]
//   [--ceiling auto|HZ] [--format csv|tsv] [--files-from LIST] [--shard I/N] [-o OUT.csv]:
// the measurement table of the segments of one recording or of a corpus, one
// file at a time (memory bounded by the largest file), then
// "N files measured, M segments, K failed"; status 1 when K > 0.
#include <cmath>
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

namespace {

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

struct MeasureOptions {
  CorpusOptions corpus;
  std::optional<std::string> tier, phonemes, word, ext, labelDir, labelExt, labelKind, profile, measures, method,
      format, out;
  std::optional<double> ceilingHz, f0FloorHz;
  bool ceilingGiven = false;
  int type = -1;
};

int runMeasure(const MeasureOptions& o) {
  const auto& [corpusOptions, tier, phonemes, word, ext, labelDir, labelExt, labelKind, profile, measures, method,
               format, out, ceilingHz, f0FloorHz, ceilingGiven, type] = o;
  SegmentRequest request;
  request.words = word.has_value() || (tier && *tier == "words");
  if (phonemes && request.words) return usageError("--phonemes are sought in the phoneme tier, not the words");
  MeasureSettings settings;
  settings.f0Params = speakerF0Params(type);
  settings.formantOptions = formantOptions();
  settings.formantOptions.ceilingHz = 0.0;  // chosen per stretch, as `formants` does
  settings.energyParams = EnergyParams{};
  if (ceilingHz) settings.formantOptions.ceilingHz = *ceilingHz;
  if (f0FloorHz) settings.formantOptions.voiceF0FloorHz = *f0FloorHz;
  if (const std::string problem = formantOptionsProblem(settings.formantOptions); !problem.empty())
    return usageError(problem);
  if (measures && !parseMeasures(*measures, settings.what))
    return usageError("--measures takes f0, formants, intensity or duration, comma-separated, not " + *measures);
  settings.snakeFormants = method && *method == "snake";
  if (ceilingGiven && settings.snakeFormants) return usageError("--method snake takes no --ceiling");
  const bool tsv = format ? *format == "tsv" : (out && endsWith(*out, ".tsv"));

  LabelSource source;
  source.labelKind = labelKind ? labelFileCodeByName(*labelKind, request.words) : 1;
  if (source.labelKind == 0)
    return usageError("--labels-kind " + *labelKind + " is not a layout of " + (request.words ? "words" : "phonemes") +
                      kLayouts);
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
  if (corpusOptions.dir && !corpusOptions.list && corpusOptions.shardCount == 1 &&
      std::filesystem::is_regular_file(*corpusOptions.dir, ec)) {
    corpus.files.emplace_back(*corpusOptions.dir);
  } else if (const int status = corpusFiles(corpusOptions, extension, corpus); status != 0) {
    return status;
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

}  // namespace

void addMeasure(Commands& commands) {
  auto o = std::make_shared<MeasureOptions>();
  CLI::App* c = commands.add("measure",
                             "the measurement table of segments: duration, F0 statistics, F1-F3 at 25/50/75 %, intensity",
                             [o] { return runMeasure(*o); });
  c->add_option("PATH", o->corpus.dir, "a signal file, or a directory of them");
  oneOf(c->add_option("--tier", o->tier, "the tier measured (default phonemes)"), {"phonemes", "words"});
  CLI::Option* phonemes =
      c->add_option("--phonemes", o->phonemes, "only these sequences of phonemes and [classes], comma-separated")
          ->type_name("\"SEQ[;SEQ...]\"");
  c->add_option("--word", o->word, "only this word")->type_name("TEXT")->excludes(phonemes);
  c->add_option("--ext", o->ext, "extension of the signal files (default .wav)")->type_name("EXT");
  c->add_option("--labels-dir", o->labelDir, "directory of the label files (default: beside the signal)")
      ->type_name("D");
  c->add_option("--labels-ext", o->labelExt, "extension of the label files (default .lab, or .wrd for words)")
      ->type_name("EXT");
  c->add_option("--labels-kind", o->labelKind, std::string("layout of the label files") + kLayouts)->type_name("K");
  addProfileOption(c, o->profile);
  addSpeakerOption(c, o->type);
  c->add_option("--voice-f0-floor", o->f0FloorHz, "voice F0 floor (250 Hz or more lowers the LPC order)")
      ->transform(number(-HUGE_VAL, HUGE_VAL))
      ->type_name("HZ");
  c->add_option("--measures", o->measures, "what is measured besides the duration (default all)")
      ->type_name("f0,formants,intensity");
  oneOf(c->add_option("--method", o->method, "formant tracker (default mccandless)"), {"mccandless", "snake"});
  addCeilingOption(c, o->ceilingHz, o->ceilingGiven);
  oneOf(c->add_option("--format", o->format, "table format (default csv, or tsv for an OUT ending in .tsv)"),
        {"csv", "tsv"});
  addCorpusOptions(c, o->corpus);
  c->add_option("-o", o->out, "the table (default: standard output)")->type_name("OUT.csv");
}

}  // namespace ardv::cli
