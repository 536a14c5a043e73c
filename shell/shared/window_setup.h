// What every window does once its menus are built: no keyboard mnemonic
// twice in one menu, and a size and place that keep it wholly on its screen.
#pragma once

#include <QSize>

class QMenu;
class QMenuBar;
class QWidget;

namespace ardv::shell {

// Gives each item of `menu` (a submenu is one of its items, and gets the
// same) a mnemonic no other item of the menu has, keeping the first
// item's letter where two share one.
void spreadMnemonics(QMenu* menu);
// The same for the menu titles of `bar` and each of its menus.
void spreadMnemonics(QMenuBar* bar);

// Resizes the top-level `window` to `wanted` (client area) or less, so that
// its frame fits the free area of the screen of the window it belongs to
// (else the primary screen), and moves it there: centred on that window,
// never partly off the screen.
void fitOnScreen(QWidget* window, QSize wanted);

}  // namespace ardv::shell
