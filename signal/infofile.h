// The description of a signal file (`infoFile`): where its samples are, how
// they are coded, and which annotations go with it. `en_cours` is the record of
// the current signal; the same type describes temporary files, save targets
// and the clipboard file.
#pragma once

#include <cstdint>
#include <string>

namespace ardv {

// Sampling frequencies a described file may have (Hz), WAV or not: nothing
// below 1 Hz means anything, and no speech recording goes beyond 1 MHz.
constexpr double kMinSamplingFrequency = 1.0;
constexpr double kMaxSamplingFrequency = 1e6;

// Kinds of the phoneme label file that goes with a non-WAV signal.
enum LabelFileKind : std::int32_t { kLabelNone = 0, kLabelQern = 1, kLabelNist = 2, kLabelSam = 3, kLabelAlign = 4 };
// Kinds of the word annotation file that goes with a non-WAV signal.
enum AnnotationFileKind : std::int32_t {
  kAnnotNone = 0,
  kAnnotVecsys = 1,
  kAnnotNist = 2,
  kAnnotSam = 3,
  kAnnotNoisex = 4
};

// Spectrogram kinds, as numbered in the menus.
enum SpectrogramKind : std::int32_t {
  kWideBand = 1,
  kNarrowBand = 2,
  kReassigned = 3,
  kLinearPrediction = 4,
  kCepstralSmoothing = 5,
  kCriticalBands = 6
};

struct infoFile {
  std::string nom;       // full path of the signal file; empty = no file
  std::string nom_man;   // phoneme label file of a non-WAV signal
  std::string nomAnnot;  // word annotation file of a non-WAV signal
  std::int32_t formatIndex = 0;     // format profile used to read a non-WAV signal
  std::int32_t labelKind = kLabelNone;
  std::int32_t annotationKind = kAnnotNone;
  // Byte offsets and lengths are 64-bit so that no file size can overflow them.
  std::int64_t depl = 0;          // byte offset of the first sample
  std::int64_t longueur = 0;      // bytes of sample data (samples = longueur / 2)
  std::int64_t etiqdepl = 0;      // "phon" chunk payload offset
  std::int64_t etiqlongueur = 0;  // "phon" chunk payload size
  std::int64_t notedepl = 0;      // "word" chunk payload offset
  std::int64_t notelongueur = 0;  // "word" chunk payload size
  std::int32_t nb_bits = 16;      // significant bits per 16-bit word, 1..16
  double frequence = 0.0;         // sampling frequency, Hz
  std::int32_t swap = 0;          // 1: most significant byte first in the file
  std::int32_t mode = kWideBand;  // current spectrogram kind

  std::int64_t sampleCount() const { return longueur / 2; }
};

// Label-file kinds by name, as offered in the profile selector.
const char* labelKindName(std::int32_t kind);
const char* annotationKindName(std::int32_t kind);

}  // namespace ardv
