// "&Spectral slice": the spectrum, the LPC envelope and the cepstrally
// smoothed envelope of the frame under the pointer of the main window.
#pragma once

#include <QMainWindow>
#include <cstdint>

#include "formants/spectral_slice.h"

class QAction;

namespace ardv::shell {

class SpectralSliceWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit SpectralSliceWindow(QWidget* parent = nullptr);

  // Shows the frame centred on sample `sample` of the current signal; false
  // (with the reason in the status line) when it lies outside the samples
  // held in memory or cannot be analysed.
  bool showSample(std::int32_t sample);
  // Follows the main window's pointer (on by default).
  bool following() const;
  void setFollowing(bool on);
  const SpectralSlice& slice() const { return slice_; }
  double samplingHz() const { return fs_; }
  QWidget* plot() const;

 private:
  class Plot;
  Plot* plot_;
  QAction* follow_;
  SpectralSlice slice_;
  double fs_ = 0.0;
  double ms_ = 0.0;
  friend class Plot;
};

}  // namespace ardv::shell
