// The input box.
#include "platform/qt/input_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ardv::qt {

std::optional<std::string> askText(QWidget* parent, const std::string& title, const std::string& prompt,
                                   const std::string& initial, int maxLength) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QString::fromStdString(title));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QString::fromStdString(prompt)));
  auto* edit = new QLineEdit(QString::fromStdString(initial));
  edit->setMaxLength(maxLength);
  edit->selectAll();
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return edit->text().toStdString();
}

}  // namespace ardv::qt
