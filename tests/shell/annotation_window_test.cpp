// The annotation panes edited with the mouse, the phonetic annotator fed from
// the keyboard and the editing tools window, on the offscreen platform.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "annotation/textgrid.h"
#include "labels/phonetic_description.h"
#include "shell/annotation/phonetic_annotator_window.h"
#include "shell/logic/command_table.h"
#include "shell/main_window/editing_tools_window.h"
#include "shell/panes/tier_pane.h"
#include "signal/time_conversion.h"
#include "signal/wav_layout.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {

class AnnotationWindowTest : public QObject, test_support::WindowFixture {
  Q_OBJECT

 private:
  std::vector<std::int16_t> samples_;

  QPoint at(const AnnotationPane* pane, std::int32_t sample) const {
    return {pane->columnOf(sample) + 1, pane->height() / 2};
  }
  // The sample a click at `sample` lands on.
  std::int32_t under(std::int32_t sample) const {
    return window_->phonemePane()->sampleAt(at(window_->phonemePane(), sample).x());
  }
  using Bounds = std::vector<std::int32_t>;
  static Bounds bounds() {
    Bounds b;
    for (const notetiq& item : program().etiq.items()) b.push_back(item.limite);
    return b;
  }

 private slots:
  void initTestCase() { makeDirectory(); }

  // 2.5 s at 16 kHz; phonemes at 0, 8000, 16000, 24000, end; one word.
  void init() {
    QVERIFY(loadLanguageDescription(test::sourceDataDir() / "format", "english.lng"));
    samples_.resize(40000);
    for (std::size_t i = 0; i < samples_.size(); ++i) samples_[i] = static_cast<std::int16_t>((i * 37) % 20000 - 10000);
    notetiqs phon, word;
    for (std::int32_t p : {0, 8000, 16000, 24000, 39999}) phon.insertOrGet(p);
    word.SetText(word.insertOrGet(0), "hello");
    word.insertOrGet(39999);
    const auto path = *dir_ / "labels.wav";
    QVERIFY(writeWavFile(path, samples_, 16000, phon, word));
    QVERIFY(showWindow());
    QVERIFY(window_->openPath(path.string()));
    editStateAfterLoad();
  }

  void cleanup() {
    closeWindow();
    phoneticDescription().clear();
  }

  // A plain click changes nothing; a list that may not be saved is not edited.
  void clicksThatEditNothing() {
    AnnotationPane* pane = window_->phonemePane();
    QTest::mouseClick(pane, Qt::LeftButton, {}, at(pane, 4000));
    QVERIFY(bounds() == Bounds({0, 8000, 16000, 24000, 39999}) && !program().annotationsModified);
    program().etiqSaveable = false;
    QTest::mouseClick(pane, Qt::LeftButton, Qt::ControlModifier, at(pane, 4000));
    QVERIFY(bounds() == Bounds({0, 8000, 16000, 24000, 39999}) && !program().annotationsModified);
    QVERIFY((*recorder_)->saw(text(3803)));
  }

  // The popup: "Diphthongs" > "aI" chosen with the keyboard, as a user would.
  void doubleClickPicksAPhonemeFromTheInventoryMenu() {
    AnnotationPane* pane = window_->phonemePane();
    auto activate = [](const QString& prefix) {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu);
      for (QAction* a : menu->actions())
        if (a->text().startsWith(prefix)) menu->setActiveAction(a);
      QVERIFY(menu->activeAction() && menu->activeAction()->text().startsWith(prefix));
      QTest::keyClick(menu, menu->activeAction()->menu() ? Qt::Key_Right : Qt::Key_Return);
    };
    QTimer::singleShot(0, [&] {
      activate("Diphthongs");
      QTimer::singleShot(0, [&] { activate("aI "); });
    });
    QTest::mouseDClick(pane, Qt::LeftButton, {}, at(pane, 12000));
    QCOMPARE(program().etiq.Text(1), std::string("aI"));
    QVERIFY(program().annotationsModified);
  }

  void annotatorLabelsSegmentsFromTypedInputAndFollowsThem() {
    // Show 0..4000 only: the second segment lies beyond the view.
    program().ct.d_sel = 0;
    program().ct.f_sel = 4000;
    QVERIFY(window_->runCommand(204));
    const std::int32_t width = program().ct.f_a - program().ct.d_a;
    window_->openAnnotator(100);
    PhoneticAnnotatorWindow* annotator = window_->annotator();
    QVERIFY(annotator);
    QCOMPARE(annotator->current(), 0);
    // "a" is the start of "aI" and "aU": nothing until "I". "t" may begin
    // "tS": the "k" after it settles "t", then "k" alone is applied.
    QTest::keyClicks(annotator->input(), "a");
    QCOMPARE(program().etiq.Text(0), std::string());
    QTest::keyClicks(annotator->input(), "Itk");
    const notetiqs& list = program().etiq;
    QVERIFY((std::vector{list.Text(0), list.Text(1), list.Text(2)}) == (std::vector<std::string>{"aI", "t", "k"}));
    QCOMPARE(annotator->input()->text(), QString());
    QCOMPARE(annotator->lastAnnotation()->text(), QString("k"));
    QCOMPARE(annotator->current(), 3);
    QCOMPARE(window_->phonemePane()->highlight(), 3);
    // The display followed: 1000 samples before the current segment, same width.
    QCOMPARE(std::make_pair(program().ct.d_a, program().ct.f_a - program().ct.d_a), std::make_pair(23000, width));
    // Empty field: Left goes back, Backspace clears the label and goes back.
    QTest::keyClick(annotator->input(), Qt::Key_Left);
    QCOMPARE(annotator->current(), 2);
    QTest::keyClick(annotator->input(), Qt::Key_Backspace);
    QCOMPARE(list.Text(2), std::string());
    QCOMPARE(annotator->current(), 1);
    // A button labels the current segment.
    annotator->phonemeButton("p")->click();
    QCOMPARE(list.Text(1), std::string("p"));
    QVERIFY(annotator->playBox()->isEnabled());
  }

  // On the last segment, the annotator stays on a segment of the list after
  // an edit of the samples or a new file.
  void annotatorFollowsEditsAndOpen() {
    const auto other = *dir_ / "one.wav";
    notetiqs phon, word;
    for (std::int32_t p : {0, 39999}) phon.insertOrGet(p);
    QVERIFY(writeWavFile(other, samples_, 16000, phon, word));
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"cut", [&] { QVERIFY(window_->runCommand(22)); }},
        {"delete", [&] { QVERIFY(window_->runCommand(25)); }},
        {"open", [&] { QVERIFY(window_->openPath(other.string())); }},
    };
    for (const auto& [name, edit] : edits) {
      QVERIFY(window_->openPath((*dir_ / "labels.wav").string()));
      window_->openAnnotator(30000);
      window_->selectSamples(10000, 30000);
      edit();
      const int at = window_->annotator()->current();
      QVERIFY2(at < program().etiq.segmentCount() && window_->phonemePane()->highlight() == at, name);
    }
  }

  // Each annotation edit, then Cancel, Redo, Cancel: the lists before, after,
  // before. A word's text is trimmed. A new edit drops what was undone.
  void everyAnnotationEditUndoesAndRedoes() {
    AnnotationPane* phonemes = window_->phonemePane();
    AnnotationPane* words = window_->wordPane();
    const auto lists = [] {
      std::vector<std::pair<std::int32_t, std::string>> all;
      for (const notetiqs* list : {&program().etiq, &program().note})
        for (const notetiq& b : list->items()) all.emplace_back(b.limite, b.text);
      all.emplace_back(-1, "");  // between the two lists
      return all;
    };
    // Each edit and the phoneme boundaries after it (empty: not checked). Ctrl+click splits,
    // Shift+drag moves the nearest boundary with the pointer, Ctrl+Shift+click removes.
    const std::tuple<const char*, std::function<void()>, Bounds> edits[] = {
        {"split", [&] { QTest::mouseClick(phonemes, Qt::LeftButton, Qt::ControlModifier, at(phonemes, 4000)); },
         {0, under(4000), 8000, 16000, 24000, 39999}},
        {"move",
         [&] {
           QTest::mousePress(phonemes, Qt::LeftButton, Qt::ShiftModifier, at(phonemes, 8000));
           const QPointF to(at(phonemes, 10000));
           QMouseEvent move(QEvent::MouseMove, to, phonemes->mapToGlobal(to), {}, Qt::LeftButton, Qt::ShiftModifier);
           QApplication::sendEvent(phonemes, &move);
           QCOMPARE(program().etiq.position(2), under(10000));
           QTest::mouseRelease(phonemes, Qt::LeftButton, Qt::ShiftModifier, at(phonemes, 11000));
         },
         {0, under(4000), under(11000), 16000, 24000, 39999}},
        {"remove",
         [&] { QTest::mouseClick(phonemes, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, at(phonemes, 16000)); },
         {0, under(4000), under(11000), 24000, 39999}},
        {"word text",
         [&] { test_support::typeIntoModal("world  "), QTest::mouseDClick(words, Qt::LeftButton, {}, at(words, 20000)); },
         {}},
        {"annotator, Return after a prefix",
         [&] {
           window_->openAnnotator(6000);
           QTest::keyClicks(window_->annotator()->input(), "O");
           QTest::keyClick(window_->annotator()->input(), Qt::Key_Return);
         },
         {}},
        {"merge",
         [&] {
           test_support::answerModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
           const int x = phonemes->columnOf(program().etiq.position(2));  // between "O" and "t"
           QTest::mouseDClick(phonemes, Qt::LeftButton, {}, QPoint(x, phonemes->height() / 2));
         },
         {}},
    };
    program().etiq.SetText(0, "p");
    program().etiq.SetText(1, "t");
    window_->contentEdited();
    for (const auto& [name, edit, boundsAfter] : edits) {
      const auto before = lists();
      edit();
      const auto after = lists();
      QVERIFY2(after != before && (boundsAfter.empty() || bounds() == boundsAfter), name);
      for (int id : {21, int(kCmdRedo), 21}) QVERIFY2(window_->runCommand(id), name);
      QVERIFY2(lists() == before, name);
      QVERIFY2(program().annotationsModified, name);
      QVERIFY2(window_->runCommand(kCmdRedo) && lists() == after, name);
    }
    QVERIFY(program().etiq.count() == 4 && program().etiq.Text(1) == "O");  // merged with "t"
    QCOMPARE(program().note.Text(0), std::string("world"));
    QVERIFY(window_->runCommand(21));
    QTest::mouseClick(phonemes, Qt::LeftButton, Qt::ControlModifier, at(phonemes, 30000));
    const auto latest = lists();
    QVERIFY(window_->runCommand(kCmdRedo));
    QVERIFY((*recorder_)->saw("Nothing to redo."));
    QCOMPARE(lists(), latest);

    // A cut in between: Cancel puts the samples back, then the label edit.
    const auto unlabelled = lists();
    QTest::mouseClick(phonemes, Qt::LeftButton, Qt::ControlModifier, at(phonemes, 2000));
    const auto split = lists();
    program().ct.d_sel = 1000;
    program().ct.f_sel = 1500;
    window_->updateCommandStates();
    QVERIFY(window_->runCommand(22));
    QVERIFY(window_->runCommand(21));
    QVERIFY(memory() == samples_);
    QCOMPARE(lists(), split);
    QVERIFY(window_->runCommand(21));
    QCOMPARE(lists(), unlabelled);
  }

  // TextGrid beside the design's kinds: proposed by the extension, a
  // mismatch asked about, the other tiers shown read-only and kept.
  void textGridsThroughTheAnnotationMenus() {
    const auto grid = *dir_ / "other.TextGrid";
    test::writeFile(grid, "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n0\n2.5\n<exists>\n3\n"
                          "\"IntervalTier\"\n\"phonemes\"\n0\n2.5\n2\n0\n1\n\"a\"\n1\n2.5\n\"\"\n"
                          "\"TextTier\"\n\"tones\"\n0\n2.5\n1\n0.5\n\"H*\"\n"
                          "\"IntervalTier\"\n\"words\"\n0\n2.5\n1\n0\n2.5\n\"hi\"\n");
    // Answers the kind box with `kind` (none expected when empty), then the
    // question that follows with `button` (none expected: NoButton).
    const auto answer = [](QString kind, QMessageBox::StandardButton button) {
      const auto question = [=](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(button)->click(); };
      if (kind.isEmpty()) {
        if (button != QMessageBox::NoButton) test_support::answerModal(question);
        return;
      }
      test_support::answerModal([=](QWidget* box) {
        auto* input = qobject_cast<QInputDialog*>(box);
        input->setTextValue(kind);
        if (button != QMessageBox::NoButton) test_support::answerModal(question);
        input->accept();
      });
    };
    test_support::answerFilesWith(grid);
    QVERIFY(window_->runCommand(41));
    QCOMPARE(program().etiq.count(), 2);
    QCOMPARE(program().note.Text(0), std::string("hi"));
    // "tones" gets its line under the word pane, taken from the spectrogram.
    const int spectroTop = window_->layout().spectro.y;
    QCOMPARE(window_->tierPane()->rows(), 1);
    QCOMPARE(window_->tierPane()->tiers()[0].name, std::string("tones"));
    QCOMPARE(window_->tierPane()->tiers()[0].items[0].start, std::int64_t(msToSamples(500, program().en_cours.frequence)));
    QCOMPARE(window_->layout().tiers.height, window_->layout().word.height);
    QVERIFY(window_->tierPane()->isVisible());
    struct Row {
      const char* name;
      QString kind;
      QMessageBox::StandardButton answer;
      bool written;
      const char* begins;
    };
    const Row rows[] = {
        {"other.TextGrid", "", QMessageBox::NoButton, true, "File type = \"ooTextFile\""},  // keeps "tones"
        {"new.TextGrid", "", QMessageBox::NoButton, true, "File type = \"ooTextFile\""},
        {"grid.lab", "TextGrid", QMessageBox::No, false, ""},  // mismatch refused
        {"grid2.lab", "TextGrid", QMessageBox::Yes, true, "File type = \"ooTextFile\""},
        {"nist.lab", "NIST", QMessageBox::NoButton, true, "0 16000 a"},
    };
    for (const Row& row : rows) {
      const auto path = *dir_ / row.name;
      test_support::answerFilesWith(path);
      answer(row.kind, row.answer);
      QVERIFY(window_->runCommand(43));
      QVERIFY2(std::filesystem::exists(path) == row.written, row.name);
      if (row.written) QVERIFY2(test::readFile(path).rfind(row.begins, 0) == 0, row.name);
    }
    // The point tier the window does not show is still there, as it was.
    const std::string text = test::readFile(grid);
    QCOMPARE(textGridTiers(text)->all, (std::vector<std::string>{"phonemes", "tones", "words"}));
    QVERIFY2(text.find("name = \"tones\" \n        xmin = 0 \n        xmax = 2.5 \n        points: size = 1 \n"
                       "        points [1]:\n            number = 0.5 \n            mark = \"H*\" \n") != std::string::npos,
             text.c_str());
    setFileChooser({});
    // Another signal: the tiers go with the grid.
    program().annotationsModified = false;
    QVERIFY(window_->openPath((*dir_ / "labels.wav").string()));
    QCOMPARE(window_->tierPane()->rows(), 0);
    QCOMPARE(window_->layout().spectro.y, spectroTop - window_->layout().word.height);
  }

  // Each edit of the samples, then Cancel, Redo, Cancel, Redo: the samples
  // and labels before, after, before, after. A save after a Cancel makes Redo
  // refuse, and a new edit drops it.
  void sampleEditsCancelAndRedo() {
    const auto select = [this](std::int32_t a, std::int32_t b) {
      std::tie(program().ct.d_sel, program().ct.f_sel) = std::pair{a, b}, window_->updateCommandStates();
    };
    const auto state = [] {
      std::vector<std::int32_t> bounds;
      for (const notetiq& b : program().etiq.items()) bounds.push_back(b.limite);
      return std::make_pair(memory(), bounds);
    };
    EditingToolsWindow* tools = nullptr;
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"cut", [&] { select(1000, 9500), window_->runCommand(22); }},
        {"paste", [&] { select(2000, 2100), window_->runCommand(23), select(12000, 12000), window_->runCommand(24); }},
        {"delete", [&] { select(4000, 4999), window_->runCommand(25); }},
        {"damp middle",
         [&] {
           select(1000, 5000), window_->runCommand(11843), tools = window_->editingTools();
           tools->factor()->setValue(0.2);
           const std::int16_t x = memory()[3000];
           tools->button("Damp middle")->click();
           QVERIFY(memory()[3000] == static_cast<std::int16_t>(std::trunc(x * 0.2)) && program().ct.d_sel == -1);
         }},
    };
    for (const auto& [name, edit] : edits) {
      const auto before = state();
      edit();
      const auto after = state();
      QVERIFY2(after != before && window_->runCommand(21), name);
      const auto cancelled = state();  // a Cancel of a cut may add boundaries at its ends
      QVERIFY2(cancelled.first == before.first, name);
      for (const auto& [id, expected] : {std::pair{int(kCmdRedo), &after}, {21, &cancelled}, {int(kCmdRedo), &after}}) {
        QVERIFY2(window_->runCommand(id), name);
        QVERIFY2(state() == *expected, qPrintable(QString("%1 after %2").arg(name).arg(id)));
      }
    }
    tools->button("Cancel last edit")->click();
    QVERIFY(!tools->button("OLA trajectory filter")->isEnabled());
    // Saved after the Cancel: the file no longer fits the edit.
    const auto cancelled = state();
    QVERIFY(window_->runCommand(13) && window_->runCommand(kCmdRedo));
    QVERIFY2((*recorder_)->saw("cannot be redone"), reports().c_str());
    QCOMPARE(state(), cancelled);
    select(100, 200), window_->runCommand(25), window_->runCommand(21);
    select(300, 400), window_->runCommand(25), window_->runCommand(kCmdRedo);
    QVERIFY((*recorder_)->saw("Nothing to redo."));
  }
};

}  // namespace ardv::shell

QTEST_MAIN(ardv::shell::AnnotationWindowTest)
#include "annotation_window_test.moc"
