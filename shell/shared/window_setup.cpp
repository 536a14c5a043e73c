// Menu mnemonics and window placement.
#include "shell/shared/window_setup.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QWidget>
#include <string>
#include <vector>

#include "shell/logic/geometry.h"
#include "shell/logic/readable_reports.h"

namespace ardv::shell {
namespace {

void spreadOver(const QList<QAction*>& actions) {
  std::vector<std::string> labels;
  QList<QAction*> items;
  for (QAction* a : actions) {
    if (a->isSeparator()) continue;
    items << a;
    labels.push_back(a->text().toStdString());
    if (a->menu()) spreadMnemonics(a->menu());
  }
  const auto spread = distinctMnemonics(labels);
  for (qsizetype i = 0; i < items.size(); ++i) items[i]->setText(QString::fromStdString(spread[static_cast<std::size_t>(i)]));
}

PaneRect paneOf(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

void spreadMnemonics(QMenu* menu) { spreadOver(menu->actions()); }
void spreadMnemonics(QMenuBar* bar) { spreadOver(bar->actions()); }

void fitOnScreen(QWidget* window, QSize wanted) {
  QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
  QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
  if (!screen) {
    window->resize(wanted);
    return;
  }
  // The frame is not known before the window shows: the owner's, if shown.
  QSize frame(0, 0);
  PaneRect over;
  if (owner && owner->isVisible()) {
    frame = owner->frameGeometry().size() - owner->geometry().size();
    over = paneOf(owner->frameGeometry());
  }
  const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
  const PaneRect r = placeWindow(std::max(wanted.width(), least.width()), std::max(wanted.height(), least.height()),
                                 frame.width(), frame.height(), over, paneOf(screen->availableGeometry()));
  window->resize(r.width, r.height);
  window->move(r.x, r.y);
}

}  // namespace ardv::shell
