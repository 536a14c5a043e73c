// New silent signals and Remove DC.
#include "signal/edit_new.h"

#include <gtest/gtest.h>

#include "annotation/texts.h"
#include "platform/headless/preset_dialogs.h"
#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/current_signal.h"
#include "signal/edit_context.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

class NewAndDc : public ::testing::Test {
 protected:
  void SetUp() override {
    textTable().loadText("1017, \"T1017\"\n", "edit-new-test");
    presetDialogs() = PresetDialogs{};
    program().dirs.temp = dir_.path();
    resetCurrent();
    resetEditContext();
  }
  test::TempDir dir_;
};

TEST_F(NewAndDc, EmptyAndZeroMakeFourSecondsOfSilence) {
  ASSERT_TRUE(editNewEmpty());
  const DisplayContext& ct = program().ct;
  EXPECT_EQ(ct.tf, 4 * 22050);
  EXPECT_EQ(ct.f_a, 44100);
  EXPECT_EQ(ct.f_e, 44100);
  EXPECT_EQ(program().memory.size(), 44101);
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "shadow.wav"));
  ASSERT_TRUE(editNewZero(8000, 300));  // at least 1000 ms shown
  EXPECT_EQ(ct.tf, 32000);
  EXPECT_EQ(ct.f_a, 8000);
  EXPECT_EQ(program().en_cours.frequence, 8000);
}

TEST_F(NewAndDc, RemoveDcSubtractsTheMeanOfTheSamplesOnlyAndKeepsTheLabels) {
  ScopedRecorder rec;
  const std::string in = (dir_.path() / "dc.wav").string();
  notetiqs phon, word;
  for (auto [pos, label] : {std::pair{0, "a"}, {3, "b"}, {6, ""}}) phon.SetText(phon.insertOrGet(pos), label);
  word.SetText(word.insertOrGet(0), "ab");
  word.insertOrGet(6);
  ASSERT_TRUE(writeWavFile(in, {105, 95, 110, 92, -30000, 32767}, 8000, phon, word));
  program().en_cours = infoFile{};
  program().en_cours.nom = in;
  ASSERT_TRUE(openCurrent());
  editStateAfterLoad();
  const std::string out = (dir_.path() / "nodc.wav").string();
  EXPECT_FALSE(removeDC(in));
  EXPECT_TRUE(rec->saw("T1017"));
  ASSERT_TRUE(removeDC(out));
  infoFile info;
  info.nom = out;
  ASSERT_TRUE(init_infoFile_read(info));
  SHORTbuf x(6, "x");
  ASSERT_EQ(lireSignal(info, info.depl, x, 0, 6), 6);
  // Mean of 105 95 110 92 -30000 32767 = 3169 / 6 = 528 (truncated); the last is limited.
  const std::int16_t expected[] = {105 - 528, 95 - 528, 110 - 528, 92 - 528, -30528, 32767 - 528};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(x[i], expected[i]);
  EXPECT_EQ(test::readBytes(out).size(), test::readBytes(in).size());
  notetiqs phonBack, wordBack;
  ASSERT_TRUE(readnotetiqs(out, phonBack, info.etiqdepl, info.etiqlongueur));
  ASSERT_TRUE(readnotetiqs(out, wordBack, info.notedepl, info.notelongueur));
  EXPECT_EQ(phonBack.count(), 3);
  EXPECT_EQ(phonBack.Text(1), "b");
  EXPECT_EQ(wordBack.Text(0), "ab");
  // A copy that cannot be written keeps the previous one and says why.
  const auto before = test::readBytes(out);
  {
    test::FileSizeLimit limit(20);
    EXPECT_FALSE(removeDC(out));
  }
  EXPECT_TRUE(rec->saw("nodc.wav cannot be written (File too large)"));
  EXPECT_EQ(test::readBytes(out), before);
}

TEST_F(NewAndDc, RemoveDcOfAFileWithoutSamplesCopiesIt) {
  const std::string in = (dir_.path() / "empty.wav").string();
  ASSERT_TRUE(writeWavFile(in, {}, 8000, notetiqs(), notetiqs()));
  program().en_cours = infoFile{};
  program().en_cours.nom = in;
  ASSERT_TRUE(init_infoFile_read(program().en_cours));
  program().fileLoaded = true;
  const std::string out = (dir_.path() / "empty2.wav").string();
  ASSERT_TRUE(removeDC(out));
  EXPECT_EQ(test::readBytes(out), test::readBytes(in));
}

}  // namespace
}  // namespace ardv
