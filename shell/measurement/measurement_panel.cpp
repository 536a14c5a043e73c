// The measurement panel of the main window.
#include "shell/measurement/measurement_panel.h"

#include <QFontDatabase>
#include <QPlainTextEdit>

#include "formants/formant_options.h"
#include "prosody/energy.h"
#include "prosody/pitch_types.h"
#include "signal/program.h"

namespace ardv::shell {

MeasurementPanel::MeasurementPanel(QWidget* parent) : QDockWidget("Measurement", parent) {
  setObjectName("measurementPanel");
  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setPlaceholderText("Select a stretch, or point at a phoneme segment.");
  setWidget(text_);
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
}

QString MeasurementPanel::text() const { return text_->toPlainText(); }

void MeasurementPanel::follow(std::int32_t pointer) {
  if (pointer >= 0) pointer_ = pointer;
  const auto& prog = program();
  if (!prog.fileLoaded) {
    first_ = end_ = -1;
    text_->clear();
    return;
  }
  const auto& ct = prog.ct;
  if (ct.d_sel >= 0 && ct.f_sel > ct.d_sel) {
    show(ct.d_sel, std::int64_t{ct.f_sel} + 1, "Selection");
    return;
  }
  const notetiqs& list = prog.etiq;
  const int k = pointer_ >= 0 ? list.findLE(pointer_) : -1;
  if (k < 0 || k >= list.segmentCount()) return;
  const auto& items = list.items();
  show(items[static_cast<std::size_t>(k)].limite, items[static_cast<std::size_t>(k) + 1].limite,
       "Segment \"" + items[static_cast<std::size_t>(k)].text + "\"");
}

void MeasurementPanel::show(std::int64_t first, std::int64_t end, const std::string& title) {
  const auto& prog = program();
  if (first == first_ && end == end_ && shownFile_ == prog.en_cours.nom && isVisible()) return;
  if (!isVisible()) return;  // measured when shown
  MeasureSettings settings;
  settings.f0Params = speakerF0Params(speakerType());
  settings.formantOptions = formantOptions();
  settings.energyParams = energyParams();
  Measurement m;
  if (!measurer_.measure(prog.en_cours, first, end, settings, m)) {
    text_->setPlainText(QString::fromStdString(title + ": the analyses of this stretch failed (see the log)."));
  } else {
    text_->setPlainText(QString::fromStdString(measurementText(m, title)));
  }
  first_ = first;
  end_ = end;
  shownFile_ = prog.en_cours.nom;
}

}  // namespace ardv::shell
