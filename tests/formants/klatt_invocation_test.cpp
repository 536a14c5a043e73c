// Running the synthesizer program: its output through the window's path
// equals ardv-cli synth, and a program that is missing, fails, writes nothing
// or hangs gives one message naming the command line and leaves the WAV be.
#include "formants/klatt_invocation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "platform/headless/recording_reporter.h"
#include "platform/keyboard.h"
#include "platform/process.h"
#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::readBytes;
using test::TempDir;

TEST(KlattInvocation, TheProgramThroughTheWindowsPathWritesWhatArdvCliSynthWrites) {
  TempDir dir;
  const auto params = test::sourceDataDir() / "examples" / "nasal-ama.kle";
  for (const auto& [arrangement, source, waveform] : {std::tuple{1, 1, 8}, std::tuple{2, 2, 8}, std::tuple{2, 1, 3}}) {
    KlattSynthesisSettings s;
    s.byteArrangement = arrangement;
    s.source = source;
    s.waveform = waveform;
    s.frameMs = 5;
    ScopedRecorder rec;
    ASSERT_TRUE(runKlattSynthesis(ARDV_KLATT_PATH, params, dir / "synthe.raw", dir / "window.wav", s, 22050))
        << (rec->reports().empty() ? "" : rec->reports()[0].text);
    const std::string args = params.string() + " -o " + (dir / "cli.wav").string() + " --rate 22050 --waveform " +
                             std::to_string(waveform) + (source == 2 ? " --source lf" : "");
    ASSERT_EQ(test::runCli("synth " + args, dir / "out"), 0) << test::readFile(dir / "out.err");
    const auto wav = readBytes(dir / "window.wav");
    EXPECT_EQ(wav, readBytes(dir / "cli.wav")) << "-r " << arrangement << " -v " << source << " -t " << waveform;
    // 700 ms and one frame at 22050 Hz, then the last sample once more.
    EXPECT_EQ(wav.size(), 44u + 2 * (15545 + 1));
  }
}

TEST(KlattInvocation, AProgramThatIsMissingFailsWritesNothingOrHangsLeavesTheWavAndNamesTheCommandLine) {
  struct Row {
    const char* script;  // nullptr: no program at all
    const char* fragment;
  };
  const Row rows[] = {
      {nullptr, "is missing"},
      {"echo 'cannot read the file' >&2; exit 3", "failed (exit status 3)"},
      {"exit 0", "wrote nothing"},
      {": > \"$6\"", "wrote nothing"},
      {"kill -9 $$", "ended abnormally"},
      {"exec sleep 30", "stopped by Escape"},
  };
  for (const Row& row : rows) {
    TempDir dir;
    const auto program = dir / "klatt";
    if (row.script) {
      test::writeFile(program, std::string("#!/bin/sh\n") + row.script + "\n");
      std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    test::writeFile(dir / "synthe.raw", "stale samples");
    test::writeFile(dir / "synthe.wav", "previous");
    ScriptedKeyboard keys(3);
    ScopedKeyboard scope(keys);
    ScopedRecorder rec;
    KlattSynthesisSettings s;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(runKlattSynthesis(program, dir / "p.kle", dir / "synthe.raw", dir / "synthe.wav", s, 16000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << row.fragment;
    const std::string line =
        commandLineText(klattCommandLine(program, dir / "p.kle", dir / "synthe.raw", s, 16000));
    ASSERT_EQ(rec->reports().size(), 1u) << row.fragment;
    EXPECT_NE(rec->reports()[0].text.find(row.fragment), std::string::npos) << rec->reports()[0].text;
    EXPECT_NE(rec->reports()[0].text.find(line), std::string::npos) << rec->reports()[0].text;
    EXPECT_EQ(test::readFile(dir / "synthe.wav"), "previous") << row.fragment;
  }
}

// The raw output would replace the parameter file (ardv-cli synth's bad files: bad_input_test).
TEST(KlattInvocation, TheProgramRefusesToWriteOverItsInput) {
  TempDir dir;
  const auto example = test::sourceDataDir() / "examples" / "vowels-aiu.kle";
  const std::string same = (dir / "same.kle").string();
  std::filesystem::copy_file(example, same);
  EXPECT_EQ(std::system((std::string(ARDV_KLATT_PATH) + " -i " + same + " -o " + same + " 2>/dev/null").c_str()) >> 8, 2);
  EXPECT_EQ(test::readFile(same), test::readFile(example));
}

TEST(KlattInvocation, TheCommandLineFollowsTheSettings) {
  KlattSynthesisSettings s;
  EXPECT_EQ(commandLineText(klattCommandLine("/opt/a b/klatt", "in.kle", "out.raw", s, 11025)),
            "\"/opt/a b/klatt\" -r 2 -i in.kle -o out.raw -f 4 -s 11025 -F 0 -v 2");
  s = {22050, 1, 8, 3, 1, 2, 40};
  EXPECT_EQ(commandLineText(klattCommandLine("klatt", "in.kle", "out.raw", s, 22050)),
            "klatt -r 1 -i in.kle -o out.raw -t 3 -f 8 -s 22050 -F 40 -v 4");
}

}  // namespace
}  // namespace ardv
