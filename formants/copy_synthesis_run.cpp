// Get F0 points and the run of copy synthesis on its temporary files.
#include "formants/copy_synthesis_run.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "formants/klatt_records.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"

namespace ardv {

std::vector<std::pair<double, double>> getF0Points(bool realSpeechSignal, long startMs, long endMs, int stepMs,
                                                   double fs,
                                                   const std::function<int(std::int64_t sample)>& f0AtSample) {
  std::vector<std::pair<double, double>> points;
  if (!realSpeechSignal) {
    message("Only for a real speech signal");
    return points;
  }
  if (stepMs < 1) return points;
  for (long t = startMs - startMs % stepMs; t < endMs; t += stepMs)
    points.emplace_back(double(t), double(f0AtSample(msToSamples(double(t), fs))));
  return points;
}

CopySynthesisFiles::CopySynthesisFiles(const std::filesystem::path& directory) {
  std::error_code ec;
  std::filesystem::path dir = directory;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) dir = std::filesystem::temp_directory_path(ec);
  const char* kinds[5] = {"full", "selected", "excitation", "result", "source"};
  for (int i = 0; i < 5; ++i) {
    std::string name = (dir / (std::string("ardv-copy-") + kinds[i] + "-XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
      message("recalPPSpectre : creation du fichier temporaire de formant impossible (" + name + ": " +
              std::strerror(errno) + ")");
      return;
    }
    ::close(fd);
    paths_[i] = name;
  }
  ok_ = true;
}

CopySynthesisFiles::~CopySynthesisFiles() {
  std::error_code ec;
  for (const auto& p : paths_)
    if (!p.empty()) std::filesystem::remove(p, ec);
}

bool writeKlattRecords(const std::filesystem::path& path, const std::vector<KlattRecord>& records) {
  std::string text(klattTypeWord(kKlattParams));
  text += '\n';
  for (const auto& r : records) appendKlattRecord(text, r, kKlattParams);
  ReplacingFile out(path);
  if (!out.open() || !out.write(text) || !out.commit()) {
    message("recalPPSpectre : creation du fichier temporaire de formant impossible (" + path.string() + ": " +
            out.error() + ")");
    return false;
  }
  return true;
}

bool readKlattRecords(const std::filesystem::path& path, const KlattRecord& defaults,
                      std::vector<KlattRecord>& records) {
  KlattRecordReader reader;
  std::string reason;
  const auto status = reader.open(path, &reason);
  if (status == KlattRecordReader::Status::cannotOpen) {
    message("lirePP : lecture des formants impossible (" + path.string() + ": " + reason + ")");
    return false;
  }
  if (status == KlattRecordReader::Status::unknownType) {
    message("lirePP: ce n'est pas un fichier pour le synthe de Klatt (" + path.string() + ")");
    return false;
  }
  std::vector<KlattRecord> read;
  KlattRecord r{};
  while (reader.next(r, defaults)) read.push_back(r);
  records = std::move(read);
  return true;
}

std::array<bool, kKlattGroups> groupsPresent(const std::vector<KlattRecord>& records, const KlattRecord& defaults) {
  std::array<bool, kKlattGroups> on{};
  const auto& groups = klattGroups();
  for (const auto& r : records)
    for (int g = 0; g < kKlattGroups; ++g)
      if (r[groups[g].params[0]] != defaults[groups[g].params[0]]) on[g] = true;
  return on;
}

ExcitationSynthesizer klattExcitationSynthesizer(const std::filesystem::path& program,
                                                 const KlattSynthesisSettings& settings, int rateHz) {
  KlattSynthesisSettings excitation = settings;
  excitation.waveform = 7;
  excitation.byteArrangement = 2;
  return [program, excitation, rateHz](const std::filesystem::path& params, const std::filesystem::path& raw) {
    // runKlattSynthesis leaves the raw output, the excitation; its WAV copy is not needed.
    const std::filesystem::path wav = raw.string() + ".wav";
    const bool ok = runKlattSynthesis(program, params, raw, wav, excitation, rateHz);
    std::error_code ec;
    std::filesystem::remove(wav, ec);
    return ok;
  };
}

int copySynthesizeFiles(const CopySynthesisFiles& files, const CopySynthesisInput& input,
                        const ExcitationSynthesizer& synthesize) {
  if (!files.ok()) return -1;
  std::vector<KlattRecord> source;
  if (!readKlattRecords(files.full(), input.defaults, source)) return -1;
  for (auto& r : source) {
    r[kAVdb] = r[kAVpdb];
    r[kASP] = 0;
  }
  if (!writeKlattRecords(files.source(), source) || !synthesize(files.source(), files.excitation())) return -1;
  return recalCopySynthesis(files.full(), files.selected(), files.excitation(), files.result(), input.speech,
                            input.fs, input.highByteFirst, input.defaults, input.settings);
}

int copySynthesizeRecords(const std::vector<KlattRecord>& all, const std::vector<KlattRecord>& chosen,
                          const CopySynthesisInput& input, const ExcitationSynthesizer& synthesize,
                          const std::filesystem::path& temporaryDirectory, std::vector<KlattRecord>& result) {
  if (!copySynthesisEnabled(groupsPresent(chosen, input.defaults))) return 0;
  CopySynthesisFiles files(temporaryDirectory);
  if (!files.ok() || !writeKlattRecords(files.full(), all) || !writeKlattRecords(files.selected(), chosen))
    return -1;
  const int frames = copySynthesizeFiles(files, input, synthesize);
  if (frames < 0) return -1;
  std::vector<KlattRecord> read;
  if (!readKlattRecords(files.result(), input.defaults, read)) return -1;
  result = std::move(read);
  return frames;
}

}  // namespace ardv
