// ardv-cli labels: lists the phoneme and word segments of a signal, converts
// them to and from the label-file kinds and Praat TextGrids, and writes them
// into a WAV copy of the signal.
//
//   labels FILE [--profile NAME] [--import KIND IN] [--export KIND OUT]
//               [--tier phonemes|words] [--language FILE.lng] [-o OUT.wav]
// KIND: qern, nist, sam, align (phonemes), vecsys, noisex (words), textgrid
// (both tiers). nist and sam serve either tier: --tier chooses (phonemes by
// default). The lists start from the "phon" and "word" chunks of a WAV FILE
// (empty for another file); --import replaces the list(s) of its kind (an
// import that reads no record keeps them, writes nothing and fails).
// Phoneme labels read from files are checked against the language file of
// ardv.ini, or the one given with --language (in the format directory).
// Without --export or -o the segments are listed (with --tier, those of that
// tier only), control characters of labels escaped as \xHH.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "annotation/label_files.h"
#include "annotation/label_text.h"
#include "annotation/textgrid.h"
#include "cli/commands.h"
#include "cli/signal_options.h"
#include "labels/phonetic_description.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "signal/write_sound_file.h"

namespace ardv::cli {
namespace {

constexpr const char* kKinds = "qern, nist, sam, align, vecsys, noisex, textgrid";

void list(const char* title, const notetiqs& marks, double frequence) {
  std::printf("%s: %d segments\n", title, marks.segmentCount());
  for (int i = 0; i + 1 < marks.count(); ++i) {
    const std::int32_t a = marks.position(i), b = marks.position(i + 1);
    std::printf("  %10d %10d %9lld ms %9lld ms  %s\n", a, b, static_cast<long long>(samplesToMs(a, frequence)),
                static_cast<long long>(samplesToMs(b, frequence)), labeltext::escapeControls(marks.Text(i)).c_str());
  }
}

bool writeWavCopy(const infoFile& in, const std::string& name, const notetiqs& phon, const notetiqs& word) {
  if (!isSeparateOutput(name, in.nom)) return false;
  infoFile out;
  out.nom = name;
  out.frequence = in.frequence;
  if (!isWavName(name)) {
    message(name + "\r\nis not a WAV name: the lists can only be written into a WAV file.");
    return false;
  }
  if (!init_infoFile_write(out)) return false;
  writeSoundFile writer(out);
  writer.setSource(in, in.depl, in.longueur, 0, 0);
  const std::int64_t tf = in.sampleCount();
  FitCount phonFit, wordFit;
  const notetiqs phonFitted = fittedCopy(phon, tf, &phonFit), wordFitted = fittedCopy(word, tf, &wordFit);
  for (const notetiq& m : phonFitted.items()) writer.addPhon(m.limite, m.text);
  for (const notetiq& m : wordFitted.items()) writer.addWord(m.limite, m.text);
  if (writer.flush() != 0) return false;
  reportFit(phonFit, name, tf);
  reportFit(wordFit, name, tf);
  return true;
}

struct LabelsOptions {
  std::string file;
  std::optional<std::string> profile, tier, output, language;
  std::vector<std::string> importPair, exportPair;  // KIND PATH
};

int runLabels(const LabelsOptions& o) {
  const auto& [file, profile, tier, output, language, importPair, exportPair] = o;
  std::optional<std::pair<std::string, std::string>> import, exportTo;
  if (importPair.size() == 2) import = std::make_pair(importPair[0], importPair[1]);
  if (exportPair.size() == 2) exportTo = std::make_pair(exportPair[0], exportPair[1]);
  const bool wordsTier = tier && *tier == "words";
  LabelFileFormat importKind, exportKind;
  for (const auto& [option, pair, kind] : {std::tuple{"--import", &import, &importKind}, {"--export", &exportTo, &exportKind}})
    if (*pair && !labelFileFormatByName((*pair)->first, wordsTier, *kind))
      return usageError(std::string(option) + " " + (*pair)->first + ": KIND is one of " + kKinds + " (of the " +
                        (wordsTier ? "words" : "phonemes") + " tier for nist and sam)");

  // An import that cannot be read at all writes nothing (bad lines only are reported and skipped).
  std::error_code error;
  if (import && !std::filesystem::is_regular_file(import->second, error)) {
    message(import->second + " cannot be read: it does not exist or is not a file.");
    return 1;
  }
  infoFile info;
  if (!describeForReading(file, profile, info)) return 1;
  const Program& prog = program();
  const std::string languageFile = language ? *language : prog.settings.languageFile;
  if (!languageFile.empty() && !loadLanguageDescription(prog.dirs.format, languageFile)) return 1;

  notetiqs phon, word;
  bool ok = true;
  const std::int64_t tf = info.sampleCount();
  if (isWavName(info.nom)) {
    ok = readnotetiqs(info.nom, phon, info.etiqdepl, info.etiqlongueur, tf);
    ok = readnotetiqs(info.nom, word, info.notedepl, info.notelongueur, tf) && ok;
  }
  if (import) {
    if (importKind.textGrid) {
      if (!importTextGrid(import->second, info.frequence, tf, phon, word)) return 1;
    } else {
      const infoFile from = labelFileTarget(info, importKind, import->second);
      // Reports of unknown labels or bad lines keep the segments read; a file
      // that gives no record keeps the list and fails.
      notetiqs read;
      const bool whole = importKind.words ? readAnnotations(read, from) : readLabels(read, from);
      if (!whole && read.empty()) return 1;
      if (read.segmentCount() == 0) {
        message("no records read from " + import->second + ": the " + (importKind.words ? "word" : "phoneme") +
                " list is kept and nothing is written.");
        return 1;
      }
      (importKind.words ? word : phon) = std::move(read);
      ok = whole && ok;
    }
  }
  if (exportTo) {
    if (!isSeparateOutput(exportTo->second, info.nom)) return 1;
    bool written = false;
    if (exportKind.textGrid) {
      written = exportTextGrid(exportTo->second, phon, word, info.frequence, tf);
    } else {
      const infoFile to = labelFileTarget(info, exportKind, exportTo->second);
      written = exportKind.words ? writeAnnotations(word, to, tf) : writeLabels(phon, to, tf);
    }
    if (!written) return 1;
  }
  if (output && !writeWavCopy(info, *output, phon, word)) return 1;
  if (!exportTo && !output) {
    if (!tier || !wordsTier) list("phonemes", phon, info.frequence);
    if (!tier || wordsTier) list("words", word, info.frequence);
    std::fflush(stdout);
  }
  return ok ? 0 : 1;
}

}  // namespace

void addLabels(Commands& commands) {
  auto o = std::make_shared<LabelsOptions>();
  CLI::App* c = commands.add(
      "labels",
      std::string("list, import or export the phoneme and word segments (KIND: ") + kKinds +
          "); without --export or -o the segments are listed (with --tier, those of that tier only), control "
          "characters in labels shown as \\xHH",
      [o] { return runLabels(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  addProfileOption(c, o->profile);
  c->add_option("--import", o->importPair, "replace the list(s) of that kind with the file IN")
      ->expected(2)
      ->type_name("KIND IN");
  c->add_option("--export", o->exportPair, "write the list(s) as a file of that kind")->expected(2)->type_name("KIND OUT");
  oneOf(c->add_option("--tier", o->tier, "the tier listed, or of nist and sam files (default phonemes)"),
        {"phonemes", "words"});
  c->add_option("--language", o->language, "the language file checking phoneme labels (default: that of ardv.ini)")
      ->type_name("FILE.lng");
  c->add_option("-o", o->output, "a WAV copy of the signal with the lists")->type_name("OUT.wav");
}

}  // namespace ardv::cli
