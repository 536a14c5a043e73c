// ardv-cli given bad input: missing and extra arguments, absurd numbers,
// missing files, a directory or an empty file as input, an output that is
// the input or lies in a missing directory. Each case ends with status 2
// (usage) or 1 and a line on standard error, creates no output and leaves
// the input as it was. An output that is the input through a hard or
// symbolic link is refused like the input's own name.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* args;  // IN: a WAV copy, DIR: a directory, EMPTY: an empty .wav, OUT: a new file,
                     // HARD.ext, SYM.ext: a hard and a symbolic link to IN
  int status;
};

constexpr Case kCases[] = {
    {"", 2}, {"bogus IN", 2}, {"info", 2}, {"info IN extra", 2}, {"info DIR/missing.wav", 1}, {"info DIR", 1},
    {"info EMPTY", 1}, {"info IN --profile bogus", 1},
    {"convert IN", 2}, {"convert IN IN", 1}, {"convert IN ./IN", 1}, {"convert IN DIR/missing/OUT.wav", 1},
    {"convert IN OUT.wav --out-profile bogus", 1},
    {"resample IN OUT.wav", 2}, {"resample IN OUT.wav --rate 0", 2}, {"resample IN OUT.wav --rate -5", 2},
    {"resample IN OUT.wav --rate nan", 2}, {"resample IN OUT.wav --rate 1e12", 1},
    {"resample IN OUT.wav --rate 100", 1}, {"resample IN OUT.wav --rate 22050.5", 1},
    {"resample IN IN --rate 8000", 1}, {"resample EMPTY OUT.wav --rate 8000", 1},
    {"remove-dc IN IN", 1}, {"remove-dc DIR OUT.wav", 1},
    {"spectrogram IN --kind wide -o OUT.pgm --from 5000 --to 10", 2},
    {"spectrogram IN --kind wide -o OUT.pgm --width -3", 2}, {"spectrogram IN --kind wide -o OUT.pgm --from nan", 2},
    {"spectrogram IN --kind wide -o DIR/missing/OUT.pgm", 1}, {"spectrogram EMPTY --kind wide -o OUT.pgm", 1},
    {"spectrogram IN --kind wide -o OUT.pgm --set fftSize=512.5", 2},
    {"spectrogram IN --kind lpc -o OUT.pgm --set windowMs=1", 2},
    {"f0 IN -o IN", 1}, {"f0 IN -o DIR/missing/OUT.pit", 1}, {"f0 DIR", 1},
    {"energy IN -o IN", 1}, {"energy IN --window nan", 2}, {"energy IN --window 1e30", 2}, {"energy IN --fhigh 4k", 2},
    {"speech-start EMPTY", 1}, {"labels IN -o IN", 1}, {"labels IN --export nist IN", 1},
    {"labels IN --export textgrid IN", 1}, {"labels IN --import nist DIR -o OUT.wav", 1},
    {"f0-corpus DIR --jobs 0", 2}, {"f0-corpus DIR --jobs 100000", 2}, {"f0-corpus DIR/missing", 1},
    {"play IN --from 5000 --to 10", 2}, {"play IN --repeat -1", 2},
    {"spectrogram IN --kind wide -o HARD.pgm", 1}, {"spectrogram IN --kind wide -o SYM.png", 1},
    {"convert IN HARD.wav", 1}, {"resample IN SYM.wav --rate 8000", 1}, {"remove-dc IN HARD.wav", 1},
    {"f0 IN -o SYM.pit", 1}, {"energy IN -o HARD.txt", 1}, {"labels IN -o SYM.wav", 1},
    {"tracks IN", 2}, {"tracks IN -o OUT.kle --to wav", 2}, {"tracks IN -o OUT.kle --step 0", 2},
    {"tracks IN -o OUT.kle", 1}, {"tracks EMPTY -o OUT.kle", 1}, {"tracks DIR -o OUT.for", 1}, {"tracks IN -o IN", 1},
    {"synth IN", 2}, {"synth IN -o OUT.wav --waveform 9", 2}, {"synth IN -o OUT.wav --rate 500", 2},
    {"synth IN -o OUT.wav --source x", 2}, {"synth IN -o IN", 1}, {"synth IN -o OUT.wav", 1},
};

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
  return s;
}

TEST(BadInput, EndsWithAClearStatusAndTouchesNoFile) {
  test::TempDir dir;
  const fs::path in = dir / "in.wav", sub = dir / "sub", empty = dir / "empty.wav", out = dir / "out";
  fs::copy_file(test::sourceDataDir() / "examples" / "example.wav", in);
  fs::create_directory(sub);
  std::ofstream(empty).close();
  const std::string original = test::readFile(in);
  std::vector<fs::path> links;
  for (const char* ext : {".pgm", ".png", ".wav", ".pit", ".txt"}) {
    links.push_back(dir / (std::string("hard") + ext));
    fs::create_hard_link(in, links.back());
    links.push_back(dir / (std::string("sym") + ext));
    fs::create_symlink(in, links.back());
  }
  for (const Case& c : kCases) {
    std::string args = c.args;
    for (const auto& [from, to] : {std::pair{"./IN", dir / "." / "in.wav"}, {"IN", in}, {"DIR", sub}, {"EMPTY", empty},
                                   {"OUT", out}, {"HARD", dir / "hard"}, {"SYM", dir / "sym"}})
      args = replaceAll(args, from, to.string());
    EXPECT_EQ(test::runCli(args, dir / "log"), c.status) << c.args;
    EXPECT_FALSE(test::readFile(dir / "log.err").empty()) << c.args;
    EXPECT_EQ(test::readFile(in), original) << c.args;
    for (const char* ext : {".wav", ".pgm", ".pit"}) {
      EXPECT_FALSE(fs::exists(out.string() + ext)) << c.args;
      fs::remove(out.string() + ext);
    }
    EXPECT_TRUE(fs::is_empty(sub)) << c.args;
    for (const fs::path& link : links) EXPECT_TRUE(test::readFile(link) == original) << c.args << " " << link;
  }
}

// A listing that cannot be written fails the command with the system's
// reason, as coreutils do.
TEST(BadInput, AWriteErrorOnStandardOutputFailsTheCommand) {
  test::TempDir dir;
  const std::string in = (test::sourceDataDir() / "examples" / "example.wav").string();
  for (const char* args : {"--help", "profiles", "info IN", "labels IN", "f0 IN", "energy IN", "speech-start IN"}) {
    const std::string command = "env -u ARDV_HOME " + std::string(ARDV_CLI_PATH) + " " +
                                replaceAll(args, "IN", in) + " >/dev/full 2>" + (dir / "err").string();
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << args;
    const std::string err = test::readFile(dir / "err");
    EXPECT_NE(err.find("write error on standard output: No space left on device"), std::string::npos) << args;
  }
}

}  // namespace
}  // namespace ardv
