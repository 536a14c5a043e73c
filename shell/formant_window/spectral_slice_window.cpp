#include "shell/formant_window/spectral_slice_window.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "signal/program.h"

namespace ardv::shell {
namespace {

constexpr int kLeft = 44, kRight = 12, kTop = 10, kBottom = 34;
constexpr double kRangeDb = 80.0;

const QColor kSpectrumColour(110, 110, 110);
const QColor kLpcColour(220, 0, 0);
const QColor kCepstralColour(0, 70, 220);

double hzStep(double top) {
  for (double step : {500.0, 1000.0, 2000.0, 5000.0})
    if (top / step <= 10.0) return step;
  return 10000.0;
}

}  // namespace

class SpectralSliceWindow::Plot : public QWidget {
 public:
  explicit Plot(SpectralSliceWindow& owner) : QWidget(&owner), owner_(owner) {
    setMouseTracking(true);
    setMinimumSize(420, 260);
  }

 protected:
  QRect area() const { return rect().adjusted(kLeft, kTop, -kRight, -kBottom); }
  double topHz() const { return owner_.fs_ / 2; }
  double topDb() const {
    float top = -1e9f;
    for (const auto* curve : curves())
      for (float v : *curve) top = std::max(top, v);
    return std::ceil(top / 10.0) * 10.0 + 5.0;
  }
  std::array<const std::vector<float>*, 3> curves() const {
    const SpectralSlice& s = owner_.slice_;
    return {&s.spectrumDb, &s.lpcDb, &s.cepstralDb};
  }
  QPointF at(double hz, double db, double top) const {
    const QRect r = area();
    const double y = std::clamp((top - db) / kRangeDb, 0.0, 1.0);
    return {r.left() + hz / topHz() * r.width(), r.top() + y * r.height()};
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect r = area();
    p.setPen(Qt::black);
    p.drawRect(r);
    if (owner_.slice_.spectrumDb.empty()) {
      p.drawText(r, Qt::AlignCenter, "Move the pointer over the spectrogram or the waveform");
      return;
    }
    const double top = topDb();
    p.setPen(QColor(225, 225, 225));
    const double step = hzStep(topHz());
    for (double hz = step; hz < topHz(); hz += step) p.drawLine(at(hz, top, top), at(hz, top - kRangeDb, top));
    for (double db = top - 10; db > top - kRangeDb; db -= 10) p.drawLine(at(0, db, top), at(topHz(), db, top));
    p.setPen(Qt::black);
    for (double hz = 0; hz <= topHz() + 1; hz += step)
      p.drawText(QRectF(at(hz, 0, 0).x() - 30, r.bottom() + 2, 60, 14), Qt::AlignCenter,
                 QString::number(hz / 1000.0));
    p.drawText(QRect(r.left(), r.bottom() + 16, r.width(), 16), Qt::AlignCenter, "Frequency (kHz)");
    for (double db = top - 5; db > top - kRangeDb; db -= 20)
      p.drawText(QRectF(0, at(0, db, top).y() - 7, kLeft - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
                 QString::number(db, 'f', 0));
    p.save();
    p.translate(2, r.center().y() + 15);
    p.rotate(-90);
    p.drawText(0, 10, "dB");
    p.restore();

    const QColor colours[3] = {kSpectrumColour, kLpcColour, kCepstralColour};
    const double widths[3] = {1.0, 2.0, 2.0};
    const auto all = curves();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(r);
    for (int c = 0; c < 3; ++c) {
      QPainterPath path;
      const auto& v = *all[static_cast<std::size_t>(c)];
      for (std::size_t k = 0; k < v.size(); ++k) {
        const QPointF q = at(static_cast<double>(k) * owner_.slice_.binHz, v[k], top);
        if (k == 0)
          path.moveTo(q);
        else
          path.lineTo(q);
      }
      p.setPen(QPen(colours[c], widths[c]));
      p.drawPath(path);
    }
    p.setClipping(false);
    const char* names[3] = {"spectrum", "LPC", "cepstral smoothing"};
    QFontMetrics fm(p.font());
    int y = r.top() + 4;
    for (int c = 0; c < 3; ++c) {
      const int w = fm.horizontalAdvance(names[c]);
      p.setPen(QPen(colours[c], 2));
      p.drawLine(r.right() - w - 30, y + 7, r.right() - w - 10, y + 7);
      p.setPen(Qt::black);
      p.drawText(r.right() - w - 6, y + 12, names[c]);
      y += 16;
    }
  }

  void mouseMoveEvent(QMouseEvent* e) override {
    const SpectralSlice& s = owner_.slice_;
    const QRect r = area();
    if (s.spectrumDb.empty() || r.width() <= 0) return;
    const double hz = (e->position().x() - r.left()) / r.width() * topHz();
    const auto k = static_cast<long>(std::lround(hz / s.binHz));
    if (k < 0 || k >= static_cast<long>(s.spectrumDb.size())) return;
    const auto i = static_cast<std::size_t>(k);
    owner_.statusBar()->showMessage(QString::asprintf("%.1f ms   %.0f Hz   spectrum %.1f dB   LPC %.1f dB   cepstral %.1f dB",
                                                      owner_.ms_, static_cast<double>(k) * s.binHz,
                                                      static_cast<double>(s.spectrumDb[i]),
                                                      static_cast<double>(s.lpcDb[i]),
                                                      static_cast<double>(s.cepstralDb[i])));
  }

 private:
  SpectralSliceWindow& owner_;
};

SpectralSliceWindow::SpectralSliceWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setWindowTitle("Spectral slice");
  setAttribute(Qt::WA_DeleteOnClose);
  plot_ = new Plot(*this);
  setCentralWidget(plot_);
  QMenu* menu = menuBar()->addMenu("&Slice");
  follow_ = menu->addAction("&Follow the pointer");
  follow_->setCheckable(true);
  follow_->setChecked(true);
  connect(menu->addAction("Mouse help"), &QAction::triggered, this, [this] {
    statusBar()->showMessage(
        "The frame under the main window's pointer; over this plot the status line reads the three curves.");
  });
  resize(620, 380);
}

bool SpectralSliceWindow::following() const { return follow_->isChecked(); }
QWidget* SpectralSliceWindow::plot() const { return plot_; }
void SpectralSliceWindow::setFollowing(bool on) { follow_->setChecked(on); }

bool SpectralSliceWindow::showSample(std::int32_t sample) {
  const auto& prog = program();
  const auto& ct = prog.ct;
  const double fs = prog.en_cours.frequence;
  if (!prog.fileLoaded || sample < ct.d_e || sample > ct.f_e) {
    statusBar()->showMessage("Outside the samples held in memory");
    return false;
  }
  const auto count = static_cast<std::size_t>(std::max(0, ct.f_e - ct.d_e + 1));
  const std::span<const std::int16_t> samples(prog.memory.data(), std::min(count, static_cast<std::size_t>(std::max(0, prog.memory.size()))));
  SpectralSlice s;
  const char* why = nullptr;
  if (!spectralSlice(samples, sample - ct.d_e, fs, formantOptions(), s, &why)) {
    statusBar()->showMessage(why ? QString("No slice: %1").arg(why) : QString("No slice"));
    return false;
  }
  s.first += ct.d_e;
  slice_ = std::move(s);
  fs_ = fs;
  ms_ = static_cast<double>(slice_.first + slice_.length / 2) * 1000.0 / fs;
  setWindowTitle(QString::asprintf("Spectral slice at %.1f ms (%d samples, %.0f Hz)", ms_, slice_.length, fs));
  statusBar()->showMessage(QString::asprintf("Frame of %.1f ms centred at %.1f ms", slice_.length * 1000.0 / fs, ms_));
  plot_->update();
  return true;
}

}  // namespace ardv::shell
