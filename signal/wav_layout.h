// The byte layout of the WAV files the program writes: a 44-byte header
// (RIFF, "fmt " for mono 16-bit PCM, "data"), the samples, a pad byte after
// odd data, then the "phon" and "word" annotation chunks when there are any.
//
// A writer that streams its samples in pieces writes wavHeaderBytes(), then
// the D sample bytes, then wavTrailerBytes(); writeWavFile() does all three
// for samples held in memory.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "labels/notetiqs.h"

namespace ardv {

constexpr std::size_t kWavHeaderBytes = 44;

// Step numbers of the transport messages of WAV writing.
constexpr int kWavStepCreate = 1;       // create the file
constexpr int kWavStepHeader = 2;       // write the header
constexpr int kWavStepSamples = 15;     // write the samples
constexpr int kWavStepDataPad = 17;     // write the pad byte of odd data
constexpr int kWavStepPhonChunk = 21;   // write the "phon" chunk
constexpr int kWavStepWordChunk = 31;   // write the "word" chunk
constexpr int kWavStepClose = 41;       // close (and replace the previous file)
constexpr int kWavStepPhonCheck = 41;   // last "phon" entry is not a bare position (UI text 1201)
constexpr int kWavStepWordCheck = 42;   // last "word" entry is not a bare position (UI text 1202)

// RIFF size for D data bytes and chunk payloads of P and W bytes (0 = chunk
// not written): D + D%2 + 36, plus P + P%2 + 8 when P > 0, plus W + W%2 + 8
// when W > 0.
std::int64_t wavRiffSize(std::int64_t dataBytes, std::int64_t phonBytes, std::int64_t wordBytes);

// Fills the 44-byte header: rate = `frequence` (Hz) truncated, bytes per second
// = 2 × `frequence` truncated. False (no report, `header` untouched) when a
// size is negative, the RIFF size does not fit 32 bits, or `frequence` is not
// within [1, 2^31).
bool wavHeaderBytes(std::int64_t dataBytes, std::int64_t phonBytes, std::int64_t wordBytes, double frequence,
                    std::array<std::uint8_t, kWavHeaderBytes>& header);

// Appends a chunk: the four-character `id`, the payload size, the payload and
// a zero pad byte when the size is odd.
void appendChunk(std::vector<std::uint8_t>& out, const char* id, const std::vector<std::uint8_t>& payload);

// What follows D data bytes: the pad byte when D is odd, then the "phon" and
// "word" chunks of the non-empty payloads.
std::vector<std::uint8_t> wavTrailerBytes(std::int64_t dataBytes, const std::vector<std::uint8_t>& phonPayload,
                                          const std::vector<std::uint8_t>& wordPayload);

// Writes a complete WAV file of `samples` at `frequence` Hz with the "phon"
// chunk of `phonList` and the "word" chunk of `wordList` (each only when the
// list has boundaries). The file is written beside `path` under a temporary
// name and replaces `path` only when everything was written, so a failure
// leaves the previous file as it was. A last boundary with a label gets the
// transport message with UI text 1201/1202 and the label is dropped; labels
// longer than 39 bytes are cut with a warning. Returns true on success, false
// after the transport message (caption "writeWavFile()").
bool writeWavFile(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, double frequence,
                  const notetiqs& phonList, const notetiqs& wordList);

}  // namespace ardv
