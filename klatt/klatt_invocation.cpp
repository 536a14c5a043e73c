#include "klatt/klatt_invocation.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/environment.h"
#include "platform/process.h"
#include "platform/report.h"
#include "signal/time_conversion.h"

namespace ardv {
namespace {

void putLe32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void putLe16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

constexpr std::size_t kHeaderBytes = 44;
// A RIFF size field holds at most 4 GB.
constexpr std::int64_t kMaxSamples = (0xFFFFFFFFLL - 38) / 2 - 1;

}  // namespace

KlattSynthesisSettings initialKlattSettings(bool realSignal, double frequence, int stepMs) {
  KlattSynthesisSettings s;
  if (realSignal && frequence > 0) s.rateHz = static_cast<int>(std::lround(frequence));
  s.frameMs = stepMs;
  return s;
}

int klattCommandRate(const KlattSynthesisSettings& settings, bool realSignal, double frequence) {
  return realSignal ? static_cast<int>(std::lround(frequence)) : settings.rateHz;
}

std::vector<std::string> klattCommandLine(const std::filesystem::path& program, const std::filesystem::path& params,
                                          const std::filesystem::path& raw, const KlattSynthesisSettings& settings,
                                          int rateHz) {
  std::vector<std::string> argv{program.string(), "-r", std::to_string(settings.byteArrangement),
                                "-i", params.string(), "-o", raw.string()};
  if (settings.waveform != 8) {
    argv.push_back("-t");
    argv.push_back(std::to_string(settings.waveform));
  }
  for (const auto& [flag, value] : {std::pair{"-f", settings.frameMs}, std::pair{"-s", rateHz},
                                    std::pair{"-F", settings.flutterPercent},
                                    std::pair{"-v", settings.source == 2 ? 4 : 2}}) {
    argv.push_back(flag);
    argv.push_back(std::to_string(value));
  }
  return argv;
}

std::vector<std::filesystem::path> klattProgramCandidates(const std::filesystem::path& installDir) {
  std::vector<std::filesystem::path> candidates;
  if (const auto dir = executableDirectory(); !dir.empty()) candidates.push_back(dir / "klatt");
  if (!installDir.empty()) candidates.push_back(installDir / "Klatt" / "klatt");
  return candidates;
}

std::filesystem::path findKlattProgram(const std::filesystem::path& installDir) {
  std::error_code ec;
  for (const auto& p : klattProgramCandidates(installDir))
    if (std::filesystem::is_regular_file(p, ec)) return p;
  return {};
}

KlattWorkFiles klattWorkFiles(const std::filesystem::path& tempDir) {
  // One tag per process: programs sharing the temporary directory never share a working file.
  static const std::string tag = [] {
    std::random_device random;
    char text[32];
    std::snprintf(text, sizeof text, "-%ld-%06x", static_cast<long>(::getpid()), random() & 0xFFFFFFu);
    return std::string(text);
  }();
  const KlattWorkFiles files{tempDir / ("klattemp" + tag + ".kle"), tempDir / ("synthe" + tag + ".raw"),
                             tempDir / ("synthe" + tag + ".wav")};
  // Removed when the program ends.
  static struct Remover {
    std::vector<std::filesystem::path> paths;
    ~Remover() {
      std::error_code ec;
      for (const auto& p : paths) std::filesystem::remove(p, ec);
    }
  } remover;
  for (const auto& p : {files.params, files.raw, files.wav})
    if (std::find(remover.paths.begin(), remover.paths.end(), p) == remover.paths.end()) remover.paths.push_back(p);
  return files;
}

SynthesizedWav::SynthesizedWav(std::filesystem::path target, int rateHz) : file_(std::move(target)), rateHz_(rateHz) {}

bool SynthesizedWav::open() {
  if (!file_.open()) return false;
  const unsigned char blank[kHeaderBytes] = {};
  return file_.write(blank, sizeof blank);
}

bool SynthesizedWav::add(std::span<const std::int16_t> samples) {
  if (samples.empty()) return true;
  if (count_ + static_cast<std::int64_t>(samples.size()) > kMaxSamples) {
    error_ = "more samples than a WAV file can hold";
    return false;
  }
  std::vector<unsigned char> bytes(samples.size() * 2);
  for (std::size_t i = 0; i < samples.size(); ++i) putLe16(&bytes[2 * i], static_cast<std::uint16_t>(samples[i]));
  count_ += static_cast<std::int64_t>(samples.size());
  last_ = samples.back();
  return file_.write(bytes.data(), bytes.size());
}

bool SynthesizedWav::finish() { return complete() && file_.commit(); }

bool SynthesizedWav::commit() { return file_.commit(); }

bool SynthesizedWav::complete() {
  if (count_ == 0) {
    error_ = "no samples";
    return false;
  }
  unsigned char tail[2];
  putLe16(tail, static_cast<std::uint16_t>(last_));
  const auto length = static_cast<std::uint32_t>(2 * count_);  // L, the raw bytes
  unsigned char h[kHeaderBytes];
  std::memcpy(h, "RIFF", 4);
  putLe32(h + 4, length + 38);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putLe32(h + 16, 16);
  putLe16(h + 20, 1);  // PCM
  putLe16(h + 22, 1);  // mono
  putLe32(h + 24, static_cast<std::uint32_t>(rateHz_));
  putLe32(h + 28, static_cast<std::uint32_t>(2 * rateHz_));
  putLe16(h + 32, 2);
  putLe16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  putLe32(h + 40, length + 2);
  return file_.write(tail, 2) && file_.seek(0) && file_.write(h, sizeof h) && file_.complete();
}

const std::string& SynthesizedWav::error() const { return error_.empty() ? file_.error() : error_; }

bool runKlattSynthesis(const std::filesystem::path& program, const std::filesystem::path& params,
                       const std::filesystem::path& raw, const std::filesystem::path& wav,
                       const KlattSynthesisSettings& settings, int rateHz, std::int32_t startMs) {
  const std::int64_t lead = msToSamples(std::max<std::int32_t>(0, startMs), rateHz);
  if (lead > kMaxLeadSamples) {
    message("The first frame, at " + std::to_string(startMs) + " ms, lies too far from 0 for a WAV file; nothing was synthesized.");
    return false;
  }
  const std::vector<std::string> argv = klattCommandLine(program, params, raw, settings, rateHz);
  const std::string line = commandLineText(argv);
  std::error_code ec;
  if (program.empty() || !std::filesystem::is_regular_file(program, ec)) {
    message("The Klatt synthesizer is missing: " + line);
    return false;
  }
  // A raw file left by an earlier run must not pass for this run's output.
  std::filesystem::remove(raw, ec);
  if (ec) {
    message("Cannot remove the previous synthesizer output " + raw.string() + ": " + ec.message());
    return false;
  }
  const ProcessOutcome outcome = runProcess(argv);
  std::string detail = outcome.errorOutput.empty() ? "" : "\n" + outcome.errorOutput;
  while (!detail.empty() && detail.back() == '\n') detail.pop_back();
  switch (outcome.kind) {
    case ProcessOutcome::Kind::notStarted:
      message("The Klatt synthesizer could not be started (" + outcome.reason + "): " + line);
      return false;
    case ProcessOutcome::Kind::killed:
      message("The Klatt synthesizer ended abnormally (" + outcome.reason + "): " + line + detail);
      return false;
    case ProcessOutcome::Kind::stopped:
      warn("Synthesis stopped by Escape: " + line);
      std::filesystem::remove(raw, ec);
      return false;
    case ProcessOutcome::Kind::exited:
      if (outcome.status != 0) {
        message("The Klatt synthesizer failed (exit status " + std::to_string(outcome.status) + "): " + line + detail);
        return false;
      }
      break;
  }

  std::FILE* in = std::fopen(raw.c_str(), "rb");
  if (!in) {
    message("The Klatt synthesizer wrote nothing: " + line);
    return false;
  }
  SynthesizedWav out(wav, rateHz);
  bool ok = out.open();
  // Silence up to the first frame, so that the speech keeps the tracks' time.
  const std::vector<std::int16_t> zeros(1 << 15, 0);
  for (std::int64_t left = lead; ok && left > 0; left -= static_cast<std::int64_t>(zeros.size()))
    ok = out.add(std::span<const std::int16_t>(zeros.data(), static_cast<std::size_t>(std::min<std::int64_t>(left, zeros.size()))));
  std::vector<unsigned char> bytes(1 << 16);
  std::vector<std::int16_t> samples;
  std::size_t n = 0;
  while (ok && (n = std::fread(bytes.data(), 1, bytes.size() & ~std::size_t{1}, in)) >= 2) {
    samples.resize(n / 2);
    const bool big = settings.byteArrangement == 2;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const unsigned lo = bytes[2 * i + (big ? 1 : 0)], hi = bytes[2 * i + (big ? 0 : 1)];
      samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | hi << 8));
    }
    ok = out.add(samples);
  }
  const bool readFailed = std::ferror(in) != 0;
  std::fclose(in);
  if (ok && out.samples() == lead) {
    message("The Klatt synthesizer wrote nothing: " + line);
    return false;
  }
  if (readFailed) {
    message("Cannot read the synthesizer output " + raw.string() + ": " + line);
    return false;
  }
  if (!ok || !out.finish()) {
    message("Cannot write " + wav.string() + ": " + out.error());
    return false;
  }
  return true;
}

}  // namespace ardv
