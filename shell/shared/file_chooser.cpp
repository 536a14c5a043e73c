// File questions through Qt's dialogs unless a chooser is installed.
#include "shell/shared/file_chooser.h"

#include <QFileDialog>

namespace ardv::shell {
namespace {

FileChooser& installed() {
  static FileChooser chooser;
  return chooser;
}

}  // namespace

void setFileChooser(FileChooser chooser) { installed() = std::move(chooser); }

QString chooseFile(QWidget* parent, FileQuestion question, const QString& title, const QString& start,
                   const QString& filter) {
  if (installed()) return installed()(question, title, start);
  return question == FileQuestion::Open ? QFileDialog::getOpenFileName(parent, title, start, filter)
                                        : QFileDialog::getSaveFileName(parent, title, start, filter);
}

}  // namespace ardv::shell
