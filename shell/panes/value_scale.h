// A vertical scale beside the spectrogram (the F0 axis, the energy axis):
// ticks on its left edge, values and a caption in the colour of its curve.
// The main window places it in the margin right of the spectrogram.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <utility>

namespace ardv::shell {

class ValueScale : public QWidget {
  Q_OBJECT
 public:
  // `range` gives the values shown at the bottom and the top of the
  // spectrogram (asked at every paint, so that it follows the settings).
  ValueScale(QWidget* parent, QString caption, QColor colour, std::function<std::pair<double, double>()> range);

 signals:
  // A click on the scale (the F0 scale switches its range).
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString caption_;
  QColor colour_;
  std::function<std::pair<double, double>()> range_;
};

}  // namespace ardv::shell
