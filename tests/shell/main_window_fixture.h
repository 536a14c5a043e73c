// What the main window's tests share: a ramp and a synthetic voiced WAV
// (300 ms of silence, 1 s of a vowel at 150 Hz, 500 ms of silence), and the
// gestures on the panes.
#pragma once

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QPainter>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <sstream>
#include <vector>

#include "editing/edit_save.h"
#include "formants/ceiling_choice.h"
#include "platform/null_audio.h"
#include "prosody/energy.h"
#include "prosody/pitch_types.h"
#include "prosody/play_signal.h"
#include "prosody/prosody_display.h"
#include "shell/formant_window/spectral_slice_window.h"
#include "shell/logic/command_table.h"
#include "shell/logic/readable_reports.h"
#include "shell/logic/scales.h"
#include "shell/main_window/help_window.h"
#include "shell/main_window/options_dialog.h"
#include "shell/main_window/playback.h"
#include "shell/main_window/spectro_params_window.h"
#include "shell/panes/overview_strip.h"
#include "shell/panes/spectrogram_painter.h"
#include "shell/panes/value_scale.h"
#include "shell/prosody/energy_dialog.h"
#include "shell/prosody/f0_axis.h"
#include "shell/prosody/f0_contour_model.h"
#include "shell/prosody/f0_contour_window.h"
#include "shell/prosody/modification_dialog.h"
#include "shell/prosody/modification_results.h"
#include "shell/prosody/speaker_dialog.h"
#include "shell/shared/save_question.h"
#include "spectral/image_levels.h"
#include "spectral/spectrogram_params.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell::test_support {

// Sample i of the ramp signal.
inline std::int16_t rampAt(std::int32_t i) { return static_cast<std::int16_t>((i % 200) * 100 - 10000); }

// A mono WAV of `count` ramp samples at 16 kHz.
inline bool writeRamp(const std::filesystem::path& path, std::int32_t count) {
  std::vector<std::int16_t> x(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) x[static_cast<std::size_t>(i)] = rampAt(i);
  return test::writeWav(path, x, 16000);
}

constexpr int kRate = 16000;
constexpr double kVoicedFromMs = 300, kVoicedToMs = 1300;

inline int countColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

struct MainWindowFixture : WindowFixture {
  std::filesystem::path voiced_;
  NullAudioOutput output_;  // plays the modification results

  void openVoiced() { QVERIFY(window_->openPath(voiced_.string())); }
  SpectroView* view() const { return window_->spectroPlane()->view(); }
  // The spectrogram bitmap with the decorations drawn into it.
  QImage keptImage() {
    window_->runCommand(38);
    return view()->bitmap();
  }
  // The pointer moved to `to` over `w`, no button held.
  static void hover(QWidget* w, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, QPointF(to), w->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(w, &move);
  }

  void drag(QWidget* w, int from, int to) {
    const int y = w->height() / 2;
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(from, y));
    QTest::mouseMove(w, QPoint((from + to) / 2, y));
    QTest::mouseMove(w, QPoint(to, y));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(to, y));
  }

  // The two signals, written once per program.
  bool writeSignals() {
    makeDirectory();
    wav_ = *dir_ / "ramp.wav";
    voiced_ = *dir_ / "voiced.wav";
    const auto signal = test::synthesize("voiced", kRate,
                                         {{test::SegmentKind::Silence, kVoicedFromMs},
                                          {test::SegmentKind::Voiced, kVoicedToMs - kVoicedFromMs, 150, 150},
                                          {test::SegmentKind::Silence, 500}},
                                         1);
    return writeRamp(wav_, 40000) && test::writeWav(voiced_, signal.samples, kRate);  // the ramp: 2.5 s
  }

  bool freshWindow() {
    speakerType() = -1;
    modificationResults().clear();
    energyParams() = EnergyParams{};
    return showWindow();
  }

  void closeFreshWindow() {
    setOpenHooks({});
    setAudioDevices(nullptr, nullptr);
    setFileChooser({});
    presetDialogs() = PresetDialogs{};
    closeWindow();
  }
};

}  // namespace ardv::shell::test_support
