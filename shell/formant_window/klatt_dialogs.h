// The formant window's two dialogs: the default parameters ("Setting default
// parameters", WPARAMDEF) and the synthesizer settings (WSETTINGSKLATT).
#pragma once

#include <QDialog>
#include <array>

#include "klatt/klatt_invocation.h"
#include "klatt/klatt_table.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace ardv::shell {

// The 19 parameters the user may change in the default record, in the
// dialog's order.
inline constexpr std::array<int, 19> kEditableDefaults = {
    kF0hz10, kAVdb, kFNZhz, kBNZhz, kFNPhz, kBNPhz, kASP,     kKopen,  kAturb, kTLTdb,
    kAF,     kKskew, kANP,  kAB,    kAVpdb, kGain0, kRax1000, kRkx100, kRgx50,
};

class DefaultParamsDialog : public QDialog {
  Q_OBJECT
 public:
  DefaultParamsDialog(const KlattRecord& defaults, QWidget* parent = nullptr);
  // The edit of entry i of kEditableDefaults (object name the parameter's).
  QLineEdit* edit(int i) const { return edits_[static_cast<std::size_t>(i)]; }
  // The defaults with the edited values; false (record unchanged) when an
  // edit does not hold a decimal integer, `bad` then names the parameter.
  bool edited(KlattRecord& record, QString& bad) const;

 private:
  std::array<QLineEdit*, kEditableDefaults.size()> edits_{};
};

// Shows the dialog; OK stores the values into `defaults` (a bad value: a
// message naming the parameter, nothing stored). True when stored.
bool askDefaultParams(QWidget* parent, KlattRecord& defaults);

class SynthSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // `realSignal` disables the rate buttons (the signal's rate is used).
  SynthSettingsDialog(const KlattSynthesisSettings& settings, bool realSignal, QWidget* parent = nullptr);
  KlattSynthesisSettings settings() const;
  QButtonGroup* rates() const { return rates_; }
  QButtonGroup* waveforms() const { return waveforms_; }
  QScrollBar* frame() const { return frame_; }
  QScrollBar* flutter() const { return flutter_; }

 private:
  QButtonGroup* rates_;
  QButtonGroup* branch_;
  QButtonGroup* waveforms_;
  QButtonGroup* bytes_;
  QButtonGroup* source_;
  QScrollBar* frame_;
  QScrollBar* flutter_;
};

bool askSynthSettings(QWidget* parent, KlattSynthesisSettings& settings, bool realSignal);

}  // namespace ardv::shell
