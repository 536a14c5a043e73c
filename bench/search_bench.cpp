// Phoneme-sequence search over a generated corpus of 10,000 annotated WAV
// files (ARDV_BENCH_FILES overrides), in files per second on one core with a
// warm cache. One file in 100 holds a match; the others are read for their
// header and "phon" chunk only. The corpus is made once in the temporary
// directory and removed at the end.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "labels/phonetic_description.h"
#include "platform/headless/recording_reporter.h"
#include "search/corpus_search.h"
#include "signal/wav_layout.h"
#include "texts/texts.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLabels = 60;
constexpr int kSamples = 3200;

int corpusFiles() {
  const char* n = std::getenv("ARDV_BENCH_FILES");
  return n ? std::max(1, std::atoi(n)) : 10000;
}

struct Corpus {
  fs::path dir;
  std::vector<fs::path> files;
  Corpus() {
    dir = fs::temp_directory_path() / "ardv-search-bench";
    fs::create_directories(dir);
    const std::vector<std::int16_t> samples(kSamples, 100);
    const char* const filler[] = {"p", "t", "i", "a"};
    for (int f = 0; f < corpusFiles(); ++f) {
      ardv::notetiqs list;
      for (int k = 0; k < kLabels; ++k) {
        const bool match = f % 100 == 0 && k == kLabels / 2;
        list.SetText(list.insertOrGet(k * (kSamples / kLabels)), match ? "m" : filler[(f + k) % 4]);
      }
      list.insertOrGet(kLabels * (kSamples / kLabels));
      files.push_back(dir / ("f" + std::to_string(f) + ".wav"));
      if (!fs::exists(files.back())) ardv::writeWavFile(files.back(), samples, 16000, list, {});
    }
  }
  ~Corpus() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

void BM_SearchCorpus(benchmark::State& state) {
  static ardv::RecordingReporter quiet;
  ardv::setReportHandler(&quiet);
  std::string texts;
  for (const int n : {7301, 7304, 7305, 7311, 7312, 7313, 7314, 7340, 7341}) texts += std::to_string(n) + ", \"t\"\n";
  ardv::textTable().loadText(texts, "bench");
  ardv::phoneticDescription().loadText(
      "phon \"\" \"\"\nphon \"a\" \"\"\nphon \"i\" \"\"\nphon \"m\" \"\"\nphon \"n\" \"\"\nphon \"p\" \"\"\n"
      "phon \"t\" \"\"\nclass \"[nasal]\" \"\" [ \"m\" \"n\" ;\nclass \"[V]\" \"\" [ \"a\" \"i\" ;\n");
  static Corpus corpus;
  ardv::CorpusSearch request;
  request.sequences = {{"[nasal]", "[V]"}, {"t", "[nasal]"}};
  request.files = corpus.files;
  request.maxCount = 1000000;
  request.gathered = corpus.dir / "gathered.out";
  ardv::CorpusOutcome outcome;
  for (auto _ : state) {
    ardv::searchCorpus(request, {}, outcome);
    benchmark::DoNotOptimize(outcome.occurrences);
  }
  state.counters["files/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(corpus.files.size()),
                         benchmark::Counter::kIsRate);
  state.counters["occurrences"] = outcome.occurrences;
  ardv::setReportHandler(nullptr);
}
BENCHMARK(BM_SearchCorpus)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
