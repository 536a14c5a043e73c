// The HTML help of the installation directory in a help browser.
#pragma once

#include <QTextBrowser>
#include <filesystem>

namespace ardv::shell {

class HelpWindow : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows `page` at `anchor` (may be empty). False, after the message
  // "Cannot use the html help!", when the page does not exist.
  bool showPage(const std::filesystem::path& page, const QString& anchor = {});
  // The topic last asked for.
  const QString& anchor() const { return anchor_; }

 private:
  QString anchor_;
};

}  // namespace ardv::shell
