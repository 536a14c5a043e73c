// Editing the current signal: random sequences of cut, delete, copy, paste,
// attenuation and cancel, on WAV and profile signals, saved and reopened,
// against a plain model of the samples and the two lists; gains worked out by
// hand; pastes too large for memory; saving and its backup.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <tuple>

#include "annotation/label_files.h"
#include "editing/edit_amplitude.h"
#include "editing/edit_clipboard.h"
#include "editing/edit_replace.h"
#include "editing/edit_save.h"
#include "labels/phonetic_description.h"
#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile_io.h"
#include "tests/annotation/marks.h"
#include "tests/signal/edit_test_support.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/wav.h"

namespace ardv {
namespace {

TEST(EditGains, FadesAndAttenuationRamps) {
  const double in[] = {0.0, 0.1464466, 0.5, 0.8535534};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(fadeInGain(k, 4), in[k], 1e-6);
    EXPECT_NEAR(fadeOutGain(k, 4), k == 0 ? 1.0 : in[4 - k], 1e-6);
  }
  // 30 samples at 1000 Hz: ramps of min(20, 10) = 10 samples at each end.
  const std::vector<double> g = attenuationGains(30, 0.2, 1000);
  EXPECT_EQ(std::tuple(g[0], g[29]), std::tuple(1.0, 1.0));
  EXPECT_NEAR(g[5], 1.0 - 0.8 * 0.5, 1e-12);
  for (int k = 10; k < 20; ++k) EXPECT_DOUBLE_EQ(g[static_cast<std::size_t>(k)], 0.2);
}

class Editing : public test::EditingTest {
 protected:
  // Opens s.wav: `n` samples of noise with some boundaries.
  void open(std::int32_t n, double frequence, std::uint32_t seed) {
    samples_ = test::noise(static_cast<std::size_t>(n), seed, -20000, 20000);
    std::mt19937 rng(seed);
    notetiqs phon;
    for (std::int32_t p = 10, i = 0; p < n - 1; p += std::uniform_int_distribution<int>(5, 300)(rng), ++i)
      phon.SetText(phon.insertOrGet(p), i % 3 ? "p" + std::to_string(i) : "");
    phon.insertOrGet(n - 1);
    path_ = (dir_ / "s.wav").string();
    openWav("s.wav", samples_, frequence, phon, test::listOf(test::Marks{{0, "w"}, {n / 2, ""}}));
  }
  // A profile signal `stem`.raw with NIST label files `stem`.phn and `stem`.wrd.
  infoFile profileSignal(const std::string& stem, const char* profile, double frequence) {
    infoFile info;
    info.nom = (dir_ / (stem + ".raw")).string();
    info.formatIndex = profileTable().indexOf(profile);
    EXPECT_GE(info.formatIndex, 0);
    info.frequence = frequence;
    info.labelKind = kLabelNist;
    info.annotationKind = kAnnotNist;
    info.nom_man = (dir_ / (stem + ".phn")).string();
    info.nomAnnot = (dir_ / (stem + ".wrd")).string();
    return info;
  }
  // Another WAV file in the directory, described for pasting or replacing.
  infoFile source(const char* name, std::size_t n, std::int16_t value, double frequence,
                  const notetiqs& marks = notetiqs()) {
    infoFile info;
    info.nom = (dir_.path() / name).string();
    EXPECT_TRUE(writeWavFile(info.nom, std::vector<std::int16_t>(n, value), frequence, marks, notetiqs()));
    EXPECT_TRUE(init_infoFile_read(info));
    return info;
  }
  std::vector<std::int16_t> samples_;
  std::string path_;
};

// A plain model of the edited signal: its samples and both lists of marks.
struct Model {
  std::vector<std::int16_t> samples;
  test::MarkMap phon, word;
};

// Samples a..b with the marks their cut takes.
Model stretchOf(const Model& m, std::int32_t a, std::int32_t b) {
  return {std::vector<std::int16_t>(m.samples.begin() + a, m.samples.begin() + b + 1),
          test::referenceExtract(m.phon, a, b + 1), test::referenceExtract(m.word, a, b + 1)};
}
void cutModel(Model& m, std::int32_t a, std::int32_t b) {
  m.samples.erase(m.samples.begin() + a, m.samples.begin() + b + 1);
  m.phon = test::referenceCut(m.phon, a, b + 1);
  m.word = test::referenceCut(m.word, a, b + 1);
}
void pasteModel(Model& m, std::int32_t p, const Model& s) {
  const auto n = static_cast<std::int32_t>(s.samples.size());
  m.samples.insert(m.samples.begin() + p, s.samples.begin(), s.samples.end());
  m.phon = test::referencePaste(m.phon, p, n, s.phon);
  m.word = test::referencePaste(m.word, p, n, s.word);
}
// The marks a save keeps whatever the file kind: the segments that end before
// the last sample, the label of the last of their boundaries left out.
test::MarkMap savedPart(const test::MarkMap& marks, std::int32_t tf) {
  test::MarkMap out(marks.begin(), marks.lower_bound(tf - 1));
  if (out.size() < 2) return {};
  out.rbegin()->second.clear();
  return out;
}

class EditSequences : public Editing, public ::testing::WithParamInterface<bool> {};

// Random interleavings of Cut, Delete, Copy, Paste, attenuation and Cancel
// (at any later point), on a WAV signal and on a profile signal with NIST
// label files: after every step the signal equals the model; every 25 steps
// it is saved and opened again.
TEST_P(EditSequences, FollowAPlainModelThroughSavesAndReopens) {
  const bool profile = GetParam();
  test::loadShippedProfiles();
  ASSERT_TRUE(loadLanguageDescription(test::sourceDataDir() / "format", "english.lng"));
  setLabelFileReaders({readLabels, readAnnotations});
  std::mt19937 rng(profile ? 11 : 42);
  const char* phonemes[] = {"i", "E", "A", "O", "u", ""};
  Model m;
  for (int i = 0; i < 3000; ++i) m.samples.push_back(static_cast<std::int16_t>(rng() % 40001 - 20000));
  for (std::int32_t p = 10, i = 0; p < 2990; p += 5 + static_cast<std::int32_t>(rng() % 300), ++i) {
    m.phon[p] = phonemes[i % 6];
    if (i % 4 == 0) m.word[p] = i % 8 ? "w" + std::to_string(i) : "";
  }
  m.phon.rbegin()->second.clear();
  m.word.rbegin()->second.clear();
  infoFile& info = program().en_cours;
  info = infoFile{};
  if (profile) {
    info = profileSignal("s", "pcm16le-16k", 16000);
    test::writeBytes(info.nom, test::wordBytes(m.samples, false));
    ASSERT_TRUE(writeLabels(test::listOf(m.phon), info, 3000) && writeAnnotations(test::listOf(m.word), info, 3000));
  } else {
    info.nom = (dir_.path() / "s.wav").string();
    ASSERT_TRUE(writeWavFile(info.nom, m.samples, 8000, test::listOf(m.phon), test::listOf(m.word)));
  }
  ScopedRecorder rec;
  const auto reopen = [&] {
    ASSERT_TRUE(openCurrent());
    editStateAfterLoad();
  };
  reopen();
  m.phon = test::markMapOf(program().etiq);
  m.word = test::markMapOf(program().note);
  enum { kNone, kUndoCut, kUndoPaste, kUndoAmplitude } last = kNone;
  Model clip, undo;
  std::int32_t undoAt = 0, pasted = 0;
  for (int step = 1; step <= 300; ++step) {
    const auto size = static_cast<std::int32_t>(m.samples.size());
    const std::int32_t a = static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(size));
    const std::int32_t b = std::min(size - 1, a + static_cast<std::int32_t>(rng() % 200));
    selectRange(a, b);
    const int op = static_cast<int>(rng() % 6);
    if (op <= 1 && size < 1000) continue;  // keep the signal long enough
    switch (op) {
      case 0:  // Cut, Delete
      case 1:
        undo = stretchOf(m, a, b);
        if (op == 0) clip = undo;
        ASSERT_TRUE(op == 0 ? editCut() : editDelete());
        cutModel(m, a, b);
        last = kUndoCut, undoAt = a;
        break;
      case 2:
        ASSERT_TRUE(editCopy());
        clip = stretchOf(m, a, b);
        break;
      case 3:
        if (clip.samples.empty() || m.samples.size() + clip.samples.size() > 20000) continue;
        ASSERT_TRUE(editPaste());
        pasteModel(m, a, clip);
        last = kUndoPaste, undoAt = a, pasted = static_cast<std::int32_t>(clip.samples.size());
        break;
      case 4: {
        undo = stretchOf(m, a, b);
        ASSERT_TRUE(dampMiddle(0.3));
        const std::vector<double> g = attenuationGains(b - a + 1, 0.3, info.frequence);
        for (std::int32_t k = a; k <= b; ++k) {
          auto& x = m.samples[static_cast<std::size_t>(k)];
          x = static_cast<std::int16_t>(std::trunc(x * g[static_cast<std::size_t>(k - a)]));
        }
        last = kUndoAmplitude, undoAt = a;
        break;
      }
      default:
        ASSERT_EQ(editCancel(), last != kNone) << "step " << step;
        if (last == kUndoCut) pasteModel(m, undoAt, undo);
        if (last == kUndoPaste) cutModel(m, undoAt, undoAt + pasted - 1);
        if (last == kUndoAmplitude) std::copy(undo.samples.begin(), undo.samples.end(), m.samples.begin() + undoAt);
        last = kNone;
    }
    ASSERT_EQ(memory(), m.samples) << "step " << step << " op " << op;
    ASSERT_EQ(test::markMapOf(program().etiq), m.phon) << "step " << step << " op " << op;
    ASSERT_EQ(test::markMapOf(program().note), m.word) << "step " << step << " op " << op;
    if (step % 25 == 0) {
      ASSERT_TRUE(editSave()) << "step " << step;
      reopen();
      ASSERT_EQ(memory(), m.samples) << "reopened at step " << step;
      const std::int32_t tf = program().ct.tf;
      EXPECT_EQ(savedPart(test::markMapOf(program().etiq), tf), savedPart(m.phon, tf)) << "step " << step;
      EXPECT_EQ(savedPart(test::markMapOf(program().note), tf), savedPart(m.word, tf)) << "step " << step;
      m.phon = test::markMapOf(program().etiq);
      m.word = test::markMapOf(program().note);
      last = kNone;
    }
  }
  EXPECT_EQ(rec->count(ReportKind::Bug), 0u);
  EXPECT_EQ(rec->count(ReportKind::Warning), 0u);
  setLabelFileReaders({});
}

INSTANTIATE_TEST_SUITE_P(WavAndProfile, EditSequences, ::testing::Bool());

TEST_F(Editing, PastesTooLargeForMemoryGoThroughTheFileAndItsBackup) {
  open(40000, 4000, 5);  // 10 s; memory holds 6 s = 24000, the limit is 12 s = 48000
  ScopedRecorder rec;
  selectRange(100, 20099);
  ASSERT_TRUE(editCopy());
  selectRange(50, 50);
  ASSERT_TRUE(editPaste());  // 44000 samples in memory
  EXPECT_EQ(presetDialogs().saveQuestions + presetDialogs().updateQuestions, 0);
  presetDialogs().saveAnswer = SaveAnswer::Save;
  selectRange(50, 50);
  ASSERT_TRUE(editPaste());  // too large: saved first, then into the file
  EXPECT_EQ(std::tuple(presetDialogs().saveQuestions, presetDialogs().updateQuestions), std::tuple(1, 0));
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "s.bak"));
  std::vector<std::int16_t> expected = samples_;
  for (int twice = 0; twice < 2; ++twice)
    expected.insert(expected.begin() + 50, samples_.begin() + 100, samples_.begin() + 20100);
  ASSERT_EQ(program().ct.tf, 80000);
  test::WavContents file;
  ASSERT_TRUE(test::readWav(path_, file));
  EXPECT_EQ(file.samples, expected);
  EXPECT_FALSE(editContext().samplesModified);

  // Nothing modified: only the file-update question. Cancel changes nothing.
  const infoFile other = source("other.wav", 30000, 7, 4000);
  presetDialogs().updateAnswer = false;
  selectRange(50, 50);
  EXPECT_FALSE(editPasteFromFile(other));
  EXPECT_EQ(program().ct.tf, 80000);
  presetDialogs().updateAnswer = true;
  EXPECT_TRUE(editPasteFromFile(other));
  EXPECT_EQ(std::tuple(presetDialogs().updateQuestions, program().ct.tf, program().memory[50]), std::tuple(2, 110000, 7));
  EXPECT_EQ(rec->count(ReportKind::Bug), 0u);
}

TEST_F(Editing, SaveOntoItselfKeepsABackupAndAFailedSaveKeepsTheFile) {
  open(1000, 8000, 7);
  // Through a symbolic link to a private file: the link and the mode stay.
  namespace fs = std::filesystem;
  fs::rename(path_, dir_.path() / "real.wav");
  fs::create_symlink("real.wav", path_);
  fs::permissions(dir_.path() / "real.wav", fs::perms::owner_read | fs::perms::owner_write);
  ScopedRecorder rec;
  selectRange(10, 19);
  ASSERT_TRUE(editDelete());
  // A word segment that ends exactly at the end of the signal keeps its closing mark.
  program().note.SetText(program().note.count() - 1, "end");
  program().note.insertOrGet(990);
  ASSERT_TRUE(editSave());
  // 10 samples fewer; the word chunk gains "end" and its closing mark (8 bytes).
  EXPECT_EQ(test::readBytes(dir_.path() / "real.bak").size(), fs::file_size(dir_.path() / "s.wav") + 20 - 8);
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(program().ct.tf, 990);
  test::WavContents back;
  ASSERT_TRUE(test::readWav(path_, back));
  const notetiqs& words = back.word;
  EXPECT_EQ(std::tuple(words.position(words.count() - 1), words.Text(words.count() - 2)), std::tuple(990, "end"));
  EXPECT_FALSE(editContext().samplesModified);

  selectRange(0, 99);
  ASSERT_TRUE(editDelete());
  const auto saved = test::readBytes(path_);
  {
    const test::FileSizeLimit noRoom(0);
    EXPECT_FALSE(editSave());
  }
  EXPECT_EQ(test::readBytes(path_), saved);
  EXPECT_TRUE(rec->saw("is as it was before"));
  EXPECT_TRUE(editContext().samplesModified);
}

TEST_F(Editing, ReplacementOverwritesWithoutMovingLaterBoundaries) {
  open(1000, 8000, 4);
  editContext().replaceSource = source("synth.wav", 50, 9, 8000, test::listOf(test::Marks{{0, "s"}, {20, ""}}));
  const notetiqs before = program().etiq;
  ASSERT_EQ(replaceAt(980, false), 50);  // runs 30 samples past the end
  std::vector<std::int16_t> expected(samples_.begin(), samples_.begin() + 980);
  expected.resize(1030, 9);
  EXPECT_EQ(memory(), expected);
  for (const notetiq& b : before.items()) {  // nothing moved
    const int i = program().etiq.findLE(b.limite);
    ASSERT_GE(i, 0);
    EXPECT_EQ(program().etiq.position(i), b.limite);
  }
  EXPECT_EQ(program().etiq.Text(program().etiq.findLE(980)), "s");
  EXPECT_EQ(editContext().lastEdit, kEditReplace);
}

TEST(CopyNames, TrailingNumberGrows) {
  for (const auto& [name, next] : {std::pair{"dir/cut9.wav", "dir/cut10.wav"}, {"a.wav", "a1.wav"}, {"x041", "x042"}})
    EXPECT_EQ(nextCopyName(name), next);
}

TEST_F(Editing, OpeningAnotherFileResetsTheEditState) {
  open(600, 8000, 2);
  selectRange(0, 9);
  ASSERT_TRUE(editDelete());
  // Another file opened without the edit state being told.
  const std::string other = (dir_.path() / "b.wav").string();
  ASSERT_TRUE(writeWavFile(other, std::vector<std::int16_t>(300, 1), 8000, notetiqs(), notetiqs()));
  program().en_cours.nom = other;
  ASSERT_TRUE(openCurrent());
  EXPECT_EQ(askSaveModifications(), SaveOutcome::NothingToSave);
  EXPECT_EQ(editContext().lastFileSampleInMemory, 299);
  EXPECT_EQ(editContext().lastEdit, kEditNone);
}

TEST_F(Editing, SaveAsAProfileFileWritesItsLabelFiles) {
  test::loadShippedProfiles();
  open(800, 16000, 8);
  selectRange(100, 199);
  ASSERT_TRUE(editDelete());
  const infoFile destination = profileSignal("copy", "pcm16le-16k", 16000);
  const notetiqs phon = program().etiq, word = program().note;
  ASSERT_TRUE(editSaveAs(destination));
  EXPECT_EQ(std::tuple(program().en_cours.nom, std::filesystem::file_size(destination.nom)),
            std::tuple(destination.nom, 2u * 700u));
  notetiqs phonBack, wordBack;
  EXPECT_TRUE(readAnnotations(wordBack, destination));
  EXPECT_EQ(test::marksOf(wordBack), test::marksOf(word));
  ASSERT_TRUE(readLabels(phonBack, destination));  // labels outside the (empty) inventory are dropped
  for (int i = 0; i < phon.count() - 1; ++i) EXPECT_EQ(phonBack.position(i), phon.position(i));
  EXPECT_FALSE(editSaveAs(destination));  // the current file itself
  EXPECT_FALSE(editSetFrequency(8000));    // the profile sets the rate
  EXPECT_EQ(program().en_cours.frequence, 16000);
}

// The labels of a profile signal live in label files: an insertion made in
// the signal file itself leaves them to be saved (the question comes and Save
// writes them shifted); a label file that cannot be written is reported and
// stays to be saved.
TEST_F(Editing, ProfileLabelsStayModifiedUntilTheirFileIsWritten) {
  test::loadShippedProfiles();
  setLabelFileReaders({readLabels, readAnnotations});
  ScopedRecorder rec;
  infoFile& info = program().en_cours;
  info = infoFile{};
  info.nom = (dir_.path() / "long.raw").string();
  test::writeBytes(info.nom, std::vector<std::uint8_t>(80000, 0));  // 5 s at 8 kHz
  info.formatIndex = profileTable().indexOf("pcm16le-8k");
  info.annotationKind = kAnnotNist;
  info.nomAnnot = (dir_.path() / "long.wrd").string();
  ASSERT_TRUE(writeAnnotations(test::listOf(test::Marks{{100, "hello"}, {30000, ""}}), info, 40000));
  ASSERT_TRUE(openCurrent());
  editStateAfterLoad();
  selectRange(50, 50);
  ASSERT_TRUE(editPasteFromFile(source("big.wav", 60000, 3, 8000)));  // too large for memory
  EXPECT_EQ(program().ct.tf, 100000);
  EXPECT_TRUE(program().annotationsModified);
  presetDialogs().saveAnswer = SaveAnswer::Save;
  EXPECT_EQ(askSaveModifications(), SaveOutcome::Saved);
  notetiqs back;
  ASSERT_TRUE(readAnnotations(back, program().en_cours));
  EXPECT_EQ(test::marksOf(back), (test::Marks{{60100, "hello"}, {90000, ""}}));

  info.nomAnnot = (dir_.path() / "missing" / "x.wrd").string();
  program().note.SetText(0, "bye");
  program().annotationsModified = true;
  EXPECT_FALSE(editSave());
  EXPECT_TRUE(program().annotationsModified);
  EXPECT_TRUE(rec->saw("x.wrd"));
  setLabelFileReaders({});
}

TEST_F(Editing, FrequencyRewritesTheRateOnlyAndAsksAboutEdits) {
  open(3000, 8000, 5);
  ScopedRecorder rec;
  const notetiqs phon = program().etiq;
  const auto before = test::readBytes(path_);
  for (double bad : {999.0, 192001.0, std::nan("")}) EXPECT_FALSE(editSetFrequency(bad));
  EXPECT_TRUE(rec->saw("between 1000 and 192000"));
  // A pending edit and Cancel in the Modifications question: nothing happens.
  selectRange(10, 19);
  ASSERT_TRUE(editDelete());
  presetDialogs().saveAnswer = SaveAnswer::Cancel;
  EXPECT_FALSE(editSetFrequency(16000));
  EXPECT_EQ(test::readBytes(path_), before);
  EXPECT_EQ(program().en_cours.frequence, 8000);
  // Don't save: the edit is dropped and the file gets the new rate (read back
  // from its header), with the same samples and marks.
  presetDialogs().saveAnswer = SaveAnswer::DontSave;
  ASSERT_TRUE(editSetFrequency(16000.4));
  EXPECT_EQ(program().en_cours.frequence, 16000);
  EXPECT_EQ(memory(), samples_);
  EXPECT_EQ(test::marksOf(program().etiq), test::marksOf(phon));
  EXPECT_EQ(test::readBytes(dir_.path() / "s.bak"), before);
  EXPECT_FALSE(editContext().samplesModified);
}

TEST_F(Editing, RefusedEditsChangeNothing) {
  open(600, 8000, 1);
  ScopedRecorder rec;
  std::filesystem::remove(clipboardPath());
  const infoFile otherRate = source("c.wav", 300, 1, 16000);
  struct Row {
    std::function<bool()> edit;
    std::int32_t a, b;
    const char* said;
  };
  for (const Row& row : {Row{editCut, 550, 700, "T1005"},  // selection past memory
                         Row{dampLeft, 550, 700, "T1010"},
                         Row{editPaste, 50, 50, "T1007"},  // nothing cut or copied yet
                         Row{[&] { return editPasteFromFile(otherRate); }, 50, 50, "T1018"}}) {  // another rate
    selectRange(row.a, row.b);
    rec->clear();
    EXPECT_FALSE(row.edit()) << row.said;
    EXPECT_TRUE(rec->saw(row.said)) << row.said;
  }
  EXPECT_EQ(memory(), samples_);
  EXPECT_FALSE(editContext().samplesModified);
}

}  // namespace
}  // namespace ardv
