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

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

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

// Usage on `out`; status 0 when asked for (--help), 2 after a wrong request.
int usage(std::FILE* out, int status) {
  std::fprintf(out,
               "usage: ardv-cli labels FILE [--profile NAME] [--import KIND IN] [--export KIND OUT]\n"
               "                            [--tier phonemes|words] [--language FILE.lng] [-o OUT.wav]\n"
               "KIND: qern, nist, sam, align, vecsys, noisex, textgrid\n"
               "Without --export or -o the segments are listed (with --tier, those of that tier only);\n"
               "control characters in labels are shown as \\xHH.\n");
  std::fflush(out);
  return status;
}
int usage() { return usage(stderr, 2); }

// Takes "NAME KIND PATH" out of args.
bool takePair(Args& args, const std::string& name, std::optional<std::pair<std::string, std::string>>& out) {
  const auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return true;
  if (args.end() - it < 3) return false;
  out = std::make_pair(*(it + 1), *(it + 2));
  args.erase(it, it + 3);
  return true;
}

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

}  // namespace

int runLabels(const Args& arguments) {
  if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) return usage(stdout, 0);
  Args args = arguments;
  bool missing = false;
  const auto profile = takeOption(args, "--profile", missing);
  const auto tier = takeOption(args, "--tier", missing);
  const auto output = takeOption(args, "-o", missing);
  const auto language = takeOption(args, "--language", missing);
  std::optional<std::pair<std::string, std::string>> import, exportTo;
  if (!takePair(args, "--import", import) || !takePair(args, "--export", exportTo)) missing = true;
  if (missing || args.size() != 1 || (tier && *tier != "phonemes" && *tier != "words")) return usage();
  const bool wordsTier = tier && *tier == "words";
  LabelFileFormat importKind, exportKind;
  if ((import && !labelFileFormatByName(import->first, wordsTier, importKind)) ||
      (exportTo && !labelFileFormatByName(exportTo->first, wordsTier, exportKind)))
    return usage();

  // An import that cannot be read at all writes nothing (bad lines only are reported and skipped).
  std::error_code error;
  if (import && !std::filesystem::is_regular_file(import->second, error)) {
    message(import->second + " cannot be read: it does not exist or is not a file.");
    return 1;
  }
  infoFile info;
  if (!describeForReading(args[0], profile, info)) return 1;
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

}  // namespace ardv::cli
