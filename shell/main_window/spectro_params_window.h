// The modeless parameter windows of the six spectrogram kinds (`TWparaspFFT`
// for wide band, narrow band and reassigned, `TWparaspLPC`,
// `TWparaspLisCep`, `TWparaspCriticalBands`), editing the kind's record in
// place; and the small windows of the spectrogram options: the upper display
// frequency and the size of the PGM image.
#pragma once

#include <QDialog>
#include <functional>

class QFormLayout;

namespace ardv::shell {

class SpectroParamsWindow : public QDialog {
  Q_OBJECT
 public:
  // `changed` runs after each edit (the plane redraws when the kind is shown).
  SpectroParamsWindow(int kind, std::function<void(int kind)> changed, QWidget* parent = nullptr);
  ~SpectroParamsWindow() override;
  int kind() const { return kind_; }
  // Shows the record's values again (after a reset to the defaults).
  void reload();

 private:
  void build();
  int kind_;
  std::function<void(int)> changed_;
  QFormLayout* form_ = nullptr;
  std::vector<std::function<void()>> loaders_;
};

// Title of the parameter window of `kind` (interface texts 8523 ...).
std::string spectroParamsTitle(int kind);

// The upper display frequency window: a value in Hz, "Default" (kept for
// every file) or "Only for this file" (back to half the sampling frequency
// at the next open). Returns true when the value changed.
bool editUpperFrequency(QWidget* parent, bool& keepForEveryFile);

// The "Spectrogram image (pgm)" dialog: width and height of the export.
void editPgmImageSize(QWidget* parent);

}  // namespace ardv::shell
