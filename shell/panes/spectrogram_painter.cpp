// Spectrogram levels to pixels, and the colour legend.
#include "shell/panes/spectrogram_painter.h"

#include <QPainter>
#include <array>
#include <cstdio>

#include "shell/panes/display_options.h"
#include "signal/program.h"
#include "signal/signal_envelope.h"
#include "spectral/image_levels.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {
namespace {

std::array<QRgb, 256> levelTable() {
  std::array<QRgb, 256> table{};
  const DisplayColours& colours = displayColours();
  for (int v = 0; v < 256; ++v) {
    const Rgb c = colours.levelColour(v);
    table[static_cast<std::size_t>(v)] = qRgb(c.r, c.g, c.b);
  }
  return table;
}

bool paint(QImage& image, const TimeAxis& axis, bool fresh) {
  const Program& prog = program();
  if (!prog.fileLoaded || image.width() <= 0 || image.height() <= 0) return false;
  const int kind = prog.en_cours.mode;
  CurrentSpectro spec;
  if (!spectro_GetParams(spectroSettings(), kind, prog.en_cours.frequence, spec)) return false;
  DisplayColours& colours = displayColours();
  colours.graymode = prog.options.graymode;
  colours.setSpectroGamma(spectroGammaForKind(kind));

  SampleSpan samples{prog.memory.data(), prog.memory.size(), prog.ct.d_e};
  // A view wider than memory: its own samples, up to the longest stretch set.
  const std::int64_t last = std::min<std::int64_t>(axis.last(), prog.ct.tf - 1);
  static SHORTbuf wide(0, "wide view");
  if (axis.first() < prog.ct.d_e || last > prog.ct.f_e) {
    const double seconds = double(last - axis.first() + 1) / prog.en_cours.frequence;
    if (seconds > displayOptions().longestSpectrogramS) {
      QPainter p(&image);
      p.setPen(QColor(90, 90, 90));
      p.drawText(QRectF(0, 0, image.width() / image.devicePixelRatio(), image.height() / image.devicePixelRatio()),
                 Qt::AlignCenter,
                 QString("The spectrogram is shown for views up to %1 s (General options): zoom in to see it")
                     .arg(displayOptions().longestSpectrogramS));
      return true;
    }
    if (!readShownSamples(axis.first(), static_cast<std::int32_t>(last), wide)) return false;
    samples = {wide.data(), wide.size(), axis.first()};
  } else {
    wide = SHORTbuf(0, "wide view");
  }
  const PaneMapping pane{axis.first(), axis.visibleSamples(), image.width()};
  PlaneAxis rows;
  rows.rows = image.height();
  PaneImage levels;
  // The columns of the previous views, for the frames a scroll or zoom keeps.
  static PaneColumnCache kept;
  if (!(fresh ? renderSpectrogramPane(spec, samples, pane, 0, image.width() - 1, rows, levels)
              : renderSpectrogramPane(spec, samples, pane, 0, image.width() - 1, rows, levels, kept)))
    return false;
  legendRange() = levels.relative ? LevelRange{levels.lowDb, levels.highDb} : LevelRange{};

  const auto table = levelTable();
  const int width = std::min(image.width(), levels.width);
  const int height = std::min(image.height(), levels.rows);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int level = levels.at(x, y);
      if (level >= 0) line[x] = table[static_cast<std::size_t>(std::min(level, 255))];
    }
  }
  return true;
}

}  // namespace

QRgb levelRgb(int level) {
  const Rgb c = displayColours().levelColour(std::clamp(level, 0, 255));
  return qRgb(c.r, c.g, c.b);
}

bool paintSpectrogram(QImage& image, const TimeAxis& axis) { return paint(image, axis, false); }

bool paintSpectrogramAfresh(QImage& image, const TimeAxis& axis) { return paint(image, axis, true); }

void paintColourLegend(QImage& image) {
  image.fill(Qt::white);
  const double w = image.width() / image.devicePixelRatio(), h = image.height() / image.devicePixelRatio();
  if (w <= 0 || h <= 0) return;
  QPainter p(&image);
  // Plane coordinates 0..1 in both directions, y upwards.
  const double top = (1 - 0.65) * h, bottom = (1 - 0.4) * h;
  for (int k = 0; k < 256; ++k) {
    const double x0 = (0.1 + k * 0.003125) * w;
    const double x1 = (0.1 + (k + 1) * 0.003125) * w;
    p.fillRect(QRectF(x0, top, x1 - x0, bottom - top), QColor(levelRgb(k)));
  }
  QFont font("arial");
  font.setPixelSize(std::max(7, p.fontMetrics().height() - 4));
  p.setFont(font);
  p.setPen(Qt::black);
  const int interval = legendLabelInterval(0.8 * w, p.fontMetrics().horizontalAdvance("97.000"));
  for (int k = 0; k < 256; k += interval) {
    char label[16];
    std::snprintf(label, sizeof label, "%.0f", legendLevelDb(k));
    const double x = (0.1 + (k + 0.5) * 0.003125) * w;
    p.drawText(QRectF(x - 20, bottom + 2, 40, p.fontMetrics().height()), Qt::AlignHCenter, label);
  }
}

}  // namespace ardv::shell
