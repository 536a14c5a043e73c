// The main window on the offscreen platform: command states, the command
// table coverage, layout, drags mirrored in the partner plane, zoom, go to
// and scrolling on a ramp; the Prosody commands on a synthetic voiced WAV:
// 300 ms of silence, 1 s of a vowel at 150 Hz, 500 ms of silence.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QPainter>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <sstream>
#include <vector>

#include "formants/ceiling_choice.h"
#include "platform/null_audio.h"
#include "prosody/energy.h"
#include "prosody/pitch_types.h"
#include "prosody/play_signal.h"
#include "shell/command_table.h"
#include "shell/f0_contour_model.h"
#include "shell/f0_contour_window.h"
#include "shell/help_window.h"
#include "shell/modification_dialog.h"
#include "shell/modification_results.h"
#include "shell/save_question.h"
#include "signal/edit_save.h"
#include "shell/energy_dialog.h"
#include "shell/f0_axis.h"
#include "shell/options_dialog.h"
#include "shell/overview_strip.h"
#include "shell/readable_reports.h"
#include "shell/scales.h"
#include "prosody/prosody_display.h"
#include "shell/playback.h"
#include "shell/spectral_slice_window.h"
#include "shell/spectro_params_window.h"
#include "spectral/image_levels.h"
#include "shell/spectrogram_painter.h"
#include "shell/speaker_dialog.h"
#include "shell/value_scale.h"
#include "spectral/spectrogram_params.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {
namespace {

// Sample i of the ramp signal.
std::int16_t rampAt(std::int32_t i) { return static_cast<std::int16_t>((i % 200) * 100 - 10000); }

// A mono WAV of `count` ramp samples at 16 kHz.
bool writeRamp(const std::filesystem::path& path, std::int32_t count) {
  std::vector<std::int16_t> x(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) x[static_cast<std::size_t>(i)] = rampAt(i);
  return test::writeWav(path, x, 16000);
}

constexpr int kRate = 16000;
constexpr double kVoicedFromMs = 300, kVoicedToMs = 1300;

int countColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

// What is done after the F0 and the marks are drawn (`before`: a command
// run first, -1 none; `action`: -1 opens the file again), and whether the
// drawings go.
const struct { const char* name; int before, action; bool dropped; } kOverlays[] = {
    {"zoom in keeps them", -1, kCmdZoomIn, false}, {"open", -1, -1, true}, {"cut", -1, 22, true},
    {"delete", -1, 25, true},  {"paste", 23, 24, true},  {"cancel of a cut", 22, 21, true},
};

// The "Resampling" dialog: the rate chosen (0: the free field) and whether a
// file is made.
const struct { const char* name; int rate; const char* typed; bool written; } kResamplings[] = {
    {"8000 Hz", 8000, "", true}, {"the signal's rate", 16000, "", false}, {"a free 12000 Hz", 0, "12000", true}};

// A modification from the parameters dialog: the choice, the selection made
// (-1: none), unsaved label edits with the answer to the question, a file
// already holding the result's name, the signal's length in samples (0: the
// voiced signal), and the tag of the result opened (nullptr: none).
const struct {
  const char* name;
  ModificationChoice choice;
  std::int32_t first, last;
  bool edited;
  SaveAnswer answer;
  bool taken;
  std::int32_t length;
  const char* tag;
} kModifications[] = {
    {"PSOLA slower", {1.5, 1.0, false, true, false}, -1, -1, false, SaveAnswer::DontSave, false, 0, "time1.50"},
    {"its name taken", {1.5, 1.0, false, true, false}, -1, -1, false, SaveAnswer::DontSave, true, 0, "time1.50"},
    {"PSOLA higher, the selection", {1.0, 1.3, false, true, true}, 8000, 12000, false, SaveAnswer::DontSave, false, 0, "f01.30"},
    {"PSOLA both, the selection", {1.5, 1.3, false, true, true}, 6000, 14000, false, SaveAnswer::DontSave, false, 0, "time1.50-f01.30"},
    {"vocoder, the selection left out", {1.5, 1.0, true, true, false}, 8000, 12000, false, SaveAnswer::DontSave, false, 0, "vocoder1.50"},
    {"unsaved edits, Cancel", {1.5, 1.0, false, true, false}, -1, -1, true, SaveAnswer::Cancel, false, 0, nullptr},
    {"unsaved edits, Save", {0.5, 1.0, false, true, false}, -1, -1, true, SaveAnswer::Save, false, 0, "time0.50"},
    {"too short for the vocoder", {1.5, 1.0, true, true, false}, -1, -1, false, SaveAnswer::DontSave, false, 600, nullptr},
};

}  // namespace

class MainWindowTest : public QObject, test_support::WindowFixture {
  Q_OBJECT

 private:
  std::filesystem::path voiced_;
  NullAudioOutput output_;  // plays the modification results

  void openVoiced() { QVERIFY(window_->openPath(voiced_.string())); }
  SpectroView* view() const { return window_->spectroPlane()->view(); }
  // The spectrogram bitmap with the decorations drawn into it.
  QImage keptImage() {
    window_->runCommand(38);
    return view()->bitmap();
  }
  // The pointer moved to `to` over `w`, no button held.
  static void hover(QWidget* w, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, QPointF(to), w->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(w, &move);
  }

  void drag(QWidget* w, int from, int to) {
    const int y = w->height() / 2;
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(from, y));
    QTest::mouseMove(w, QPoint((from + to) / 2, y));
    QTest::mouseMove(w, QPoint(to, y));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(to, y));
  }

 private slots:
  void initTestCase() {
    makeDirectory();
    wav_ = *dir_ / "ramp.wav";
    QVERIFY(writeRamp(wav_, 40000));  // 2.5 s
    voiced_ = *dir_ / "voiced.wav";
    const auto signal = test::synthesize("voiced", kRate,
                                         {{test::SegmentKind::Silence, kVoicedFromMs},
                                          {test::SegmentKind::Voiced, kVoicedToMs - kVoicedFromMs, 150, 150},
                                          {test::SegmentKind::Silence, 500}},
                                         1);
    QVERIFY(test::writeWav(voiced_, signal.samples, kRate));
  }

  void init() {
    speakerType() = -1;
    modificationResults().clear();
    energyParams() = EnergyParams{};
    QVERIFY(showWindow());
  }

  void cleanup() {
    setOpenHooks({});
    setAudioDevices(nullptr, nullptr);
    setFileChooser({});
    presetDialogs() = PresetDialogs{};
    closeWindow();
  }

  void overlaysGoWithTheirSignal_data() { test_support::addRows(kOverlays); }
  void overlaysGoWithTheirSignal() {
    QFETCH(int, row);
    const auto& r = kOverlays[row];
    openVoiced();
    window_->selectSamples(8000, 12000);
    if (r.before >= 0) QVERIFY(window_->runCommand(r.before));
    QVERIFY(window_->runCommand(922) && window_->runCommand(918) && view()->decorationCount() > 0);
    window_->selectSamples(8000, 12000);
    QVERIFY(r.action < 0 ? window_->openPath(voiced_.string()) : window_->runCommand(r.action));
    QCOMPARE(view()->decorationCount() == 0, r.dropped);
    QCOMPARE(window_->signalPlane()->view()->hasOverlay(), !r.dropped);
  }

  void resampling_data() { test_support::addRows(kResamplings); }
  void resampling() {
    QFETCH(int, row);
    const auto& r = kResamplings[row];
    openVoiced();
    const auto target = *dir_ / "modif.wav";  // proposed
    std::filesystem::remove(target);
    test_support::answerModal([&](QWidget* box) {
      for (QRadioButton* b : box->findChildren<QRadioButton*>())
        b->setChecked(b->text() == (r.rate ? QString("%1 Hz").arg(r.rate) : QString("Other (Hz)")));
      box->findChild<QLineEdit*>("frequency")->setText(r.typed);
      QMetaObject::invokeMethod(box, "accept");
    });
    QVERIFY(window_->runCommand(11845));
    std::vector<std::int16_t> samples;
    int rate = 0;
    QCOMPARE(readWavSamples(target.string(), samples, rate) && rate == (r.rate ? r.rate : 12000), r.written);
  }

  // The result opens under its own name, also as "modif.wav"; the signal
  // it was made from stays byte for byte; outside the selection every sample
  // is the original's; the question comes before; a failure changes nothing.
  // Back to the original, and discarding the result, which removes it.
  void modificationResultsOpenAsSignals_data() { test_support::addRows(kModifications); }
  void modificationResultsOpenAsSignals() {
    QFETCH(int, row);
    const auto& r = kModifications[row];
    installEditSaveHandler();
    setAudioDevices(&output_, nullptr);
    const auto source = *dir_ / ("m" + std::to_string(row) + ".wav"), modif = *dir_ / "modif.wav";
    if (r.length > 0)
      QVERIFY(writeRamp(source, r.length));
    else
      std::filesystem::copy_file(voiced_, source, std::filesystem::copy_options::overwrite_existing);
    test::writeFile(modif, "before");
    QVERIFY(window_->openPath(source.string()));
    const auto named = [&](const char* suffix) { return *dir_ / ("m" + std::to_string(row) + "-" + r.tag + suffix + ".wav"); };
    if (r.taken) test::writeFile(named(""), "kept");
    if (r.edited) {
      program().note.SetText(program().note.insertOrGet(0), "renamed");
      program().annotationsModified = true;
    }
    if (r.first >= 0) window_->selectSamples(r.first, r.last);
    const auto bytes = test::readBytes(source);
    std::vector<std::int16_t> x, y;
    int rate = 0;
    QVERIFY(readWavSamples(source.string(), x, rate));
    presetDialogs().saveAnswer = r.answer;
    QVERIFY(window_->runCommand(914));
    auto* dialog = window_->findChild<ModificationDialog*>();
    QVERIFY(dialog && dialog->findChild<QCheckBox*>("selectionOnly")->isEnabled() == (r.first >= 0));
    dialog->setChoice(r.choice);
    dialog->apply();
    QCOMPARE(presetDialogs().saveQuestions, r.edited ? 1 : 0);
    if (!r.tag) {
      QCOMPARE(program().en_cours.nom, source.string());
      QVERIFY(test::readFile(modif) == "before" && modificationResults().empty());
      QCOMPARE(program().annotationsModified, r.edited);
      QCOMPARE(static_cast<int>((*recorder_)->reports().size()), r.edited ? 0 : 1);
      return;
    }
    const auto result = named(r.taken ? "-2" : "");
    QCOMPARE(program().en_cours.nom, result.string());
    QCOMPARE(window_->windowTitle().toStdString(), result.string());
    QVERIFY(test::readBytes(modif) == test::readBytes(result) && readWavSamples(result.string(), y, rate));
    if (r.taken) QCOMPARE(test::readFile(named("")), std::string("kept"));
    if (!r.edited) QVERIFY(test::readBytes(source) == bytes);
    const auto n = static_cast<std::int64_t>(x.size()), m = static_cast<std::int64_t>(y.size());
    if (r.choice.selectionOnly) {
      const std::int64_t grown = std::llround(r.choice.alpha * (r.last - r.first + 1)) - (r.last - r.first + 1);
      QCOMPARE(m, n + grown);
      QVERIFY(std::equal(x.begin(), x.begin() + r.first, y.begin()));
      QVERIFY(std::equal(x.begin() + r.last + 1, x.end(), y.begin() + r.last + 1 + grown));
      QVERIFY(!std::equal(x.begin() + r.first, x.begin() + r.last + 1, y.begin() + r.first));
    } else {
      QVERIFY(std::abs(static_cast<double>(m) - r.choice.alpha * static_cast<double>(n)) < 0.01 * static_cast<double>(n));
    }
    QVERIFY2(reports().empty(), reports().c_str());
    QVERIFY(window_->backToOriginal() && program().en_cours.nom == source.string() && !window_->discardResult());
    QVERIFY(window_->openPath(result.string()) && window_->discardResult());
    QVERIFY(program().en_cours.nom == source.string() && !std::filesystem::exists(result) && modificationResults().empty());
    setOpenHooks({});
  }

  // Each mouse help opens its own topic of the page.
  void mouseHelpsOpenTheirOwnTopics() {
    program().dirs.helpFile = test::sourceDataDir() / "help" / "index.html";
    for (const auto& [id, topic] : {std::pair{44, "mousePhoneme"}, std::pair{53, "mouseWord"}}) {
      QVERIFY(window_->runCommand(id) && window_->findChild<HelpWindow*>()->anchor() == topic);
      QVERIFY(test::readFile(program().dirs.helpFile).find(std::string("id=\"") + topic) != std::string::npos);
    }
  }

  // The selector's caption and three rows; its smaller form has the sound file's alone.
  void profileSelectorRows() {
    for (bool all : {true, false}) {
      FormatSelection selection;
      test_support::answerModal([&](QWidget* box) {
        QVERIFY(box->windowTitle() == QString::fromStdString(text(4402)) && (box->findChild<QComboBox*>("Text files") != nullptr) == all);
        QCOMPARE(box->findChildren<QComboBox*>().size(), all ? 3 : 1);
        box->findChild<QComboBox*>("sound file")->setCurrentIndex(1);
        QMetaObject::invokeMethod(box, "accept");
      });
      ShellDialogs d;
      QVERIFY(all ? d.selectFormats({"p0", "p1"}, "x", selection) : d.selectSoundFormat({"p0", "p1"}, "x", selection));
      QCOMPARE(selection.profileIndex, 1);
    }
  }

  // The contour window: a point moved is undone and redone; closing over it
  // asks; Resynthetise works on the signal as edited, saved first.
  void f0ContourWindowKeepsTheEditedContour() {
    installEditSaveHandler();
    const auto edited = *dir_ / "contour.wav";
    std::filesystem::copy_file(voiced_, edited, std::filesystem::copy_options::overwrite_existing);
    QVERIFY(window_->openPath(edited.string()) && window_->runCommand(605));
    auto* w = window_->findChild<F0ContourWindow*>();
    QVERIFY(w && w->fromCurrentSignal() && w->toModify());
    const auto& points = w->contour().modifiable.tab().points;
    const auto i = std::find_if(points.begin(), points.end(), [](const Point2P& p) { return p.values[0] > 0; }) - points.begin();
    const float hz = points[i].values[0];
    const QPoint at = w->view()->pointAt(points[i].sampleDate, hz).toPoint();
    QTest::mousePress(w->view(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(w->view(), Qt::LeftButton, {}, at - QPoint(0, 40));
    const float moved = points[i].values[0];
    QVERIFY(moved > hz && w->undo() && points[i].values[0] == hz && w->redo() && points[i].values[0] == moved);
    presetDialogs().saveAnswer = SaveAnswer::Cancel;
    QVERIFY(!w->close() && w->isVisible() && presetDialogs().saveQuestions == 1);
    // 4000 samples cut and not saved: Cancel writes nothing, Save saves first.
    window_->selectSamples(2000, 5999);
    std::filesystem::remove(*dir_ / "modif.wav");
    QVERIFY(window_->runCommand(22) && !w->resynthesise() && !std::filesystem::exists(*dir_ / "modif.wav"));
    presetDialogs().saveAnswer = SaveAnswer::Save;
    std::vector<std::int16_t> samples;
    int rate = 0;
    QVERIFY(w->resynthesise() && readWavSamples((*dir_ / "modif.wav").string(), samples, rate));
    std::vector<std::int16_t> saved, whole;
    QVERIFY(readWavSamples(edited.string(), saved, rate) && readWavSamples(voiced_.string(), whole, rate));
    QCOMPARE(saved.size() + 4000, whole.size());
    QVERIFY(std::abs(static_cast<long>(samples.size()) - static_cast<long>(saved.size())) < 800);
    // The result is the current signal; resynthesis from it starts from the contour's signal again.
    QCOMPARE(program().en_cours.nom, (*dir_ / "contour-resynth.wav").string());
    QVERIFY(w->resynthesise() && program().en_cours.nom == (*dir_ / "contour-resynth-2.wav").string());
    presetDialogs().saveAnswer = SaveAnswer::DontSave;
    QVERIFY(w->close());
    setOpenHooks({});
  }

  // Stretch edits of the contour, each one undo step: keys and the menu
  // shift the selected stretch's voiced points by 2^(n/12) exactly; a drag
  // off the points draws them along the pointer. The window fits its
  // screen, reads out the pointer and has no mnemonic twice in a menu.
  void f0ContourStretches() {
    QVERIFY(window_->openPath(voiced_.string()) && window_->runCommand(605));
    auto* w = window_->findChild<F0ContourWindow*>();
    QVERIFY(w && w->fromCurrentSignal() && w->toModify() && QTest::qWaitForWindowExposed(w));
    QVERIFY(test_support::wholyOnScreen(w) && w->width() >= 400 && w->height() >= 250);
    QCOMPARE(test_support::repeatedMnemonic(w), QString());
    const auto& points = w->contour().modifiable.tab().points;
    auto values = [&] {
      std::vector<float> v;
      for (const Point2P& p : points) v.push_back(p.values[0]);
      return v;
    };
    const std::vector<float> start = values();
    const double a = kVoicedFromMs + 100, b = kVoicedFromMs + 300;  // ms, inside the voiced part
    QVERIFY(!w->shiftStretch(1) && values() == start);  // nothing selected
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    const struct { const char* how; double semitones; } shifts[] = {
        {"Up", 1}, {"Down", -1}, {"PgUp", 12}, {"PgDown", -12}, {"menu", 3.5}};
    for (const auto& shift : shifts) {
      w->view()->setSelection(std::pair(b, a));
      if (QString(shift.how) == "menu") QVERIFY(w->shiftStretch(shift.semitones));
      else QTest::keySequence(w, QKeySequence(shift.how));
      int inside = 0;
      for (std::size_t i = 0; i < points.size(); ++i) {
        const bool in = points[i].date >= a && points[i].date <= b && start[i] > 0;
        inside += in;
        const auto want = in ? static_cast<float>(start[i] * std::pow(2.0, shift.semitones / 12)) : start[i];
        QVERIFY2(points[i].values[0] == want, shift.how);
      }
      QVERIFY2(inside > 5 && w->undo() && values() == start && !w->undo(), shift.how);
    }
    // A stroke from near the top of the F0 axis at a to near its bottom at
    // b, started well above the contour (150 Hz).
    w->view()->setSelection(std::nullopt);
    const auto [lo, hi] = w->view()->axis();
    const double top = hi - (hi - lo) / 20, bottom = lo + (hi - lo) / 20, fs = program().en_cours.frequence;
    const QPointF from = w->view()->pointAt(a * fs / 1000, top), to = w->view()->pointAt(b * fs / 1000, bottom);
    QTest::mousePress(w->view(), Qt::LeftButton, {}, from.toPoint());
    for (int k = 1; k <= 20; ++k) QTest::mouseMove(w->view(), (from + (to - from) * (k / 20.0)).toPoint());
    QTest::mouseRelease(w->view(), Qt::LeftButton, {}, to.toPoint());
    QVERIFY(w->statusBar()->currentMessage().startsWith("t = "));
    // Within a pixel of the line each way, and a whole Hz.
    const double near = (hi - lo) / w->view()->plotRect().height() + (top - bottom) / (to.x() - from.x()) + 1;
    const double fromMs = w->view()->sampleAtX(from.toPoint().x()) * 1000 / fs, toMs = w->view()->sampleAtX(to.toPoint().x()) * 1000 / fs;
    int drawn = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const double t = points[i].date, line = top + (bottom - top) * (t - fromMs) / (toMs - fromMs);
      if (t < fromMs + 5 || t > toMs - 5 || start[i] <= 0) continue;
      QVERIFY2(++drawn && std::fabs(points[i].values[0] - line) <= near, qPrintable(QString::number(t)));
    }
    QVERIFY(drawn > 5 && w->undo() && values() == start && !w->undo());
    presetDialogs().saveAnswer = SaveAnswer::DontSave;
    QVERIFY(w->close());
  }

  // Each command is wired or marked "Not available yet", never both; a
  // not-yet command never runs, the others without a file only when they
  // need none.
  void commandStatesFollowTheFile() {
    for (const CommandSpec& c : mainCommands()) {
      QVERIFY2(window_->isWired(c.id) != isNotYetAvailable(c.id), qPrintable(QString::number(c.id)));
      if (*c.menu) QVERIFY2(window_->action(c.id), qPrintable(QString::number(c.id)));
    }
    const int notYet = commandsNotYetAvailable().front();
    QCOMPARE(window_->action(notYet)->toolTip(), QString("Not available yet"));
    // Cut (22) needs a selection.
    const int ids[] = {kCmdOpen, kCmdQuit, kCmdZoomIn, kCmdZoomOut, kCmdGoTo, kCmdCopySignalBitmap, kCmdClear, notYet, 22};
    const auto enabled = [&] {
      QList<bool> on;
      for (int id : ids) on << window_->action(id)->isEnabled();
      return on;
    };
    QCOMPARE(enabled(), (QList<bool>{true, true, false, false, false, false, false, false, false}));
    QVERIFY(!window_->runCommand(kCmdZoomOut));
    open();
    QCOMPARE(enabled(), (QList<bool>{true, true, true, true, true, true, true, false, false}));
  }

  // The slice follows the pointer while asked to, and keeps its frame for
  // a pointer outside the memory stretch.
  void spectralSliceFollowsThePointer() {
    open();
    QVERIFY(window_->runCommand(66));
    auto* slice = window_->findChild<SpectralSliceWindow*>();
    QVERIFY(slice && slice->isVisible() && !slice->slice().spectrumDb.empty());
    const auto centreOf = [&] { return slice->slice().first + slice->slice().length / 2; };
    const struct {
      std::int32_t sample;
      bool follow;
      std::int64_t centre;
    } rows[] = {{20000, true, 20000}, {-5, true, 20000}, {program().ct.f_e + 10, true, 20000},
                {0, true, slice->slice().length / 2}, {30000, false, slice->slice().length / 2}};
    for (const auto& r : rows) {
      slice->setFollowing(r.follow);
      window_->pointerAt(r.sample, -1);
      QCOMPARE(centreOf(), r.centre);
    }
    QVERIFY(window_->runCommand(66));
    QCOMPARE(window_->findChildren<SpectralSliceWindow*>().size(), 1);
  }

  void layoutFollowsEveryResize() {
    for (QSize size : {QSize(900, 550), QSize(640, 300), QSize(500, 120)}) {
      window_->resize(size);
      QCoreApplication::processEvents();
      const QWidget* client = window_->centralWidget();
      const MainLayout expected = layoutPanes(client->width(), client->height(), window_->lineHeight(), 0, 0, kOverviewHeight);
      const MainLayout& l = window_->layout();
      QVERIFY(l.spectro == expected.spectro && l.signal == expected.signal);
      QCOMPARE(window_->signalPlane()->geometry(), QRect(l.signal.x, l.signal.y, l.signal.width, l.signal.height));
      QCOMPARE(window_->spectroPlane()->isVisible(), expected.spectro.visible());
    }
    // The window's minimum size keeps every pane (below it they overlapped).
    QVERIFY(window_->height() >= window_->minimumHeight() && window_->spectroPlane()->isVisible());
  }

  void dragsInEitherDirectionGiveTheSameMirroredSelection() {
    open();
    PlaneView* signal = window_->signalPlane()->view();
    PlaneView* spectro = window_->spectroPlane()->view();
    drag(signal, 120, 40);
    const auto rtl = std::make_pair(program().ct.d_sel, program().ct.f_sel);
    QCOMPARE(std::make_pair(spectro->startColumn(), spectro->endColumn()), std::make_pair(40, 120));
    drag(spectro, 40, 120);
    QCOMPARE(std::make_pair(program().ct.d_sel, program().ct.f_sel), rtl);
    QCOMPARE(std::make_pair(signal->startColumn(), signal->endColumn()), std::make_pair(40, 120));
    QVERIFY(rtl.first < rtl.second);
    QVERIFY(!lines_.get(kLineDuration).empty());
  }

  // Every navigation key, go to, the scroll bar and zoom from a view of 8000
  // samples at 16000 (2.5 s signal): where the view lands, and that it never
  // leaves the file. Zoom on 5 samples shows 11; zoom out the whole memory.
  void navigationKeysKeepTheViewInsideTheFile() {
    open();
    auto& ct = program().ct;
    struct Row {
      const char* name;
      std::function<void()> act;
      std::int32_t first, width;  // expected view
    };
    auto key = [this](Qt::Key k, Qt::KeyboardModifiers m = {}) {
      return [=, this] { QTest::keyClick(window_.get(), k, m); };
    };
    auto wheel = [this](int notches, Qt::KeyboardModifiers m) {
      return [=, this] {
        QWidget* w = window_->signalPlane()->view();
        const QPointF at(w->width() / 2, w->height() / 2);
        QWheelEvent e(at, w->mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton, m, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
      };
    };
    const Row rows[] = {
        {"Right", key(Qt::Key_Right), 16800, 8000},
        {"Left", key(Qt::Key_Left), 15200, 8000},
        {"Page Down", key(Qt::Key_PageDown), 24000, 8000},
        {"Page Up", key(Qt::Key_PageUp), 8000, 8000},
        {"Home", key(Qt::Key_Home), 0, 8000},
        {"End", key(Qt::Key_End), 32000, 8000},
        {"+", key(Qt::Key_Plus), 17999, 4000},
        {"-", key(Qt::Key_Minus), 11999, 16000},
        {"Ctrl+A", key(Qt::Key_A, Qt::ControlModifier), 0, 40000},
        {"wheel back", wheel(-1, {}), 16800, 8000},
        {"Ctrl+wheel", wheel(1, Qt::ControlModifier), 17999, 4000},
        {"Page Down x4", [&] { for (int i = 0; i < 4; ++i) window_->navigate(Step::PageRight); }, 32000, 8000},
        {"Go to 500 ms", [&] { window_->goToMs(500); }, 8000, 8000},
        {"Go to past the end", [&] { window_->goToMs(1e9); }, 32000, 8000},
        {"scroll bar a quarter of the way", [&] { window_->scrollBar()->setValue(2500); }, 9999, 8000},
        {"scroll bar at its end", [&] { window_->scrollBar()->setValue(window_->scrollBar()->maximum()); }, 32000, 8000},
        {"zoom on 5 samples", [&] { ct.d_sel = 1000, ct.f_sel = 1004, window_->runCommand(kCmdZoomIn); }, 1000, 11},
    };
    for (const Row& row : rows) {
      window_->showFromSample(0);
      ct.d_sel = 16000;
      ct.f_sel = 24000;
      QVERIFY(window_->runCommand(kCmdZoomIn));
      QCOMPARE(std::make_pair(ct.d_a, ct.f_a), std::make_pair(16000, 23999));
      QVERIFY(window_->action(kCmdZoomIn)->isChecked() && !window_->action(kCmdZoomOut)->isChecked());
      row.act();
      QVERIFY2(ct.d_a == row.first && ct.f_a - ct.d_a + 1 == row.width,
               qPrintable(QString("%1: %2..%3").arg(row.name).arg(ct.d_a).arg(ct.f_a)));
      QVERIFY2(ct.d_a >= 0 && ct.f_a <= ct.tf - 1 && ct.f_es == ct.f_a, row.name);
    }
    QVERIFY(window_->runCommand(kCmdZoomOut));
    QVERIFY(ct.modeMemoire == 1 && ct.d_a == 0 && window_->action(kCmdZoomOut)->isChecked());
    QVERIFY2(reports().empty(), reports().c_str());
  }

  // The status bar at known pointer positions; the pointer line in every pane.
  void readoutsAndThePointerLineFollowThePointer() {
    open();
    window_->runCommand(kCmdWideBand);
    PlaneView* signal = window_->signalPlane()->view();
    SpectroView* spectro = window_->spectroPlane()->view();
    const QLabel* pointer = window_->pointerReadout();
    struct Row {
      PlaneView* view;
      int x, y;
    };
    for (const Row& row : {Row{signal, 10, 5}, Row{signal, 300, 40}, Row{spectro, 200, 30}, Row{spectro, 330, 100}}) {
      hover(row.view, QPoint(row.x, row.y));
      const std::int32_t sample = row.view->axis().sampleAt(row.x);
      QVERIFY(pointer->text().startsWith(QString("t = %1 s").arg(sample / 16000.0, 0, 'f', 4)));
      QCOMPARE(window_->phonemePane()->pointerLine(), sample);
      QCOMPARE(signal->pointerLine(), sample);
      const bool overSpectro = row.view == spectro;
      const QString hz = QString("f = %1 Hz").arg(spectro->frequencyAxis().hzAtRow(row.y), 0, 'f', 0);
      QVERIFY2(pointer->text().contains(hz) == overSpectro, qPrintable(pointer->text()));
      QVERIFY2(pointer->text().contains(" dB") == (overSpectro && spectro->levelDbAt(row.x, row.y).has_value()),
               qPrintable(pointer->text()));
    }
    // Over formant tracks the readout gives their analysis ceiling; none once
    // the decorations are cleared.
    const FormantOptions kept = formantOptions();
    for (const double ceiling : {0.0, 5000.0, 6500.0}) {
      formantOptions().ceilingHz = ceiling;
      QVERIFY(window_->runCommand(61));
      hover(spectro, QPoint(200, 30));
      const QString text = pointer->text();
      const auto& tried = automaticCeilings();
      const bool shown = ceiling > 0 ? text.endsWith(QString("ceiling = %1 Hz").arg(ceiling))
                                     : std::any_of(tried.begin(), tried.end(), [&](double c) {
                                         return text.endsWith(QString("ceiling = %1 Hz").arg(c));
                                       });
      QVERIFY2(shown, qPrintable(text));
    }
    formantOptions() = kept;
    window_->runCommand(kCmdClearDecorations);
    hover(spectro, QPoint(200, 30));
    QVERIFY2(!pointer->text().contains("ceiling"), qPrintable(pointer->text()));
    // The level read follows the range in use: down from the loudest cell, or fixed.
    for (const double range : {70.0, 0.0}) {
      spectroSettings().relativeRangeDb = range;
      window_->runCommand(kCmdWideBand);
      const LevelRange shown = legendRange();
      double top = -1e9;
      for (int y = 0; y < spectro->height(); y += 2) top = std::max(top, spectro->levelDbAt(100, y).value_or(top));
      QVERIFY(shown.highDb - shown.lowDb == (range > 0 ? range : 37.0) && top <= shown.highDb + 1e-9 && top > shown.lowDb);
    }
    // The 2.5 s signal in a 6 s view: the right half lies outside it.
    hover(signal, QPoint(signal->width() - 2, 5));
    QVERIFY2(pointer->text().endsWith("(outside the signal)"), qPrintable(pointer->text()));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(signal, &leave);
    QCOMPARE(pointer->text(), QString());
    drag(signal, 40, 120);
    const auto& ct = program().ct;
    QCOMPARE(window_->selectionReadout()->text(),
             QString("Selection %1 - %2 s (%3 ms)")
                 .arg(ct.d_sel / 16000.0, 0, 'f', 4)
                 .arg((ct.f_sel + 1) / 16000.0, 0, 'f', 4)
                 .arg((ct.f_sel + 1 - ct.d_sel) / 16.0, 0, 'f', 1));
  }

  // Decorations (the F0 for the screen, one drawn here) are drawn over the
  // bitmap, into it when kept, and removed when cleared.
  void decorationsAreKeptThroughRedrawsUntilCleared() {
    open();
    SpectroView* view = window_->spectroPlane()->view();
    QVERIFY(window_->runCommand(922));
    QCOMPARE(view->decorationCount(), 1);
    const QPoint at(10, 10);
    view->addDecoration([at](QPainter& p, const TimeAxis&, const FrequencyAxis&) {
      p.fillRect(QRect(at, QSize(3, 3)), QColor(0, 255, 0));
    });
    QVERIFY(view->bitmap().pixel(at) != qRgb(0, 255, 0));
    QVERIFY(window_->runCommand(kCmdKeepDecoration));
    QCOMPARE(view->bitmap().pixel(at), qRgb(0, 255, 0));
    QVERIFY(window_->runCommand(kCmdClear));
    QCOMPARE(view->bitmap().pixel(at), qRgb(0, 255, 0));
    QVERIFY(window_->runCommand(kCmdClearDecorations));
    QCOMPARE(view->decorationCount(), 0);
    QVERIFY(view->bitmap().pixel(at) != qRgb(0, 255, 0));
  }

  void planeBitmapsGoToTheClipboard() {
    open();
    QVERIFY(window_->runCommand(kCmdCopySignalBitmap));
    QCOMPARE(QApplication::clipboard()->image().size(), window_->signalPlane()->view()->bitmap().size());
    QVERIFY(window_->runCommand(kCmdCopySpectroBitmap));
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             window_->spectroPlane()->view()->bitmap());
  }

  // The details of the current kind; the options window of the current kind
  // or of a kind by number opens once and edits the record in place.
  void parameterWindowsEditTheRecordsInPlace() {
    QVERIFY(window_->runCommand(kCmdSpectroDetails));
    QVERIFY((*recorder_)->saw(text(8530)));  // no file
    open();
    QVERIFY(window_->runCommand(kCmdNarrowBand));
    QVERIFY(window_->runCommand(kCmdSpectroDetails));
    QVERIFY((*recorder_)->saw("Sampling frequency: 16000 Hz"));
    QVERIFY(window_->runCommand(kCmdCurrentKindOptions));
    QVERIFY(window_->runCommand(11853));  // critical-band options
    QVERIFY(window_->runCommand(11853));  // already open: no second window
    auto windows = window_->findChildren<SpectroParamsWindow*>();
    std::sort(windows.begin(), windows.end(), [](auto* a, auto* b) { return a->kind() < b->kind(); });
    QCOMPARE(windows.size(), 2);
    QCOMPARE(QList<int>({windows[0]->kind(), windows[1]->kind()}), QList<int>({kNarrowBand, kCriticalBands}));
    const auto& record = spectroSettings()[kCriticalBands];
    QVERIFY(record.windowOpen);
    auto field = [&](int textNumber) -> QWidget* {  // the field of the row labelled with text `textNumber`
      for (auto* label : windows[1]->findChildren<QLabel*>())
        if (label->text() == QString::fromStdString(text(textNumber))) return label->buddy();
      return nullptr;
    };
    auto* fft = qobject_cast<QSpinBox*>(field(8506));
    auto* bands = qobject_cast<QSpinBox*>(field(8550));
    auto* smoothing = qobject_cast<QComboBox*>(field(8555));
    QVERIFY(fft && bands && smoothing);
    // 300 points become 512; 512 bands are then limited to 256.
    fft->setValue(300);
    QCOMPARE(std::make_pair(record.fftSize, fft->value()), std::make_pair(512, 512));
    QCOMPARE(record.bands.bandCount, 256);
    bands->setValue(1000);
    QCOMPARE(record.bands.bandCount, 256);
    // Prior cepstral smoothing takes at most 2048 points, whichever is set last.
    smoothing->setCurrentIndex(1);
    fft->setValue(4096);
    QCOMPARE(std::make_pair(record.fftSize, fft->value()), std::make_pair(512, 512));
    QVERIFY((*recorder_)->saw("at most 2048 points"));
    smoothing->setCurrentIndex(0);
    fft->setValue(4096);
    QCOMPARE(record.fftSize, 4096);
    smoothing->setCurrentIndex(1);
    QCOMPARE(int(record.bands.priorSmoothing), 0);
    QCOMPARE(smoothing->currentIndex(), 0);
    for (auto* w : windows) w->close();
    QCoreApplication::processEvents();
    QVERIFY(!record.windowOpen);
    setSpectroDefaults(-1);
  }

  void colourLegendShowsTheLevelsAcrossThePlane() {
    open();
    QVERIFY(window_->runCommand(kCmdColourMap));
    const QImage& image = window_->spectroPlane()->view()->bitmap();
    const int y = image.height() / 2;  // inside the band 0.4..0.65
    // Level 0 is white, the highest level dark.
    QCOMPARE(QColor(image.pixel(static_cast<int>(0.1 * image.width()) + 1, y)), QColor(Qt::white));
    QVERIFY(qGray(image.pixel(static_cast<int>(0.9 * image.width()) - 2, y)) < 40);
    QCOMPARE(QColor(image.pixel(2, y)), QColor(Qt::white));  // outside the legend
  }

  // Every kind paints, and after each step the spectrogram drawn from the
  // kept columns is the one computed afresh.
  void everySpectrogramKindPaints() {
    window_->resize(420, 320);
    open();
    SpectroView* view = window_->spectroPlane()->view();
    QImage blank(view->bitmap().size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    const auto select = [] {
      program().ct.d_sel = program().ct.d_a + 3000;
      program().ct.f_sel = program().ct.d_a + 4000;
    };
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"zoom in", [&] { select(), window_->runCommand(kCmdZoomIn); }},
        {"right", [&] { window_->navigate(Step::Right); }},
        {"left", [&] { window_->navigate(Step::Left); }},
        {"cut", [&] { drag(window_->signalPlane()->view(), 40, 120), window_->runCommand(22); }},
        {"cancel", [&] { window_->runCommand(21); }},
    };
    for (int id : {kCmdWideBand, kCmdNarrowBand, kCmdReassigned, kCmdLinearPrediction, kCmdCepstral,
                   kCmdCriticalBands}) {
      QVERIFY(window_->runCommand(id));
      QVERIFY2(window_->action(id)->isChecked(), qPrintable(QString::number(id)));
      QVERIFY2(view->bitmap() != blank, qPrintable(QString::number(id)));
      // Two columns a frame; a filter bank.
      for (const auto& [name, act] : steps) {
        if (id != kCmdNarrowBand && id != kCmdCriticalBands) break;
        act();
        QImage fresh(view->bitmap().size(), QImage::Format_RGB32);
        fresh.fill(Qt::white);
        QVERIFY(paintSpectrogramAfresh(fresh, view->axis()));
        QVERIFY2(view->bitmap() == fresh, qPrintable(QString("%1 after %2").arg(id).arg(name)));
      }
      QVERIFY2(reports().empty(), reports().c_str());
    }
  }

  // Ctrl+P plays the selection's samples, without one the stretch shown;
  // Play many repeats; Record opens the capture; without a device Play says so.
  void playbackAndRecordUseTheDevices() {
    NullAudioOutput device;
    NullAudioInput input;
    input.script(std::vector<std::int16_t>(3000, 1234));
    setAudioDevices(&device, &input);
    open();
    program().ct.d_sel = 1000;
    program().ct.f_sel = 1199;
    window_->updateCommandStates();
    QTest::keyClick(window_.get(), Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(!window_->player().playing());
    QCOMPARE(device.blocks().size(), std::size_t{1});
    QCOMPARE(device.opened().rateHz, 16000);
    const auto& bytes = device.blocks()[0];
    QCOMPARE(bytes.size(), std::size_t{400});
    for (int i = 0; i < 200; ++i)
      QCOMPARE(static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)), rampAt(1000 + i));
    QCOMPARE(window_->signalPlane()->view()->playCursor(), -1);
    // No selection (or the one sample a file opens with): the stretch shown, within the signal.
    program().ct.d_sel = program().ct.f_sel = 0;
    QVERIFY(window_->runCommand(kCmdPlay));
    QTRY_VERIFY(!window_->player().playing());
    QCOMPARE(device.blocks().back().size(), std::size_t{2} * 40000);
    test_support::answerModal([](QWidget* box) {
      box->findChild<QSpinBox*>()->setValue(3);
      QMetaObject::invokeMethod(box, "accept");
    });
    QVERIFY(window_->runCommand(kCmdPlayMany));
    QTRY_VERIFY(!window_->player().playing());
    QCOMPARE(device.blocks().size(), std::size_t{5});
    QCOMPARE(device.blocks().back().size(), std::size_t{2} * (program().ct.f_es - program().ct.d_es + 1));
    test_support::typeIntoModal("1", "duration");
    QVERIFY(window_->runCommand(kCmdRecord));
    QCOMPARE(input.bufferFrames(), std::int64_t{22050});
    QCOMPARE(program().en_cours.frequence, 22050.0);
    QCOMPARE(program().ct.tf, 3000);
    QCOMPARE(program().memory[10], std::int16_t{1234});
    QVERIFY2(reports().empty(), reports().c_str());
    setAudioDevices(nullptr, nullptr);
    QVERIFY(window_->runCommand(kCmdPlay));
    QCOMPARE((*recorder_)->reports().size(), std::size_t{1});
    QVERIFY((*recorder_)->saw("No audio output device"));
  }

  // Unsaved label edits, then each way of leaving the signal: the
  // "Modifications" question comes once; Cancel keeps the window, the file
  // and the edit; Save writes the edit first.
  void leavingTheSignalAsksTheSaveQuestion() {
    NullAudioOutput output;
    NullAudioInput input;
    setAudioDevices(&output, &input);
    installEditSaveHandler();  // as the program does
    const auto edited = *dir_ / "edited.wav", other = *dir_ / "other.wav";
    QVERIFY(writeRamp(other, 100));
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Quit", [&] { window_->runCommand(kCmdQuit); }},
        {"close button", [&] { window_->close(); }},
        {"Open", [&] { window_->openPath(other.string()); }},
        {"New", [&] { window_->runCommand(11); }},
        {"Record", [&] { test_support::typeIntoModal("1", "duration"), window_->runCommand(kCmdRecord); }},
    };
    for (const auto& [way, leave] : ways) {
      for (SaveAnswer answer : {SaveAnswer::Cancel, SaveAnswer::Save}) {
        const std::string row = std::string(way) + (answer == SaveAnswer::Cancel ? ", Cancel" : ", Save");
        presetDialogs().saveAnswer = SaveAnswer::DontSave;
        std::filesystem::copy_file(wav_, edited, std::filesystem::copy_options::overwrite_existing);
        window_->show();
        QVERIFY(window_->openPath(edited.string()));
        notetiqs& words = program().note;
        words.SetText(words.insertOrGet(0), "renamed");
        words.insertOrGet(1000);
        program().annotationsModified = true;
        presetDialogs().saveAnswer = answer;
        presetDialogs().saveQuestions = 0;
        input.script(std::vector<std::int16_t>(300, 1));
        (*recorder_)->clear();
        leave();
        QVERIFY2(presetDialogs().saveQuestions == 1 && reports().empty(), row.c_str());
        if (answer == SaveAnswer::Cancel) {
          QVERIFY2(window_->isVisible() && program().en_cours.nom == edited.string(), row.c_str());
          QCOMPARE(test::readBytes(edited), test::readBytes(wav_));
        } else {  // read back from the file
          presetDialogs().saveAnswer = SaveAnswer::DontSave;
          QVERIFY2(window_->openPath(edited.string()), row.c_str());
        }
        QVERIFY2(program().note.Text(0) == "renamed", row.c_str());
      }
    }
    setOpenHooks({});
    setAudioDevices(nullptr, nullptr);
  }

  // Cancel keeps the speaker type and the voicing threshold, OK sets them;
  // the F0 is drawn in the speaker's colour.
  void speakerDialogChangesTheTypeAndTheColour() {
    for (bool accept : {false, true}) {
      test_support::answerModal([accept](QWidget* box) {
        auto* d = qobject_cast<SpeakerDialog*>(box);
        QVERIFY(d && d->button(-1)->isChecked());
        QCOMPARE(d->chosenVoicing(), kDefaultVoicingThreshold);
        d->button(1)->setChecked(true);
        d->voicing()->setValue(0.0);
        accept ? static_cast<QDialog*>(d)->accept() : d->reject();
      });
      QVERIFY(window_->runCommand(917));
      QCOMPARE(speakerType(), accept ? 1 : -1);
      QCOMPARE(voicingThreshold(), accept ? 0.0f : kDefaultVoicingThreshold);
    }
    voicingThreshold() = kDefaultVoicingThreshold;
    openVoiced();
    QVERIFY(window_->runCommand(922));
    const QImage image = keptImage();
    QVERIFY(countColour(image, qRgb(0, 255, 255)) > 50);  // male: cyan
    QCOMPARE(countColour(image, qRgb(255, 0, 0)), 0);
  }

  void f0ForTheWholeFileWritesAPitchFileShowsAndReopensIt() {
    openVoiced();
    const auto pit = *dir_ / "whole.pit";
    test_support::answerFilesWith(pit);
    QVERIFY(window_->runCommand(919));
    const std::string content = test::readFile(pit);
    QCOMPARE(content.substr(0, 4), std::string(".pit"));
    QVERIFY(content.size() % 18 == 0);
    // Voiced frames lie in the voiced stretch, at about 150 Hz.
    std::istringstream in(content.substr(18));
    long ms = 0;
    int hz = 0, voiced = 0;
    while (in >> ms >> hz) {
      if (hz == 0) continue;
      ++voiced;
      QVERIFY2(ms > kVoicedFromMs - 40 && ms < kVoicedToMs + 40, qPrintable(QString::number(ms)));
      QVERIFY2(std::abs(hz - 150) <= 8, qPrintable(QString::number(hz)));
    }
    QVERIFY(voiced > 100);
    QCOMPARE(view()->decorationCount(), 1);
    QVERIFY(countColour(keptImage(), qRgb(230, 120, 0)) > 100);  // apart from the red of the F0 for the screen
    // Line 12 follows the pointer: voiced in the middle, 0 in the silence.
    const TimeAxis axis = view()->axis();
    const int y = view()->height() / 2;
    QTest::mouseMove(view(), QPoint(static_cast<int>(axis.xOf(kRate * 0.8)), y));
    const std::string line = lines_.get(kLineF0);
    QVERIFY2(line.rfind("f0: 1", 0) == 0 && line.size() == 10, line.c_str());
    QTest::mouseMove(view(), QPoint(static_cast<int>(axis.xOf(kRate * 1.6)), y));
    QCOMPARE(lines_.get(kLineF0), std::string("f0: 0 Hz"));
    // Opening the file draws it again, and so does displaying it.
    QVERIFY(window_->runCommand(913));
    QVERIFY(window_->runCommand(916));
    QCOMPARE(view()->decorationCount(), 3);
    QVERIFY2(reports().empty(), reports().c_str());
  }

  void f0ForACorpusWritesAPitchFileBesideEachSignal() {
    const auto corpus = *dir_ / "corpus";
    std::filesystem::create_directories(corpus);
    for (const char* name : {"a", "b"}) std::filesystem::copy_file(voiced_, corpus / (name + std::string(".wav")));
    test::writeFile(corpus / "notes.txt", "not a signal");
    const auto pitchFiles = [&] {
      QList<bool> there;
      for (const char* name : {"a.pit", "b.pit", "notes.pit"}) there << std::filesystem::exists(corpus / name);
      return there;
    };
    test_support::answerFilesWith(corpus / "a.wav");
    QVERIFY(window_->runCommand(11846));
    QCOMPARE(pitchFiles(), QList<bool>({true, true, false}));
    QCOMPARE((*recorder_)->reports().size(), std::size_t(1));
    QVERIFY2((*recorder_)->saw("2 pitch files"), reports().c_str());
    QVERIFY(!program().fileLoaded);  // the current signal is untouched

    // Cancel in the progress dialog as soon as it exists: no file is started.
    for (const char* name : {"a.pit", "b.pit"}) std::filesystem::remove(corpus / name);
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [this] {
      for (auto* dialog : window_->findChildren<QProgressDialog*>()) dialog->cancel();
    });
    canceller.start(0);
    QVERIFY(window_->runCommand(11846));
    canceller.stop();
    QCOMPARE(pitchFiles(), QList<bool>({false, false, false}));
    QVERIFY2((*recorder_)->saw("0 pitch files written") && (*recorder_)->saw("stopped after 0 of 2 files"),
             reports().c_str());
  }

  void energyCurveAndScalesAreDrawnInBlue() {
    openVoiced();
    QVERIFY(window_->runCommand(911));
    QCOMPARE(view()->decorationCount(), 1);
    const QImage image = keptImage();
    // The curve rises in the voiced stretch: its blue pixels there lie higher.
    const TimeAxis axis = view()->axis();
    auto highestBlue = [&](double ms) {
      const int x = static_cast<int>(axis.xOf(ms * kRate / 1000));
      for (int y = 0; y < image.height(); ++y)
        for (int dx = -2; dx <= 2; ++dx)
          if (image.pixel(std::clamp(x + dx, 0, image.width() - 1), y) == qRgb(0, 0, 255)) return y;
      return image.height();
    };
    QVERIFY(highestBlue(800) < highestBlue(100) - 20);
    QVERIFY(window_->action(11842)->isChecked());  // the curve comes with its scale
    // Shown scales lie right of the spectrogram, never over it; the panes
    // that share the time axis give up the same columns.
    const int fullWidth = window_->centralWidget()->width();
    const auto shown = [&] {
      int n = 0;
      const QRect plot = window_->spectroPlane()->geometry();
      for (ValueScale* s : window_->findChildren<ValueScale*>()) {
        if (s->isHidden()) continue;
        ++n;
        if (s->geometry().intersects(plot) || s->geometry().top() != plot.top()) return -1;
      }
      const int width = window_->spectroPlane()->width();
      return window_->signalPlane()->width() == width && width == fullWidth - n * kValueScaleWidth ? n : -2;
    };
    QCOMPARE(shown(), 1);
    QVERIFY(window_->runCommand(604));
    QCOMPARE(shown(), 2);
    QVERIFY(window_->runCommand(604));
    QVERIFY(!window_->action(604)->isChecked());
    QCOMPARE(shown(), 1);
    QVERIFY(window_->runCommand(39));  // Clear decorations takes the scales too
    QVERIFY(shown() == 0 && !window_->action(11842)->isChecked());
    QVERIFY(window_->runCommand(922));  // F0 for the screen, then another file
    QCOMPARE(shown(), 1);
    open();
    QVERIFY(shown() == 0 && !window_->action(604)->isChecked());
  }

  // A 20 s file: the strip shows all of it and moves the view; Ctrl+A shows
  // the whole file, its waveform past memory from the envelope, and no
  // spectrogram past the longest stretch; memory keeps its 6 s.
  void overviewStripAndViewsWiderThanMemory() {
    const auto longWav = *dir_ / "long.wav";
    QVERIFY(writeRamp(longWav, 20 * kRate));
    QVERIFY(window_->openPath(longWav.string()));
    auto& ct = program().ct;
    OverviewStrip* strip = window_->overview();
    QVERIFY(strip->isVisible() && strip->geometry() == QRect(window_->layout().overview.x, window_->layout().overview.y,
                                                               window_->layout().overview.width, kOverviewHeight));
    QCOMPARE(ct.f_a - ct.d_a + 1, 6 * kRate);  // the default width stays
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(strip->width() * 3 / 4, strip->height() / 2));
    const std::int32_t centre = strip->sampleAt(strip->width() * 3 / 4);
    QVERIFY2(std::abs((ct.d_a + ct.f_a) / 2 - centre) < kRate / 10, qPrintable(QString::number(ct.d_a)));
    QCOMPARE(ct.f_a - ct.d_a + 1, 6 * kRate);
    QTest::keyClick(window_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(std::make_pair(ct.d_a, ct.f_a), std::make_pair(0, 20 * kRate - 1));
    QVERIFY(ct.f_e - ct.d_e + 1 <= 6 * kRate && program().memory.size() == ct.f_e - ct.d_e + 1);
    QVERIFY(ct.d_es >= ct.d_e && ct.f_es <= ct.f_e);
    // Strokes at the start and the end of the whole-file waveform.
    const QImage wave = window_->signalPlane()->view()->bitmap();
    for (const int x : {2, wave.width() - 3}) {
      int dark = 0;
      for (int y = 0; y < wave.height(); ++y) dark += qBlue(wave.pixel(x, y)) == 128 && qRed(wave.pixel(x, y)) == 0;
      QVERIFY2(dark > wave.height() / 4, qPrintable(QString::number(x)));
    }
    // 20 s is past the 10-s longest stretch: no spectrogram level anywhere.
    window_->runCommand(kCmdWideBand);
    SpectroView* spectro = view();
    QVERIFY(!spectro->levelDbAt(spectro->width() / 10, spectro->height() / 4));
    displayOptions().longestSpectrogramS = 30;
    window_->runCommand(kCmdWideBand);
    QVERIFY(spectro->levelDbAt(spectro->width() * 9 / 10, spectro->height() - 5).has_value());
    displayOptions().longestSpectrogramS = 10;
    QVERIFY(window_->navigate(Step::ZoomIn));  // back under 10 s
    QCOMPARE(ct.f_a - ct.d_a + 1, 10 * kRate);
    QVERIFY2(reports().empty(), reports().c_str());
  }

  // The F0 axis over the speech range, the fixed one a click away; a legend
  // names each overlay in its colour; the energy curve spans the view even
  // with a selection; a click's time in the status bar; the waveform
  // autoscaled on request; the time scale's unit.
  void displaysReadable() {
    openVoiced();
    auto& ct = program().ct;
    ct.d_sel = kRate / 2, ct.f_sel = kRate;
    QVERIFY(window_->runCommand(922));
    const double fmax = view()->fmax();
    const auto [bottom, top] = f0AxisRange(fmax);
    QVERIFY2(bottom > 60 && bottom < 150 && top > 150 && top < 400, qPrintable(QString("%1 %2").arg(bottom).arg(top)));
    ValueScale* f0Scale = nullptr;
    for (ValueScale* scale : window_->findChildren<ValueScale*>())
      if (!scale->toolTip().isEmpty()) f0Scale = scale;
    QVERIFY(f0Scale && f0Scale->isVisible());
    QTest::mouseClick(f0Scale, Qt::LeftButton);
    QCOMPARE(f0AxisRange(fmax), std::make_pair(0.0, f0AxisTopHz(fmax)));
    QTest::mouseClick(f0Scale, Qt::LeftButton);
    QCOMPARE(f0AxisRange(fmax), std::make_pair(bottom, top));
    QVERIFY(window_->runCommand(911));
    using Legend = std::vector<std::pair<QString, QColor>>;
    QCOMPARE(view()->legend(), (Legend{{"F0", QColor(255, 0, 0)}, {"Energy", QColor(0, 0, 255)}}));
    const auto points = energyCurveOverView(ct.d_a, std::min(ct.f_a, ct.tf - 1));
    EnergySetup setup;
    QVERIFY(energySetup(energyParams(), kRate, setup));
    QVERIFY(points.front().sample == ct.d_a && points.back().sample > std::min(ct.f_a, ct.tf - 1) - setup.He);
    drag(window_->signalPlane()->view(), 100, 100);
    QVERIFY2(window_->selectionReadout()->text().startsWith("Click at "), qPrintable(window_->selectionReadout()->text()));
    const auto strokeRows = [&] {
      const QImage wave = window_->signalPlane()->view()->bitmap();
      int rows = 0;
      for (int y = 0; y < wave.height(); ++y) rows += countColour(wave.copy(0, y, wave.width(), 1), qRgb(0, 0, 128)) > 0;
      return rows;
    };
    const int fixed = strokeRows();
    displayOptions().autoscaleWaveform = true;
    window_->refreshAll();
    QVERIFY2(strokeRows() > fixed && window_->signalPlane()->view()->fullScale() < 32768, qPrintable(QString::number(fixed)));
    displayOptions().autoscaleWaveform = false;
    QCOMPARE(window_->signalPlane()->scale()->unit(), QString("s"));  // 6 s shown
    ct.d_sel = kRate / 2, ct.f_sel = kRate;
    QVERIFY(window_->runCommand(kCmdZoomIn));
    QCOMPARE(window_->signalPlane()->scale()->unit(), QString("ms"));
  }

  // No mnemonic twice in one menu; Quit has a key no other command has; an
  // exported figure says where it went; a box names the action under way.
  void quieterTexts() {
    QCOMPARE(test_support::repeatedMnemonic(window_.get()), QString());
    const QKeySequence quit = window_->action(kCmdQuit)->shortcut();
    QVERIFY(!quit.isEmpty());
    for (QAction* a : window_->findChildren<QAction*>())
      QVERIFY2(a == window_->action(kCmdQuit) || !a->shortcuts().contains(quit), qPrintable(a->text()));
    openVoiced();
    const auto figure = *dir_ / "figure.png";
    test_support::answerFilesWith(figure);
    QVERIFY(window_->runCommand(11890));
    QVERIFY(std::filesystem::exists(figure));
    QVERIFY(window_->statusBar()->currentMessage().contains(QString::fromStdString(figure.string())));
    // A box raised while Open runs is titled "Open", not with a function name.
    const auto garbage = *dir_ / "garbage.wav";
    test::writeFile(garbage, "RIFF nonsense");
    struct Boxes : ReportHandler {
      std::vector<std::string> titles;
      void show(const Report& r) override {
        titles.push_back(readableReport(r, actionUnderWay(), "Failing step: ").caption);
      }
      void traceLine(const std::string&) override {}
    } boxes;
    setReportHandler(&boxes);
    test_support::answerFilesWith(garbage);
    window_->runCommand(kCmdOpen);
    setReportHandler(&**recorder_);
    QVERIFY(!boxes.titles.empty());
    for (const std::string& t : boxes.titles) QVERIFY2(t.find('(') == std::string::npos && t.find("::") == std::string::npos, t.c_str());
  }

  void energyOptionsCorrectTheFieldsInOneWindow() {
    openVoiced();
    QVERIFY(window_->runCommand(910));
    QVERIFY(window_->runCommand(910));
    const auto windows = window_->findChildren<EnergyDialog*>();
    QCOMPARE(windows.size(), 1);
    EnergyDialog* d = windows.front();
    // Above Nyquist, above fHigh, no window, a value kept.
    const struct { int field; float typed, EnergyParams::*param, stored; } rows[] = {
        {8543, 20000, &EnergyParams::fHigh, 8000}, {8542, 9000, &EnergyParams::fLow, 7000},
        {8544, 0, &EnergyParams::windowMs, 16}, {8540, 30, &EnergyParams::eLow, 30}};
    for (const auto& r : rows) {
      d->field(r.field)->setValue(r.typed);
      QVERIFY2(energyParams().*r.param == r.stored && d->field(r.field)->value() == double(r.stored),
               qPrintable(QString::number(r.field)));
    }
    d->close();
  }

  void energyForTheWholeFileWritesOneLinePerFrame() {
    openVoiced();
    const auto out = *dir_ / "whole.ene";
    test_support::answerFilesWith(out);
    QVERIFY(window_->runCommand(909));
    std::istringstream in(test::readFile(out));
    long ms = 0;
    double db = 0;
    int lines = 0;
    while (in >> ms >> db) ++lines;
    QCOMPARE(lines, (kRate * 18 / 10 + 50) / 51);  // hop of 51 samples
  }

  void speechStartSelectsTheVoicedStretch() {
    openVoiced();
    QVERIFY(window_->runCommand(11848));
    QCOMPARE((*recorder_)->reports().size(), std::size_t(1));
    const auto& ct = program().ct;
    const double startMs = ct.d_sel * 1000.0 / kRate, endMs = ct.f_sel * 1000.0 / kRate;
    QVERIFY2(std::abs(startMs - kVoicedFromMs) < 25, qPrintable(QString::number(startMs)));
    QVERIFY2(std::abs(endMs - kVoicedToMs) < 25, qPrintable(QString::number(endMs)));
    QVERIFY(!lines_.get(kLineDuration).empty());
  }
};

}  // namespace ardv::shell

QTEST_MAIN(ardv::shell::MainWindowTest)
#include "main_window_test.moc"
