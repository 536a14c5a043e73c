// Narrow-band spectrogram of a sample vector.
#include "shell/formant_window/klatt_spectrogram.h"

#include <algorithm>

#include "shell/panes/spectrogram_painter.h"
#include "signal/infofile.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {

bool paintNarrowBand(QImage& image, const std::vector<std::int16_t>& samples, int rateHz, std::int64_t first,
                     std::int64_t count) {
  if (samples.empty() || rateHz <= 0 || image.width() <= 0 || image.height() <= 0) return false;
  CurrentSpectro spec;
  if (!spectro_GetParams(spectroSettings(), kNarrowBand, rateHz, spec)) return false;
  const SampleSpan span{samples.data(), static_cast<std::int64_t>(samples.size()), 0};
  const PaneMapping pane{first, std::max<std::int64_t>(1, count), image.width()};
  PlaneAxis rows;
  rows.rows = image.height();
  PaneImage levels;
  if (!renderSpectrogramPane(spec, span, pane, 0, image.width() - 1, rows, levels)) return false;
  for (int y = 0; y < std::min(levels.rows, image.height()); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < std::min(levels.width, image.width()); ++x)
      if (const int level = levels.at(x, y); level >= 0) line[x] = levelRgb(std::min(level, 255));
  }
  return true;
}

}  // namespace ardv::shell
