// The profile selector and the save-modifications question as dialogs.
#include "platform/qt/qt_dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace ardv::qt {

bool QtDialogs::selector(const std::vector<std::string>& profileNames, const std::string& soundFile,
                         FormatSelection& selection, bool labels) {
  QDialog dialog(parent_);
  dialog.setWindowTitle(selectorCaption());
  auto* grid = new QGridLayout(&dialog);
  // One row: its label, its list, the file it goes with and "Choose a file",
  // which replaces that file.
  auto row = [&](int at, const QString& label, const QStringList& items, int chosen, QString* file) {
    auto* list = new QComboBox(&dialog);
    list->setObjectName(label);
    list->addItems(items);
    list->setCurrentIndex(std::clamp(chosen, 0, std::max(0, static_cast<int>(items.size()) - 1)));
    auto* shown = new QLabel(filePrefix() + *file, &dialog);
    auto* choose = new QPushButton("Choose a file", &dialog);
    QObject::connect(choose, &QPushButton::clicked, &dialog, [this, &dialog, shown, file] {
      const QString name = QFileDialog::getOpenFileName(&dialog, "Choose a file", *file, "*.*");
      if (name.isEmpty()) return;
      *file = name;
      shown->setText(filePrefix() + name);
    });
    grid->addWidget(new QLabel(label, &dialog), at, 0);
    grid->addWidget(list, at, 1);
    grid->addWidget(shown, at, 2);
    grid->addWidget(choose, at, 3);
    return list;
  };
  QStringList names;
  for (const auto& name : profileNames) names << QString::fromStdString(name);
  QString sound = QString::fromStdString(soundFile);
  QString labelFile = QString::fromStdString(selection.labelFile);
  QString annotationFile = QString::fromStdString(selection.annotationFile);
  QComboBox* profiles = row(0, "sound file", names, selection.profileIndex, &sound);
  QComboBox* labelKind = nullptr;
  QComboBox* annotationKind = nullptr;
  if (labels) {
    labelKind = row(1, "Phoneme files", {"NONE", "QERN", "NIST", "SAM", "ALIGN"}, selection.labelKind, &labelFile);
    annotationKind =
        row(2, "Text files", {"NONE", "VECSYS", "NIST", "SAM", "NOISEX"}, selection.annotationKind, &annotationFile);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  grid->addWidget(buttons, 3, 0, 1, 4);
  if (profileNames.empty()) buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
  if (dialog.exec() != QDialog::Accepted) return false;
  selection.profileIndex = profiles->currentIndex();
  if (sound != QString::fromStdString(soundFile)) selection.soundFile = sound.toStdString();
  if (labels) {
    selection.labelKind = labelKind->currentIndex();
    selection.annotationKind = annotationKind->currentIndex();
    selection.labelFile = labelFile.toStdString();
    selection.annotationFile = annotationFile.toStdString();
  }
  return true;
}

bool QtDialogs::selectFormats(const std::vector<std::string>& profileNames, const std::string& soundFile,
                              FormatSelection& selection) {
  return selector(profileNames, soundFile, selection, true);
}

bool QtDialogs::selectSoundFormat(const std::vector<std::string>& profileNames, const std::string& soundFile,
                                  FormatSelection& selection) {
  return selector(profileNames, soundFile, selection, false);
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
