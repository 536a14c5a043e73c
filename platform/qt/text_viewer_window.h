// Text files (results, log) shown in an in-app window, one window per file,
// refreshed each time the file is shown again.
#pragma once

#include <QPointer>
#include <QPlainTextEdit>
#include <map>

#include "platform/text_viewer.h"

namespace ardv::qt {

class TextViewerWindows : public TextViewer {
 public:
  ~TextViewerWindows() override;
  // Shows the file in its window (created on first use). Returns false after
  // a message when the file cannot be read.
  bool show(const std::filesystem::path& file) override;
  // Reloads every open window whose file still exists.
  void refresh();
  // The window of this file, or null.
  QPlainTextEdit* window(const std::filesystem::path& file) const;

 private:
  std::map<std::filesystem::path, QPointer<QPlainTextEdit>> windows_;
};

}  // namespace ardv::qt
