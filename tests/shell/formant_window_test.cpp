// The formant window: its commands, the mouse gestures on the tracks, the two
// dialogs, synthesis with and without the synthesizer program, and the F1-F2
// plane, on the vowel example in synthesized-only mode.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <cmath>

#include "platform/keyboard.h"
#include "platform/qt/keyboard_watch.h"
#include "shell/formant_window/formant_tracking_dialogs.h"
#include "shell/formant_window/formant_window.h"
#include "shell/formant_window/klatt_dialogs.h"
#include "shell/logic/command_table.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {
namespace fs = std::filesystem;

// The commands `ids` run in turn, then the value `what` read.
const struct { const char *name, *ids, *what; int expected; } kCommands[] = {
    {"scale bandwidth", "1020", "scale", 2},          {"scale numeral", "1024", "scale", 6},
    {"step 2 ms", "11859", "step", 2},                {"step 16 ms", "1015", "step", 16},
    {"squares", "1028", "mode", 0},                   {"squares then lines", "1028,1027", "mode", 1},
    {"select F2", "1010", "selected", 1},             {"F2 then none", "1010,1013", "selected", 0},
    {"delete F2", "1010,1002", "F2 pieces", 0},       {"remove first F2 point", "1010,11842", "F2 start", 5},
    {"delete without selection", "1002", "F2 pieces", 1},
};

// The gesture at `from` and the status line naming it; the gesture from
// `from` to `to`, then the F2 at the probes and its count of pieces.
struct TrackPoint { int ms; double hz; };  // ms -1: no probe; hz NaN: no F2 point there
const double kNone = std::nan("");
const struct {
  const char* name;
  Qt::MouseButton button;
  Qt::KeyboardModifiers keys;
  TrackPoint from, to;
  KlattGesture gesture;
  const char* says;
  TrackPoint probes[2];
  int f2Pieces;
} kGestures[] = {
    {"drag moves one point, not its neighbour", Qt::LeftButton, {}, {450, 2290}, {450, 1800}, KlattGesture::MovePoint,
     "drag moves it", {{450, 1800}, {445, 2290}}, 1},
    {"shift+drag draws over F2, not elsewhere", Qt::LeftButton, Qt::ShiftModifier, {380, 1400}, {560, 1400},
     KlattGesture::Draw, "Shift+drag draws a new F2", {{460, 1400}, {100, 1090}}, 1},
    {"right-click splits the piece", Qt::RightButton, {}, {450, 2290}, {450, 2290}, KlattGesture::MovePoint,
     "right-click deletes it", {{450, kNone}, {-1, 0}}, 2},
    {"right-click on the first point", Qt::RightButton, {}, {0, 1090}, {0, 1090}, KlattGesture::MovePoint, "point of F2",
     {{0, kNone}, {-1, 0}}, 1},
    {"right-click on nothing", Qt::RightButton, {}, {450, 6000}, {450, 6000}, KlattGesture::None,
     "Shift+drag draws a new F2", {{450, 2290}, {-1, 0}}, 1},
};

// With and without the synthesizer program.
const struct { const char* name; bool present; int rate; } kSyntheses[] = {
    {"16 kHz", true, 16000}, {"8 kHz", true, 8000}, {"program missing", false, 16000}};

// "&Get F0" (1032) and "Copy &synthesis" (1046): nothing done without a
// selected piece of groups 0..8; `select` is "all", "none" or "9-22", `says`
// a report or "" for none.
const struct { const char* name; bool signal; int id; const char *select, *says; bool changes; } kCopies[] = {
    {"Get F0 without a signal", false, 1032, "all", "Only for a real speech signal", false},
    {"Get F0 on the example", true, 1032, "all", "", true},
    {"copy without a signal", false, 1046, "all", "Only for a real speech signal", false},
    {"copy, nothing selected", true, 1046, "none", "", false},
    {"copy, only groups 9-22", true, 1046, "9-22", "", false},
    {"copy, every piece", true, 1046, "all", "", true},
};

// Registration and snake tracking on the example: `changed` lists the groups
// 1-3 that change, e.g. "2" or "123".
const struct { const char* name; bool signal; const char *ids, *changed, *says; } kTrackings[] = {
    {"register without a signal", false, "1010,1004", "", "Only for a real speech signal"},
    {"register, nothing selected", true, "1003", "", ""},
    {"register F2 with LPC", true, "1010,1004", "2", ""},
    {"register F2 with cepstral smoothing", true, "1010,1003", "2", ""},
    {"snake from scratch", true, "11847", "123", ""},
    {"snake from existing formants", true, "11851", "123", ""},
    {"snake on the selected F2", true, "1010,11852", "2", ""},
    {"snake, nothing selected", true, "11852", "", ""},
};

// Changes of the tracks undone and redone: `split` first splits F2 by a
// right click (two pieces to merge); no ids: an F2 point dragged.
const struct { const char* name; bool signal, split; const char* ids; } kUndos[] = {
    {"delete F2", false, false, "1010,1002"},      {"remove first F2 point", false, false, "1010,11842"},
    {"smooth everything", false, false, "1012,1005"}, {"step 16 ms", false, false, "1015"},
    {"merge F2", false, true, "1010,1031"},        {"register F2 with LPC", true, false, "1010,1004"},
    {"snake from scratch", true, false, "11847"},  {"point dragged", false, false, ""},
};

// Closing the window, through its own close or the main window's, and
// opening a parameter file over the tracks: the question only for edited
// tracks; Cancel keeps them.
const struct { const char* name; bool edit; const char* way; SaveAnswer answer; bool leaves; } kLeaves[] = {
    {"close unedited", false, "close", SaveAnswer::Cancel, true}, {"close, Cancel", true, "close", SaveAnswer::Cancel, false},
    {"close, discard", true, "close", SaveAnswer::DontSave, true}, {"close, save", true, "close", SaveAnswer::Save, true},
    {"quit, Cancel", true, "quit", SaveAnswer::Cancel, false},    {"open, Cancel", true, "open", SaveAnswer::Cancel, false},
    {"open, discard", true, "open", SaveAnswer::DontSave, true},
};

// The F1-F2 plane over the vowel example (181 frames, 0..900 ms, F1 past the
// plane from 880 ms; no F0 piece at 760..780 ms, where the default F0 of
// 100 Hz holds): frames made unvoiced, a selection in the main window;
// `shown` points drawn.
const struct { const char* name; int unvoicedFromMs, unvoicedToMs, selectFromMs, selectToMs, shown; } kPlanes[] = {
    {"every frame voiced", -1, 0, -1, 0, 176},
    {"/i/ unvoiced", 300, 600, -1, 0, 115},
    {"a selection", -1, 0, 100, 199, 20},
    {"a selection, partly unvoiced", 150, 600, 100, 199, 10},
};

class FormantWindowTest : public QObject, test_support::WindowFixture {
  Q_OBJECT
  FormantWindow* klatt_ = nullptr;
  fs::path vowels_;

  void installSynthesizer(bool present) {
    const fs::path install = dir_->path() / (present ? "with" : "without");
    fs::create_directories(install / "Klatt");
    if (present && !fs::exists(install / "Klatt" / "klatt"))
      fs::create_symlink(ARDV_KLATT_PROGRAM, install / "Klatt" / "klatt");
    program().dirs.install = install;
  }
  // The F2 value at date `ms`, NaN when no F2 point has that date.
  double f2At(int ms) const {
    for (const auto& piece : klatt_->tracks().groups[2])
      for (int i = 0; i < piece->nbPoints; ++i)
        if (piece->date(i) == ms) return piece->y(i, 0);
    return std::nan("");
  }
  int pieces(int group) const { return static_cast<int>(klatt_->tracks().groups[static_cast<std::size_t>(group)].size()); }
  void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, at, klatt_->canvas()->mapToGlobal(at), button, held, keys);
    QApplication::sendEvent(klatt_->canvas(), &e);
  }
  void gesture(QPointF from, QPointF to, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
    mouse(QEvent::MouseButtonPress, from, button, keys);
    for (int k = 1; k <= 40; ++k) mouse(QEvent::MouseMove, from + (to - from) * (k / 40.0), button, keys);
    mouse(QEvent::MouseButtonRelease, to, button, keys);
  }

 private slots:
  void initTestCase() {
    makeDirectory();
    vowels_ = test::sourceDataDir() / "examples" / "vowels-aiu.kle";
    wav_ = dir_->path() / "example.wav";
    fs::copy_file(test::sourceDataDir() / "examples" / "example.wav", wav_);
  }
  void init() {
    QVERIFY(showWindow());
    installSynthesizer(true);
    QVERIFY(window_->runCommand(67));
    klatt_ = window_->formantWindow();
    QVERIFY(klatt_ && QTest::qWaitForWindowExposed(klatt_) && test_support::wholyOnScreen(klatt_));
    klatt_->resize(1000, 600);
    QVERIFY(QTest::qWaitForWindowExposed(klatt_));
    QVERIFY(klatt_->openParams(vowels_, std::nullopt));
  }
  void cleanup() {
    setFileChooser({});
    presetDialogs() = PresetDialogs{};
    closeWindow();
  }
  std::string snapshot() {
    const fs::path file = dir_->path() / "snapshot.kle";
    return klatt_->tracks().write(file, 56, 0, 3000) ? test::readFile(file) : std::string("unwritable");
  }

  void undoRedo_data() { test_support::addRows(kUndos); }
  void undoRedo() {
    QFETCH(int, row);
    const auto& r = kUndos[row];
    if (r.signal) open();
    QVERIFY(!klatt_->action(kKlattUndo)->isEnabled() && !klatt_->modified());
    if (r.split) gesture(klatt_->pixelOf(452, 2290), klatt_->pixelOf(452, 2290), Qt::RightButton, {});
    const std::string before = snapshot();
    for (const QString& id : QString(r.ids).split(',', Qt::SkipEmptyParts)) QVERIFY(klatt_->runCommand(id.toInt()));
    if (!*r.ids) gesture(klatt_->pixelOf(452, 2290), klatt_->pixelOf(452, 1800), Qt::LeftButton, {});
    const std::string after = snapshot();
    QVERIFY(after != before && klatt_->modified() && klatt_->runCommand(kKlattUndo) && snapshot() == before);
    QVERIFY(klatt_->runCommand(kKlattRedo) && snapshot() == after && !klatt_->action(kKlattRedo)->isEnabled());
  }

  void leaving_data() { test_support::addRows(kLeaves); }
  void leaving() {
    QFETCH(int, row);
    const auto& r = kLeaves[row];
    if (r.edit) QVERIFY(klatt_->runCommand(1010) && klatt_->runCommand(kKlattDelete));
    const std::string before = snapshot(), way = r.way;
    presetDialogs().saveAnswer = r.answer;
    const fs::path saved = dir_->path() / "saved.kle";
    fs::remove(saved);
    test_support::answerFilesWith(way == "open" ? vowels_ : saved);
    if (way == "open")  // the "Where" panel
      test_support::answerModal([](QWidget* where) { QMetaObject::invokeMethod(where, "accept"); });
    const bool left = way == "close" ? klatt_->close()
                      : way == "quit" ? window_->close()
                                      : klatt_->runCommand(kKlattOpen) && snapshot() != before;
    QVERIFY(left == r.leaves && presetDialogs().saveQuestions == (r.edit ? 1 : 0));
    QCOMPARE(fs::exists(saved), r.answer == SaveAnswer::Save && r.edit);
    if (!r.leaves) QVERIFY(klatt_->isVisible() && window_->isVisible() && snapshot() == before);
    if (way == "open") QCOMPARE(klatt_->modified(), !r.leaves);  // the file as read
  }

  // Only an Escape pressed while a command runs stops it; stopped, copy
  // synthesis leaves no temporary file.
  void escapeCountsOnlyWhileACommandRuns() {
    {
      qt::KeyboardWatch watch;
      QTest::keyClick(klatt_, Qt::Key_Escape);  // closing a menu, say
      QVERIFY(!escapePressed());
      QCoreApplication::postEvent(klatt_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
      QVERIFY(escapePressed());
    }
    open();
    klatt_->tracks().selectAll(true);
    const std::string before = snapshot();
    ScriptedKeyboard escape(0);
    ScopedKeyboard scoped(escape);
    QVERIFY(klatt_->runCommand(kKlattCopySynthesis) && reports().find("stopped by Escape") != std::string::npos);
    QCOMPARE(snapshot(), before);
    for (const auto& entry : fs::directory_iterator(program().dirs.temp))
      QVERIFY2(entry.path().filename().string().rfind("ardv-copy-", 0) != 0, entry.path().c_str());
  }

  void commands_data() { test_support::addRows(kCommands); }
  void commands() {
    QFETCH(int, row);
    const auto& r = kCommands[row];
    for (const QString& id : QString(r.ids).split(',')) QVERIFY(klatt_->runCommand(id.toInt()));
    const KlattTracks& t = klatt_->tracks();
    const QString what = r.what;
    int got = -1;
    if (what == "scale") got = t.scale;
    if (what == "step") {
      got = t.stepMs;
      QCOMPARE(klatt_->settings().frameMs, r.expected);
    }
    if (what == "mode") got = t.displayMode;
    if (what == "selected") {
      got = 0;
      for (const auto& list : t.groups)
        for (const auto& piece : list) got += piece->selected;
    }
    if (what == "F2 pieces") got = pieces(2);
    if (what == "F2 start") got = t.groups[2].front()->debut();
    QCOMPARE(got, r.expected);
  }

  // Entries waiting for their subsystem are disabled and say why.
  void pendingEntriesSayWhy() {
    for (const KlattCommand& c : klattCommands()) {
      QAction* a = klatt_->action(c.id);
      QVERIFY2(a, c.text);
      const bool nothingToUndo = c.id == kKlattUndo || c.id == kKlattRedo;
      QCOMPARE(a->isEnabled(), c.notYet == nullptr && !nothingToUndo);
      if (c.notYet) QVERIFY(!a->toolTip().isEmpty() && !klatt_->runCommand(c.id));
    }
  }

  void gestures_data() { test_support::addRows(kGestures); }
  void gestures() {
    QFETCH(int, row);
    const auto& r = kGestures[row];
    klatt_->setDrawGroup(2);
    const QPoint from = klatt_->pixelOf(r.from.ms, r.from.hz);
    QString status;
    QCOMPARE(klatt_->gestureAt(from, r.keys, &status), r.gesture);
    QVERIFY2(status.contains(r.says), qPrintable(status));
    gesture(from, klatt_->pixelOf(r.to.ms, r.to.hz), r.button, r.keys);
    QCOMPARE(pieces(2), r.f2Pieces);
    for (const TrackPoint& probe : r.probes) {
      if (probe.ms < 0) continue;
      const double hz = f2At(probe.ms);
      if (std::isnan(probe.hz)) QVERIFY2(std::isnan(hz), qPrintable(QString::number(hz)));
      else QVERIFY2(std::fabs(hz - probe.hz) <= 30, qPrintable(QString::number(hz)));
    }
  }

  void synthesis_data() { test_support::addRows(kSyntheses); }
  void synthesis() {
    QFETCH(int, row);
    const auto [name, present, rate] = kSyntheses[row];
    const std::size_t before = klatt_->synthesized().size();
    QVERIFY(before > 0);  // opening synthesized
    installSynthesizer(present);
    klatt_->settings().rateHz = rate;
    const fs::path wav = dir_->path() / "out.wav";
    fs::remove(wav);
    QCOMPARE(klatt_->synthesize(wav, false), present);
    QCOMPARE(fs::exists(wav), present);
    if (present) {
      QCOMPARE(klatt_->synthesizedRate(), rate);
      QVERIFY(std::abs(double(klatt_->synthesized().size()) - before * rate / 16000.0) < rate * 0.02);
      klatt_->settings().frameMs = 32;  // the frame follows the tracks' 5-ms step: 905 ms of speech
      QVERIFY(klatt_->synthesize(wav, false));
      QVERIFY(std::abs(double(klatt_->synthesized().size()) - 0.905 * rate) < rate * 0.01);
    } else {
      QCOMPARE(klatt_->synthesized().size(), before);
      QVERIFY2(reports().find("klatt") != std::string::npos, reports().c_str());
    }
  }

  // With a signal the tracks follow the main window's zoom, and synthesis
  // runs at the signal's rate whatever the rate setting.
  void followsTheSignal() {
    open();
    klatt_->settings().rateHz = 8000;
    QVERIFY(klatt_->synthesize({}, false));
    QCOMPARE(klatt_->synthesizedRate(), 16000);
    auto& ct = program().ct;
    for (int id : {kCmdZoomIn, kCmdZoomOut}) {
      ct.d_sel = 8000;
      ct.f_sel = 14000;
      QVERIFY(window_->runCommand(id));
      const TrackView v = klatt_->trackView();
      QCOMPARE(v.firstSample, std::int64_t(ct.d_a));
      QCOMPARE(v.lastSample, std::int64_t(ct.f_a));
    }
  }

  // "&Get F0" and "Copy &synthesis": their messages and the tracks they change.
  void copySynthesis_data() { test_support::addRows(kCopies); }
  void copySynthesis() {
    QFETCH(int, row);
    const auto [name, signal, id, select, says, changes] = kCopies[row];
    if (signal) open();
    KlattTracks& t = klatt_->tracks();
    t.selectAll(select == std::string("all"));
    if (select == std::string("9-22"))
      for (std::size_t g = 9; g < t.groups.size(); ++g)
        for (auto& piece : t.groups[g]) piece->selected = true;
    const auto snapshot = [&, file = dir_->path() / "snapshot.kle"] {
      return t.write(file, 56, 0, 3000) ? test::readFile(file) : std::string("unwritable");
    };
    const std::string before = snapshot();
    const std::size_t temporaries = std::distance(fs::directory_iterator(program().dirs.temp), {});
    QVERIFY(klatt_->runCommand(id));
    QCOMPARE(snapshot() != before, changes);
    QVERIFY2(*says ? reports().find(says) != std::string::npos : reports().empty(), reports().c_str());
    if (id == 1032 && changes) {
      QCOMPARE(t.scale, 5);  // "&Frequency (F0)"
      int voiced = 0;
      for (const auto& piece : t.groups[0])
        for (int i = 0; i < piece->nbPoints; ++i) {
          QCOMPARE(piece->date(i) % t.stepMs, 0);
          voiced += piece->y(i, 0) >= 70 && piece->y(i, 0) <= 400;
        }
      QVERIFY2(voiced > 50, qPrintable(QString::number(voiced)));
    }
    if (id == 1046) {  // current.pit aside, the run leaves no file behind
      const std::size_t after = std::distance(fs::directory_iterator(program().dirs.temp), {});
      QCOMPARE(after, temporaries);
    }
  }

  void tracking_data() { test_support::addRows(kTrackings); }
  void tracking() {
    QFETCH(int, row);
    const auto [name, signal, ids, changed, says] = kTrackings[row];
    if (signal) open();
    const auto values = [&](int g) {
      std::vector<std::pair<int, float>> v;
      for (const auto& piece : klatt_->tracks().groups[static_cast<std::size_t>(g)])
        for (int i = 0; i < piece->nbPoints; ++i) v.emplace_back(piece->date(i), piece->y(i, 0));
      return v;
    };
    decltype(values(1)) before[4];
    for (int g = 1; g <= 3; ++g) before[g] = values(g);
    for (const QString& id : QString(ids).split(',')) QVERIFY(klatt_->runCommand(id.toInt()));
    for (int g = 1; g <= 3; ++g)
      QCOMPARE(values(g) != before[g], std::string(changed).find(char('0' + g)) != std::string::npos);
    QVERIFY2(*says ? reports().find(says) != std::string::npos : reports().empty(), reports().c_str());
  }

  // The support image is computed again only for a new method or stretch,
  // and saved as PGM through the one writer.
  void supportImage() {
    open();
    const fs::path pgm = dir_->path() / "support.pgm";
    QVERIFY(klatt_->saveSupportImage(pgm));
    const std::string signal = test::readFile(wav_);  // never written over the signal
    QVERIFY(!klatt_->saveSupportImage(wav_));
    QCOMPARE(test::readFile(wav_), signal);
    QVERIFY(klatt_->runCommand(kKlattSnakeScratch));
    QCOMPARE(klatt_->supportImages().computations(), 1);
    QVERIFY(klatt_->runCommand(kKlattImageLpc));
    const SnakeParams kept = snakeParams();
    snakeParams().displayIntermediate = true;  // the contours drawn while they move
    snakeParams().displayPeriod = 20;
    QVERIFY(klatt_->runCommand(kKlattSnakeScratch));
    snakeParams() = kept;
    QCOMPARE(klatt_->supportImages().computations(), 2);
    QCOMPARE(fs::file_size(pgm), std::uintmax_t(15 + 512 * 256));  // "P5 512 256 255 "
    QVERIFY(!klatt_->saveSupportImage(dir_->path() / "missing" / "s.pgm"));
    QVERIFY2(reports().find("Unable to create the PGM file") != std::string::npos, reports().c_str());
  }

  // The dialogs store only values that parse and lie in range; swapped lifter
  // bounds are put in order, and a frame beyond the bar is clamped to 32 ms.
  void dialogsStoreOnlyValidValues() {
    QString bad;
    const struct { const char *field, *typed; bool stored; } snake[] = {
        {"Number of iterations", "30", true}, {"Discretization step (>0)", "0", false}, {"Alpha", "x", false},
        {"Number of iterations", "2.5", false}, {"Gamma", "0", false}};
    for (const auto& r : snake) {
      SnakeParams p;
      SnakeParamsDialog dialog(p);
      dialog.field(r.field)->setText(r.typed);
      dialog.display()->setChecked(true);
      QCOMPARE(dialog.edited(p, bad), r.stored);
      QCOMPARE(std::make_pair(p.displayIntermediate, p.iterations), std::make_pair(r.stored, r.stored ? 30 : 60));
    }
    FormantOptions o;
    AnalysisParamsDialog analysis(o, 16000);
    analysis.field("Lower lifter bound")->setText("3");
    analysis.field("Upper lifter bound")->setText("2");
    QVERIFY(analysis.edited(o, bad));
    QCOMPARE(std::make_pair(o.lifterLowMs, o.lifterHighMs), std::make_pair(2.0, 3.0));
    // Formants > Options: the same rule for bounds typed before OK.
    const FormantOptions kept = formantOptions();
    test_support::answerModal([&](QWidget* box) {
      box->findChild<QDoubleSpinBox*>("lifterLow")->setValue(3.0);
      box->findChild<QDoubleSpinBox*>("lifterHigh")->setValue(2.0);
      QMetaObject::invokeMethod(box, "accept");
    });
    QVERIFY(window_->runCommand(65));
    QCOMPARE(std::make_pair(formantOptions().lifterLowMs, formantOptions().lifterHighMs), std::make_pair(2.0, 3.0));
    formantOptions() = kept;
    analysis.field("Order factor")->setText("11");
    QVERIFY(!analysis.edited(o, bad));
    QCOMPARE(o.orderFactor, 1.0);

    const struct { const char *param, *typed; bool stored; } defaults[] = {
        {"F0hz10", "123", true}, {"Rgx50", " -7 ", true}, {"AVdb", "6x", false}, {"Gain0", "99999999999", false}};
    for (const auto& r : defaults) {
      KlattRecord record = initialKlattDefaults();
      const KlattRecord before = record;
      DefaultParamsDialog dialog(record);
      dialog.findChild<QLineEdit*>(r.param)->setText(r.typed);
      QCOMPARE(dialog.edited(record, bad), r.stored);
      const int p = *std::find_if(kEditableDefaults.begin(), kEditableDefaults.end(),
                                  [&](int q) { return klattParams()[static_cast<std::size_t>(q)].name == r.param; });
      if (r.stored) QCOMPARE(record[p], QString(r.typed).trimmed().toInt());
      else QVERIFY(bad == r.param && record == before);
    }

    for (bool real : {false, true}) {
      KlattSynthesisSettings s;
      s.waveform = 3;
      s.frameMs = 40;
      SynthSettingsDialog dialog(s, real);
      for (QAbstractButton* b : dialog.rates()->buttons()) QCOMPARE(b->isEnabled(), !real);
      const KlattSynthesisSettings got = dialog.settings();
      QVERIFY(got.waveform == 3 && got.frameMs == 40 && got.rateHz == 16000);
    }
  }

  // The plane draws the voiced frames (F0 above 0), the selection's when
  // there is one, and only inside its frame; it fits the screen; no menu of
  // the two windows repeats a mnemonic.
  void f1f2Plane_data() { test_support::addRows(kPlanes); }
  void f1f2Plane() {
    QFETCH(int, row);
    const auto& r = kPlanes[row];
    auto& groups = klatt_->tracks().groups;
    auto setFrom = [&](int group, int fromMs, int toMs, float value) {
      for (const auto& piece : groups[static_cast<std::size_t>(group)])
        for (int i = 0; i < piece->nbPoints; ++i)
          if (piece->date(i) >= fromMs && piece->date(i) <= toMs) *piece->py(i, 0) = value;
    };
    if (r.unvoicedFromMs >= 0) setFrom(0, r.unvoicedFromMs, r.unvoicedToMs, 0);
    setFrom(1, 880, 900, 1200);  // F1 past the plane's range
    if (r.selectFromMs >= 0) {
      open();
      const double fs = program().en_cours.frequence;
      window_->selectSamples(static_cast<std::int32_t>(r.selectFromMs * fs / 1000), static_cast<std::int32_t>(r.selectToMs * fs / 1000));
    }
    QVERIFY(klatt_->runCommand(kKlattF1F2Plane));
    F1F2Plane* plane = klatt_->f1f2Plane();
    QVERIFY(plane && QTest::qWaitForWindowExposed(plane) && test_support::wholyOnScreen(plane));
    QCOMPARE(test_support::repeatedMnemonic(plane), QString());
    QCOMPARE(test_support::repeatedMnemonic(klatt_), QString());
    const QRect frame = plane->frame();
    const auto shown = plane->shownPoints();
    QVERIFY(std::all_of(shown.begin(), shown.end(), [&](QPointF q) { return frame.contains(q.toPoint()); }));
    // F1 points every 5 ms from 0 to 900 ms, less the unvoiced and the out-of-range ones.
    QCOMPARE(static_cast<int>(shown.size()), r.shown);
    for (const QPointF f : {QPointF(100, 2600), QPointF(900, 100), QPointF(500, 1500)}) {
      const QPointF back = planeFrequencies(planePixel(f.x(), f.y(), 400, 300), 400, 300);
      QVERIFY(std::fabs(back.x() - f.x()) < 1e-6 && std::fabs(back.y() - f.y()) < 1e-6);
    }
    QCOMPARE(planePixel(100, 2600, 400, 300), QPointF(0, 0));  // [i]-like corner at the top left
  }
};

}  // namespace ardv::shell

QTEST_MAIN(ardv::shell::FormantWindowTest)
#include "formant_window_test.moc"
