// The strip of the whole file above the scroll bar: the waveform envelope of
// the whole signal, the shown stretch marked on it; a click or a drag there
// moves the view.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <string>

namespace ardv::shell {

class OverviewStrip : public QWidget {
  Q_OBJECT
 public:
  explicit OverviewStrip(QWidget* parent = nullptr);

  // Sample of the signal under column x (edges clamp); -1 without a signal.
  std::int32_t sampleAt(int x) const;
  // The envelope as last drawn (for the clipboard and the tests).
  const QImage& envelopeImage() const { return strip_; }
  // Draws the envelope again at the next paint.
  void forget() { strip_ = QImage(); }

 signals:
  // A click or a drag at sample `sample`: the view should centre there.
  void moveRequested(std::int32_t sample);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Draws strip_ again when the signal, its samples or the size changed.
  void updateStrip();

  QImage strip_;
  struct Key {
    std::string name;
    std::int32_t tf = -1, memoryFirst = -1, memoryCount = -1, width = -1, height = -1;
    std::uint64_t edits = 0;
    bool operator==(const Key&) const = default;
  } key_;
  bool dragging_ = false;
};

}  // namespace ardv::shell
