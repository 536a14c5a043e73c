// The "Modifications" question with the texts of the country file.
#include "shell/shared/save_question.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "texts/texts.h"

namespace ardv::shell {
namespace {

QString qtext(int n) { return QString::fromStdString(text(n)); }

// Which of `choices` (texts and roles) was pressed; -1 for Escape or the
// window's close button.
int ask(int caption, int question, const std::string& fileName,
        std::initializer_list<std::pair<int, QMessageBox::ButtonRole>> choices) {
  QMessageBox box(QMessageBox::Question, qtext(caption),
                  qtext(question) + "\n\n" + QString::fromStdString(fileName), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setObjectName("WUpdateCurrentFile");
  std::vector<QAbstractButton*> buttons;
  for (const auto& [n, role] : choices) buttons.push_back(box.addButton(qtext(n), role));
  box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
  box.setEscapeButton(buttons.back());
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
  return -1;
}

}  // namespace

SaveAnswer ShellDialogs::askSaveModifications(const std::string& fileName) {
  switch (ask(1020, 1021, fileName,
              {{1022, QMessageBox::AcceptRole}, {1023, QMessageBox::DestructiveRole}, {1024, QMessageBox::RejectRole}})) {
    case 0:
      return SaveAnswer::Save;
    case 1:
      return SaveAnswer::DontSave;
    default:
      return SaveAnswer::Cancel;
  }
}

QString ShellDialogs::selectorCaption() const {
  const QString caption = qtext(4402);
  return caption.isEmpty() ? qt::QtDialogs::selectorCaption() : caption;
}

QString ShellDialogs::filePrefix() const {
  const QString prefix = qtext(4410);
  return prefix.isEmpty() ? qt::QtDialogs::filePrefix() : prefix;
}

bool ShellDialogs::confirmFileUpdate(const std::string& fileName) {
  return ask(1025, 1026, fileName, {{1022, QMessageBox::AcceptRole}, {1024, QMessageBox::RejectRole}}) == 0;
}

}  // namespace ardv::shell
