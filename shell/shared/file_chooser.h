// The file dialogs of the commands: Qt's open and save dialogs, or the
// answers of a test that replaces them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ardv::shell {

enum class FileQuestion { Open, Save };

// Answers one file question: the chosen path, empty when cancelled.
using FileChooser = std::function<QString(FileQuestion question, const QString& title, const QString& start)>;

// Installs a chooser; an empty one restores the dialogs.
void setFileChooser(FileChooser chooser);

// Asks for an existing file or for a file to write, starting at `start`,
// offering the files that match `filter` (Qt's name-filter syntax).
QString chooseFile(QWidget* parent, FileQuestion question, const QString& title, const QString& start = {},
                   const QString& filter = "*.*");

}  // namespace ardv::shell
