// Spectrogram area, decorations and frequency scale.
#include "shell/panes/spectro_plane.h"

#include <QPainter>
#include <algorithm>

#include "shell/logic/scales.h"
#include "shell/panes/spectrogram_painter.h"
#include "signal/program.h"
#include "spectral/image_levels.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {

double SpectroView::fmax() const {
  return spectroSettings().fmaxHz;
}

FrequencyAxis SpectroView::frequencyAxis() const {
  const Program& prog = program();
  const SpectroParams& bands = spectroSettings()[kCriticalBands];
  const double fs = prog.en_cours.frequence;
  if (prog.en_cours.mode != kCriticalBands || !shown_ || bands.bands.axis != 1 || !(fs > 0))
    return FrequencyAxis(fmax(), height());
  const auto scale = static_cast<PerceptualScale>(std::clamp(bands.bands.scale, 0, 2));
  const int displayedBins = static_cast<int>(fmax() / fs * bands.fftSize);
  return FrequencyAxis::perceptual(scale, perceptualTop(scale, fs, displayedBins, bands.fftSize), height());
}

std::optional<double> SpectroView::levelDbAt(double x, int y) const {
  if (bitmap_.isNull() || !shown_) return std::nullopt;
  const qreal ratio = bitmap_.devicePixelRatio();
  const int px = static_cast<int>(x * ratio), py = static_cast<int>(y * ratio);
  if (px < 0 || py < 0 || px >= bitmap_.width() || py >= bitmap_.height()) return std::nullopt;
  const QRgb colour = bitmap_.pixel(px, py) | 0xff000000u;
  // Level 0 is the background: the lowest level shown is 1.
  for (int k = 1; k < 256; ++k)
    if ((levelRgb(k) | 0xff000000u) == colour) return legendLevelDb(k);
  return std::nullopt;
}

void SpectroView::showLegend() {
  if (bitmap_.isNull()) return;
  paintColourLegend(bitmap_);
  update();
}

void SpectroView::addDecoration(Decoration decoration, const QString& name, QColor colour) {
  decorations_.push_back({std::move(decoration), false, name, colour});
  update();
}

std::vector<std::pair<QString, QColor>> SpectroView::legend() const {
  std::vector<std::pair<QString, QColor>> lines;
  for (const Item& item : decorations_) {
    if (item.name.isEmpty()) continue;
    if (std::none_of(lines.begin(), lines.end(), [&](const auto& l) { return l.first == item.name; }))
      lines.emplace_back(item.name, item.colour);
  }
  return lines;
}

void SpectroView::paintLegend(QPainter& p) const {
  const auto lines = legend();
  if (lines.empty()) return;
  const QFontMetrics fm(font());
  int textWidth = 0;
  for (const auto& [name, colour] : lines) textWidth = std::max(textWidth, fm.horizontalAdvance(name));
  const int swatch = 14, pad = 4, lineHeight = fm.height();
  const QRect box(width() - textWidth - swatch - 3 * pad - 4, 4, textWidth + swatch + 3 * pad,
                  static_cast<int>(lines.size()) * lineHeight + 2 * pad);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.fillRect(box, QColor(255, 255, 255, 215));
  p.setPen(QColor(120, 120, 120));
  p.drawRect(box);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int y = box.top() + pad + static_cast<int>(i) * lineHeight;
    p.fillRect(QRect(box.left() + pad, y + lineHeight / 2 - 2, swatch, 4), lines[i].second);
    p.setPen(Qt::black);
    p.drawText(QRect(box.left() + 2 * pad + swatch, y, textWidth + pad, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
               lines[i].first);
  }
}

void SpectroView::keepDecorations() {
  if (bitmap_.isNull()) return;
  QPainter p(&bitmap_);
  const FrequencyAxis frequencies = frequencyAxis();
  for (auto& item : decorations_) {
    if (!item.kept) item.draw(p, axis(), frequencies);
    item.kept = true;
  }
  update();
}

void SpectroView::clearDecorations() {
  const bool hadKept = std::any_of(decorations_.begin(), decorations_.end(), [](const Item& i) { return i.kept; });
  decorations_.clear();
  if (hadKept)
    rebuild();
  else
    update();
}

void SpectroView::render(QImage& image) {
  if (!program().fileLoaded) return;
  if (painter_ && shown_) painter_(image, axis());
  QPainter p(&image);
  const FrequencyAxis frequencies = frequencyAxis();
  for (const auto& item : decorations_)
    if (item.kept) item.draw(p, axis(), frequencies);
}

void SpectroView::paintEvent(QPaintEvent* event) {
  PlaneView::paintEvent(event);
  QPainter p(this);
  const FrequencyAxis frequencies = frequencyAxis();
  for (const auto& item : decorations_)
    if (!item.kept) item.draw(p, axis(), frequencies);
  paintLegend(p);
}

void FrequencyScale::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  p.setPen(palette().windowText().color());
  p.drawLine(width() - 1, 0, width() - 1, height() - 1);
  if (!program().fileLoaded || height() <= 0) return;
  const QFontMetrics fm(font());
  // A perceptual critical-band axis is labelled through its scale.
  const FrequencyAxis axis = view_->frequencyAxis();
  std::vector<Tick> ticks;
  const char* unit = "Hz";
  if (axis.isPerceptual()) {
    ticks = perceptualFrequencyTicks(axis.scale(), axis.top(), height(), 2 * fm.height());
    const char* const units[] = {"Hz (Bark)", "Hz (Mel)", "Hz (Mely)"};
    unit = units[static_cast<int>(axis.scale())];
  } else {
    ticks = frequencyTicks(view_->fmax(), height(), 2 * fm.height());
  }
  for (const Tick& t : ticks) {
    const int y = static_cast<int>(t.pos);
    p.drawLine(width() - 5, y, width() - 1, y);
    const int baseline = std::clamp(y + fm.ascent() / 2, fm.ascent(), height() - 1);
    p.drawText(QRect(0, baseline - fm.ascent(), width() - 8, fm.height()), Qt::AlignRight,
               QString::fromStdString(t.label));
  }
  p.save();
  p.translate(fm.height() / 2 + 1, height() / 2);
  p.rotate(-90);
  p.drawText(QRect(-60, -fm.height() / 2, 120, fm.height()), Qt::AlignCenter, unit);
  p.restore();
}

SpectroPlane::SpectroPlane(QWidget* parent)
    : QWidget(parent), view_(new SpectroView(this)), scale_(new FrequencyScale(view_, this)) {}

void SpectroPlane::refresh() {
  view_->rebuild();
  scale_->update();
}

void SpectroPlane::resizeEvent(QResizeEvent*) {
  scale_->setGeometry(0, 0, kScaleMargin, height());
  view_->setGeometry(kScaleMargin, 0, std::max(0, width() - kScaleMargin), height());
}

}  // namespace ardv::shell
