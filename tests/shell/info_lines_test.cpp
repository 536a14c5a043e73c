// The Details text and the signal lines of the information window.
#include "shell/info_lines.h"

#include <gtest/gtest.h>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"

namespace ardv::shell {
namespace {

class Details : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ml_init(test::sourceDataDir() / "format" / "english.txt")); }
  ScopedRecorder rec_;
};

TEST_F(Details, WithoutAFileOnlyTextSeventy) {
  Program prog;
  EXPECT_EQ(detailsText(prog), text(70));
  InfoLines lines;
  setSignalLines(lines, prog);
  EXPECT_EQ(lines.get(kLineSignal1), "");
  EXPECT_EQ(lines.get(kLineProgram), "Ardelovox 1.34");
}

TEST_F(Details, AWavFileListsFrequencyAndStretches) {
  Program prog;
  prog.fileLoaded = true;
  prog.en_cours.nom = "/data/a.wav";
  prog.en_cours.frequence = 16000.7;
  prog.ct.tf = 100;
  prog.ct.d_a = 0, prog.ct.f_a = 95999;
  prog.ct.d_e = 0, prog.ct.f_e = 99;
  const std::string expected = text(71) + "/data/a.wav" + textf(79, {16000}) + textf(80, {99}) +
                               textf(81, {0, 95999}) + textf(82, {0, 99}) + textf(83, {100});
  EXPECT_EQ(detailsText(prog), expected);
  EXPECT_EQ(rec_->reports().size(), 0u);  // every text number exists
  InfoLines lines;
  setSignalLines(lines, prog);
  EXPECT_EQ(lines.get(kLineSignal1), "/data/a.wav");
}

TEST_F(Details, ANonWavFileNamesItsLabelFilesOrTheirAbsence) {
  Program prog;
  prog.fileLoaded = true;
  prog.en_cours.nom = "/data/a.raw";
  prog.en_cours.frequence = 8000;
  prog.en_cours.labelKind = kLabelNist;
  prog.en_cours.nom_man = "/data/a.phn";
  const std::string s = detailsText(prog);
  EXPECT_NE(s.find(text(74) + "/data/a.phn" + text(75) + "NIST"), std::string::npos);
  EXPECT_NE(s.find(text(76)), std::string::npos);
  EXPECT_EQ(rec_->reports().size(), 0u);
}

}  // namespace
}  // namespace ardv::shell
