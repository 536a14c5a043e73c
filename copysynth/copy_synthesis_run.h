// The two commands of copy synthesis without the window: the F0 points that
// "&Get F0" commits, and the run of "Copy &synthesis" on its four temporary
// files (synthesizer for the excitation, fit, result), which the formant
// window and `ardv-cli copy-synth` share.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "copysynth/copy_synthesis.h"
#include "copysynth/copy_synthesis_tracks.h"
#include "klatt/klatt_invocation.h"
#include "klatt/klatt_table.h"

namespace ardv {

// (date in ms, F0 in Hz) for t = startMs − (startMs mod stepMs), by stepMs,
// while t < endMs; `f0AtSample` gives the F0 at a sample of the signal (fs
// Hz). Without a real speech signal reports "Only for a real speech signal"
// and returns nothing. stepMs below 1 gives nothing.
std::vector<std::pair<double, double>> getF0Points(bool realSpeechSignal, long startMs, long endMs, int stepMs,
                                                   double fs,
                                                   const std::function<int(std::int64_t sample)>& f0AtSample);

// The files of one run, of unique names in one directory, created empty,
// removed with the object (in every case: success, failure, early return).
class CopySynthesisFiles {
 public:
  // Creates the files in `directory` (the system's temporary directory when
  // empty or missing). ok() is false after a report when they cannot be made.
  explicit CopySynthesisFiles(const std::filesystem::path& directory);
  ~CopySynthesisFiles();
  CopySynthesisFiles(const CopySynthesisFiles&) = delete;
  CopySynthesisFiles& operator=(const CopySynthesisFiles&) = delete;

  bool ok() const { return ok_; }
  const std::filesystem::path& full() const { return paths_[0]; }
  const std::filesystem::path& selected() const { return paths_[1]; }
  const std::filesystem::path& excitation() const { return paths_[2]; }
  const std::filesystem::path& result() const { return paths_[3]; }
  // The full file as the excitation run reads it (see copySynthesizeFiles).
  const std::filesystem::path& source() const { return paths_[4]; }

 private:
  std::filesystem::path paths_[5];
  bool ok_ = false;
};

// Runs the synthesizer on a 56-column parameter file for the excitation only
// (output waveform 7, "All excitation") into a raw 16-bit file. False after
// its own report.
using ExcitationSynthesizer =
    std::function<bool(const std::filesystem::path& parameters, const std::filesystem::path& excitation)>;

// Our synthesizer program `program` run with `settings` (the output waveform
// forced to 7, high byte first) at `rateHz`, its messages those of
// runKlattSynthesis.
ExcitationSynthesizer klattExcitationSynthesizer(const std::filesystem::path& program,
                                                 const KlattSynthesisSettings& settings, int rateHz);

struct CopySynthesisInput {
  std::span<const std::int16_t> speech;  // the whole signal from time 0
  double fs = 0.0;                       // its sampling frequency, Hz
  bool highByteFirst = true;             // byte order of the excitation file
  KlattRecord defaults{};                // the window's default record
  CopySynthesisSettings settings{};
  FrameSource speechFrames{};            // when set, read instead of `speech`
  std::int64_t speechFramesLength = 0;   // the samples speechFrames holds
  std::int64_t blockSamples = kCopyBlockSamples;  // of the excitation read at a time
};

// Writes `records` as a ".kle" file through the one writer. False after a
// report naming the file and the system's reason.
bool writeKlattRecords(const std::filesystem::path& path, const std::vector<KlattRecord>& records);

// Every record of a parameter file (index 1 in Hz); false after a report.
bool readKlattRecords(const std::filesystem::path& path, const KlattRecord& defaults,
                      std::vector<KlattRecord>& records);

// Steps 3 and 4 of "Copy &synthesis" once the full and the selected files
// are written: runs `synthesize` into the excitation file and fits into the
// result file. The excitation run reads the full file with the cascade
// voicing AVdb set to the parallel AVpdb and no aspiration, so that what the
// synthesizer writes for -t 7 is the input of its parallel branch. Frames
// written, or −1 after a report.
int copySynthesizeFiles(const CopySynthesisFiles& files, const CopySynthesisInput& input,
                        const ExcitationSynthesizer& synthesize);

// "Copy &synthesis" on records: `all` every frame, `chosen` the frames of the
// selected pieces. Nothing happens (0) when no group among 0..8 is selected
// in `chosen`. Otherwise writes the two parameter files, runs `synthesize`,
// fits, and reads the result into `result` (frames written, or −1 after a
// report with `result` unchanged). The temporary files are removed in every
// case.
int copySynthesizeRecords(const std::vector<KlattRecord>& all, const std::vector<KlattRecord>& chosen,
                          const CopySynthesisInput& input, const ExcitationSynthesizer& synthesize,
                          const std::filesystem::path& temporaryDirectory, std::vector<KlattRecord>& result);

// A tracker's F1–F3 handed to `point` in time order; false from `point`
// stops it. False after a report.
using FormantPointSource = std::function<bool(const std::function<bool(const FormantPoint&)>& point)>;

// A recording for copySynthesizeSignal.
struct CopySignal {
  FrameSource speech;                    // the whole signal from time 0
  std::int64_t samples = 0;              // its length
  double fs = 0.0;
  std::function<int(double ms)> f0AtMs;  // F0 in Hz, 0 when unvoiced
  FormantPointSource formants;
};

// The copy synthesis of a whole recording (ardv-cli copy-synth): the tracks
// of initialCopyRecords with AVdb 0 (the copy is the fitted parallel branch
// alone), every group selected, fitted into files.result(). Every stage
// reads and writes files record by record and the signal block by block, so
// memory does not grow with the length; the result is that of
// copySynthesizeRecords on initialCopyRecords. Frames written; 0, without
// a report, when no frame is voiced or fricative; −1 after a report.
int copySynthesizeSignal(const CopySignal& signal, const CopySynthesisFiles& files,
                         const ExcitationSynthesizer& synthesize, const KlattRecord& defaults,
                         std::int64_t blockSamples = kCopyBlockSamples, const CopyTrackSettings& tracks = {});

// The groups whose key parameter differs from the default in some record.
std::array<bool, kKlattGroups> groupsPresent(const std::vector<KlattRecord>& records, const KlattRecord& defaults);

}  // namespace ardv
