// Help browser.
#include "shell/main_window/help_window.h"

#include <QUrl>
#include <system_error>

#include "platform/report.h"

namespace ardv::shell {

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent) {
  setWindowFlag(Qt::Window);
  setWindowTitle("Ardelovox help");
  setOpenExternalLinks(true);
  resize(640, 560);
}

bool HelpWindow::showPage(const std::filesystem::path& page, const QString& anchor) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec)) {
    message("Cannot use the html help!");
    return false;
  }
  QUrl url = QUrl::fromLocalFile(QString::fromStdString(std::filesystem::absolute(page, ec).string()));
  if (!anchor.isEmpty()) url.setFragment(anchor);
  anchor_ = anchor;
  setSource(url);
  show();
  raise();
  return true;
}

}  // namespace ardv::shell
