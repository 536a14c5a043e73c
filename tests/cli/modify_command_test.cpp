// ardv-cli modify, resynth and pitch-marks: what a run writes, and what a
// refused run leaves (its input and a previous output as they were).
#include <gtest/gtest.h>

#include <string>

#include "signal/wav_layout.h"
#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

TEST(ModifyCommands, OutputsAndRefusals) {
  test::TempDir dir;
  const fs::path in = dir / "in.wav", out = dir / "out.wav";
  const std::string original = test::readFile(test::sourceDataDir() / "examples" / "example.wav");
  test::writeFile(in, original);
  ASSERT_TRUE(writeWavFile(dir / "short.wav", std::vector<std::int16_t>(200, 900), 16000, {}, {}));
  test::writeFile(dir / "bad.pit", "RIFF 1 2\r\n");
  ASSERT_EQ(test::runCli("f0 " + in.string() + " -o " + (dir / "c.pit").string(), dir / "f0"), 0);
  const std::string I = in.string(), O = out.string();
  struct Row {
    std::string args;
    int status;
    double outRatio;       // output data bytes / input data bytes; 0: out.wav kept as it was
    const char* message;   // in standard output or error
  } rows[] = {
      {"modify " + I + " " + O + " --time 1.5 --f0 1", 0, 1.5, ""},
      {"modify " + I + " " + O + " --time 1 --f0 1.3", 0, 1.0, ""},
      {"modify " + I + " " + O + " --time 2 --f0 1 --method vocoder --phase none", 0, 2.0, ""},
      {"resynth " + I + " --contour " + (dir / "c.pit").string() + " -o " + O, 0, 1.0, ""},
      {"pitch-marks " + I, 0, 0, ">> pitch_mark"},
      {"modify " + I + " " + O + " --time 3.5 --f0 1", 2, 0, "usage"},
      {"modify " + I + " " + O + " --time 1 --f0 1.3 --method vocoder", 2, 0, "usage"},
      {"modify " + I + " " + I + " --time 2 --f0 1", 1, 0, ""},
      {"modify " + (dir / "short.wav").string() + " " + O + " --time 2 --f0 1", 1, 0, "too short"},
      {"resynth " + I + " --contour " + (dir / "bad.pit").string() + " -o " + O, 1, 0, "pas un fichier de pitch"},
      {"resynth " + I + " --contour " + I + " -o " + I, 1, 0, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    test::writeFile(out, "kept");
    EXPECT_EQ(test::runCli(r.args, dir / "run"), r.status) << test::readFile(dir / "run.err");
    EXPECT_NE((test::readFile(dir / "run") + test::readFile(dir / "run.err")).find(r.message), std::string::npos);
    EXPECT_EQ(test::readFile(in), original);
    const std::string written = test::readFile(out);
    if (r.outRatio == 0) {
      EXPECT_EQ(written, "kept");
      continue;
    }
    ASSERT_GT(written.size(), kWavHeaderBytes);
    const double ratio = static_cast<double>(written.size() - kWavHeaderBytes) / 83664.0;
    EXPECT_NEAR(ratio, r.outRatio, 0.01 * r.outRatio);
  }
}

}  // namespace
}  // namespace ardv
