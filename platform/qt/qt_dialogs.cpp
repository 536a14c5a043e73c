// The profile selector and the save-modifications question as dialogs.
#include "platform/qt/qt_dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace ardv::qt {
namespace {

// A file name field with its "Choose a file" button.
QWidget* fileRow(QLineEdit* edit, QWidget* dialog) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edit);
  auto* choose = new QPushButton("Choose a file");
  layout->addWidget(choose);
  QObject::connect(choose, &QPushButton::clicked, dialog, [edit, dialog] {
    const QString name = QFileDialog::getOpenFileName(dialog, "Choose a file", edit->text());
    if (!name.isEmpty()) edit->setText(name);
  });
  return row;
}

}  // namespace

bool QtDialogs::selectFormats(const std::vector<std::string>& profileNames, const std::string& soundFile,
                              FormatSelection& selection) {
  QDialog dialog(parent_);
  dialog.setWindowTitle("Profile selector");
  auto* form = new QFormLayout(&dialog);
  form->addRow(new QLabel(QString::fromStdString(soundFile)));
  auto* profiles = new QComboBox;
  for (const auto& name : profileNames) profiles->addItem(QString::fromStdString(name));
  if (selection.profileIndex >= 0 && selection.profileIndex < profiles->count())
    profiles->setCurrentIndex(selection.profileIndex);
  form->addRow("Format profile", profiles);
  auto* labelKind = new QComboBox;
  labelKind->addItems({"NONE", "QERN", "NIST", "SAM", "ALIGN"});
  labelKind->setCurrentIndex(std::clamp(selection.labelKind, 0, 4));
  form->addRow("Phoneme labels", labelKind);
  auto* labelFile = new QLineEdit(QString::fromStdString(selection.labelFile));
  form->addRow("Phoneme label file", fileRow(labelFile, &dialog));
  auto* annotationKind = new QComboBox;
  annotationKind->addItems({"NONE", "VECSYS", "NIST", "SAM", "NOISEX"});
  annotationKind->setCurrentIndex(std::clamp(selection.annotationKind, 0, 4));
  form->addRow("Word annotations", annotationKind);
  auto* annotationFile = new QLineEdit(QString::fromStdString(selection.annotationFile));
  form->addRow("Word annotation file", fileRow(annotationFile, &dialog));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (profileNames.empty()) buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
  if (dialog.exec() != QDialog::Accepted) return false;
  selection.profileIndex = profiles->currentIndex();
  selection.labelKind = labelKind->currentIndex();
  selection.annotationKind = annotationKind->currentIndex();
  selection.labelFile = labelFile->text().toStdString();
  selection.annotationFile = annotationFile->text().toStdString();
  return true;
}

SaveAnswer QtDialogs::askSaveModifications(const std::string& fileName) {
  const auto answer = QMessageBox::question(
      parent_, "Ardelovox", QString::fromStdString("Save the modifications of " + fileName + "?"),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Save) return SaveAnswer::Save;
  if (answer == QMessageBox::Discard) return SaveAnswer::DontSave;
  return SaveAnswer::Cancel;
}

}  // namespace ardv::qt
