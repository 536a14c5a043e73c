// File-to-file copy and sample reading throughput, in MB/s of sample bytes:
// copyHFileToHFile without conversion (16-bit little-endian to the same),
// converting (12-bit big-endian to 16-bit little-endian), a plain stdio byte
// copy of the same file as the yardstick, and lireSignal of memory-sized
// stretches. The source is a 256 MB file in the temporary directory
// (ARDV_BENCH_MB overrides the size), removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "signal/buffers.h"
#include "signal/signal_stream.h"
#include "signal/transports.h"

namespace {

namespace fs = std::filesystem;

std::int64_t benchBytes() {
  const char* mb = std::getenv("ARDV_BENCH_MB");
  return (mb ? std::atoll(mb) : 256) * 1024 * 1024;
}

fs::path scratchDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "ardv-copy-bench";
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// The source file, written once: a pseudo-random signal.
const fs::path& sourceFile() {
  static const fs::path path = [] {
    fs::path p = scratchDir() / "source.raw";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::vector<std::int16_t> piece(1 << 20);
    std::uint32_t state = 12345;
    for (std::int64_t written = 0; written < benchBytes(); written += 2 * static_cast<std::int64_t>(piece.size())) {
      for (auto& s : piece) {
        state = state * 1664525u + 1013904223u;
        s = static_cast<std::int16_t>(static_cast<std::int32_t>(state >> 16) >> 4);  // 12 significant bits
      }
      std::fwrite(piece.data(), 2, piece.size(), f);
    }
    std::fclose(f);
    return p;
  }();
  return path;
}

// Every copy goes to a new file, as `cp` to a new name does; the removal is not timed.
void removeOutputs(benchmark::State& state) {
  state.PauseTiming();
  std::error_code ec;
  fs::remove(scratchDir() / "out.wav", ec);
  fs::remove(scratchDir() / "out.bytes", ec);
  state.ResumeTiming();
}

ardv::infoFile describe(const fs::path& p, int bits, int swap) {
  ardv::infoFile info;
  info.nom = p.string();
  info.nb_bits = bits;
  info.swap = swap;
  info.frequence = 16000;
  return info;
}

void copyThrough(benchmark::State& state, int srcBits, int srcSwap) {
  const fs::path& src = sourceFile();
  const std::int64_t bytes = static_cast<std::int64_t>(fs::file_size(src));
  for (auto _ : state) {
    removeOutputs(state);
    ardv::SignalStream in, out;
    in.openRead(describe(src, srcBits, srcSwap));
    out.create(describe(scratchDir() / "out.wav", 16, 0));
    if (ardv::copyHFileToHFile(in, 0, out, bytes) != bytes || !out.commit()) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_CopyPlain(benchmark::State& state) { copyThrough(state, 16, 0); }
void BM_CopyConverting12BitBigEndian(benchmark::State& state) { copyThrough(state, 12, 1); }

// The yardstick: stdio reads and writes of 1 MB pieces, no conversion.
void BM_StdioByteCopy(benchmark::State& state) {
  const fs::path& src = sourceFile();
  const std::int64_t bytes = static_cast<std::int64_t>(fs::file_size(src));
  std::vector<char> piece(1 << 20);
  for (auto _ : state) {
    removeOutputs(state);
    std::FILE* in = std::fopen(src.c_str(), "rb");
    std::FILE* out = std::fopen((scratchDir() / "out.bytes").c_str(), "wb");
    std::size_t n;
    while ((n = std::fread(piece.data(), 1, piece.size(), in)) > 0) std::fwrite(piece.data(), 1, n, out);
    std::fclose(in);
    std::fclose(out);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

// lireSignal of successive 288000-sample stretches, as the memory buffer is filled.
void BM_LireSignal(benchmark::State& state) {
  const ardv::infoFile info = describe(sourceFile(), 12, 1);
  const std::int64_t bytes = static_cast<std::int64_t>(fs::file_size(sourceFile()));
  constexpr std::int32_t kSpan = 288000;
  ardv::SHORTbuf memory(kSpan, "memory");
  std::int64_t offset = 0, done = 0;
  for (auto _ : state) {
    if (offset + 2 * kSpan > bytes) offset = 0;
    if (ardv::lireSignal(info, offset, memory, 0, kSpan) != kSpan) state.SkipWithError("read failed");
    offset += 2 * kSpan;
    done += 2 * kSpan;
  }
  state.SetBytesProcessed(done);
}

BENCHMARK(BM_StdioByteCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyPlain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyConverting12BitBigEndian)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LireSignal)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(fs::temp_directory_path() / "ardv-copy-bench", ec);  // the 256 MB source and the copies
  return 0;
}
