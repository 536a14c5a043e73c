// Figures end to end (values from the file, layout, painting, encoding) at
// 160 x 100 mm, 300 dpi: 2 s of the bundled example with every pane, and a
// 60 s overview (the example repeated) with waveform, spectrogram, F0 and
// energy. Targets: under 200 ms and under 1 s.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QGuiApplication>
#include <filesystem>
#include <vector>

#include "figure/figure_data.h"
#include "figure/figure_render.h"
#include "labels/notetiqs.h"
#include "signal/annotation_chunk.h"
#include "signal/buffers.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"

namespace {

using namespace ardv;
namespace fs = std::filesystem;

fs::path exampleWav() { return fs::path(ARDV_SOURCE_DIR) / "data" / "examples" / "example.wav"; }

infoFile describe(const fs::path& path) {
  infoFile info;
  info.nom = path.string();
  init_infoFile_read_WAV(info);
  return info;
}

const fs::path& minuteWav() {
  static const fs::path path = [] {
    const infoFile example = describe(exampleWav());
    SHORTbuf buffer(example.sampleCount(), "bench");
    lireSignal(example, example.depl, buffer, 0, static_cast<std::int32_t>(example.sampleCount()));
    std::vector<std::int16_t> samples;
    while (samples.size() < static_cast<std::size_t>(60 * example.frequence))
      samples.insert(samples.end(), buffer.data(), buffer.data() + buffer.size());
    const fs::path out = fs::temp_directory_path() / ("ardv-figure-bench-" + std::to_string(::getpid()) + ".wav");
    writeWavFile(out, samples, example.frequence, {}, {});
    return out;
  }();
  return path;
}

void renderOnce(benchmark::State& state, const fs::path& wav, const figure::FigureRequest& request,
                figure::Format format) {
  const infoFile info = describe(wav);
  notetiqs phonemes, words;
  readnotetiqs(info.nom, phonemes, info.etiqdepl, info.etiqlongueur, info.sampleCount());
  readnotetiqs(info.nom, words, info.notedepl, info.notelongueur, info.sampleCount());
  for (auto _ : state) {
    std::int64_t first = 0, last = 0;
    std::string error;
    figure::resolveStretch(info, request, first, last, error);
    const figure::FigureLayout layout = figure::layoutFigure(request);
    figure::FigureData data;
    figure::collectFigureData(info, request, first, last, phonemes, words, figure::dataColumns(layout),
                              fs::temp_directory_path().string(), data, error);
    QByteArray bytes;
    figure::renderFigure(request, layout, data, format, bytes, error);
    benchmark::DoNotOptimize(bytes.size());
  }
}

void BM_TwoSecondsAllPanes(benchmark::State& state) {
  figure::FigureRequest request;
  request.fromMs = 300.0;
  request.toMs = 2300.0;
  request.panes = {figure::Pane::Waveform, figure::Pane::Spectrogram, figure::Pane::F0,
                figure::Pane::Energy,   figure::Pane::Phonemes,    figure::Pane::Words};
  renderOnce(state, exampleWav(), request, static_cast<figure::Format>(state.range(0)));
}
BENCHMARK(BM_TwoSecondsAllPanes)->Arg(0)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_MinuteOverview(benchmark::State& state) {
  figure::FigureRequest request;
  request.panes = {figure::Pane::Waveform, figure::Pane::Spectrogram, figure::Pane::F0, figure::Pane::Energy};
  renderOnce(state, minuteWav(), request, figure::Format::Png);
}
BENCHMARK(BM_MinuteOverview)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::error_code ec;
  fs::remove(minuteWav(), ec);
  return 0;
}
