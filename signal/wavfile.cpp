// WAV names and the description of a WAV file.

#include "signal/wavfile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "annotation/texts.h"
#include "signal/program.h"
#include "signal/riff.h"
#include "signal/transport_error.h"

namespace ardv {
namespace {

constexpr const char* kOperation = "read_WAV_datas::SetFilename()";
constexpr std::int64_t kFirstChunk = 12;       // the chunk after "RIFF", size, "WAVE"
constexpr std::size_t kFormatBytes = 16;

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
  if (!file.open(name)) return fail(1, name + "\r\n" + text(3201));
  if (!file.findForm("WAVE")) return fail(2, name + "\r\n" + text(3202));

  RiffChunk format;
  RiffStatus status = file.chunkAt(kFirstChunk, format);
  if (status != RiffStatus::Ok) return fail(3, file.problem());

  unsigned char fmt[kFormatBytes];
  if (format.size < static_cast<std::int64_t>(kFormatBytes) || !file.read(format.offset, fmt, sizeof fmt))
    return fail(4, std::string());
  desc_.formatTag = readLe16(fmt);
  desc_.channels = readLe16(fmt + 2);
  // Rates above 2^31 - 1 cannot be meant; they are stored as -1 and refused below.
  std::uint32_t rate = readLe32(fmt + 4);
  desc_.samplesPerSecond = rate > 0x7FFFFFFFu ? -1 : static_cast<std::int32_t>(rate);
  desc_.bitsPerSample = readLe16(fmt + 14);
  desc_.swap = 0;
  // A rate of 0 would leave every time conversion without meaning.
  if (desc_.formatTag != 1 || desc_.channels != 1 || desc_.bitsPerSample != 16 || desc_.samplesPerSecond <= 0)
    return fail(5, text(3203));

  RiffChunk data;
  status = file.findChunk("data", kFirstChunk, data);
  if (status == RiffStatus::NotFound) {
    transportChunkNotFound(kOperation, 6, name);
    return 1;
  }
  if (status != RiffStatus::Ok) return fail(6, file.problem());
  desc_.dataOffset = data.offset;
  desc_.dataSize = data.size;

  RiffChunk chunk;
  status = file.findChunk("word", kFirstChunk, chunk);
  if (status == RiffStatus::Ok) {
    desc_.wordOffset = chunk.offset;
    desc_.wordSize = chunk.size;
  } else if (status != RiffStatus::NotFound) {
    return fail(7, file.problem());
  }
  status = file.findChunk("phon", kFirstChunk, chunk);
  if (status == RiffStatus::Ok) {
    desc_.phonOffset = chunk.offset;
    desc_.phonSize = chunk.size;
  } else if (status != RiffStatus::NotFound) {
    return fail(7, file.problem());
  }

  if (!file.close()) return fail(7, std::string());
  return 0;
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
