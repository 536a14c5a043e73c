// The Prosody commands of the main window on the offscreen platform, on a
// synthetic voiced WAV: 300 ms of silence, 1 s of a vowel at 150 Hz, 500 ms
// of silence.
#include <QDoubleSpinBox>
#include <QProgressDialog>
#include <QRadioButton>
#include <cmath>
#include <sstream>

#include "prosody/energy.h"
#include "prosody/pitch_types.h"
#include "shell/energy_dialog.h"
#include "shell/file_chooser.h"
#include "shell/speaker_dialog.h"
#include "shell/value_scale.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {
namespace {

constexpr int kRate = 16000;
constexpr double kVoicedFromMs = 300, kVoicedToMs = 1300;

// File questions are answered with `path` (until cleanup).
void chooseFile(const std::filesystem::path& path) {
  setFileChooser([path](FileQuestion, const QString&, const QString&) { return QString::fromStdString(path.string()); });
}

int countColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

}  // namespace

class ProsodyCommandsTest : public QObject, test_support::WindowFixture {
  Q_OBJECT

 private:
  SpectroView* view() const { return window_->spectroPlane()->view(); }
  // The spectrogram bitmap with the decorations drawn into it.
  QImage keptImage() {
    window_->runCommand(38);
    return view()->bitmap();
  }

 private slots:
  void initTestCase() {
    makeDirectory();
    wav_ = *dir_ / "voiced.wav";
    const auto signal = test::synthesize("voiced", kRate,
                                         {{test::SegmentKind::Silence, kVoicedFromMs},
                                          {test::SegmentKind::Voiced, kVoicedToMs - kVoicedFromMs, 150, 150},
                                          {test::SegmentKind::Silence, 500}},
                                         1);
    QVERIFY(test::writeWav(wav_, signal.samples, kRate));
  }

  void init() {
    speakerType() = -1;
    energyParams() = EnergyParams{};
    QVERIFY(showWindow());
  }

  void cleanup() {
    setFileChooser({});
    closeWindow();
  }

  // Cancel keeps the speaker type, OK sets it; the F0 is drawn in its colour.
  void speakerDialogChangesTheTypeAndTheColour() {
    for (bool accept : {false, true}) {
      test_support::answerModal([accept](QWidget* box) {
        auto* d = qobject_cast<SpeakerDialog*>(box);
        QVERIFY(d && d->button(-1)->isChecked());
        d->button(1)->setChecked(true);
        accept ? static_cast<QDialog*>(d)->accept() : d->reject();
      });
      QVERIFY(window_->runCommand(917));
      QCOMPARE(speakerType(), accept ? 1 : -1);
    }
    open();
    QVERIFY(window_->runCommand(922));
    const QImage image = keptImage();
    QVERIFY(countColour(image, qRgb(0, 255, 255)) > 50);  // male: cyan
    QCOMPARE(countColour(image, qRgb(255, 0, 0)), 0);
  }

  void f0ForTheWholeFileWritesAPitchFileShowsAndReopensIt() {
    open();
    const auto pit = *dir_ / "whole.pit";
    chooseFile(pit);
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
    QVERIFY(countColour(keptImage(), qRgb(255, 0, 0)) > 100);
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
    for (const char* name : {"a", "b"}) std::filesystem::copy_file(wav_, corpus / (name + std::string(".wav")));
    test::writeFile(corpus / "notes.txt", "not a signal");
    const auto pitchFiles = [&] {
      QList<bool> there;
      for (const char* name : {"a.pit", "b.pit", "notes.pit"}) there << std::filesystem::exists(corpus / name);
      return there;
    };
    chooseFile(corpus / "a.wav");
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
    open();
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

  void energyOptionsCorrectTheFieldsInOneWindow() {
    open();
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
    open();
    const auto out = *dir_ / "whole.ene";
    chooseFile(out);
    QVERIFY(window_->runCommand(909));
    std::istringstream in(test::readFile(out));
    long ms = 0;
    double db = 0;
    int lines = 0;
    while (in >> ms >> db) ++lines;
    QCOMPARE(lines, (kRate * 18 / 10 + 50) / 51);  // hop of 51 samples
  }

  void speechStartSelectsTheVoicedStretch() {
    open();
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

QTEST_MAIN(ardv::shell::ProsodyCommandsTest)
#include "prosody_commands_test.moc"
