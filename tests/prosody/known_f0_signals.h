// Speech-like test signals with a known F0: a Rosenberg glottal pulse train
// (flat, gliding or with vibrato) through three formant resonators, with
// noise gaps and silences, and the true F0 of every 8-ms analysis frame.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ardv::test {

enum class SegmentKind { Voiced, Noise, Silence };

struct Segment {
  SegmentKind kind = SegmentKind::Voiced;
  double ms = 0;             // duration
  double f0Start = 0;        // Hz at the start (voiced)
  double f0End = 0;          // Hz at the end: a linear glide
  double vibratoDepth = 0;   // relative depth, 0.05 = +-5 %
  double vibratoHz = 0;
};

struct KnownF0Signal {
  std::string name;
  double fs = 0;
  std::vector<std::int16_t> samples;
  // True F0 per frame (centre k*S + L/2 of the analysis): Hz when voiced,
  // 0 unvoiced, -1 when the 32-ms window straddles a voicing boundary.
  std::vector<double> truth;
  // Glottal closure instants: the sample where each period's pulse closes.
  std::vector<std::int64_t> gci;
};

// Vocal tract and source of one voice class.
struct Voice {
  double formants[3] = {600, 1300, 2400};
  double bandwidths[3] = {70, 100, 160};
  double openQuotient = 0.40;  // opening part of the Rosenberg pulse
  double aspiration = 0;       // breath noise in the source, relative to the pulse
};

enum class NoiseKind { None, White, SpeechShaped };

// What happens to the voice on its way to the file.
struct Condition {
  NoiseKind noise = NoiseKind::None;
  double snrDb = 0;        // additive noise against the voiced stretches
  bool telephone = false;  // band 300..3400 Hz
};

// Synthesises `segments` at fs Hz (noise from `seed`).
KnownF0Signal synthesize(const std::string& name, double fs, const std::vector<Segment>& segments, unsigned seed,
                         const Voice& voice = {}, const Condition& condition = {});

// Voice classes of the noisy set: male 95..150 Hz, female 180..300 Hz,
// child 300..450 Hz.
enum class VoiceClass { Male, Female, Child };
const char* voiceClassName(VoiceClass v);

// One file of the noisy set with its condition and voice class.
struct NoisyF0Signal {
  KnownF0Signal signal;
  std::string condition;
  VoiceClass voice = VoiceClass::Male;
};

// Conditions of the noisy set, in table order: clean, white and
// speech-shaped noise at 20, 10 and 5 dB, breathy, telephone (8 kHz).
std::vector<std::string> noisyConditions();

// The noisy set: every condition for every voice class, two utterances each
// (a glide and a vibrato), 16 kHz except the telephone band at 8 kHz.
// `condition` and `voice` select a part ("" and nullptr: all).
std::vector<NoisyF0Signal> noisyF0Set(const std::string& condition = "", const VoiceClass* voice = nullptr);

// Gross pitch error (|error| > 20 %) and voicing decision error of a track
// against the truth; frames whose window straddles a voicing boundary and
// frames past either end are not counted.
struct F0Score {
  int voicedBoth = 0, gross = 0, decided = 0, voicingErrors = 0;
  void add(const F0Score& o);
  double gpe() const { return voicedBoth ? 100.0 * gross / voicedBoth : 0.0; }
  double vde() const { return decided ? 100.0 * voicingErrors / decided : 0.0; }
};
F0Score scoreF0(const KnownF0Signal& s, const std::vector<int>& track);

// The test set: each F0 pattern at 8 and 16 kHz.
std::vector<KnownF0Signal> knownF0Set();

// A long speech-like signal (voiced stretches with F0 between 90 and 260 Hz,
// noise and pauses), `seconds` long.
KnownF0Signal speechLike(double fs, double seconds, unsigned seed);

// Writes 16-bit mono PCM WAV.
bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, double fs);
// Writes `content` through the program's one writer; false when it fails.
bool writeFileSafely(const std::filesystem::path& path, const std::string& content);

}  // namespace ardv::test
