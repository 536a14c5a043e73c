// Get F0 points and the run of copy synthesis on its temporary files.
#include "copysynth/copy_synthesis_run.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "klatt/klatt_records.h"
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

namespace {

// A ".kle" file written record by record through the one writer.
class KleWriter {
 public:
  explicit KleWriter(const std::filesystem::path& path) : path_(path), out_(path) {
    text_ = std::string(klattTypeWord(kKlattParams)) + "\n";
    ok_ = out_.open();
  }
  bool add(const KlattRecord& r) {
    appendKlattRecord(text_, r, kKlattParams);
    if (text_.size() >= (1 << 20)) {
      ok_ = ok_ && out_.write(text_);
      text_.clear();
    }
    return ok_;
  }
  // False after the message of writeKlattRecords.
  bool commit() {
    if (ok_ && out_.write(text_) && out_.commit()) return true;
    message("recalPPSpectre : creation du fichier temporaire de formant impossible (" + path_.string() + ": " +
            out_.error() + ")");
    return false;
  }

 private:
  std::filesystem::path path_;
  ReplacingFile out_;
  std::string text_;
  bool ok_ = false;
};

}  // namespace

int copySynthesizeFiles(const CopySynthesisFiles& files, const CopySynthesisInput& input,
                        const ExcitationSynthesizer& synthesize) {
  if (!files.ok()) return -1;
  KlattRecordReader reader;
  std::string reason;
  if (reader.open(files.full(), &reason) != KlattRecordReader::Status::ok) {
    message("lirePP : lecture des formants impossible (" + files.full().string() + ": " + reason + ")");
    return -1;
  }
  KleWriter source(files.source());
  KlattRecord r{};
  while (reader.next(r, input.defaults)) {
    r[kAVdb] = r[kAVpdb];
    r[kASP] = 0;
    source.add(r);
  }
  if (!source.commit() || !synthesize(files.source(), files.excitation())) return -1;
  const FrameSource speech = input.speechFrames ? input.speechFrames : framesOf(input.speech);
  const std::int64_t length =
      input.speechFrames ? input.speechFramesLength : static_cast<std::int64_t>(input.speech.size());
  return recalCopySynthesis(files.full(), files.selected(), files.excitation(), files.result(), speech, length, input.fs,
                            input.highByteFirst, input.defaults, input.settings, input.blockSamples);
}

int copySynthesizeSignal(const CopySignal& signal, const CopySynthesisFiles& files,
                         const ExcitationSynthesizer& synthesize, const KlattRecord& defaults,
                         std::int64_t blockSamples, const CopyTrackSettings& tracks) {
  if (!files.ok() || tracks.stepMs < 1 || !(signal.fs > 0.0)) return -1;
  const double fs = signal.fs;
  const long durationMs = static_cast<long>(samplesToMs(double(signal.samples), fs));
  // The loudest frication first: it sets the threshold of every frame.
  double loudest = -1e300;
  for (long t = 0; t < durationMs; t += tracks.stepMs)
    loudest = std::max(loudest, fricationEnergyDb(signal.speech, msToSamples(double(t), fs), fs, tracks));
  const double threshold = fricationThresholdDb(loudest, tracks);
  // Then the frames, each once the tracker has passed it (the points around
  // its date are in), into the full and the selected files alike.
  KleWriter full(files.full()), selected(files.selected());
  std::vector<FormantPoint> window;
  long t = 0;
  bool anything = false, written = true;
  const auto emit = [&](bool finished) {
    for (; t < durationMs && written && (finished || (!window.empty() && window.back().ms >= double(t)));
         t += tracks.stepMs) {
      // The points before the last one earlier than t are no longer needed.
      std::size_t keep = 0;
      while (keep + 1 < window.size() && window[keep + 1].ms < double(t)) ++keep;
      if (keep > 0) window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(keep));
      const double energy = fricationEnergyDb(signal.speech, msToSamples(double(t), fs), fs, tracks);
      KlattRecord r = initialCopyRecord(t, copyF0At(signal.f0AtMs, t, tracks.stepMs), formantsAt(window, double(t)), energy, threshold,
                                        fs, defaults, tracks);
      r[kAVdb] = 0;
      placeSpeakerHigherFormants(r, signal.speech, fs, tracks);
      anything = anything || r[kF0hz10] > 0 || r[kAF] > 0;
      written = full.add(r) && selected.add(r);
    }
    return written;
  };
  const bool tracked = durationMs <= 0 || signal.formants([&](const FormantPoint& p) {
    window.push_back(p);
    return emit(false);
  });
  if (!written || (tracked && !emit(true))) return (void)(full.commit() && selected.commit()), -1;  // reports
  if (!tracked || !full.commit() || !selected.commit()) return -1;
  if (!anything) return 0;
  CopySynthesisInput input{{}, fs, true, defaults};
  input.settings = copyOfRecordingSettings(tracks);
  input.speechFrames = signal.speech;
  input.speechFramesLength = signal.samples;
  input.blockSamples = blockSamples;
  return copySynthesizeFiles(files, input, synthesize);
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
