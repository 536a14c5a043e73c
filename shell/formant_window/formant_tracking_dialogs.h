// The formant window's tracking dialogs: its own spectral analysis
// parameters (frame step, LPC order, order factor, lifter bounds) used by
// registration and snake tracking, and the snake parameters (WSNAKE).
#pragma once

#include <QDialog>
#include <map>

#include "formants/formant_options.h"
#include "formants/snake.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace ardv::shell {

// Line edits by label, and the parse of all of them.
class NumberFormDialog : public QDialog {
  Q_OBJECT
 public:
  using QDialog::QDialog;
  // The edit of the field labelled `label` (also its object name).
  QLineEdit* field(const QString& label) const;

 protected:
  QLineEdit* addField(const QString& label, double value, int decimals);
  // The number typed in `label`; false (`bad` = the label) when it is not one.
  bool number(const QString& label, double& value, QString& bad) const;
  std::map<QString, QLineEdit*> fields_;
};

class AnalysisParamsDialog : public NumberFormDialog {
  Q_OBJECT
 public:
  // `fs` is the rate the LPC order is shown for (0: none).
  AnalysisParamsDialog(const FormantOptions& options, double fs, QWidget* parent = nullptr);
  // The typed values (lifter bounds ordered); false, `options` unchanged and
  // `bad` the reason, when one is not a number or they are unusable.
  bool edited(FormantOptions& options, QString& bad) const;

 private:
  QLabel* order_;
  double fs_;
};

// Shows the dialog; OK stores usable values (otherwise says why, nothing
// stored). True when stored.
bool askAnalysisParams(QWidget* parent, FormantOptions& options, double fs);

class SnakeParamsDialog : public NumberFormDialog {
  Q_OBJECT
 public:
  SnakeParamsDialog(const SnakeParams& params, QWidget* parent = nullptr);
  QCheckBox* display() const { return display_; }
  // All nine values; false, `params` unchanged and `bad` the reason, when
  // one is not a number (integers where the field is one) or out of range.
  bool edited(SnakeParams& params, QString& bad) const;

 private:
  QCheckBox* display_;
};

bool askSnakeParams(QWidget* parent, SnakeParams& params);

}  // namespace ardv::shell
