// Every enabled command of the main menu in every state of the window: no
// file, a file, a selection, 11 samples shown, files of 1 and 0 samples, 8000
// and 44100 Hz. Each dialog is cancelled, or accepted as it stands with file
// questions answered by a new path or by the signal's own path. Nothing may
// crash or hang; reports are allowed.
#include <QDialog>
#include <cstdint>
#include <vector>

#include "platform/null_audio.h"
#include "shell/logic/command_table.h"
#include "shell/main_window/playback.h"
#include "shell/shared/file_chooser.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {
namespace {

enum class Answer { Cancel, NewPath, OwnPath };

struct State {
  const char* name;
  double rateHz;          // 0: no file
  std::int32_t samples;
  enum { Whole, Selection, Zoom11 } view;
};

constexpr State kStates[] = {
    {"no file", 0, 0, State::Whole},           {"file", 16000, 8000, State::Whole},
    {"selection", 16000, 8000, State::Selection}, {"11 samples", 16000, 8000, State::Zoom11},
    {"1 sample", 16000, 1, State::Whole},      {"0 samples", 16000, 0, State::Whole},
    {"8000 Hz", 8000, 4000, State::Selection}, {"44100 Hz", 44100, 22050, State::Selection},
};

// `count` samples of a vowel at 120 Hz.
std::vector<std::int16_t> tone(double rateHz, std::int32_t count) {
  const double ms = count * 1000.0 / rateHz + 1;
  auto x = test::synthesize("tone", rateHz, {{test::SegmentKind::Voiced, ms, 120, 120}}, 1).samples;
  x.resize(static_cast<std::size_t>(count));
  return x;
}

}  // namespace

class CommandSweepTest : public QObject, test_support::WindowFixture {
  Q_OBJECT

 private:
  NullAudioOutput output_;
  NullAudioInput input_;
  QTimer closer_;
  bool accept_ = false;
  QString typed_;  // typed into the next dialog's text field before it is accepted
  int saved_ = 0;

  std::filesystem::path signalPath() const { return *dir_ / "signal.wav"; }
  std::filesystem::path otherPath() const { return *dir_ / "other.wav"; }

  // A fresh window in `state`; false when its file cannot be loaded.
  bool enter(const State& state) {
    closeWindow();
    if (!showWindow()) return false;
    if (state.rateHz <= 0) return true;
    if (!test::writeWav(signalPath(), tone(state.rateHz, state.samples), state.rateHz)) return false;
    if (!window_->openPath(signalPath().string())) return false;
    auto& ct = program().ct;
    if (state.view != State::Whole) {
      ct.d_sel = state.view == State::Zoom11 ? 1000 : ct.tf / 5;
      ct.f_sel = state.view == State::Zoom11 ? 1004 : ct.tf * 3 / 5;
      window_->updateCommandStates();
    }
    if (state.view == State::Zoom11) {
      if (!window_->runCommand(kCmdZoomIn)) return false;
      window_->updateCommandStates();
      return ct.f_a - ct.d_a + 1 == 11;
    }
    return true;
  }

  // Closes what a command left open: the player, the modeless windows.
  void tidy() {
    if (!window_) return;
    window_->player().stop();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != window_.get() && w->isVisible()) w->close();
    QCoreApplication::processEvents();
  }

  void answerFiles(Answer answer) {
    if (answer == Answer::Cancel) {
      setFileChooser([](FileQuestion, const QString&, const QString&) { return QString(); });
      return;
    }
    setFileChooser([this, answer](FileQuestion question, const QString&, const QString&) {
      if (answer == Answer::OwnPath && program().fileLoaded) return QString::fromStdString(program().en_cours.nom);
      if (question == FileQuestion::Open) return QString::fromStdString(otherPath().string());
      return QString::fromStdString((*dir_ / ("out" + std::to_string(++saved_) + ".wav")).string());
    });
  }

 private slots:
  void initTestCase() {
    makeDirectory();
    QVERIFY(test::writeWav(otherPath(), tone(11025, 5000), 11025));
    setAudioDevices(&output_, &input_);
    input_.script(std::vector<std::int16_t>(4000, 100));
    // Every modal dialog, nested ones too, is answered as soon as it shows.
    connect(&closer_, &QTimer::timeout, this, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w) return;
      if (auto* edit = w->findChild<QLineEdit*>(); edit && !typed_.isEmpty()) {
        edit->setText(typed_);
        typed_.clear();
      }
      if (auto* d = qobject_cast<QDialog*>(w))
        accept_ ? d->accept() : d->reject();
      else
        w->close();
    });
    closer_.start(5);
  }

  void cleanupTestCase() {
    closer_.stop();
    setFileChooser({});
    setAudioDevices(nullptr, nullptr);
    closeWindow();
  }

  void everyCommandInEveryState_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("answer");
    const char* answers[] = {"cancel", "new path", "own path"};
    for (int s = 0; s < int(std::size(kStates)); ++s)
      for (int a = 0; a < 3; ++a)
        QTest::newRow(qPrintable(QString("%1, %2").arg(kStates[s].name, answers[a]))) << s << a;
  }

  void everyCommandInEveryState() {
    QFETCH(int, state);
    QFETCH(int, answer);
    const State& s = kStates[state];
    accept_ = answer != int(Answer::Cancel);
    answerFiles(static_cast<Answer>(answer));
    for (const CommandSpec& c : mainCommands()) {
      if (c.id == kCmdQuit) continue;  // closes the window: nothing to sweep after it
      QVERIFY2(enter(s), s.name);
      if (!window_->isWired(c.id) || !window_->action(c.id) || !window_->action(c.id)->isEnabled()) continue;
      const std::string before = s.rateHz > 0 ? test::readFile(signalPath()) : std::string();
      window_->runCommand(c.id);
      tidy();
      QVERIFY2(QFileInfo::exists(QString::fromStdString(otherPath().string())), "a command removed an input file");
      // Nothing is modified before the command: no answer may replace the signal file.
      if (s.rateHz > 0) QVERIFY2(test::readFile(signalPath()) == before, qPrintable(QString("command %1").arg(c.id)));
    }
    setFileChooser({});
  }

  // A time that is no number is reported; a label file that cannot be read
  // leaves the labels shown as they were.
  void badAnswersAreReportedAndChangeNothing() {
    QVERIFY(enter(kStates[1]));
    accept_ = true;
    typed_ = "later";
    QVERIFY(window_->runCommand(kCmdGoTo));
    QCOMPARE((*recorder_)->reports().size(), std::size_t(1));
    setFileChooser([this](FileQuestion, const QString&, const QString&) {
      return QString::fromStdString((*dir_ / "missing.lab").string());
    });
    for (notetiqs* list : {&program().etiq, &program().note}) {
      list->SetText(list->insertOrGet(100), "a");
      list->insertOrGet(200);
    }
    for (int id : {41, 51}) QVERIFY(window_->runCommand(id));
    setFileChooser({});
    QCOMPARE(program().etiq.count(), 2);
    QCOMPARE(program().note.count(), 2);
    QVERIFY(!program().annotationsModified);
    QCOMPARE((*recorder_)->reports().size(), std::size_t(3));
  }
};

}  // namespace ardv::shell

QTEST_MAIN(ardv::shell::CommandSweepTest)
#include "command_sweep_test.moc"
