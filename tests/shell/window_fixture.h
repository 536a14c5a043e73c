// What every window test starts from: a temporary directory, a report
// recorder, the interface texts and a fresh main window on screen.
#pragma once

#include <QStandardPaths>
#include <QtTest/QtTest>
#include <memory>

#include "annotation/texts.h"
#include "platform/headless/preset_dialogs.h"
#include "platform/headless/recording_reporter.h"
#include "shell/main_window.h"
#include "signal/current_signal.h"
#include "signal/edit_context.h"
#include "signal/program.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv::shell::test_support {

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

  // After each test.
  void closeWindow() {
    window_.reset();
    resetCurrent();
    recorder_.reset();
  }
};

}  // namespace ardv::shell::test_support
