// New silent signals and Remove DC.
#include "signal/edit_new.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile_io.h"
#include "signal/transports.h"
#include "tests/annotation/marks.h"
#include "tests/signal/edit_test_support.h"
#include "tests/support/files.h"

namespace ardv {
namespace {

using NewAndDc = test::EditingTest;

TEST_F(NewAndDc, EmptyAndZeroMakeFourSecondsOfSilence) {
  ASSERT_TRUE(editNewEmpty());
  const DisplayContext& ct = program().ct;
  EXPECT_EQ(std::tuple(ct.tf, ct.f_a, ct.f_e, program().memory.size()), std::tuple(4 * 22050, 44100, 44100, 44101));
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "shadow.wav"));
  ASSERT_TRUE(editNewZero(8000, 300));  // at least 1000 ms shown
  EXPECT_EQ(std::tuple(ct.tf, ct.f_a, program().en_cours.frequence), std::tuple(32000, 8000, 8000.0));
}

TEST_F(NewAndDc, RemoveDcSubtractsTheMeanOfTheSamplesOnlyAndKeepsTheLabels) {
  ScopedRecorder rec;
  const test::Marks phon = {{0, "a"}, {3, "b"}, {6, ""}}, word = {{0, "ab"}, {6, ""}};
  openWav("dc.wav", {105, 95, 110, 92, -30000, 32767}, 8000, test::listOf(phon), test::listOf(word));
  const std::string in = program().en_cours.nom;
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
  EXPECT_EQ(std::vector<std::int16_t>(x.data(), x.data() + 6),
            (std::vector<std::int16_t>{105 - 528, 95 - 528, 110 - 528, 92 - 528, -30528, 32767 - 528}));
  EXPECT_EQ(test::readBytes(out).size(), test::readBytes(in).size());
  notetiqs phonBack, wordBack;
  ASSERT_TRUE(readnotetiqs(out, phonBack, info.etiqdepl, info.etiqlongueur));
  ASSERT_TRUE(readnotetiqs(out, wordBack, info.notedepl, info.notelongueur));
  EXPECT_EQ(test::marksOf(phonBack), phon);
  EXPECT_EQ(test::marksOf(wordBack), word);
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
