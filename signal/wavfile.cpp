// WAV names and the description of a WAV file.

#include "signal/wavfile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <vector>

#include "texts/text_format.h"

#include "platform/report.h"
#include "signal/program.h"
#include "signal/riff.h"
#include "signal/transport_error.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr const char* kOperation = "read_WAV_datas::SetFilename()";
constexpr std::int64_t kFirstChunk = 12;       // the chunk after "RIFF", size, "WAVE"
constexpr std::size_t kFormatBytes = 16;
constexpr std::size_t kExtensibleFormatBytes = 40;
constexpr std::int32_t kFormatExtensible = 0xFFFE;
// Bytes 2..15 of every standard sub-format GUID (xxxxxxxx-0000-0010-8000-00AA00389B71).
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::string lowerExtension(const std::string& name) {
  std::string ext = std::filesystem::path(name).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

}  // namespace

bool isWavName(const std::string& name) {
  std::string ext = lowerExtension(name);
  if (ext == ".wa$") return true;
  return program().options.WindowsWAVfiles && (ext == ".wav" || ext == ".ard");
}

int read_WAV_datas::fail(int step, const std::string& detail) {
  transportError(kOperation, step, desc_.name, detail);
  return 1;
}

int read_WAV_datas::SetFilename(const std::string& name) {
  desc_ = WavDescription{};
  desc_.name = name;
  if (transportTraceOn()) {
    traceTransport(kOperation);
    traceFileName(name);
  }

  RiffFile file;
  if (!file.open(name)) return fail(1, name + "\r\n" + text(3201) + " (" + file.problem() + ")");
  if (!file.findForm("WAVE")) return fail(2, name + "\r\n" + text(3202));

  // One walk over the chunks; the first of each kind counts.
  RiffWalk walk;
  if (!file.walk(kFirstChunk, "data", {"fmt ", "data", "phon", "word"}, walk))
    return fail(3, "the file cannot be read");
  const RiffChunk* format = nullptr;
  const RiffChunk* data = nullptr;
  const RiffChunk* phon = nullptr;
  const RiffChunk* word = nullptr;
  for (const RiffChunk& c : walk.chunks) {
    const RiffChunk** slot = c.id == "fmt " ? &format : c.id == "data" ? &data : c.id == "phon" ? &phon
                                                        : c.id == "word" ? &word : nullptr;
    if (slot != nullptr) *slot = &c;
  }
  const std::string stopped = walk.damage.empty() ? std::string() : "; " + walk.damage;

  if (format == nullptr)
    return fail(3, formatText("no format chunk (\"fmt \") in the chunks up to byte %lld%s",
                              {static_cast<long long>(walk.damage.empty() ? file.formEnd() : walk.damageOffset),
                               stopped}));
  unsigned char fmt[kExtensibleFormatBytes] = {};
  const auto fmtBytes = static_cast<std::size_t>(std::min<std::int64_t>(format->size, kExtensibleFormatBytes));
  if (format->size < static_cast<std::int64_t>(kFormatBytes) || !file.read(format->offset, fmt, fmtBytes))
    return fail(4, formatText("the format chunk holds %lld bytes, 16 are needed",
                              {static_cast<long long>(format->size)}));
  desc_.formatTag = readLe16(fmt);
  desc_.channels = readLe16(fmt + 2);
  // Rates above 2^31 - 1 cannot be meant; they are stored as -1 and refused below.
  std::uint32_t rate = readLe32(fmt + 4);
  desc_.samplesPerSecond = rate > 0x7FFFFFFFu ? -1 : static_cast<std::int32_t>(rate);
  desc_.bitsPerSample = readLe16(fmt + 14);
  desc_.swap = 0;
  // WAVE_FORMAT_EXTENSIBLE names the real coding in the first two bytes of
  // its sub-format GUID; the rest of the GUID must be the standard one.
  std::int32_t coding = desc_.formatTag;
  if (desc_.formatTag == kFormatExtensible) {
    desc_.subFormat = -1;
    if (fmtBytes >= kExtensibleFormatBytes && readLe16(fmt + 16) >= 22 &&
        std::equal(std::begin(kGuidTail), std::end(kGuidTail), fmt + 26))
      desc_.subFormat = readLe16(fmt + 24);
    coding = desc_.subFormat;
  }
  // A rate of 0 would leave every time conversion without meaning.
  if (coding != 1 || desc_.channels != 1 || desc_.bitsPerSample != 16 ||
      !(desc_.samplesPerSecond >= kMinSamplingFrequency && desc_.samplesPerSecond <= kMaxSamplingFrequency))
    return fail(5, text(3203) + "\r\n" + foundFormat());

  if (data == nullptr) {
    if (!walk.damage.empty()) return fail(6, "no \"data\" chunk before the damage: " + walk.damage);
    transportChunkNotFound(kOperation, 6, name);
    return 1;
  }
  desc_.dataOffset = data->offset;
  desc_.dataSize = data->size;
  if (word != nullptr) {
    desc_.wordOffset = word->offset;
    desc_.wordSize = word->size;
  }
  if (phon != nullptr) {
    desc_.phonOffset = phon->offset;
    desc_.phonSize = phon->size;
  }
  if (!file.close()) return fail(7, std::string());

  // The samples are intact: read them, and say what was mended or lost.
  std::vector<std::string> notes = walk.repairs;
  if (!walk.damage.empty()) notes.push_back("the chunks from byte " + std::to_string(walk.damageOffset) +
                                            " on are passed over (" + walk.damage + ")");
  if (!notes.empty()) {
    std::string text = name + ": ";
    for (std::size_t i = 0; i < notes.size(); ++i) text += (i == 0 ? "" : ";\r\n") + notes[i];
    warn(text + ".\r\nThe samples present are read.");
  }
  return 0;
}

std::string read_WAV_datas::foundFormat() const {
  std::string found = formatText("Found: format tag 0x%04X", {desc_.formatTag});
  if (desc_.formatTag == kFormatExtensible)
    found += desc_.subFormat < 0 ? std::string(" (sub-format not standard)")
                                 : formatText(" (sub-format 0x%04X)", {desc_.subFormat});
  found += formatText(", %d channel%s, %d bits, ",
                      {desc_.channels, desc_.channels == 1 ? "" : "s", desc_.bitsPerSample});
  found += desc_.samplesPerSecond < 0 ? std::string("a rate beyond 2^31 Hz")
                                      : formatText("%d Hz", {desc_.samplesPerSecond});
  return found + ".";
}

bool init_infoFile_read_WAV(infoFile& info) {
  read_WAV_datas reader;
  if (reader.SetFilename(info.nom) != 0) return false;
  const WavDescription& d = reader.description();
  info.frequence = d.samplesPerSecond;
  info.nb_bits = 16;
  info.swap = 0;
  info.depl = d.dataOffset;
  // An odd data size ends with half a sample, which is not part of the signal.
  info.longueur = d.dataSize - d.dataSize % 2;
  info.etiqdepl = d.phonOffset;
  info.etiqlongueur = d.phonSize;
  info.notedepl = d.wordOffset;
  info.notelongueur = d.wordSize;
  return true;
}

void init_infoFile_write_WAV(infoFile& info) {
  info.nb_bits = 16;
  info.swap = 0;
}

}  // namespace ardv
