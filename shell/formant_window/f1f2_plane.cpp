// The F1-F2 plane window.
#include "shell/formant_window/f1f2_plane.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <algorithm>
#include <cmath>

#include "labels/phonetic_description.h"
#include "shell/logic/scales.h"
#include "shell/shared/window_setup.h"
#include "signal/program.h"
#include "signal/time_conversion.h"

namespace ardv::shell {

QPointF planePixel(double f1, double f2, int w, int h) {
  return {(kPlaneF2High - f2) / (kPlaneF2High - kPlaneF2Low) * w, (f1 - kPlaneF1Low) / (kPlaneF1High - kPlaneF1Low) * h};
}

QPointF planeFrequencies(QPointF pixel, int w, int h) {
  return {kPlaneF1Low + pixel.y() / std::max(1, h) * (kPlaneF1High - kPlaneF1Low),
          kPlaneF2High - pixel.x() / std::max(1, w) * (kPlaneF2High - kPlaneF2Low)};
}

namespace {

// The value of column 0 of `list` at date t: the point at t or the last one
// before it in the piece covering t; nullopt when no piece covers t.
std::optional<float> valueAt(const KlattPieceList& list, std::int32_t t) {
  for (const auto& piece : list) {
    if (piece->nbPoints == 0 || t < piece->debut() || t > piece->fin()) continue;
    const int j = piece->indpp(t);
    if (j >= 0) return piece->y(j, 0);
  }
  return std::nullopt;
}

}  // namespace

std::vector<QPointF> formantPairs(const KlattTracks& tracks, std::optional<std::pair<std::int32_t, std::int32_t>> spanMs) {
  std::vector<QPointF> pairs;
  const auto& f0 = tracks.groups[0];
  const auto& f1 = tracks.groups[1];
  const auto& f2 = tracks.groups[2];
  const bool onlySelected = std::any_of(f1.begin(), f1.end(), [](const auto& p) { return p->selected; });
  for (const auto& a : f1) {
    if (onlySelected && !a->selected) continue;
    for (int i = 0; i < a->nbPoints; ++i) {
      const std::int32_t t = a->date(i);
      if (spanMs && (t < spanMs->first || t > spanMs->second)) continue;
      if (!(valueAt(f0, t).value_or(static_cast<float>(tracks.defaults[kF0hz10])) > 0)) continue;
      for (const auto& b : f2) {
        if (t < b->debut() || t > b->fin()) continue;
        const int j = b->indpp(t);
        if (j >= 0 && b->date(j) == t) pairs.emplace_back(a->y(i, 0), b->y(j, 0));
        break;
      }
    }
  }
  return pairs;
}

class F1F2Plane::Plot : public QWidget {
 public:
  Plot(const KlattTracks& tracks, F1F2Plane& owner) : QWidget(&owner), tracks_(tracks), owner_(owner) {
    setMouseTracking(true);
    setMinimumSize(240, 180);
  }
  QRect area() const {
    const QFontMetrics fm(font());
    const int left = 2 * fm.height() + fm.horizontalAdvance("900") + 6;
    const int bottom = 2 * fm.height() + 8;
    return rect().adjusted(left, fm.height() / 2 + 4, -fm.horizontalAdvance("2600") / 2 - 4, -bottom);
  }
  std::vector<QPointF> points() const {
    std::optional<std::pair<std::int32_t, std::int32_t>> span;
    const Program& prog = program();
    if (prog.fileLoaded && prog.ct.d_sel >= 0 && prog.ct.f_sel > prog.ct.d_sel && prog.en_cours.frequence > 0)
      span = std::pair(static_cast<std::int32_t>(samplesToMs(prog.ct.d_sel, prog.en_cours.frequence)),
                       static_cast<std::int32_t>(samplesToMs(prog.ct.f_sel, prog.en_cours.frequence)));
    const QRect r = area();
    std::vector<QPointF> out;
    for (const QPointF& q : formantPairs(tracks_, span)) {
      if (q.x() < kPlaneF1Low || q.x() > kPlaneF1High || q.y() < kPlaneF2Low || q.y() > kPlaneF2High) continue;
      out.push_back(QPointF(r.topLeft()) + planePixel(q.x(), q.y(), r.width() - 1, r.height() - 1));
    }
    return out;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRect r = area();
    p.fillRect(r, Qt::white);
    const QFontMetrics fm(font());
    // F2 ticks along the bottom (falling to the right), F1 ticks down the left.
    p.setPen(palette().windowText().color());
    const double f2Step = niceStep(kPlaneF2High - kPlaneF2Low, r.width(), fm.horizontalAdvance("0000") + 16);
    for (double f2 = std::ceil(kPlaneF2Low / f2Step) * f2Step; f2 <= kPlaneF2High; f2 += f2Step) {
      const int x = r.left() + static_cast<int>(planePixel(kPlaneF1Low, f2, r.width() - 1, r.height() - 1).x());
      p.drawLine(x, r.bottom(), x, r.bottom() + 4);
      p.drawText(QRect(x - 30, r.bottom() + 4, 60, fm.height()), Qt::AlignHCenter, QString::number(f2));
    }
    p.drawText(QRect(r.left(), r.bottom() + 4 + fm.height(), r.width(), fm.height()), Qt::AlignHCenter, "F2 (Hz)");
    const double f1Step = niceStep(kPlaneF1High - kPlaneF1Low, r.height(), fm.height() + 8);
    for (double f1 = std::ceil(kPlaneF1Low / f1Step) * f1Step; f1 <= kPlaneF1High; f1 += f1Step) {
      const int y = r.top() + static_cast<int>(planePixel(f1, kPlaneF2High, r.width() - 1, r.height() - 1).y());
      p.drawLine(r.left() - 4, y, r.left(), y);
      p.drawText(QRect(0, y - fm.height() / 2, r.left() - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                 QString::number(f1));
    }
    p.save();
    p.translate(2, r.center().y());
    p.rotate(-90);
    p.drawText(QRect(-r.height() / 2, 0, r.height(), fm.height()), Qt::AlignHCenter, "F1 (Hz)");
    p.restore();
    p.drawRect(r.adjusted(0, 0, -1, -1));
    // Everything else stays inside the frame.
    p.setClipRect(r.adjusted(1, 1, -1, -1));
    p.setPen(QColor(255, 0, 0));
    for (const QPointF& q : points()) p.drawRect(QRectF(q - QPointF(1, 1), QSizeF(2, 2)));
    QFont font("arial");
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::blue);
    const PhoneticDescription& desc = phoneticDescription();
    for (int i = 0; i < desc.vowelCount(); ++i) {
      const VowelReference v = desc.vowelReference(i);
      p.drawText(QPointF(r.topLeft()) + planePixel(v.f1Hz, v.f2Hz, r.width() - 1, r.height() - 1),
                 QString::fromStdString(desc.label(v.phoneme)));
    }
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    const QRect r = area();
    if (!r.contains(e->position().toPoint())) {
      owner_.statusBar()->clearMessage();
      return;
    }
    const QPointF f = planeFrequencies(e->position() - r.topLeft(), r.width() - 1, r.height() - 1);
    owner_.statusBar()->showMessage(QString::asprintf("F1 %uHz  F2 %uHz", unsigned(std::max(0.0, f.x())),
                                                      unsigned(std::max(0.0, f.y()))));
  }

 private:
  const KlattTracks& tracks_;
  F1F2Plane& owner_;
};

F1F2Plane::F1F2Plane(const KlattTracks& tracks, QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setWindowTitle("F1-F2 plane");
  setAttribute(Qt::WA_DeleteOnClose);
  plot_ = new Plot(tracks, *this);
  setCentralWidget(plot_);
  QMenu* menu = menuBar()->addMenu("F1F2F3");
  connect(menu->addAction("Mouse help"), &QAction::triggered, this, [this] {
    statusBar()->showMessage("Move the mouse over the plane: the status line shows F1 and F2 under the pointer.");
  });
  spreadMnemonics(menuBar());
  statusBar()->showMessage("Voiced frames (red; the selection's, if any) and the language's vowels (blue)");
  fitOnScreen(this, QSize(620, 480));
}

QWidget* F1F2Plane::plot() const { return plot_; }
QRect F1F2Plane::frame() const { return plot_->area(); }
std::vector<QPointF> F1F2Plane::shownPoints() const { return plot_->points(); }

}  // namespace ardv::shell
