// The main window's panes on the ramp: layout, drags mirrored in the partner
// plane, navigation, readouts, decorations, the clipboard, the colour legend,
// every spectrogram kind, the overview strip, readable displays.
#include "tests/shell/main_window_fixture.h"

namespace ardv::shell {
namespace {

using namespace test_support;

}  // namespace

class PanesTest : public QObject, MainWindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(writeSignals()); }
  void init() { QVERIFY(freshWindow()); }
  void cleanup() { closeFreshWindow(); }

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
};

}  // namespace ardv::shell

QTEST_MAIN(ardv::shell::PanesTest)
#include "panes_test.moc"
