// ardv-cli convert, profiles and info --profile, run as the user runs them:
// byte-exact round trips through WAV, annotation chunks carried, and the exit
// status of refused requests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "signal/annotation_chunk.h"
#include "signal/infofile.h"
#include "signal/write_sound_file.h"
#include "signal/wavfile.h"
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
  struct Case {
    const char* profile;
    bool bigEndian;
  };
  for (const Case& c : {Case{"pcm16le-16k", false}, Case{"pcm12be-16k", true}}) {
    const auto in = dir / (std::string(c.profile) + ".raw");
    test::writeBytes(in, test::wordBytes(words, c.bigEndian));
    const std::string p = std::string(" --profile ") + c.profile;
    ASSERT_EQ(runCli("convert " + in.string() + " " + (dir / "mid.wav").string() + p, dir / "log"), 0);
    ASSERT_EQ(runCli("convert " + (dir / "mid.wav").string() + " " + (dir / "back.raw").string() + " --out-profile " +
                         c.profile,
                     dir / "log"),
              0);
    EXPECT_EQ(test::readBytes(dir / "back.raw"), test::readBytes(in)) << c.profile;
  }
}

TEST(ConvertCommand, CarriesTheAnnotationChunks) {
  test::TempDir dir;
  SHORTbuf samples(50, "samples");
  infoFile out;
  out.nom = (dir / "a.wav").string();
  out.frequence = 22050;
  writeSoundFile w(out);
  w.setMiddleBuffer(samples, 0, 100);
  w.addPhon(0, "p");
  w.addPhon(20, "a");
  w.addPhon(49, "");
  w.addWord(0, "pa");
  w.addWord(49, "");
  ASSERT_EQ(w.flush(), 0);
  ASSERT_EQ(runCli("convert " + out.nom + " " + (dir / "b.wav").string(), dir / "log"), 0);
  infoFile b;
  b.nom = (dir / "b.wav").string();
  ASSERT_TRUE(init_infoFile_read_WAV(b));
  EXPECT_EQ(b.frequence, 22050);
  notetiqs phon, word;
  ASSERT_TRUE(readnotetiqs(b.nom, phon, b.etiqdepl, b.etiqlongueur));
  ASSERT_TRUE(readnotetiqs(b.nom, word, b.notedepl, b.notelongueur));
  EXPECT_EQ(phon.count(), 3);
  EXPECT_EQ(phon.Text(1), "a");
  EXPECT_EQ(word.Text(0), "pa");
}

TEST(ConvertCommand, ListsProfilesAndRefusesWhatItCannotDo) {
  test::TempDir dir;
  ASSERT_EQ(runCli("profiles", dir / "profiles.txt"), 0);
  const std::string listing = test::readFile(dir / "profiles.txt");
  EXPECT_NE(listing.find("sphere-16k\n  frequence    v, 16000\n"), std::string::npos);
  EXPECT_NE(listing.find("  longueur     v, SOF-1024\n  signal_swap  \"non\"\n"), std::string::npos);

  test::writeBytes(dir / "x.raw", test::wordBytes({1, 2, 3}, false));
  EXPECT_EQ(runCli("info " + (dir / "x.raw").string(), dir / "log"), 1);  // no profile
  EXPECT_EQ(runCli("info " + (dir / "x.raw").string() + " --profile sphere-16k", dir / "log"), 1);  // too short
  EXPECT_NE(test::readFile(dir / "log.err").find("outside the file"), std::string::npos);
  EXPECT_EQ(runCli("info " + (dir / "x.raw").string() + " --profile pcm16le-8k", dir / "log"), 0);
  EXPECT_NE(test::readFile(dir / "log").find("Samples:            3\n"), std::string::npos);
  EXPECT_EQ(runCli("convert " + (dir / "x.raw").string() + " --profile", dir / "log"), 2);
  EXPECT_EQ(runCli("convert " + (dir / "x.raw").string() + " " + (dir / "y.raw").string() + " --profile nope",
                   dir / "log"),
            1);
}

}  // namespace
}  // namespace ardv
