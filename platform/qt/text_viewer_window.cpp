// In-app windows showing text files.
#include "platform/qt/text_viewer_window.h"

#include <QFontDatabase>
#include <fstream>
#include <sstream>

#include "platform/report.h"

namespace ardv::qt {
namespace {

bool readWhole(const std::filesystem::path& file, std::string& out) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

}  // namespace

TextViewerWindows::~TextViewerWindows() {
  for (auto& [path, w] : windows_) delete w.data();
}

bool TextViewerWindows::show(const std::filesystem::path& file) {
  std::string content;
  if (!readWhole(file, content)) {
    message("Unable to read " + file.string());
    return false;
  }
  QPointer<QPlainTextEdit>& w = windows_[file];
  if (!w) {
    w = new QPlainTextEdit;
    w->setReadOnly(true);
    w->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    w->setWindowTitle(QString::fromStdString(file.filename().string()));
    w->resize(600, 400);
  }
  w->setPlainText(QString::fromLocal8Bit(content.data(), static_cast<qsizetype>(content.size())));
  w->show();
  w->raise();
  return true;
}

void TextViewerWindows::refresh() {
  for (auto& [path, w] : windows_) {
    std::string content;
    if (w && readWhole(path, content))
      w->setPlainText(QString::fromLocal8Bit(content.data(), static_cast<qsizetype>(content.size())));
  }
}

QPlainTextEdit* TextViewerWindows::window(const std::filesystem::path& file) const {
  const auto it = windows_.find(file);
  return it == windows_.end() ? nullptr : it->second.data();
}

}  // namespace ardv::qt
