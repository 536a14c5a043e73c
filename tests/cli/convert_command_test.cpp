// ardv-cli convert, profiles and info --profile, run as the user runs them:
// byte-exact round trips through WAV, annotation chunks carried, and the exit
// status of refused requests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "signal/annotation_chunk.h"
#include "signal/infofile.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "tests/annotation/marks.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/cli.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::runCli;

TEST(ConvertCommand, RawFilesComeBackByteExact) {
  test::TempDir dir;
  std::vector<std::int16_t> words;
  for (int i = 0; i < 45001; ++i) words.push_back(static_cast<std::int16_t>((i * 37) % 4096 - 2048));
  const std::string mid = (dir / "mid.wav").string(), back = (dir / "back.raw").string();
  for (const auto& [profile, bigEndian] : {std::pair{"pcm16le-16k", false}, {"pcm12be-16k", true}}) {
    const std::string in = (dir / (std::string(profile) + ".raw")).string();
    test::writeBytes(in, test::wordBytes(words, bigEndian));
    ASSERT_EQ(runCli("convert " + in + " " + mid + " --profile " + profile, dir / "log"), 0);
    ASSERT_EQ(runCli("convert " + mid + " " + back + " --out-profile " + profile, dir / "log"), 0);
    EXPECT_EQ(test::readBytes(back), test::readBytes(in)) << profile;
  }
}

TEST(ConvertCommand, CarriesTheAnnotationChunks) {
  test::TempDir dir;
  const test::Marks phon{{0, "p"}, {20, "a"}, {49, ""}}, word{{0, "pa"}, {49, ""}};
  ASSERT_TRUE(writeWavFile(dir / "a.wav", std::vector<std::int16_t>(50), 22050, test::listOf(phon),
                           test::listOf(word)));
  ASSERT_EQ(runCli("convert " + (dir / "a.wav").string() + " " + (dir / "b.wav").string(), dir / "log"), 0);
  infoFile b;
  b.nom = (dir / "b.wav").string();
  ASSERT_TRUE(init_infoFile_read_WAV(b));
  EXPECT_EQ(b.frequence, 22050);
  notetiqs p, w;
  ASSERT_TRUE(readnotetiqs(b.nom, p, b.etiqdepl, b.etiqlongueur));
  ASSERT_TRUE(readnotetiqs(b.nom, w, b.notedepl, b.notelongueur));
  EXPECT_EQ(test::marksOf(p), phon);
  EXPECT_EQ(test::marksOf(w), word);
}

TEST(ConvertCommand, ListsProfilesAndRefusesWhatItCannotDo) {
  test::TempDir dir;
  ASSERT_EQ(runCli("profiles", dir / "profiles.txt"), 0);
  const std::string listing = test::readFile(dir / "profiles.txt");
  EXPECT_NE(listing.find("sphere-16k\n  frequence    v, 16000\n"), std::string::npos);
  EXPECT_NE(listing.find("  longueur     v, SOF-1024\n  signal_swap  \"non\"\n"), std::string::npos);

  // Three samples: too short for a profile with a header; without a profile, not read at all.
  const std::string x = (dir / "x.raw").string();
  test::writeBytes(x, test::wordBytes({1, 2, 3}, false));
  for (const auto& [args, status, says] :
       {std::tuple{"info " + x, 1, ""}, {"info " + x + " --profile sphere-16k", 1, "outside the file"},
        {"info " + x + " --profile pcm16le-8k", 0, "Samples:            3\n"}, {"convert " + x + " --profile", 2, ""},
        {"convert " + x + " " + x + ".raw --profile nope", 1, ""}}) {
    EXPECT_EQ(runCli(args, dir / "log"), status) << args;
    EXPECT_NE((test::readFile(dir / "log") + test::readFile(dir / "log.err")).find(says), std::string::npos) << args;
  }
}

}  // namespace
}  // namespace ardv
