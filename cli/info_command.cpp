// ardv-cli info FILE [--profile NAME]: describes a signal file (a non-WAV one
// through its format profile) as the "Details" box does:
// sampling frequency, length, where the samples and the annotation chunks are,
// and the first labels of both annotation lists.

#include <algorithm>
#include <cstdio>
#include <string>

#include "annotation/label_text.h"
#include "cli/commands.h"
#include "cli/signal_options.h"
#include "labels/notetiqs.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile.h"
#include "signal/time_conversion.h"
#include "signal/wavfile.h"

namespace ardv::cli {
namespace {

constexpr int kLabelsShown = 10;

std::string chunkExtent(std::int64_t offset, std::int64_t size) {
  if (size == 0) return "none";
  return "offset " + std::to_string(offset) + ", " + std::to_string(size) + " bytes";
}

// "count: label label ..." with the first labels; "_" stands for an unlabelled
// segment; control characters are shown as \xHH.
std::string segmentSummary(const notetiqs& list) {
  std::string out = std::to_string(list.segmentCount());
  int shown = std::min(list.segmentCount(), kLabelsShown);
  if (shown > 0) out += ":";
  for (int i = 0; i < shown; ++i) {
    const std::string& label = list.items()[static_cast<std::size_t>(i)].text;
    out += " " + (label.empty() ? std::string("_") : labeltext::escapeControls(label));
  }
  if (list.segmentCount() > shown) out += " ...";
  return out;
}

void printLine(const char* key, const std::string& value) { std::printf("%-20s%s\n", key, value.c_str()); }

struct InfoOptions {
  std::string file;
  std::optional<std::string> profile;
};

int runInfo(const InfoOptions& o) {
  const auto& profile = o.profile;
  infoFile info;
  if (!describeForReading(o.file, profile, info)) return 1;
  if (!isWavName(info.nom)) {
    printLine("File:", info.nom);
    printLine("Format profile:", *profile);
    printLine("Sampling frequency:", std::to_string(static_cast<long long>(info.frequence)) + " Hz");
    printLine("Samples:", std::to_string(info.sampleCount()));
    printLine("Duration:", std::to_string(samplesToMs(static_cast<double>(info.sampleCount()), info.frequence)) + " ms");
    printLine("Data:", chunkExtent(info.depl, info.longueur));
    printLine("Significant bits:", std::to_string(info.nb_bits));
    printLine("Byte order:", info.swap ? "most significant byte first" : "least significant byte first");
    std::fflush(stdout);
    return 0;
  }

  const std::int64_t samples = info.sampleCount();
  notetiqs phonemes, words;
  bool ok = readnotetiqs(info.nom, phonemes, info.etiqdepl, info.etiqlongueur, samples);
  ok = readnotetiqs(info.nom, words, info.notedepl, info.notelongueur, samples) && ok;

  printLine("File:", info.nom);
  printLine("Sampling frequency:", std::to_string(static_cast<long long>(info.frequence)) + " Hz");
  printLine("Samples:", std::to_string(samples));
  printLine("Duration:", std::to_string(samplesToMs(static_cast<double>(samples), info.frequence)) + " ms");
  printLine("Data:", chunkExtent(info.depl, info.longueur));
  printLine("\"phon\" chunk:", chunkExtent(info.etiqdepl, info.etiqlongueur));
  printLine("\"word\" chunk:", chunkExtent(info.notedepl, info.notelongueur));
  printLine("Phoneme segments:", segmentSummary(phonemes));
  printLine("Word segments:", segmentSummary(words));
  std::fflush(stdout);
  return ok ? 0 : 1;
}

}  // namespace

void addInfo(Commands& commands) {
  auto o = std::make_shared<InfoOptions>();
  CLI::App* c = commands.add("info", "describe a signal file", [o] { return runInfo(*o); });
  c->add_option("FILE", o->file, "the signal file")->required();
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
