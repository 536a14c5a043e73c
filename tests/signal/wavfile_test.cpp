// WAV names, the description of WAV files (damaged and foreign files refused
// with one message, record untouched; intact samples salvaged), and the
// transport message. Written files read back: edit_test's save sequences.

#include "signal/wavfile.h"

#include <gtest/gtest.h>

#include <random>

#include "annotation/phonetic_description.h"
#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/program.h"
#include "signal/transport_error.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::Bytes;
using test::chunk;
using test::fmtPayload;
using test::riffWave;

struct NameCase {
  const char* name;
  bool withOption;
  bool withoutOption;
};
class WavName : public ::testing::TestWithParam<NameCase> {};

TEST_P(WavName, FollowsExtensionAndOption) {
  bool saved = program().options.WindowsWAVfiles;
  program().options.WindowsWAVfiles = true;
  EXPECT_EQ(isWavName(GetParam().name), GetParam().withOption);
  program().options.WindowsWAVfiles = false;
  EXPECT_EQ(isWavName(GetParam().name), GetParam().withoutOption);
  program().options.WindowsWAVfiles = saved;
}

INSTANTIATE_TEST_SUITE_P(Table, WavName,
                         ::testing::Values(NameCase{"x.wa$", true, true}, NameCase{"/d/X.WA$", true, true},
                                           NameCase{"x.wav", true, false}, NameCase{"x.WaV", true, false},
                                           NameCase{"x.ard", true, false}, NameCase{"x.ARD", true, false},
                                           NameCase{"x.raw", false, false}, NameCase{"x.wave", false, false},
                                           NameCase{"wav", false, false}, NameCase{"dir.wav/x", false, false},
                                           NameCase{"", false, false}));

class WavFile : public ::testing::Test {
 protected:
  void SetUp() override { test::loadSignalTexts(); }
  std::string file(const Bytes& bytes, const char* name = "f.wav") {
    test::writeBytes(dir / name, bytes);
    return (dir / name).string();
  }
  test::TempDir dir;
};

struct BadFile {
  const char* what;
  Bytes bytes;
  int step;
  const char* fragment;  // in the message text
  std::string path = "";  // what is read instead of the bytes in f.wav (absolute, or in the directory)
};

// The mono "fmt " payload of WAVE_FORMAT_EXTENSIBLE as sox writes it (cbSize
// 22, valid bits, channel mask 4, sub-format GUID).
Bytes extensiblePayload(std::uint16_t subFormat, std::uint16_t bits) {
  Bytes b = fmtPayload(0xFFFE, 1, 16000, bits);
  for (std::uint16_t v : {std::uint16_t{22}, bits, std::uint16_t{4}, std::uint16_t{0}, subFormat}) test::put16(b, v);
  b.insert(b.end(), {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
  return b;
}

std::vector<BadFile> badFiles() {
  const Bytes mono16 = fmtPayload(1, 1, 16000, 16);
  std::mt19937 rng(7);
  Bytes garbage(300);
  for (auto& b : garbage) b = static_cast<std::uint8_t>(rng());
  return {
      {"missing", {}, 1, "absent.wav\r\nT3201 open", "absent.wav"},
      {"a directory", {}, 1, "T3201 open", "."},
      {"a device, never read without end", {}, 1, "T3201 open (a device, not a regular file)", "/dev/zero"},
      {"empty", {}, 2, "T3202"},
      {"garbage", garbage, 2, "T3202"},
      {"riff of another form", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, 2, "T3202"},
      {"header only", riffWave({}), 3, "no format chunk"},
      {"stereo", riffWave({chunk("fmt ", fmtPayload(1, 2, 16000, 16)), chunk("data", {0, 0, 0, 0})}), 5,
       "T3203 mono 16\r\nFound: format tag 0x0001, 2 channels, 16 bits, 16000 Hz."},
      {"8-bit", riffWave({chunk("fmt ", fmtPayload(1, 1, 16000, 8)), chunk("data", {0, 0})}), 5, "1 channel, 8 bits"},
      {"float", riffWave({chunk("fmt ", fmtPayload(3, 1, 16000, 16)), chunk("data", {0, 0})}), 5, "tag 0x0003"},
      {"extensible 24-bit", riffWave({chunk("fmt ", extensiblePayload(1, 24)), chunk("data", {0, 0, 0})}), 5,
       "format tag 0xFFFE (sub-format 0x0001), 1 channel, 24 bits"},
      {"extensible float", riffWave({chunk("fmt ", extensiblePayload(3, 16)), chunk("data", {0, 0})}), 5,
       "(sub-format 0x0003)"},
      {"extensible too short", riffWave({chunk("fmt ", fmtPayload(0xFFFE, 1, 16000, 16)), chunk("data", {0, 0})}), 5,
       "sub-format not standard"},
      {"rate 0", riffWave({chunk("fmt ", fmtPayload(1, 1, 0, 16)), chunk("data", {0, 0})}), 5, "0 Hz"},
      {"rate 2 MHz", riffWave({chunk("fmt ", fmtPayload(1, 1, 2000000, 16)), chunk("data", {0, 0})}), 5, "2000000 Hz"},
      {"short format", riffWave({chunk("fmt ", Bytes(14, 1)), chunk("data", {0, 0})}), 4, "holds 14 bytes"},
      {"no data", riffWave({chunk("fmt ", mono16), chunk("phon", {0, 0, 0, 0})}), 6, "T409"},
      {"format past end", riffWave({chunk("fmt ", mono16, 5000)}), 3, "claims 5000 bytes"},
      {"damage before the data", riffWave({chunk("fmt ", mono16), chunk("LIST", {0, 0}, 900), chunk("data", {0, 0})}),
       6, "before the damage: chunk \"LIST\" at byte 36 claims 900"},
  };
}

TEST_F(WavFile, DamagedAndForeignFilesAreRefusedOnceAndChangeNothing) {
  for (const BadFile& bad : badFiles()) {
    SCOPED_TRACE(bad.what);
    ScopedRecorder rec;
    infoFile info;
    info.nom = bad.path.empty() ? file(bad.bytes) : (dir / bad.path).string();
    info.frequence = 123.0;
    info.depl = 7;
    read_WAV_datas reader;
    EXPECT_EQ(reader.SetFilename(info.nom), 1);
    ASSERT_EQ(rec->reports().size(), 1u);
    const Report& r = rec->reports()[0];
    EXPECT_EQ(r.kind, ReportKind::Message);
    EXPECT_EQ(r.caption, "read_WAV_datas::SetFilename()");
    EXPECT_NE(r.text.find("step " + std::to_string(bad.step) + "\r\n"), std::string::npos) << r.text;
    EXPECT_NE(r.text.find(bad.fragment), std::string::npos) << r.text;
    EXPECT_NE(r.text.find("file " + info.nom), std::string::npos);

    EXPECT_FALSE(init_infoFile_read_WAV(info));
    EXPECT_EQ(info.frequence, 123.0);
    EXPECT_EQ(info.depl, 7);
  }
}

// Intact samples in files other programs write, or left unfinished or
// damaged: read (up to the end of the file, never past it), with one warning
// naming the file and what was mended, or none for a sound file.
TEST_F(WavFile, SalvagesTheSamplesOfUnfinishedAndForeignFiles) {
  const Bytes mono16 = fmtPayload(1, 1, 16000, 16);
  const Bytes samples(100, 3), phon = {0, 0, 0, 0};
  Bytes truncated = riffWave({chunk("fmt ", mono16), chunk("data", samples)});
  truncated.resize(truncated.size() - 73);
  Bytes noPad = riffWave({chunk("fmt ", mono16), chunk("data", {1, 2, 3}), chunk("phon", phon)});
  noPad.erase(noPad.begin() + 12 + 24 + 8 + 3);  // the pad byte after the odd data
  struct Salvage {
    const char* what;
    Bytes bytes;
    std::int64_t depl, longueur, phonBytes;
    const char* warning;  // nullptr: none
  };
  const Salvage rows[] = {
      {"odd LIST, lying RIFF size, odd data", riffWave({chunk("fmt ", mono16), chunk("LIST", Bytes(3, 'x')),
                                                        chunk("data", {1, 2, 3}), chunk("phon", phon)}, 0x7FFFFFF0),
       12 + 24 + 12 + 8, 2, 4, nullptr},  // half a sample is not part of the signal
      {"LIST before fmt", riffWave({chunk("LIST", Bytes(20, 'i')), chunk("fmt ", mono16), chunk("data", samples)}),
       12 + 28 + 24 + 8, 100, 0, nullptr},
      {"extensible PCM", riffWave({chunk("fmt ", extensiblePayload(1, 16)), chunk("fact", {50, 0, 0, 0}),
                                   chunk("data", samples), chunk("phon", phon)}),
       12 + 48 + 12 + 8, 100, 4, nullptr},
      {"data size as sox writes to a pipe",
       riffWave({chunk("fmt ", mono16), chunk("data", samples, 0x7FFFF000)}, 0x7FFFF024), 44, 100, 0,
       "claims 2147479552 bytes, but only 100 follow"},
      {"data size 0xFFFFFFFF", riffWave({chunk("fmt ", mono16), chunk("data", samples, 0xFFFFFFFF)}, 0), 44, 100, 0,
       "claims 4294967295 bytes"},
      {"data size 0, samples after", riffWave({chunk("fmt ", mono16), chunk("data", samples, 0)}), 44, 100, 0,
       "claims 0 bytes, but 100 bytes follow"},
      {"data size 0, a chunk after", riffWave({chunk("fmt ", mono16), chunk("data", {}), chunk("phon", phon)}), 44, 0,
       4, nullptr},
      {"truncated data", truncated, 44, 26, 0, "only 27 follow"},
      {"missing pad byte", noPad, 44, 2, 4, "chunk \"data\" has an odd size but no pad byte"},
      {"damaged chunk after the data",
       riffWave({chunk("fmt ", mono16), chunk("data", samples), chunk("phon", phon), chunk("word", phon, 99)}), 44, 100,
       4, "from byte 156 on are passed over (chunk \"word\" at byte 156 claims 99 bytes"},
      {"garbage after the data", riffWave({chunk("fmt ", mono16), chunk("data", samples), Bytes(8, 1)}), 44, 100, 0,
       "unreadable chunk header at byte 144"},
  };
  for (const Salvage& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedRecorder rec;
    infoFile info;
    info.nom = file(row.bytes);
    ASSERT_TRUE(init_infoFile_read_WAV(info));
    EXPECT_EQ(info.depl, row.depl);
    EXPECT_EQ(info.longueur, row.longueur);
    EXPECT_EQ(info.etiqlongueur, row.phonBytes);
    SHORTbuf buf(static_cast<std::int32_t>(info.sampleCount()), "b");
    EXPECT_EQ(lireSignal(info, info.depl, buf, 0, buf.size()), buf.size());
    if (row.warning == nullptr) {
      EXPECT_TRUE(rec->reports().empty()) << rec->reports()[0].text;
    } else {
      ASSERT_EQ(rec->count(ReportKind::Warning), 1u);
      EXPECT_EQ(rec->reports().size(), 1u);
      EXPECT_TRUE(rec->saw(info.nom + ": ")) << rec->reports()[0].text;
      EXPECT_TRUE(rec->saw("The samples present are read.")) << rec->reports()[0].text;
      EXPECT_TRUE(rec->saw(row.warning)) << rec->reports()[0].text;
    }
  }
}

TEST_F(WavFile, TransportMessageIsAssembledInOrder) {
  std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::path deep = dir / std::string(60, 'd');
  std::filesystem::create_directory(deep);
  std::filesystem::current_path(deep);
  std::string cwd40 = deep.string().substr(0, 40);
  EXPECT_EQ(transportErrorText("detail", 3, "f.wav"), "detail\r\nstep 3\r\nfile f.wav\r\ncwd " + cwd40);
  EXPECT_EQ(transportErrorText("", 6, "g"), "step 6\r\nfile g\r\ncwd " + cwd40);
  std::filesystem::current_path(saved);
}

TEST_F(WavFile, TracesAtDebugLevelTwoOnly) {
  ScopedRecorder rec;
  std::string name = file(riffWave({chunk("fmt ", fmtPayload(1, 1, 8000, 16)), chunk("data", {0, 0})}));
  read_WAV_datas reader;
  setDebugLevel(2);
  EXPECT_EQ(reader.SetFilename(name), 0);
  setDebugLevel(3);
  EXPECT_EQ(reader.SetFilename(name), 0);
  setDebugLevel(0);
  EXPECT_EQ(rec->trace(), (std::vector<std::string>{"read_WAV_datas::SetFilename()", "... " + name}));
}

TEST_F(WavFile, BundledExampleHoldsTheSentenceWithInventoryLabels) {
  ScopedRecorder rec;
  infoFile info;
  info.nom = (test::sourceDataDir() / "examples" / "example.wav").string();
  ASSERT_TRUE(init_infoFile_read_WAV(info));
  EXPECT_EQ(info.frequence, 16000.0);
  EXPECT_GE(info.sampleCount(), 2 * 16000);
  EXPECT_LE(info.sampleCount(), 4 * 16000);
  notetiqs phon, word;
  ASSERT_TRUE(readnotetiqs(info.nom, phon, info.etiqdepl, info.etiqlongueur));
  ASSERT_TRUE(readnotetiqs(info.nom, word, info.notedepl, info.notelongueur));
  std::string sentence;
  for (int i = 0; i < word.segmentCount(); ++i) sentence += (i ? " " : "") + word.Text(i);
  EXPECT_EQ(sentence, "The quick brown fox jumps over the lazy dog");

  ASSERT_TRUE(textTable().load(test::sourceDataDir() / "format" / "english.txt"));
  PhoneticDescription english;
  ASSERT_TRUE(english.load(test::sourceDataDir() / "format" / "english.lng"));
  ASSERT_GT(phon.segmentCount(), 20);
  for (int i = 0; i < phon.segmentCount(); ++i) {
    EXPECT_GT(english.phonemeIndex(phon.Text(i)), 0) << i << " " << phon.Text(i);
    EXPECT_LT(phon.position(i), phon.position(i + 1));
  }
  EXPECT_LE(phon.position(phon.count() - 1), info.sampleCount());
  // Every word starts on a phoneme boundary.
  for (int i = 0; i < word.count(); ++i) {
    int j = phon.findLE(word.position(i));
    ASSERT_GE(j, 0);
    EXPECT_EQ(phon.position(j), word.position(i));
  }
  for (const Report& r : rec->reports()) ADD_FAILURE() << r.caption << ": " << r.text;
}

}  // namespace
}  // namespace ardv
