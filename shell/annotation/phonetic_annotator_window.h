// The phonetic annotator `TWgetphoan`: labels the phoneme segments one after
// the other from a button per phoneme of the inventory or from typed names
// (matched by prefix), and keeps the current segment highlighted and in view
// in the main window.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "annotation/phonetic_annotator.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ardv::shell {

class MainWindow;

class PhoneticAnnotatorWindow : public QWidget {
  Q_OBJECT
 public:
  // Opens on phoneme segment `segment` of `main`'s signal.
  PhoneticAnnotatorWindow(int segment, MainWindow& main);

  // Goes to segment `segment` (clamped) and highlights it.
  void startAt(int segment);
  // The phoneme list changed elsewhere: clamp and highlight again.
  void listChanged();

  int current() const { return annotator_.current(); }
  QLineEdit* input() const { return input_; }
  QLineEdit* lastAnnotation() const { return last_; }
  QCheckBox* playBox() const { return play_; }
  // The button of phoneme `label`; nullptr when absent.
  QPushButton* phonemeButton(const std::string& label) const;

  // Keys acting with an empty input field: erase, next and previous.
  bool eventFilter(QObject* watched, QEvent* event) override;

 protected:
  // Takes the highlight away from the main window.
  void closeEvent(QCloseEvent* event) override;

 private:
  void choose(const std::string& label);
  void typed(const QString& field);
  // After a step: moves the main display when `to` is set, highlights the
  // current segment, plays it when asked and held in memory.
  void arrived(std::optional<Stretch> to);
  Stretch shown() const;
  // Highlights the current segment and names it.
  void showCurrent();

  MainWindow& main_;
  PhoneticAnnotator annotator_;
  QLabel* segment_ = nullptr;
  QLineEdit* last_ = nullptr;
  QLineEdit* input_ = nullptr;
  QCheckBox* play_ = nullptr;
};

}  // namespace ardv::shell
