// ardv-cli given bad input: missing and extra arguments, absurd numbers,
// missing files, a directory or an empty file as input, an output that is
// the input or lies in a missing directory. Each case ends with status 2
// (usage) or 1 and a line on standard error, creates no output and leaves
// the input as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* args;  // IN: a WAV copy, DIR: a directory, EMPTY: an empty .wav, OUT: a new file
  int status;
};

constexpr Case kCases[] = {
    {"", 2},
    {"bogus IN", 2},
    {"info", 2},
    {"info IN extra", 2},
    {"info DIR/missing.wav", 1},
    {"info DIR", 1},
    {"info EMPTY", 1},
    {"info IN --profile bogus", 1},
    {"convert IN", 2},
    {"convert IN IN", 1},
    {"convert IN ./IN", 1},
    {"convert IN DIR/missing/OUT.wav", 1},
    {"convert IN OUT.wav --out-profile bogus", 1},
    {"resample IN OUT.wav", 2},
    {"resample IN OUT.wav --rate 0", 2},
    {"resample IN OUT.wav --rate -5", 2},
    {"resample IN OUT.wav --rate nan", 2},
    {"resample IN OUT.wav --rate 1e12", 1},
    {"resample IN OUT.wav --rate 100", 1},
    {"resample IN OUT.wav --rate 22050.5", 1},
    {"resample IN IN --rate 8000", 1},
    {"resample EMPTY OUT.wav --rate 8000", 1},
    {"remove-dc IN IN", 1},
    {"remove-dc DIR OUT.wav", 1},
    {"spectrogram IN --kind wide -o OUT.pgm --from 5000 --to 10", 2},
    {"spectrogram IN --kind wide -o OUT.pgm --width -3", 2},
    {"spectrogram IN --kind wide -o OUT.pgm --from nan", 2},
    {"spectrogram IN --kind wide -o DIR/missing/OUT.pgm", 1},
    {"spectrogram EMPTY --kind wide -o OUT.pgm", 1},
    {"spectrogram IN --kind wide -o OUT.pgm --set fftSize=512.5", 2},
    {"spectrogram IN --kind lpc -o OUT.pgm --set windowMs=1", 2},
    {"f0 IN -o IN", 1},
    {"f0 IN -o DIR/missing/OUT.pit", 1},
    {"f0 DIR", 1},
    {"energy IN -o IN", 1},
    {"energy IN --window nan", 2},
    {"energy IN --window 1e30", 2},
    {"energy IN --fhigh 4k", 2},
    {"speech-start EMPTY", 1},
    {"labels IN -o IN", 1},
    {"labels IN --export nist IN", 1},
    {"labels IN --export textgrid IN", 1},
    {"labels IN --import nist DIR -o OUT.wav", 1},
    {"f0-corpus DIR --jobs 0", 2},
    {"f0-corpus DIR --jobs 100000", 2},
    {"f0-corpus DIR/missing", 1},
    {"play IN --from 5000 --to 10", 2},
    {"play IN --repeat -1", 2},
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
  for (const Case& c : kCases) {
    std::string args = replaceAll(c.args, "./IN", (dir / "." / "in.wav").string());
    args = replaceAll(args, "IN", in.string());
    args = replaceAll(args, "DIR", sub.string());
    args = replaceAll(args, "EMPTY", empty.string());
    args = replaceAll(args, "OUT", out.string());
    EXPECT_EQ(test::runCli(args, dir / "log"), c.status) << c.args;
    EXPECT_FALSE(test::readFile(dir / "log.err").empty()) << c.args;
    EXPECT_EQ(test::readFile(in), original) << c.args;
    for (const char* ext : {".wav", ".pgm", ".pit"}) {
      EXPECT_FALSE(fs::exists(out.string() + ext)) << c.args;
      fs::remove(out.string() + ext);
    }
    EXPECT_TRUE(fs::is_empty(sub)) << c.args;
  }
}

}  // namespace
}  // namespace ardv
