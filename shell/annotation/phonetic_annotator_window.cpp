// The annotator window: phoneme buttons eight to a row, the keyboard field
// and the segment walk of PhoneticAnnotator.
#include "shell/annotation/phonetic_annotator_window.h"

#include <QCheckBox>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "labels/phonetic_description.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/playback.h"
#include "signal/program.h"
#include "signal/time_conversion.h"

namespace ardv::shell {
namespace {
constexpr int kButtonsPerRow = 8;
}

PhoneticAnnotatorWindow::PhoneticAnnotatorWindow(int segment, MainWindow& main)
    : QWidget(&main, Qt::Tool), main_(main), annotator_(segment) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Phonetic annotator");
  auto* layout = new QVBoxLayout(this);
  auto* fields = new QFormLayout;
  last_ = new QLineEdit;
  last_->setReadOnly(true);
  last_->setFocusPolicy(Qt::NoFocus);
  input_ = new QLineEdit;
  input_->setToolTip("Type a phoneme name: it is applied as soon as it is the only one it can be.\n"
                     "With the field empty: Right, Down or Return go to the next segment, Left or Up\n"
                     "to the previous one, Backspace or Delete clear the label and go back.");
  input_->installEventFilter(this);
  segment_ = new QLabel;
  fields->addRow("Segment", segment_);
  fields->addRow("Last annotation", last_);
  fields->addRow("Keyboard input", input_);
  layout->addLayout(fields);

  play_ = new QCheckBox("Play each segment");
  play_->setToolTip("Play each segment as it becomes current");
  layout->addWidget(play_);

  auto* grid = new QGridLayout;
  grid->setSpacing(2);
  const PhoneticDescription& d = phoneticDescription();
  const std::string& font = program().settings.phoneticFont;
  for (int i = 1; i <= d.phonemeCount(); ++i) {
    const std::string label = d.label(i);
    auto* button = new QPushButton(QString::fromStdString(label));
    button->setObjectName(QString::fromStdString("phoneme:" + label));
    button->setToolTip(QString::fromStdString(d.phoneme(i).description));
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumWidth(40);
    if (!font.empty()) button->setFont(QFont(QString::fromStdString(font)));
    connect(button, &QPushButton::clicked, this, [this, label] { choose(label); });
    grid->addWidget(button, (i - 1) / kButtonsPerRow, (i - 1) % kButtonsPerRow);
  }
  layout->addLayout(grid);

  auto* steps = new QHBoxLayout;
  const std::pair<const char*, std::optional<Stretch> (PhoneticAnnotator::*)(Stretch)> moves[] = {
      {"< Previous", &PhoneticAnnotator::previous},
      {"Erase", &PhoneticAnnotator::erase},
      {"Next >", &PhoneticAnnotator::next}};
  for (const auto& [caption, step] : moves) {
    auto* button = new QPushButton(caption);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, [this, step = step] { arrived((annotator_.*step)(shown())); });
    steps->addWidget(button);
  }
  layout->addLayout(steps);

  connect(input_, &QLineEdit::textEdited, this, &PhoneticAnnotatorWindow::typed);
  startAt(segment);
}

void PhoneticAnnotatorWindow::closeEvent(QCloseEvent* event) {
  main_.highlightSegment(-1);
  QWidget::closeEvent(event);
}

QPushButton* PhoneticAnnotatorWindow::phonemeButton(const std::string& label) const {
  return findChild<QPushButton*>(QString::fromStdString("phoneme:" + label));
}

Stretch PhoneticAnnotatorWindow::shown() const {
  const auto& ct = program().ct;
  return {ct.d_a, ct.f_a};
}

void PhoneticAnnotatorWindow::startAt(int segment) {
  annotator_ = PhoneticAnnotator(segment);
  arrived(std::nullopt);
}

void PhoneticAnnotatorWindow::listChanged() {
  annotator_.reclamp();
  showCurrent();
}

void PhoneticAnnotatorWindow::showCurrent() {
  const int i = annotator_.current();
  main_.highlightSegment(i);
  const notetiqs& list = program().etiq;
  if (i < 0) {
    segment_->setText("none: place boundaries first");
    return;
  }
  const double fs = program().en_cours.frequence;
  segment_->setText(QString("%1 of %2, %3 to %4 ms")
                        .arg(i + 1)
                        .arg(list.segmentCount())
                        .arg(samplesToMs(list.position(i), fs))
                        .arg(samplesToMs(list.position(i + 1), fs)));
}

void PhoneticAnnotatorWindow::choose(const std::string& label) {
  const auto to = annotator_.choose(label, shown());
  last_->setText(QString::fromStdString(annotator_.lastAnnotation()));
  main_.contentEdited();
  arrived(to);
}

void PhoneticAnnotatorWindow::typed(const QString& field) {
  std::optional<Stretch> to;
  const std::string rest = annotator_.typed(field.toStdString(), shown(), to);
  input_->setText(QString::fromStdString(rest));
  last_->setText(QString::fromStdString(annotator_.lastAnnotation()));
  main_.contentEdited();
  arrived(to);
}

void PhoneticAnnotatorWindow::arrived(std::optional<Stretch> to) {
  if (to) main_.showFromSample(to->first);
  showCurrent();
  const int i = annotator_.current();
  if (!play_->isChecked() || i < 0) return;
  const notetiqs& list = program().etiq;
  const auto& ct = program().ct;
  const std::int32_t a = list.position(i), b = list.position(i + 1) - 1;
  if (a >= ct.d_e && b <= ct.f_e && a <= b) main_.player().playStretch(a, b);
}

bool PhoneticAnnotatorWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != input_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (!input_->text().isEmpty()) {
    // Return settles a symbol that begins a longer one ("O" before "OI").
    const std::string typedText = input_->text().toStdString();
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || phoneticDescription().phonemeIndex(typedText) <= 0)
      return QWidget::eventFilter(watched, event);
    input_->clear();
    choose(typedText);
    return true;
  }
  switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      arrived(annotator_.next(shown()));
      return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
      arrived(annotator_.previous(shown()));
      return true;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
      arrived(annotator_.erase(shown()));
      main_.contentEdited();
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}

}  // namespace ardv::shell
