// The Prosody commands on the synthetic voiced WAV: overlays, modification
// results, the F0 contour window, speaker type, F0 and energy of the whole
// file and of a corpus, the speech start.
#include "tests/shell/main_window_fixture.h"

namespace ardv::shell {
namespace {

using namespace test_support;

// What is done after the F0 and the marks are drawn (`before`: a command
// run first, -1 none; `action`: -1 opens the file again), and whether the
// drawings go.
const struct { const char* name; int before, action; bool dropped; } kOverlays[] = {
    {"zoom in keeps them", -1, kCmdZoomIn, false}, {"open", -1, -1, true}, {"cut", -1, 22, true},
    {"delete", -1, 25, true},  {"paste", 23, 24, true},  {"cancel of a cut", 22, 21, true},
};

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

class ProsodyWindowTest : public QObject, MainWindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(writeSignals()); }
  void init() { QVERIFY(freshWindow()); }
  void cleanup() { closeFreshWindow(); }

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

QTEST_MAIN(ardv::shell::ProsodyWindowTest)
#include "prosody_window_test.moc"
