// What every window test starts from: a temporary directory, a report
// recorder, the interface texts and a fresh main window on screen.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest/QtTest>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "editing/edit_context.h"
#include "platform/headless/preset_dialogs.h"
#include "platform/headless/recording_reporter.h"
#include "shell/main_window/main_window.h"
#include "shell/shared/file_chooser.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv::shell::test_support {

// Hands the modal dialog shown next to `answer`, if one shows.
inline void answerModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    if (QWidget* box = QApplication::activeModalWidget()) answer(box);
  });
}

// Types `text` into the next modal box's line edit (the one called `name`,
// if given) and accepts the box.
inline void typeIntoModal(const QString& text, const QString& name = {}) {
  answerModal([=](QWidget* box) {
    box->findChild<QLineEdit*>(name)->setText(text);
    QMetaObject::invokeMethod(box, "accept");
  });
}

// Every file question is answered with `path` until the chooser is reset.
inline void answerFilesWith(const std::filesystem::path& path) {
  setFileChooser([path](FileQuestion, const QString&, const QString&) { return QString::fromStdString(path.string()); });
}

// One data row for each entry of `rows` (each with a `name`), fetched by
// index as "row": every entry gets a fresh window.
template <class Row, std::size_t N>
void addRows(const Row (&rows)[N]) {
  QTest::addColumn<int>("row");
  for (std::size_t i = 0; i < N; ++i) QTest::newRow(rows[i].name) << static_cast<int>(i);
}

// The first "menu: item" of `window` whose mnemonic an earlier item of the
// same menu (or of the menu bar) has; empty when every menu is clean.
inline QString repeatedMnemonic(QMainWindow* window) {
  QString found;
  std::function<void(const QString&, const QList<QAction*>&)> check = [&](const QString& where,
                                                                         const QList<QAction*>& items) {
    std::set<QChar> letters;
    for (QAction* a : items) {
      const qsizetype at = a->text().indexOf(QRegularExpression("&[^&]"));
      if (at >= 0 && !letters.insert(a->text()[at + 1].toLower()).second && found.isEmpty()) found = where + ": " + a->text();
      if (a->menu()) check(a->menu()->title(), a->menu()->actions());
    }
  };
  check("menu bar", window->menuBar()->actions());
  return found;
}

// True when the frame of the shown `window` lies wholly on its screen's free area.
inline bool wholyOnScreen(QWidget* window) {
  return window->isVisible() && window->screen()->availableGeometry().contains(window->frameGeometry());
}

class WindowFixture {
 protected:
  std::unique_ptr<test::TempDir> dir_;
  std::unique_ptr<ScopedRecorder> recorder_;
  std::unique_ptr<MainWindow> window_;
  InfoLines lines_;
  std::filesystem::path wav_;  // the signal open() loads

  // Once per test program.
  void makeDirectory() {
    QStandardPaths::setTestModeEnabled(true);
    dir_ = std::make_unique<test::TempDir>();
  }

  // Before each test: false when the texts cannot be read or the window
  // does not show.
  bool showWindow() {
    recorder_ = std::make_unique<ScopedRecorder>();
    program().dirs.temp = dir_->path();
    resetEditContext();
    presetDialogs() = PresetDialogs{};
    if (!ml_init(test::sourceDataDir() / "format" / "english.txt")) return false;
    resetCurrent();
    window_ = std::make_unique<MainWindow>(lines_, nullptr);
    window_->show();
    return QTest::qWaitForWindowExposed(window_.get());
  }

  // Loads `wav_` as "&Open" does.
  void open() {
    QVERIFY(window_->openPath(wav_.string()));
    QVERIFY(program().fileLoaded);
  }

  // The samples held in memory.
  static std::vector<std::int16_t> memory() {
    return {program().memory.data(), program().memory.data() + program().memory.size()};
  }

  // The reports so far, one a line.
  std::string reports() const {
    std::string all;
    for (const auto& r : (*recorder_)->reports()) all += r.text + "\n";
    return all;
  }

  // After each test.
  void closeWindow() {
    window_.reset();
    resetCurrent();
    recorder_.reset();
  }
};

}  // namespace ardv::shell::test_support
