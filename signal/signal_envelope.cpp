// Block envelope of the whole signal and samples of wide stretches.
#include "signal/signal_envelope.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/transports.h"

namespace ardv {

std::int32_t envelopeBlockSamples(std::int64_t samples) {
  std::int32_t block = kEnvelopeMinBlock;
  while (block < (1 << 30) && (samples + block - 1) / block > kEnvelopeMaxBlocks) block *= 2;
  return block;
}

bool computeEnvelope(const infoFile& info, std::int32_t tf, SignalEnvelope& out) {
  SignalEnvelope env;
  env.samples = std::max(tf, 0);
  env.blockSamples = envelopeBlockSamples(env.samples);
  const std::int64_t blocks = (env.samples + env.blockSamples - 1) / env.blockSamples;
  env.mins.assign(static_cast<std::size_t>(blocks), 0);
  env.maxs.assign(static_cast<std::size_t>(blocks), 0);
  env.meanSquares.assign(static_cast<std::size_t>(blocks), 0.0f);
  // Chunks of whole blocks, at most the memory span.
  const std::int32_t span = std::max(memorySpanSamples(info.frequence), env.blockSamples);
  const std::int32_t chunk = std::max(env.blockSamples, span / env.blockSamples * env.blockSamples);
  SHORTbuf buffer(std::min<std::int64_t>(chunk, std::max<std::int64_t>(env.samples, 1)), "envelope");
  for (std::int64_t first = 0; first < env.samples; first += chunk) {
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(chunk, env.samples - first));
    if (lireSignal(info, info.depl + 2 * first, buffer, 0, count) != count) return false;
    for (std::int32_t at = 0; at < count; at += env.blockSamples) {
      const std::int32_t end = std::min(count, at + env.blockSamples);
      // One pass, in integers (a square fits 31 bits), so that it vectorises.
      const std::int16_t* x = buffer.data();
      int lo = 32767, hi = -32768;
      std::int64_t sum = 0;
      for (std::int32_t i = at; i < end; ++i) {
        const int v = x[i];
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        sum += v * v;
      }
      const auto k = static_cast<std::size_t>((first + at) / env.blockSamples);
      env.mins[k] = static_cast<std::int16_t>(lo);
      env.maxs[k] = static_cast<std::int16_t>(hi);
      env.meanSquares[k] = static_cast<float>(double(sum) / (end - at));
    }
  }
  out = std::move(env);
  return true;
}

double SignalEnvelope::rms(std::int64_t first, std::int64_t last) const {
  first = std::max<std::int64_t>(first, 0);
  last = std::min<std::int64_t>(last, samples - 1);
  if (empty() || blockSamples <= 0 || first > last) return 0.0;
  const std::int64_t k0 = first / blockSamples, k1 = std::min<std::int64_t>(last / blockSamples, std::int64_t(meanSquares.size()) - 1);
  double sum = 0;
  for (std::int64_t k = k0; k <= k1; ++k) sum += meanSquares[static_cast<std::size_t>(k)];
  return std::sqrt(sum / double(k1 - k0 + 1));
}

namespace {

struct EnvelopeKey {
  std::string name;
  std::int64_t depl = 0, longueur = 0, size = -1;
  std::int32_t tf = 0;
  std::filesystem::file_time_type time{};
  bool operator==(const EnvelopeKey&) const = default;
};

EnvelopeKey keyOf(const Program& prog) {
  EnvelopeKey key{prog.en_cours.nom, prog.en_cours.depl, prog.en_cours.longueur, -1, prog.ct.tf, {}};
  std::error_code ec;
  const auto size = std::filesystem::file_size(prog.en_cours.nom, ec);
  if (!ec) key.size = static_cast<std::int64_t>(size);
  const auto time = std::filesystem::last_write_time(prog.en_cours.nom, ec);
  if (!ec) key.time = time;
  return key;
}

}  // namespace

namespace {

SignalEnvelope envelope;
EnvelopeKey kept;
bool have = false;

}  // namespace

void forgetCurrentEnvelope() { have = false; }

const SignalEnvelope& currentEnvelope() {
  const Program& prog = program();
  if (!prog.fileLoaded) {
    envelope = SignalEnvelope{};
    have = false;
    return envelope;
  }
  const EnvelopeKey key = keyOf(prog);
  if (have && key == kept) return envelope;
  envelope = SignalEnvelope{};
  computeEnvelope(prog.en_cours, prog.ct.tf, envelope);  // empty after its report
  kept = key;
  have = true;
  return envelope;
}

bool readShownSamples(std::int32_t first, std::int32_t last, SHORTbuf& out) {
  const Program& prog = program();
  if (!prog.fileLoaded || first < 0 || last < first || last >= prog.ct.tf) return false;
  const std::int32_t count = last - first + 1;
  SHORTbuf fresh(count, "shown samples");
  if (fresh.size() != count) return false;
  const std::int32_t memFirst = prog.ct.d_e, memLast = prog.ct.d_e + prog.memory.size() - 1;
  // The stretches before and after memory from the file, memory's own samples as they stand.
  const auto fromFile = [&](std::int32_t a, std::int32_t b) {
    if (a > b) return true;
    return lireSignal(prog.en_cours, prog.en_cours.depl + 2 * std::int64_t(a), fresh, a - first, b - a + 1) == b - a + 1;
  };
  if (!fromFile(first, std::min(last, memFirst - 1)) || !fromFile(std::max(first, memLast + 1), last)) return false;
  for (std::int32_t s = std::max(first, memFirst); s <= std::min(last, memLast); ++s)
    fresh.data()[s - first] = prog.memory.data()[s - memFirst];
  out.swap(fresh);
  return true;
}

}  // namespace ardv
