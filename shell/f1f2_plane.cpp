// The F1-F2 plane window.
#include "shell/f1f2_plane.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <algorithm>

#include "annotation/phonetic_description.h"

namespace ardv::shell {
namespace {
constexpr int kBorder = 30;
}

QPointF planePixel(double f1, double f2, int w, int h) {
  return {(kPlaneF2High - f2) / (kPlaneF2High - kPlaneF2Low) * w, (f1 - kPlaneF1Low) / (kPlaneF1High - kPlaneF1Low) * h};
}

QPointF planeFrequencies(QPointF pixel, int w, int h) {
  return {kPlaneF1Low + pixel.y() / std::max(1, h) * (kPlaneF1High - kPlaneF1Low),
          kPlaneF2High - pixel.x() / std::max(1, w) * (kPlaneF2High - kPlaneF2Low)};
}

std::vector<QPointF> formantPairs(const KlattTracks& tracks) {
  std::vector<QPointF> pairs;
  const auto& f1 = tracks.groups[1];
  const auto& f2 = tracks.groups[2];
  const bool onlySelected = std::any_of(f1.begin(), f1.end(), [](const auto& p) { return p->selected; });
  for (const auto& a : f1) {
    if (onlySelected && !a->selected) continue;
    for (int i = 0; i < a->nbPoints; ++i) {
      const std::int32_t t = a->date(i);
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
    setMinimumSize(360, 260);
  }

 protected:
  QRect area() const { return rect().adjusted(kBorder, kBorder / 2, -kBorder / 2, -kBorder); }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect r = area();
    p.setPen(Qt::black);
    p.drawRect(r);
    p.drawText(QRect(r.left(), r.bottom() + 4, r.width(), 20), Qt::AlignCenter, "F2: 2600 Hz ... 100 Hz");
    p.save();
    p.translate(4, r.bottom());
    p.rotate(-90);
    p.drawText(QRect(0, 0, r.height(), 20), Qt::AlignCenter, "F1: 900 Hz ... 100 Hz");
    p.restore();
    auto at = [&](double f1, double f2) { return r.topLeft() + planePixel(f1, f2, r.width(), r.height()); };
    p.setPen(QColor(255, 0, 0));
    for (const QPointF& q : formantPairs(tracks_)) p.drawRect(QRectF(at(q.x(), q.y()) - QPointF(1, 1), QSizeF(2, 2)));
    QFont font("arial");
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::blue);
    const PhoneticDescription& desc = phoneticDescription();
    for (int i = 0; i < desc.vowelCount(); ++i) {
      const VowelReference v = desc.vowelReference(i);
      p.drawText(at(v.f1Hz, v.f2Hz), QString::fromStdString(desc.label(v.phoneme)));
    }
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    const QRect r = area();
    const QPointF f = planeFrequencies(e->position() - r.topLeft(), r.width(), r.height());
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
  statusBar()->showMessage("F1 and F2 of the tracks (red) and the reference vowels of the language (blue)");
  resize(520, 380);
}

}  // namespace ardv::shell
