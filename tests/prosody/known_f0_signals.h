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
};

// Synthesises `segments` at fs Hz (noise from `seed`).
KnownF0Signal synthesize(const std::string& name, double fs, const std::vector<Segment>& segments, unsigned seed);

// The test set: each F0 pattern at 8 and 16 kHz.
std::vector<KnownF0Signal> knownF0Set();

// A long speech-like signal (voiced stretches with F0 between 90 and 260 Hz,
// noise and pauses), `seconds` long.
KnownF0Signal speechLike(double fs, double seconds, unsigned seed);

// Writes 16-bit mono PCM WAV.
bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, double fs);

}  // namespace ardv::test
