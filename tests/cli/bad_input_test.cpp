// ardv-cli given bad input: missing and extra arguments, absurd numbers,
// missing files, a directory, an empty file or a signal with nothing to
// analyse as input, parameter files that lie, an output that is the input
// (by name or through a hard or symbolic link) or lies in a missing
// directory. Each case ends with status 2 (usage) or 1, says why in one line
// on standard error (or the usage) and nothing on standard output, creates no
// file, leaves the input and a previous output as they were and leaves no
// temporary file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "signal/wav_layout.h"
#include "tests/cli/cli_test_support.h"
#include "tests/signal/signal_test_support.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

// IN: a WAV copy of the example, DIR: an empty directory, EMPTY: an empty
// .wav, OUT: a new file, KEPT: a previous output, HARD.ext, SYM.ext: a hard
// and a symbolic link to IN; WAV files of no sample (ZERO), one sample (ONE),
// 1 s of silence (SILENT) and 100 Hz sampling (SLOW); TOP: the directory of
// WAV files a stereo, 8-bit, cut in the format chunk (a cut data chunk is
// read) or random, x.raw (three samples), junk (no label of any kind),
// bad.pit (not a pitch file), header.pit (no point), words.pit (a line of
// words), long.pit (a 1 MB line), empty.ali (an ALIGN header, no record) and
// the parameter files type.kle (unknown type), short.kle (text in a record),
// long.kle (a 1 MB number) and fifo.kle.
const test::CliRow kCases[] = {
    {"", 2, "usage:"}, {"bogus IN", 2, "bogus"}, {"info", 2, "usage"}, {"info IN extra", 2, "usage"},
    {"info DIR/missing.wav", 1, "missing.wav"}, {"info DIR", 1, "sub"}, {"info EMPTY", 1, "empty.wav"},
    {"info IN --profile bogus", 1, "bogus"}, {"info TOP/stereo.wav", 1, ""}, {"info TOP/eight-bit.wav", 1, ""},
    {"info TOP/truncated.wav", 1, ""}, {"info TOP/random.wav", 1, ""}, {"info TOP/x.raw", 1, ""},
    {"info TOP/x.raw --profile sphere-16k", 1, "outside the file"}, {"convert TOP/x.raw --profile", 2, "usage"},
    {"convert TOP/x.raw OUT.raw --profile nope", 1, "nope"}, {"convert IN", 2, "usage"}, {"convert IN IN", 1, ""},
    {"convert IN ./IN", 1, ""}, {"convert IN DIR/missing/OUT.wav", 1, ""},
    {"convert IN OUT.wav --out-profile bogus", 1, "bogus"}, {"resample IN OUT.wav", 2, "usage"},
    {"resample IN OUT.wav --rate 0", 2, ""}, {"resample IN OUT.wav --rate -5", 2, ""},
    {"resample IN OUT.wav --rate nan", 2, ""}, {"resample IN OUT.wav --rate 1e12", 1, ""},
    {"resample IN OUT.wav --rate 100", 1, ""}, {"resample IN OUT.wav --rate 22050.5", 1, ""},
    {"resample IN IN --rate 8000", 1, ""}, {"resample EMPTY OUT.wav --rate 8000", 1, ""}, {"remove-dc IN IN", 1, ""},
    {"remove-dc DIR OUT.wav", 1, ""}, {"spectrogram IN --kind wide -o OUT.pgm --from 5000 --to 10", 2, "--from"},
    {"spectrogram IN --kind wide -o OUT.pgm --width -3", 2, "--width"},
    {"spectrogram IN --kind wide -o OUT.pgm --from nan", 2, "--from"},
    {"spectrogram IN --kind wide -o DIR/missing/OUT.pgm", 1, ""}, {"spectrogram EMPTY --kind wide -o OUT.pgm", 1, ""},
    {"spectrogram IN --kind wide -o OUT.pgm --set fftSize=512.5", 2, "fftSize"},
    {"spectrogram IN --kind lpc -o OUT.pgm --set windowMs=1", 2, "linear-prediction window"},
    {"spectrogram IN --kind purple -o OUT.png", 2, "wide|narrow"},
    {"spectrogram IN --kind narrow -o OUT.png --set bogus=1", 2, "windowMs, fftSize"},
    {"spectrogram IN --kind narrow -o OUT.png --set windowMs=500", 2, "from 1 to 128"},
    {"spectrogram IN --kind critical -o OUT.png --set bandCount=1", 2, "bandCount"},
    {"spectrogram IN --kind narrow -o OUT.png --set lowDb=120", 2, "below highDb"},
    {"spectrogram IN --kind narrow -o OUT.png --width 0", 2, "--width"},
    {"spectrogram IN --kind narrow -o OUT.png --width 1000001", 2, "--width"},
    {"spectrogram IN --kind narrow -o OUT.png --width 300000 --height 512", 2, "pixels"},
    {"spectrogram IN --kind narrow -o OUT.png --from 500 --to 100", 2, "--from"},
    {"spectrogram IN --kind narrow -o OUT.png --from 5000", 2, "empty"},
    {"spectrogram IN --kind narrow -o OUT.jpg", 2, ".pgm or .png"},
    {"spectrogram IN --kind narrow --colour -o OUT.pgm", 2, "PNG"}, {"spectrogram IN --kind narrow", 2, "usage"},
    {"spectrogram --kind reassigned -o OUT.pgm SLOW", 1, "at least 1000 Hz"}, {"f0 IN -o IN", 1, ""},
    {"f0 IN -o DIR/missing/OUT.pit", 1, ""}, {"f0 DIR", 1, ""}, {"f0 ZERO", 1, "nothing to analyse"},
    {"f0 ONE", 1, "nothing to analyse"}, {"energy IN -o IN", 1, ""}, {"energy IN --window nan", 2, "--window"},
    {"energy IN --window 1e30", 2, "--window"}, {"energy IN --fhigh 4k", 2, "--fhigh"},
    {"energy ONE", 1, "nothing to analyse"}, {"energy SLOW", 1, "at least 1000 Hz"}, {"speech-start EMPTY", 1, ""},
    {"speech-start ZERO", 1, "nothing to analyse"}, {"speech-start ONE", 1, "nothing to analyse"},
    {"speech-start SLOW", 1, "at least 1000 Hz"}, {"labels IN -o IN", 1, ""}, {"labels IN --export nist IN", 1, ""},
    {"labels IN --export textgrid IN", 1, ""}, {"labels IN --import nist DIR -o OUT.wav", 1, ""},
    {"labels IN --import nist TOP/junk -o OUT.wav", 1, "no records read from"},
    {"labels IN --tier words --import sam TOP/junk", 1, "(is it SAM? UTF-16?)"},
    {"labels IN --import textgrid IN", 1, "cannot be read as a TextGrid"},
    {"f0 IN --voicing-threshold 1.5", 2, "usage:"}, {"f0 IN --voicing-threshold 0.4x", 2, "usage:"},
    {"f0-corpus DIR --jobs 0", 2, "usage:"}, {"f0-corpus DIR --jobs 100000", 2, "usage:"},
    {"f0-corpus DIR/missing", 1, "missing"}, {"play IN --from 5000 --to 10", 2, "--from"},
    {"play IN --repeat -1", 2, "--repeat"}, {"spectrogram IN --kind wide -o HARD.pgm", 1, ""},
    {"spectrogram IN --kind wide -o SYM.png", 1, ""}, {"convert IN HARD.wav", 1, ""},
    {"resample IN SYM.wav --rate 8000", 1, ""}, {"remove-dc IN HARD.wav", 1, ""}, {"f0 IN -o SYM.pit", 1, ""},
    {"energy IN -o HARD.txt", 1, ""}, {"labels IN -o SYM.wav", 1, ""}, {"modify IN KEPT --time 3.5 --f0 1", 2, "usage:"},
    {"modify IN KEPT --time 1 --f0 1.3 --method vocoder", 2, "usage:"}, {"modify IN IN --time 2 --f0 1", 1, ""},
    {"modify ONE KEPT --time 2 --f0 1", 1, "too short"}, {"modify IN KEPT --time 2 --f0 1 --from 900 --to 100", 2, "usage:"},
    {"modify IN KEPT --time 2 --f0 1 --from 900", 2, "usage:"}, {"modify IN KEPT --time 2 --f0 1 --from 9e5 --to 1e6", 1, "not inside"},
    {"resynth IN --contour TOP/bad.pit -o KEPT", 1, "pas un fichier de pitch"},
    {"resynth IN --contour IN -o IN", 1, ""}, {"resynth IN --contour TOP/header.pit -o KEPT", 1, "no point"},
    {"resynth IN --contour TOP/words.pit -o KEPT", 1, "line 3"}, {"resynth IN --contour TOP/long.pit -o KEPT", 1, "256 bytes"},
    {"resynth IN --contour TOP/fifo.kle -o KEPT", 1, "not a regular file"},
    {"resynth IN --contour /dev/zero -o KEPT", 1, "not a regular file"},
    {"modify ONE KEPT --time 2 --f0 1 --method vocoder", 1, "too short"},
    {"modify ZERO KEPT --time 1 --f0 1 --method vocoder", 1, ""},
    {"modify SLOW KEPT --time 2 --f0 1 --method vocoder", 1, "4000 to 128000"}, {"tracks IN", 2, "usage"}, {"tracks IN -o OUT.kle --to wav", 2, "--to"},
    {"tracks IN -o OUT.kle --step 0", 2, "--step"}, {"tracks IN -o OUT.kle", 1, ""}, {"tracks EMPTY -o OUT.kle", 1, ""},
    {"tracks DIR -o OUT.for", 1, ""}, {"tracks IN -o IN", 1, ""}, {"formants IN --method lpc -o OUT.tsv", 2, "usage"},
    {"formants IN --from 300 --to 100 -o OUT.tsv", 2, "--to after --from"}, {"formants ONE -o OUT.tsv", 1, ""},
    {"formant-candidates IN --kind peaks", 2, "usage"}, {"formants IN -o IN", 1, ""},
    {"formants IN --ceiling 2000 -o OUT.tsv", 2, "ceiling"}, {"formants IN --ceiling 5k -o OUT.tsv", 2, "ceiling"},
    {"formants IN --ceiling 0 -o OUT.tsv", 2, "ceiling"}, {"formants IN --method snake --scores OUT.txt", 2, "usage"}, {"formants IN --method snake --ceiling auto", 2, "usage"},
    {"formants IN -o OUT.tsv --scores OUT.tsv", 1, "two files"}, {"formants IN --scores IN", 1, ""},
    {"copy-synth SILENT -o OUT.kle", 1, "nothing to copy"}, {"copy-synth DIR/none.wav -o OUT.kle", 1, "none.wav"},
    {"copy-synth IN -o IN", 1, ""}, {"copy-synth IN", 2, "usage"},
    {"copy-synth IN -o OUT.kle --method lpc", 2, "usage"}, {"copy-synth IN -o OUT.kle --ceiling 2000", 2, "ceiling"},
    {"copy-synth IN -o OUT.kle --method snake --ceiling 5000", 2, "usage"}, {"synth IN", 2, "usage"},
    {"synth IN -o OUT.wav --waveform 9", 2, "-t 9"}, {"synth IN -o OUT.wav --rate 500", 2, "rate"},
    {"synth IN -o OUT.wav --source x", 2, "--source"}, {"synth IN -o IN", 1, ""}, {"synth IN -o OUT.wav", 1, ""},
    {"synth TOP/type.kle -o OUT.wav", 1, "not a Klatt parameter file"},
    {"synth TOP/short.kle -o OUT.wav", 1, "frame 1: \"abc\" is not a number"},
    {"synth TOP/nan.kle -o OUT.wav", 1, "frame 2: \"nan\" is not a number"},
    {"tracks TOP/zero.for -o OUT.kle", 1, "no frame to write"}, {"tracks TOP/hex.for -o OUT.kle", 1, "line 1: formant 1"},
    {"tracks TOP/extra.for -o OUT.kle", 1, "23 fields"},
    {"synth TOP/long.kle -o OUT.wav", 1, "no parameter record"},
    {"synth TOP/fifo.kle -o OUT.wav", 1, "not a regular file"}, {"synth DIR -o OUT.wav", 1, "is a directory"},
    {"synth DIR/missing.kle -o OUT.wav", 1, "No such file"},
    {"search TOP --word x -o IN", 1, "which the search reads"},
    {"search TOP --word x --list SYM.txt", 1, "which the search reads"},
    {"search TOP --word x --files-from KEPT --list KEPT", 1, "which the search reads"},
    {"search TOP --word x -o OUT.wav --list TOP/./out.wav", 1, "name the same file"},
    {"search --files-from /dev/zero --word x", 1, "Cannot read the list of files"},
    {"search --files-from TOP/fifo.kle --word x", 1, "Cannot read the list of files"},
    {"search --files-from - --word x </dev/zero", 1, "holds a NUL byte"},
    {"f0-corpus --files-from TOP/random.wav", 1, "not a list of file names"},
    {"f0-corpus DIR --profile bogus", 1, "bogus"},
    {"labels IN --import align TOP/empty.ali -o OUT.wav", 1, "no records read from"},
    {"convert SLOW OUT.wav", 1, "at least 1000 Hz"}, {"resample SLOW OUT.wav --rate 16000", 1, "at least 1000 Hz"},
    {"remove-dc SLOW OUT.wav", 1, "at least 1000 Hz"}, {"speech-start SILENT", 1, "no speech found"},
    {"copy-synth IN -o OUT.kle --synth TOP/./out.kle", 1, "name the same file"},
    {"copy-synth IN -o /dev/full --synth OUT.wav", 1, "No space left on device"}, {"measure IN -o IN", 1, ""},
    {"measure IN -o DIR/missing/OUT.csv", 1, "Cannot write"}, {"measure IN --method lpc", 2, "usage:"},
    {"measure IN --ceiling 5k", 2, "usage:"}, {"measure IN --ceiling 5000 --method snake", 2, "usage:"},
    {"measure IN --ceiling 20", 2, "ceiling"},
};

// A canonical PCM WAV file at 16 kHz with `dataBytes` bytes of zero samples.
test::Bytes wav(std::uint16_t channels, std::uint16_t bits, std::size_t dataBytes) {
  return test::riffWave({test::chunk("fmt ", test::fmtPayload(1, channels, 16000, bits)),
                         test::chunk("data", test::Bytes(dataBytes, 0))});
}

TEST(BadInput, EndsWithAClearStatusAndTouchesNoFile) {
  test::TempDir dir;
  const fs::path in = dir / "in.wav", sub = dir / "sub", tmp = dir / "tmp";
  fs::copy_file(test::exampleWav(), in);
  fs::create_directory(sub);
  fs::create_directory(tmp);
  for (const auto& [name, n, value, hz] : {std::tuple{"zero.wav", 0, 100, 16000}, {"one.wav", 1, 100, 16000},
                                            {"slow.wav", 2000, 100, 100}, {"silent.wav", 16000, 0, 16000}})
    ASSERT_TRUE(writeWavFile(dir / name, std::vector<std::int16_t>(n, static_cast<std::int16_t>(value)), hz, {}, {}));
  std::mt19937 rng(12345);
  test::Bytes random(5000);
  for (auto& c : random) c = static_cast<std::uint8_t>(rng());
  const test::Bytes good = wav(1, 16, 32000);
  for (const auto& [name, bytes] : {std::pair{"stereo.wav", wav(2, 16, 4000)}, {"eight-bit.wav", wav(1, 8, 4000)},
                                    {"truncated.wav", test::Bytes(good.begin(), good.begin() + 30)},
                                    {"random.wav", random}, {"x.raw", test::wordBytes({1, 2, 3}, false)}})
    test::writeBytes(dir / name, bytes);
  test::writeBytes(dir / "good.wav", good);
  ASSERT_EQ(test::runCli("info " + (dir / "good.wav").string(), dir / "log"), 0);  // the files above differ from it
  std::string zeroListing = "date 0 (0 ms) ";
  for (int k = 1; k <= 6; ++k) zeroListing += "F" + std::to_string(k) + "=0 0 0 ";
  zeroListing += "\n";
  for (const auto& [name, text] : std::initializer_list<std::pair<const char*, std::string>>{
           {"type.kle", ".klx\n0 1000 60\n"}, {"bad.pit", "RIFF 1 2\r\n"}, {"header.pit", ".pit            \r\n"},
           {"words.pit", ".pit\r\n        16   100\r\nnot a point\r\n"}, {"long.pit", ".pit\n" + std::string(1 << 20, '7')},
           {"short.kle", ".kle\n0 1000 60 abc 500\n"},
           {"long.kle", ".kle\n" + std::string(1 << 20, '7') + "\n"}, {"empty.wav", ""}, {"log", ""}, {"log.err", ""},
           {"kept", "kept"}, {"empty.ali", ".ali\nheader\n"}, {"junk", std::string("\xff\xfe\x00garbage\n", 11)},
           {"nan.kle", ".kle\n" + test::replaceAll(std::string(56, '0'), "0", "0 ") + "\n5 nan\n"}, {"zero.for", zeroListing + zeroListing},
           {"hex.for", test::replaceAll(zeroListing, "F1=0", "F1=0x1F4")}, {"extra.for", zeroListing.substr(0, zeroListing.size() - 1) + "1\n"}})
    test::writeFile(dir / name, text);
  ASSERT_EQ(::mkfifo((dir / "fifo.kle").c_str(), 0600), 0);
  const std::string original = test::readFile(in);
  std::vector<fs::path> links;
  for (const char* ext : {".pgm", ".png", ".wav", ".pit", ".txt"}) {
    links.push_back(dir / (std::string("hard") + ext));
    fs::create_hard_link(in, links.back());
    links.push_back(dir / (std::string("sym") + ext));
    fs::create_symlink(in, links.back());
  }
  const auto files = test::entries(dir.path());
  // The commands' temporary files go to a directory of the test's own, so
  // that tests running beside this one cannot be counted.
  const test::ScopedEnv ownTemp("TMPDIR", tmp.string());
  std::vector<test::CliRow> rows;
  for (const test::CliRow& c : kCases) {
    std::string args = c.args;
    for (const auto& [from, to] :
         {std::pair{"./IN", dir / "." / "in.wav"}, {"IN", in}, {"DIR", sub}, {"EMPTY", dir / "empty.wav"},
          {"OUT", dir / "out"}, {"KEPT", dir / "kept"}, {"HARD", dir / "hard"}, {"SYM", dir / "sym"},
          {"ZERO", dir / "zero.wav"}, {"ONE", dir / "one.wav"}, {"SILENT", dir / "silent.wav"},
          {"SLOW", dir / "slow.wav"}, {"TOP", dir.path()}})
      args = test::replaceAll(args, from, to.string());
    rows.push_back({args, c.status, c.says});
  }
  test::expectCliRows(rows, dir / "log", [&](const test::CliRow& row, const std::string&) {
    EXPECT_EQ(test::readFile(dir / "log"), "");
    // One line saying why (after any warning of a value corrected), and the usage line after bad usage.
    const std::string err = test::readFile(dir / "log.err");
    std::istringstream lines(err);
    int reasons = 0, usages = 0;
    for (std::string line; std::getline(lines, line);) {
      usages += line.rfind("usage: ", 0) == 0;
      reasons += line.find("corrected to") == std::string::npos && line.rfind("usage: ", 0) != 0;
    }
    if (!row.args.empty()) {
      EXPECT_EQ(reasons, 1) << err;
    }
    EXPECT_EQ(usages, row.status == 2 ? 1 : 0) << err;
    EXPECT_EQ(test::readFile(in), original);
    EXPECT_EQ(test::readFile(dir / "kept"), "kept");
    EXPECT_EQ(test::entries(dir.path()), files);
    EXPECT_TRUE(fs::is_empty(sub));
    EXPECT_TRUE(fs::is_empty(tmp));
    for (const fs::path& link : links) EXPECT_TRUE(test::readFile(link) == original) << link;
  });
}

// A listing that cannot be written fails the command with the system's
// reason, as coreutils do.
TEST(BadInput, AWriteErrorOnStandardOutputFailsTheCommand) {
  test::TempDir dir;
  const std::string in = test::exampleWav().string(), err = (dir / "err").string();
  for (const char* args : {"--help", "profiles", "info IN", "labels IN", "f0 IN", "energy IN", "speech-start IN"}) {
    EXPECT_EQ(test::runShell(test::cliCommand(test::replaceAll(args, "IN", in)) + " >/dev/full 2>" + err), 1) << args;
    EXPECT_NE(test::readFile(err).find("write error on standard output: No space left on device"), std::string::npos)
        << args;
  }
}

// Past the file-size limit an output fails as on a full disk: the reason,
// status 1, and no temporary file left.
TEST(BadInput, AFileSizeLimitFailsTheOutputAndLeavesNothing) {
  test::TempDir dir;
  const std::string err = (dir / "err").string();
  EXPECT_EQ(test::runShell("ulimit -f 20; " + test::cliCommand("convert " + test::exampleWav().string() + " " +
                                                                 (dir / "out.wav").string()) + " 2>" + err), 1);
  EXPECT_NE(test::readFile(err).find("File too large"), std::string::npos) << test::readFile(err);
  EXPECT_EQ(test::entries(dir.path()), std::set<std::string>{"err"});
}

}  // namespace
}  // namespace ardv
