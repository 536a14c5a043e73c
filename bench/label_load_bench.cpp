// Label loading in boundaries per second, in increasing and in decreasing
// order of position: a NIST word file parsed in memory, and a "phon" chunk
// read from a file. Both orders should cost about the same (n log n).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "annotation/label_files.h"
#include "signal/annotation_chunk.h"

namespace {

// Segment k runs from 10k to 10k + 10; `descending` lists them last first.
std::vector<std::int32_t> starts(std::int64_t n, bool descending) {
  std::vector<std::int32_t> out;
  for (std::int64_t k = 0; k < n; ++k) out.push_back(static_cast<std::int32_t>(10 * (descending ? n - 1 - k : k)));
  return out;
}

void nistWords(benchmark::State& state, bool descending) {
  std::string content;
  for (std::int32_t s : starts(state.range(0), descending))
    content += std::to_string(s) + " " + std::to_string(s + 10) + " w\n";
  ardv::infoFile info;
  info.annotationKind = ardv::kAnnotNist;
  info.frequence = 16000;
  for (auto _ : state) {
    ardv::notetiqs list;
    benchmark::DoNotOptimize(ardv::parseWordFile(content, info, "bench", list));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void chunk(benchmark::State& state, bool descending) {
  std::vector<std::uint8_t> payload;
  for (std::int32_t s : starts(state.range(0), descending)) {
    for (int b = 0; b < 4; ++b) payload.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(s) >> (8 * b)));
    payload.push_back('a');
    payload.push_back(0);
  }
  const auto end = static_cast<std::uint32_t>(10 * state.range(0));  // the closing mark
  for (int b = 0; b < 4; ++b) payload.push_back(static_cast<std::uint8_t>(end >> (8 * b)));
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "ardv-label-bench.bin";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(payload.data(), 1, payload.size(), f);
    std::fclose(f);
  }
  for (auto _ : state) {
    ardv::notetiqs list;
    benchmark::DoNotOptimize(
        ardv::readnotetiqs(path.string(), list, 0, static_cast<std::int64_t>(payload.size())));
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK_CAPTURE(nistWords, ascending, false)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(nistWords, descending, true)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(chunk, ascending, false)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(chunk, descending, true)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
