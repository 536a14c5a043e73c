// WAV files. Reading: names, descriptions (damaged and foreign files refused
// with one message, record untouched; intact samples salvaged), the walk of
// annotation chunks (39-byte labels, its messages, marks read before a fault
// kept), the transport message. Writing, byte for byte: header fields, pad
// bytes, RIFF size with and without annotation chunks, replacement of the
// previous file. Written files read back: edit_test's save sequences.
#include "signal/wavfile.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "labels/phonetic_description.h"
#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/program.h"
#include "signal/transport_error.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "tests/annotation/marks.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav.h"

namespace ardv {
namespace {

using test::Bytes;
using test::chunk;
using test::fmtPayload;
using test::riffWave;

// Names taken as WAV with and without the Windows WAV files option.
TEST(WavName, FollowsExtensionAndOption) {
  const bool saved = program().options.WindowsWAVfiles;
  const std::tuple<const char*, bool, bool> rows[] = {
      {"x.wa$", true, true},   {"/d/X.WA$", true, true}, {"x.wav", true, false},    {"x.WaV", true, false},
      {"x.ard", true, false},  {"x.ARD", true, false},   {"x.raw", false, false},   {"x.wave", false, false},
      {"wav", false, false},   {"dir.wav/x", false, false}, {"", false, false}};
  for (const auto& [name, withOption, withoutOption] : rows) {
    program().options.WindowsWAVfiles = true;
    EXPECT_EQ(isWavName(name), withOption) << name;
    program().options.WindowsWAVfiles = false;
    EXPECT_EQ(isWavName(name), withoutOption) << name;
  }
  program().options.WindowsWAVfiles = saved;
}

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
    EXPECT_EQ(std::tuple(r.kind, r.caption), std::tuple(ReportKind::Message, "read_WAV_datas::SetFilename()"));
    EXPECT_NE(r.text.find("step " + std::to_string(bad.step) + "\r\n"), std::string::npos) << r.text;
    EXPECT_NE(r.text.find(bad.fragment), std::string::npos) << r.text;
    EXPECT_NE(r.text.find("file " + info.nom), std::string::npos);

    EXPECT_FALSE(init_infoFile_read_WAV(info));
    EXPECT_EQ(std::tuple(info.frequence, info.depl), std::tuple(123.0, 7));
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
    EXPECT_EQ(std::tuple(info.depl, info.longueur, info.etiqlongueur), std::tuple(row.depl, row.longueur, row.phonBytes));
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

// Its rate and length: InfoCommand's golden listing.
TEST_F(WavFile, BundledExampleHoldsTheSentenceWithInventoryLabels) {
  ScopedRecorder rec;
  test::WavContents wav;
  ASSERT_TRUE(test::readWav(test::sourceDataDir() / "examples" / "example.wav", wav));
  const auto& [info, samples, phon, word] = wav;
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

// Marks, each a position then its label and terminator unless the label is
// null, then `tail`.
Bytes marks(std::initializer_list<std::pair<std::uint32_t, const char*>> list, const Bytes& tail = {}) {
  Bytes b;
  for (auto [position, label] : list) {
    test::put32(b, position);
    if (label) b.insert(b.end(), label, label + std::char_traits<char>::length(label) + 1);
  }
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

// Payloads walked from byte 10 of a file: the marks left in a list that held
// one, and the one report if any (a fault unless a warning of a fit).
TEST(AnnotationChunk, WalkReadsMarksAndReportsOnce) {
  test::loadSignalTexts();
  test::TempDir dir;
  const std::string k39(39, 'a'), k40(40, 'b');
  struct Row {
    const char* what;
    Bytes payload;
    const char* message;  // nullptr: read without a report
    std::string marks;    // "position:label ..." left in the list
    std::int64_t tf = 0;  // signal length (0: unknown)
  };
  const Row rows[] = {
      {"four bytes: one mark, no segment", marks({{12, nullptr}}), nullptr, "12:"},
      {"39-byte label", marks({{0, k39.c_str()}, {7, nullptr}}), nullptr, "0:" + k39 + " 7:"},
      {"40-byte label", marks({{0, "a"}, {5, k40.c_str()}, {9, nullptr}}), "T5606 T5603", "0:a 5:"},
      {"unterminated label", marks({{0, nullptr}}, {'a', 'b'}), "T5606 T5603", "0:"},
      {"ends after a label", marks({{0, "a"}, {4, "b"}}), "T5606 T5604", "0:a 4:b"},
      {"bytes left over", marks({{0, "a"}}, {1, 2}), "T5606 T5605", "0:a"},
      {"out of order, repeated", marks({{50, "b"}, {10, "a"}, {50, "c"}, {90, nullptr}}), nullptr, "10:a 50:c 90:"},
      {"negative position", marks({{0xFFFFFFFF, "x"}, {3, nullptr}}), "1 label boundaries lay before 0", "0:x 3:"},
      {"segment ending at the end", marks({{0, "a"}, {9, nullptr}}), nullptr, "0:a 9:", 9},
      {"past the end", marks({{0, "a"}, {7, "b"}, {9, nullptr}}), "label boundaries lay outside the signal (0 to 5",
       "0:a 5:", 5}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Bytes file(10, 0xAA);
    file.insert(file.end(), r.payload.begin(), r.payload.end());
    test::writeBytes(dir / "c.bin", file);
    ScopedRecorder rec;
    notetiqs list;
    list.insertOrGet(12345);  // emptied first
    const bool ok = readnotetiqs((dir / "c.bin").string(), list, 10, static_cast<std::int64_t>(r.payload.size()), r.tf);
    const std::string message = r.message ? r.message : "";
    EXPECT_EQ(ok, message.empty() || message.find("label boundaries lay") != std::string::npos);
    ASSERT_EQ(rec->reports().size(), message.empty() ? 0u : 1u);
    EXPECT_TRUE(message.empty() || rec->saw(message)) << rec->reports()[0].text;
    std::string got;
    for (const notetiq& b : list.items()) got += (got.empty() ? "" : " ") + std::to_string(b.limite) + ":" + b.text;
    EXPECT_EQ(got, r.marks);
  }
}

TEST(AnnotationChunk, PayloadOutsideTheFileIsRefusedWithoutReading) {
  test::loadSignalTexts();
  test::TempDir dir;
  test::writeBytes(dir / "c.bin", Bytes(14, 0));
  const std::string name = (dir / "c.bin").string();
  ScopedRecorder rec;
  notetiqs list;
  EXPECT_FALSE(readnotetiqs(name, list, 10, 5));  // one byte past the end
  EXPECT_TRUE(rec->saw("T5606 T5602"));
  EXPECT_FALSE(readnotetiqs(name, list, 1000, 4));
  EXPECT_TRUE(rec->saw("readnotetiqs() : offset out of file"));
  EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
  EXPECT_FALSE(readnotetiqs(name, list, 0, 0xFFFFFFFFFFLL));
  EXPECT_EQ(rec->reports().size(), 3u);
  EXPECT_TRUE(readnotetiqs((dir / "absent").string(), list, 0, 0));  // length 0: nothing to read
  EXPECT_EQ(rec->reports().size(), 3u);
  EXPECT_TRUE(list.empty());
}

TEST(AnnotationChunk, BuilderCutsAfterTheLastPosition) {
  AnnotationChunkBuilder builder;
  builder.add(0, "a");
  builder.add(-1, "");
  EXPECT_TRUE(builder.lastEntryClosed());
  builder.cutAfterLastPosition();
  EXPECT_EQ(builder.bytes(), (Bytes{0, 0, 0, 0, 'a', 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  builder.add(5, "x");
  EXPECT_FALSE(builder.lastEntryClosed());
  // A payload for a signal of 10 samples closes a segment running past its end there.
  bool closed = false;
  const notetiqs list = test::listOf(test::Marks{{0, "a"}, {20, ""}});
  EXPECT_EQ(chunkPayload(list, 10, closed), (Bytes{0, 0, 0, 0, 'a', 0, 10, 0, 0, 0}));
  EXPECT_TRUE(closed);
}

using WavLayout = WavFile;

TEST_F(WavLayout, WholeFileIsByteExact) {
  // "phon" payload 11 bytes (odd: one pad byte), "word" payload 10 bytes.
  const Bytes expected =
      riffWave({chunk("fmt ", fmtPayload(1, 1, 16000, 16)), chunk("data", {1, 0, 0xFE, 0xFF, 0x34, 0x12}),
                chunk("phon", {0, 0, 0, 0, 'a', 'b', 0, 3, 0, 0, 0}), chunk("word", {0, 0, 0, 0, 'w', 0, 3, 0, 0, 0})});
  ASSERT_EQ(expected.size(), 88u);  // RIFF size 80
  ScopedRecorder rec;
  ASSERT_TRUE(writeWavFile(dir / "a.wav", {1, -2, 0x1234}, 16000.0, test::listOf(test::Marks{{0, "ab"}, {3, ""}}),
                           test::listOf(test::Marks{{0, "w"}, {3, ""}})));
  EXPECT_EQ(test::readBytes(dir / "a.wav"), expected);
  EXPECT_TRUE(rec->reports().empty());
  EXPECT_EQ(test::entries(dir.path()), std::set<std::string>{"a.wav"});  // no temporary file left
}

// Data, "phon" and "word" sizes, and the RIFF size.
TEST(WavRiffSize, CountsPadBytesAndChunkHeaders) {
  for (const auto& [d, p, w, riff] : {std::array<std::int64_t, 4>{0, 0, 0, 36}, {6, 0, 0, 42}, {5, 0, 0, 42},
                                      {6, 11, 0, 62}, {6, 0, 10, 60}, {7, 11, 10, 82}}) {
    EXPECT_EQ(wavRiffSize(d, p, w), riff) << d << " " << p << " " << w;
    std::array<std::uint8_t, kWavHeaderBytes> h{};
    ASSERT_TRUE(wavHeaderBytes(d, p, w, 16000.0, h));
    EXPECT_EQ(h[4] | h[5] << 8 | h[6] << 16, riff);
    EXPECT_EQ(h[40] | h[41] << 8 | h[42] << 16, d);  // the data size itself has no pad
  }
}

TEST_F(WavLayout, HeaderRatesAreTruncatedSeparatelyAndImpossibleHeadersRefused) {
  struct Row {
    std::int64_t d;
    double rate;
    bool ok;
    int rateField = 0, byteRate = 0;
  };
  for (const Row& r : {Row{0, 22050.7, true, 22050, 44101},  // 2 x 22050.7 = 44101.4
                       Row{0xFFFFFFFFLL - 37, 16000, true, 16000, 32000},  // riff = D + 1 + 36 fits exactly
                       Row{0, 0.5, false}, Row{-2, 16000, false}, Row{0xFFFFFFF0LL, 16000, false}}) {
    std::array<std::uint8_t, kWavHeaderBytes> h{};
    ASSERT_EQ(wavHeaderBytes(r.d, 0, 0, r.rate, h), r.ok) << r.d << " " << r.rate;
    if (r.ok) {
      EXPECT_EQ(std::pair(h[24] | h[25] << 8, h[28] | h[29] << 8 | h[30] << 16), std::pair(r.rateField, r.byteRate));
    }
  }
}

// Which chunks the lists give, the first one's payload size, and the reports:
// an empty list writes no chunk, a labelled last boundary is cut (a message),
// long labels are cut between characters (one warning).
TEST_F(WavLayout, ListsGiveTheirChunksWithLabelsCut) {
  std::string accents;
  for (int i = 0; i < 20; ++i) accents += "\xC3\xA9";  // 40 bytes of two-byte characters
  struct Row {
    const char* what;
    test::Marks phon, word;
    std::size_t samples, fileBytes;
    const char* firstChunk;
    int payload;
    std::size_t messages, warnings;
  };
  const Row rows[] = {
      {"bare word marks", {}, {{0, ""}, {2, ""}}, 2, 44 + 4 + 8 + 10, "word", 9, 0, 0},  // 4 + 1 + 4 and a pad
      {"labelled last boundary", {{0, "a"}, {1, "tail"}}, {}, 1, 44 + 2 + 8 + 10, "phon", 10, 1, 0},
      // 4 + 39 + 1, 4 + 38 + 1 (cut before the 20th character), 4
      {"long labels", {{0, std::string(45, 'x')}, {1, accents}, {2, ""}}, {}, 2, 44 + 4 + 8 + 92, "phon", 91, 0, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ScopedRecorder rec;
    const std::vector<std::int16_t> samples(r.samples, 0);
    ASSERT_TRUE(writeWavFile(dir / "b.wav", samples, 8000, test::listOf(r.phon), test::listOf(r.word)));
    const Bytes b = test::readBytes(dir / "b.wav");
    ASSERT_EQ(b.size(), r.fileBytes);
    const std::size_t at = 44 + 2 * r.samples;
    EXPECT_EQ(std::string(b.begin() + at, b.begin() + at + 4), r.firstChunk);
    EXPECT_EQ(b[at + 4] | b[at + 5] << 8, r.payload);
    EXPECT_EQ(std::tuple(rec->count(ReportKind::Message), rec->count(ReportKind::Warning)),
              std::tuple(r.messages, r.warnings));
    EXPECT_EQ(rec->saw("T1201"), r.messages > 0);
  }
}

TEST_F(WavLayout, FailedWriteKeepsThePreviousFile) {
  ScopedRecorder rec;
  std::filesystem::create_directory(dir / "target.wav");
  EXPECT_FALSE(writeWavFile(dir / "target.wav", {1}, 8000, notetiqs{}, notetiqs{}));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "target.wav"));
  EXPECT_FALSE(writeWavFile(dir / "missing" / "x.wav", {1}, 8000, notetiqs{}, notetiqs{}));
  EXPECT_EQ(rec->count(ReportKind::Message), 2u);
  EXPECT_TRUE(rec->saw("writeWavFile()"));

  test::writeFile(dir / "old.wav", "previous");
  EXPECT_FALSE(writeWavFile(dir / "old.wav", {1}, 0.0, notetiqs{}, notetiqs{}));  // rate refused
  EXPECT_EQ(test::readFile(dir / "old.wav"), "previous");
  EXPECT_TRUE(writeWavFile(dir / "old.wav", {1}, 8000, notetiqs{}, notetiqs{}));
  EXPECT_EQ(test::readBytes(dir / "old.wav").size(), 46u);
}

}  // namespace
}  // namespace ardv
