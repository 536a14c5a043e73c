// Shared by the editing tests: a fresh program state with the interface texts
// the edits use, a WAV file opened as the current signal, its memory, and the
// selection.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editing/edit_context.h"
#include "platform/headless/preset_dialogs.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/wav_layout.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv::test {

class EditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string table;
    for (int n : {1005, 1006, 1007, 1008, 1010, 1017, 1018, 1028, 1029, 3601, 5601})
      table += std::to_string(n) + ", \"T" + std::to_string(n) + "\"\n";
    textTable().loadText(table, "edit-test");
    presetDialogs() = PresetDialogs{};
    program().dirs.temp = dir_.path();
    resetCurrent();
    resetEditContext();
  }
  // Writes `samples` and the two lists to `name` in the directory and opens it.
  void openWav(const std::string& name, const std::vector<std::int16_t>& samples, double frequence,
               const notetiqs& phon = notetiqs(), const notetiqs& word = notetiqs()) {
    const std::string path = (dir_ / name).string();
    ASSERT_TRUE(writeWavFile(path, samples, frequence, phon, word));
    program().en_cours = infoFile{};
    program().en_cours.nom = path;
    ASSERT_TRUE(openCurrent());
    editStateAfterLoad();
  }
  static std::vector<std::int16_t> memory() {
    const SHORTbuf& m = program().memory;
    return {m.data(), m.data() + m.size()};
  }
  static void selectRange(std::int32_t a, std::int32_t b) {
    program().ct.d_sel = a;
    program().ct.f_sel = b;
  }
  TempDir dir_;
};

}  // namespace ardv::test
