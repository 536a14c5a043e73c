// The buffer family (sizes, the spare element, kept prefixes, texts, an
// allocation that fails: reported once, buffer unchanged), the transports
// (bounds of lireSignal, narrow and swapped words, sources that end early, the
// scratch buffer left at one sample), and the current signal: the display
// context after opening, zooming, annotations from the chunks, profile files
// through the preset answers, opens that fail or are cancelled.
#include "signal/transports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/headless/preset_dialogs.h"
#include "platform/headless/recording_reporter.h"
#include "platform/report.h"
#include "signal/buffers.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/wav_layout.h"
#include "tests/annotation/marks.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

TEST(Buffers, ResizingKeepsThePrefixAndASpareElement) {
  SHORTbuf b(3, "b in test");
  EXPECT_EQ(b.size(), 3);
  for (int i = 0; i <= 3; ++i) b[i] = static_cast<std::int16_t>(i + 1);  // element 3 is the spare one
  ASSERT_TRUE(b.newsize(100000));
  EXPECT_EQ(std::tuple(b[2], b[3], b[100000]), std::tuple(3, 0, 0));  // new elements are zero
  ASSERT_TRUE(b.newsize(2));
  EXPECT_EQ(b[1], 2);
  ASSERT_TRUE(b.newsize(-5));
  EXPECT_EQ(b.size(), 0);
  EXPECT_EQ(b.data(), nullptr);
}

TEST(Buffers, FailedAllocationIsReportedOnceAndChangesNothing) {
  ScopedRecorder rec;
  INTbuf b(4, "big one");
  b[0] = 42;
  EXPECT_FALSE(b.newsize(std::int64_t{1} << 40));
  EXPECT_EQ(std::tuple(b.size(), b[0], rec->reports().size()), std::tuple(4, 42, 1u));
  EXPECT_TRUE(rec->saw("big one"));
}

TEST(Buffers, CharBufSetsAndAppendsText) {
  CHARbuf t(0, "log");
  t.appendText("ab");
  EXPECT_EQ(t.text(), "ab");
  ASSERT_TRUE(t.setText("hello"));
  EXPECT_EQ(t.size(), 6);
  ASSERT_TRUE(t.appendText(", world"));
  EXPECT_EQ(t.text(), "hello, world");
  EXPECT_EQ(t.size(), 13);
}

infoFile writeWords(const test::TempDir& dir, const char* name, const std::vector<std::int16_t>& words, int bits,
                    bool bigEndian) {
  test::writeBytes(dir / name, test::wordBytes(words, bigEndian));
  return test::rawFile(dir / name, bits, bigEndian ? 1 : 0, static_cast<std::int64_t>(words.size()) * 2);
}

class Transports : public ::testing::Test {
 protected:
  void SetUp() override { test::loadSignalTexts(); }
  test::TempDir dir;
};

// A stretch past the buffer or the file, or a missing file: one report, nothing read.
TEST_F(Transports, LireSignalReadsUpToTheEndOfTheBufferAndRefusesMore) {
  const infoFile info = writeWords(dir, "a.raw", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 16, false);
  SHORTbuf buf(10, "b");
  {
    ScopedRecorder rec;
    EXPECT_EQ(lireSignal(info, 2, buf, 0, 10), 10);
    EXPECT_EQ(std::pair(buf[0], buf[9]), (std::pair<std::int16_t, std::int16_t>(2, 11)));
    EXPECT_TRUE(rec->reports().empty());
  }
  struct Row {
    std::int64_t offset;
    std::int32_t at, n;
    const char* file;
    ReportKind kind;
    const char* said;  // in the text; the caption for a missing file
  };
  for (const Row& r : {Row{0, 1, 10, "a.raw", ReportKind::Bug, "try to read data out of the buffer"},
                       Row{100, 0, 1, "a.raw", ReportKind::Bug, "offset out of file"},
                       Row{18, 0, 4, "a.raw", ReportKind::Message, "ends before"},  // 2 samples left
                       Row{0, 0, 1, "none.raw", ReportKind::Message, "lireSignal()"}}) {
    SCOPED_TRACE(r.said);
    infoFile source = info;
    source.nom = (dir / r.file).string();
    std::fill(buf.data(), buf.data() + buf.size(), std::int16_t{-1});
    ScopedRecorder rec;
    EXPECT_EQ(lireSignal(source, r.offset, buf, r.at, r.n), 0);
    ASSERT_EQ(rec->count(r.kind), 1u);
    EXPECT_EQ(rec->reports().size(), 1u);
    EXPECT_TRUE(std::string(r.file) == "none.raw" ? rec->reports()[0].caption == r.said : rec->saw(r.said));
    EXPECT_EQ(std::count(buf.data(), buf.data() + buf.size(), -1), 10);
  }
}

// Words of `bits` significant bits in either byte order, read into a buffer
// at `index` (the samples before it must stay as they were) and written back.
TEST_F(Transports, CodingDecodesIntoTheBufferAtItsIndexAndEncodesBack) {
  for (const auto& [bits, bigEndian, index] : {std::tuple{12, true, 0}, {12, true, 3}, {16, true, 2}, {12, false, 1},
                                               {8, false, 4}, {16, false, 1}}) {
    SCOPED_TRACE(std::to_string(bits) + (bigEndian ? " BE at " : " LE at ") + std::to_string(index));
    const std::int16_t low = static_cast<std::int16_t>(-(1 << (bits - 1)));
    const std::int16_t high = static_cast<std::int16_t>((1 << (bits - 1)) - 1);
    const std::vector<std::int16_t> words = {low, high, 1, -1, 0};
    const infoFile info = writeWords(dir, "a.pcm", words, bits, bigEndian);
    SHORTbuf buf(index + 5, "b");
    for (std::int32_t i = 0; i < index; ++i) buf[i] = 0x1234;
    ASSERT_EQ(lireSignal(info, 0, buf, index, 5), 5);
    for (std::int32_t i = 0; i < index; ++i) EXPECT_EQ(buf[i], 0x1234) << i;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(buf[index + i], static_cast<std::int16_t>(words[i] * (1 << (16 - bits)))) << i;

    // And back: shifted right with sign extension, swapped.
    infoFile outInfo = info;
    outInfo.nom = (dir / "b.pcm").string();
    SignalStream out;
    ASSERT_TRUE(out.create(outInfo));
    EXPECT_EQ(copyBufToHFile(buf, index, out, 10), 10);
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(test::readBytes(dir / "b.pcm"), test::readBytes(dir / "a.pcm"));
    EXPECT_EQ(buf[index], static_cast<std::int16_t>(low * (1 << (16 - bits))));  // the buffer itself is not converted
    EXPECT_EQ(transportScratch().size(), 1);
  }
}

TEST_F(Transports, FileToFileStopsAtAnEarlyEndWithoutWriting) {
  const infoFile src = writeWords(dir, "a.raw", std::vector<std::int16_t>(50, 7), 16, false);
  infoFile dstInfo = src;
  dstInfo.nom = (dir / "b.raw").string();
  SignalStream in, out;
  ASSERT_TRUE(in.openRead(src));
  ASSERT_TRUE(out.create(dstInfo));
  ScopedRecorder rec;
  EXPECT_EQ(copyHFileToHFile(in, 0, out, 200), -1);
  EXPECT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].caption, "copyHFileToHFile()");
  EXPECT_TRUE(rec->saw("step 14"));
  EXPECT_EQ(out.size(), 0);
  EXPECT_EQ(copyHFileToHFile(in, 40, out, 60), 60);
  EXPECT_EQ(std::tuple(out.size(), transportScratch().size()), std::tuple(60, 1));
}

TEST_F(Transports, TracesAtDebugLevelTwo) {
  const infoFile info = writeWords(dir, "a.raw", {1, 2}, 16, false);
  SHORTbuf buf(2, "b");
  ScopedRecorder rec;
  setDebugLevel(2);
  lireSignal(info, 0, buf, 0, 2);
  setDebugLevel(0);
  EXPECT_TRUE(rec->tracedFragment("copyHFileToBuf()"));
  EXPECT_TRUE(rec->tracedFragment("... srcinfo: " + info.nom + ", offset=0"));
}

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
    std::vector<std::int16_t> x(static_cast<std::size_t>(samples));
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = static_cast<std::int16_t>(i);
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(writeWavFile(path, x, frequence, test::listOf({{0, "a"}, {5, "i"}, {samples - 1, ""}}), notetiqs()));
    return path;
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
  EXPECT_TRUE(program().note.empty() && program().etiqSaveable && program().fileLoaded);
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
    EXPECT_EQ(std::tuple(program().ct.f_a, program().ct.modeMemoire), std::tuple(before.f_a, 1));
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
