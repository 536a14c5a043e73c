// A vertical scale drawn over one edge of the spectrogram (the F0 axis, the
// energy axis): ticks, values and a caption in the colour of its curve. It
// follows the size of the view it lies on and lets the mouse through.
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
  enum class Side { Left, Right };
  // `range` gives the values shown at the bottom and the top of the view
  // (asked at every paint, so that it follows the display settings).
  ValueScale(QWidget* view, Side side, QString caption, QColor colour,
             std::function<std::pair<double, double>()> range);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void follow();
  Side side_;
  QString caption_;
  QColor colour_;
  std::function<std::pair<double, double>()> range_;
};

}  // namespace ardv::shell
