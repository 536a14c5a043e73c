// The current signal: the display context after opening, zooming in and out,
// annotations from the chunks, profile files through the preset answers, and
// opens that fail or are cancelled (nothing changes).
#include "signal/current_signal.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/headless/preset_dialogs.h"
#include "platform/headless/recording_reporter.h"
#include "signal/program.h"
#include "signal/write_sound_file.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

class CurrentSignal : public ::testing::Test {
 protected:
  void SetUp() override {
    test::loadSignalTexts();
    test::loadShippedProfiles();
    presetDialogs() = PresetDialogs{};
    resetCurrent();
  }
  // A WAV file of `samples` samples (value = index) at `frequence` Hz with
  // two phoneme segments.
  std::string makeWav(const char* name, std::int32_t samples, double frequence) {
    SHORTbuf buf(samples, "test");
    for (std::int32_t i = 0; i < samples; ++i) buf[i] = static_cast<std::int16_t>(i);
    infoFile out;
    out.nom = (dir_ / name).string();
    out.frequence = frequence;
    writeSoundFile w(out);
    w.setMiddleBuffer(buf, 0, 2 * static_cast<std::int64_t>(samples));
    w.addPhon(0, "a");
    w.addPhon(5, "i");
    w.addPhon(samples - 1, "");
    EXPECT_EQ(w.flush(), 0);
    return out.nom;
  }
  test::TempDir dir_;
};

// The whole signal shown; memory holds at most 6 s or 288000 samples.
TEST_F(CurrentSignal, OpeningShowsTheSignalAndFillsMemory) {
  for (const auto& [samples, rate, shownEnd, inMemory] :
       {std::tuple{100, 16000.0, 95999, 99}, {120000, 16000.0, 95999, 95999}, {300000, 96000.0, 287999, 287999}}) {
    ASSERT_TRUE(openFile(makeWav("a.wav", samples, rate)));
    const DisplayContext& ct = program().ct;
    EXPECT_EQ(std::tuple(ct.tf, ct.d_a, ct.f_a, ct.f_e, ct.modeMemoire), std::tuple(samples, 0, shownEnd, inMemory, 1));
    EXPECT_EQ(program().memory[inMemory], static_cast<std::int16_t>(inMemory));
  }
  ASSERT_TRUE(openFile(makeWav("a.wav", 100, 16000)));
  EXPECT_EQ(std::tuple(program().ct.f_es, program().memory.size()), std::tuple(99, 100));
  ASSERT_EQ(program().etiq.count(), 3);
  EXPECT_EQ(program().etiq.Text(1), "i");
  EXPECT_TRUE(program().note.empty());
  EXPECT_TRUE(program().etiqSaveable && program().fileLoaded);
}

TEST_F(CurrentSignal, ZoomInWidensAFiveSampleSelectionToEleven) {
  ASSERT_TRUE(openFile(makeWav("a.wav", 100, 16000)));
  DisplayContext& ct = program().ct;
  ct.d_sel = 40;
  ct.f_sel = 44;
  ASSERT_TRUE(zoomIn());
  EXPECT_EQ(std::tuple(ct.d_a, ct.f_a, ct.f_es, ct.modeMemoire, ct.d_sel), std::tuple(40, 50, 50, 3, -1));
  // Near the end of memory the stretch is moved back.
  ct.d_sel = 95;
  ct.f_sel = 97;
  ASSERT_TRUE(zoomIn());
  EXPECT_EQ(std::pair(ct.d_a, ct.f_a), std::pair(89, 99));
  ASSERT_TRUE(zoomOut());
  EXPECT_EQ(std::tuple(ct.d_a, ct.f_a, ct.d_sel, ct.f_sel, ct.modeMemoire), std::tuple(0, 95999, 89, 99, 1));
}

TEST_F(CurrentSignal, ZoomInWithoutASelectionChangesNothing) {
  ASSERT_TRUE(openFile(makeWav("a.wav", 100, 16000)));
  for (auto sel : {std::pair{-1, -1}, std::pair{10, 10}, std::pair{50, 100}}) {
    program().ct.d_sel = sel.first;
    program().ct.f_sel = sel.second;
    const DisplayContext before = program().ct;
    ScopedRecorder rec;
    EXPECT_FALSE(zoomIn());
    EXPECT_TRUE(rec->saw("T901"));
    EXPECT_EQ(program().ct.f_a, before.f_a);
    EXPECT_EQ(program().ct.modeMemoire, 1);
  }
}

TEST_F(CurrentSignal, ProfileFileThroughThePresetAnswer) {
  test::writeBytes(dir_ / "b.raw", test::wordBytes({-2048, 2047, 5}, true));
  presetDialogs().profileName = "pcm12be-16k";
  ASSERT_TRUE(openFile((dir_ / "b.raw").string()));
  EXPECT_EQ(std::tuple(presetDialogs().formatQuestions, program().en_cours.nb_bits, program().en_cours.nom_man),
            std::tuple(1, 12, "b"));
  EXPECT_EQ(std::pair(program().memory[0], program().memory[2]), (std::pair<std::int16_t, std::int16_t>(-32768, 80)));
  EXPECT_TRUE(program().etiq.empty());
}

TEST_F(CurrentSignal, LabelFilesOfAProfileSignalGoThroughTheInstalledReaders) {
  test::writeBytes(dir_ / "c.raw", test::wordBytes(std::vector<std::int16_t>(300, 1), false));
  program().en_cours.nom_man = "/elsewhere/old.phn";
  presetDialogs().profileName = "pcm16le-16k";
  presetDialogs().labelKind = kLabelNist;
  static std::string seen;
  setLabelFileReaders({[](notetiqs& list, const infoFile& info) {
                         seen = info.nom_man;
                         list.insertOrGet(7);
                         return true;
                       },
                       nullptr});
  const bool opened = openFile((dir_ / "c.raw").string());
  setLabelFileReaders({});
  ASSERT_TRUE(opened);
  EXPECT_EQ(seen, "/elsewhere/c.phn");  // the label file keeps its directory and extension
  EXPECT_EQ(program().etiq.count(), 1);
  EXPECT_FALSE(program().etiqSaveable);  // its directory does not exist
  EXPECT_TRUE(program().note.empty());
}

TEST_F(CurrentSignal, FailedOrCancelledOpensChangeNothing) {
  const std::string a = makeWav("a.wav", 100, 16000);
  ASSERT_TRUE(openFile(a));
  test::writeFile(dir_ / "bad.wav", "not a wav file");
  test::writeBytes(dir_ / "b.raw", test::wordBytes({1, 2, 3}, false));
  {
    ScopedRecorder rec;
    EXPECT_FALSE(openFile((dir_ / "bad.wav").string()));
    EXPECT_EQ(rec->reports().size(), 1u);
  }
  presetDialogs().cancelFormats = true;
  EXPECT_FALSE(openFile((dir_ / "b.raw").string()));
  presetDialogs().cancelFormats = false;
  program().annotationsModified = true;
  presetDialogs().saveAnswer = SaveAnswer::Cancel;
  EXPECT_FALSE(openFile((dir_ / "b.raw").string()));
  EXPECT_EQ(std::tuple(presetDialogs().saveQuestions, program().en_cours.nom, program().ct.f_e, program().etiq.count()),
            std::tuple(1, a, 99, 3));
}

}  // namespace
}  // namespace ardv
