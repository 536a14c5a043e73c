// The main window on the offscreen platform: command states, the command
// table coverage, layout, drags mirrored in the partner plane, zoom, go to
// and scrolling on a real WAV file.
#include "shell/main_window.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QPainter>
#include <QtTest/QtTest>
#include <cstdint>
#include <functional>
#include <fstream>
#include <memory>
#include <vector>

#include "annotation/texts.h"
#include "platform/headless/preset_dialogs.h"
#include "platform/headless/recording_reporter.h"
#include "platform/null_audio.h"
#include "shell/playback.h"
#include "shell/command_table.h"
#include "shell/spectro_params_window.h"
#include "spectral/spectrogram_params.h"
#include "signal/current_signal.h"
#include "signal/annotation_chunk.h"
#include "signal/edit_context.h"
#include "signal/wavfile.h"
#include "signal/program.h"
#include "tests/shell/window_fixture.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv::shell {
namespace {

void put32(std::ofstream& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xff));
}
void put16(std::ofstream& out, std::uint16_t v) {
  out.put(static_cast<char>(v & 0xff));
  out.put(static_cast<char>(v >> 8));
}

// A mono 16-bit WAV of `count` samples at 16 kHz, sample i = (i % 200) * 100 - 10000.
void writeWav(const std::filesystem::path& path, std::int32_t count) {
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4);
  put32(out, 36 + 2 * count);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 1);
  put16(out, 1);
  put32(out, 16000);
  put32(out, 32000);
  put16(out, 2);
  put16(out, 16);
  out.write("data", 4);
  put32(out, 2 * count);
  for (std::int32_t i = 0; i < count; ++i) put16(out, static_cast<std::uint16_t>((i % 200) * 100 - 10000));
}

}  // namespace

class MainWindowTest : public QObject, test_support::WindowFixture {
  Q_OBJECT

 private:
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
    wav_ = dir_->path() / "ramp.wav";
    writeWav(wav_, 40000);  // 2.5 s
  }

  void init() { QVERIFY(showWindow()); }

  void cleanup() { closeWindow(); }

  void everyCommandIsWiredOrMarkedNotYet() {
    for (const CommandSpec& c : mainCommands()) {
      const bool wired = window_->isWired(c.id);
      const bool notYet = isNotYetAvailable(c.id);
      QVERIFY2(wired != notYet, qPrintable(QString("command %1").arg(c.id)));
      if (*c.menu) QVERIFY2(window_->action(c.id), qPrintable(QString("menu entry %1").arg(c.id)));
    }
  }

  void commandsWithoutAFileAreDisabled() {
    QVERIFY(window_->action(kCmdOpen)->isEnabled());
    QVERIFY(window_->action(kCmdQuit)->isEnabled());
    for (int id : {kCmdZoomIn, kCmdZoomOut, kCmdGoTo, kCmdCopySignalBitmap, kCmdClear})
      QVERIFY2(!window_->action(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(!window_->runCommand(kCmdZoomOut));
    const int notYetId = commandsNotYetAvailable().empty() ? kCmdZoomOut : commandsNotYetAvailable().front();
    QAction* notYet = window_->action(notYetId);
    QVERIFY(!notYet->isEnabled());
    if (notYetId != kCmdZoomOut) QCOMPARE(notYet->toolTip(), QString("Not available yet"));
    open();
    QVERIFY(window_->action(kCmdZoomOut)->isEnabled());
    QVERIFY(notYetId == kCmdZoomOut || !window_->action(notYetId)->isEnabled());
  }

  void layoutFollowsEveryResize() {
    for (QSize size : {QSize(900, 550), QSize(640, 300), QSize(500, 120)}) {
      window_->resize(size);
      QCoreApplication::processEvents();
      const QWidget* client = window_->centralWidget();
      const MainLayout expected = layoutPanes(client->width(), client->height(), window_->lineHeight());
      const MainLayout& l = window_->layout();
      QVERIFY(l.spectro == expected.spectro);
      QVERIFY(l.signal == expected.signal);
      QCOMPARE(window_->signalPlane()->geometry(), QRect(l.signal.x, l.signal.y, l.signal.width, l.signal.height));
      QCOMPARE(window_->spectroPlane()->isVisible(), expected.spectro.visible());
    }
    // A tiny height: the spectrogram plane is not drawn.
    QVERIFY(!window_->spectroPlane()->isVisible());
  }

  void dragsInEitherDirectionGiveTheSameMirroredSelection() {
    open();
    PlaneView* signal = window_->signalPlane()->view();
    PlaneView* spectro = window_->spectroPlane()->view();
    drag(signal, 120, 40);
    const auto rtl = std::make_pair(program().ct.d_sel, program().ct.f_sel);
    QCOMPARE(spectro->startColumn(), 40);
    QCOMPARE(spectro->endColumn(), 120);
    drag(spectro, 40, 120);
    QCOMPARE(std::make_pair(program().ct.d_sel, program().ct.f_sel), rtl);
    QCOMPARE(signal->startColumn(), 40);
    QCOMPARE(signal->endColumn(), 120);
    QVERIFY(rtl.first < rtl.second);
    QVERIFY(!lines_.get(kLineDuration).empty());
  }

  void zoomOnFiveSamplesShowsElevenThenZoomsOut() {
    open();
    auto& ct = program().ct;
    ct.d_sel = 1000;
    ct.f_sel = 1004;
    QVERIFY(window_->runCommand(kCmdZoomIn));
    QCOMPARE(ct.d_a, 1000);
    QCOMPARE(ct.f_a, 1010);
    QVERIFY(window_->action(kCmdZoomIn)->isChecked());
    QVERIFY(!window_->action(kCmdZoomOut)->isChecked());
    QVERIFY(window_->runCommand(kCmdZoomOut));
    QCOMPARE(ct.modeMemoire, 1);
    QCOMPARE(ct.d_a, 0);
    QVERIFY(window_->action(kCmdZoomOut)->isChecked());
    QCOMPARE((*recorder_)->reports().size(), std::size_t(0));
  }

  void goToAndScrollMoveTheView() {
    open();
    auto& ct = program().ct;
    ct.d_sel = 0;
    ct.f_sel = 7999;
    QVERIFY(window_->runCommand(kCmdZoomIn));  // half a second shown
    QVERIFY(window_->goToMs(1000));
    QCOMPARE(ct.d_a, 16000);
    QCOMPARE(ct.f_a - ct.d_a, 7998);
    window_->scrollBar()->setValue(2500);  // a quarter of the way
    QCOMPARE(ct.d_a, static_cast<std::int32_t>(0.25 * (ct.tf - 1)));
    QCOMPARE(ct.f_a - ct.d_a, 7998);
  }

  void decorationsAreKeptThroughRedrawsUntilCleared() {
    open();
    SpectroView* view = window_->spectroPlane()->view();
    const QPoint at(10, 10);
    view->addDecoration([at](QPainter& p, const TimeAxis&, const FrequencyAxis&) {
      p.fillRect(QRect(at, QSize(3, 3)), QColor(0, 255, 0));
    });
    QVERIFY(view->bitmap().pixel(at) != qRgb(0, 255, 0));  // drawn over, not into the bitmap
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

  void parameterWindowsEditTheRecordsInPlace() {
    QVERIFY(window_->runCommand(11853));  // critical-band options
    auto windows = window_->findChildren<SpectroParamsWindow*>();
    QCOMPARE(windows.size(), 1);
    SpectroParamsWindow* w = windows.front();
    QVERIFY(spectroSettings()[kCriticalBands].windowOpen);
    QVERIFY(window_->runCommand(11853));  // already open: no second window
    QCOMPARE(window_->findChildren<SpectroParamsWindow*>().size(), 1);
    auto widget = [w](int textNumber) {
      auto* form = w->findChild<QFormLayout*>();
      for (int row = 0; row < form->rowCount(); ++row) {
        auto* label = form->itemAt(row, QFormLayout::LabelRole);
        if (label && qobject_cast<QLabel*>(label->widget()) &&
            qobject_cast<QLabel*>(label->widget())->text() == QString::fromStdString(text(textNumber)))
          return form->itemAt(row, QFormLayout::FieldRole)->widget();
      }
      return static_cast<QWidget*>(nullptr);
    };
    auto* fft = qobject_cast<QSpinBox*>(widget(8506));
    auto* bands = qobject_cast<QSpinBox*>(widget(8550));
    auto* smoothing = qobject_cast<QComboBox*>(widget(8555));
    QVERIFY(fft && bands && smoothing);
    // 300 points become 512; 512 bands are then limited to 256.
    fft->setValue(300);
    QCOMPARE(spectroSettings()[kCriticalBands].fftSize, 512);
    QCOMPARE(spectroSettings()[kCriticalBands].bands.bandCount, 256);
    QCOMPARE(fft->value(), 512);
    bands->setValue(1000);
    QCOMPARE(spectroSettings()[kCriticalBands].bands.bandCount, 256);
    // Prior cepstral smoothing takes at most 2048 points, whichever is set last.
    const auto& record = spectroSettings()[kCriticalBands];
    smoothing->setCurrentIndex(1);
    fft->setValue(4096);
    QCOMPARE(record.fftSize, 512);
    QCOMPARE(fft->value(), 512);
    QVERIFY((*recorder_)->saw("at most 2048 points"));
    smoothing->setCurrentIndex(0);
    fft->setValue(4096);
    QCOMPARE(record.fftSize, 4096);
    smoothing->setCurrentIndex(1);
    QCOMPARE(int(record.bands.priorSmoothing), 0);
    QCOMPARE(smoothing->currentIndex(), 0);
    w->close();
    QCoreApplication::processEvents();
    QVERIFY(!spectroSettings()[kCriticalBands].windowOpen);
    setSpectroDefaults(-1);
  }

  void spectroDetailsAndTheCurrentKindsWindowByNumber() {
    QVERIFY(window_->runCommand(kCmdSpectroDetails));
    QVERIFY((*recorder_)->saw(text(8530)));
    open();
    QVERIFY(window_->runCommand(kCmdNarrowBand));
    QVERIFY(window_->runCommand(kCmdSpectroDetails));
    QVERIFY((*recorder_)->saw("Sampling frequency: 16000 Hz"));
    QVERIFY(window_->runCommand(kCmdCurrentKindOptions));
    const auto windows = window_->findChildren<SpectroParamsWindow*>();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.front()->kind(), int(kNarrowBand));
    windows.front()->close();
    QCoreApplication::processEvents();
  }

  void cutThenCancelRestoresTheSignal() {
    open();
    QVERIFY(!window_->action(22)->isEnabled());  // no selection yet
    const std::vector<std::int16_t> before(program().memory.data(), program().memory.data() + program().memory.size());
    drag(window_->signalPlane()->view(), 40, 120);
    QVERIFY(window_->action(22)->isEnabled());
    QVERIFY(window_->runCommand(22));
    QVERIFY(program().memory.size() < static_cast<std::int32_t>(before.size()));
    QVERIFY(window_->runCommand(21));
    const std::vector<std::int16_t> after(program().memory.data(), program().memory.data() + program().memory.size());
    QVERIFY(after == before);
    QVERIFY2((*recorder_)->reports().empty(), qPrintable(QString::fromStdString(
                                                (*recorder_)->reports().empty() ? "" : (*recorder_)->reports()[0].text)));
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

  void f0ForTheScreenDrawsOverTheSpectrogram() {
    open();
    QVERIFY(window_->runCommand(922));
    QCOMPARE(window_->spectroPlane()->view()->decorationCount(), 1);
    QVERIFY(window_->runCommand(kCmdClearDecorations));
    QCOMPARE(window_->spectroPlane()->view()->decorationCount(), 0);
  }

  void everySpectrogramKindPaints() {
    open();
    const QImage blank = [&] {
      QImage image(window_->spectroPlane()->view()->bitmap().size(), QImage::Format_RGB32);
      image.fill(Qt::white);
      return image;
    }();
    for (int id : {kCmdWideBand, kCmdNarrowBand, kCmdReassigned, kCmdLinearPrediction, kCmdCepstral,
                   kCmdCriticalBands}) {
      QVERIFY(window_->runCommand(id));
      QVERIFY2(window_->action(id)->isChecked(), qPrintable(QString::number(id)));
      const QImage& image = window_->spectroPlane()->view()->bitmap();
      QVERIFY2(image != blank, qPrintable(QString("kind of command %1 painted nothing").arg(id)));
      QVERIFY2((*recorder_)->reports().empty(), qPrintable(QString::fromStdString(
                                                    (*recorder_)->reports().empty() ? "" : (*recorder_)->reports()[0].text)));
    }
  }

  void ctrlPHandsTheSelectionToTheDevice() {
    NullAudioOutput device;
    setAudioDevices(&device, nullptr);
    open();
    program().ct.d_sel = 1000;
    program().ct.f_sel = 1199;
    window_->updateCommandStates();
    QTest::keyClick(window_.get(), Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(!window_->player().playing());
    setAudioDevices(nullptr, nullptr);
    QCOMPARE(device.blocks().size(), std::size_t{1});
    QCOMPARE(device.opened().rateHz, 16000);
    const auto& bytes = device.blocks()[0];
    QCOMPARE(bytes.size(), std::size_t{400});
    for (int i = 0; i < 200; ++i) {
      const auto s = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      QCOMPARE(s, static_cast<std::int16_t>(((1000 + i) % 200) * 100 - 10000));
    }
    QCOMPARE(window_->signalPlane()->view()->playCursor(), -1);
    QVERIFY((*recorder_)->reports().empty());
  }

  void playManyRepeatsAndRecordOpensTheCapture() {
    NullAudioOutput output;
    NullAudioInput input;
    input.script(std::vector<std::int16_t>(3000, 1234));
    setAudioDevices(&output, &input);
    open();
    QTimer::singleShot(0, [] {
      QWidget* box = QApplication::activeModalWidget();
      QVERIFY(box);
      box->findChild<QSpinBox*>()->setValue(3);
      QMetaObject::invokeMethod(box, "accept");
    });
    QVERIFY(window_->runCommand(kCmdPlayMany));
    QTRY_VERIFY(!window_->player().playing());
    QCOMPARE(output.blocks().size(), std::size_t{3});
    QCOMPARE(output.blocks()[0].size(), std::size_t{2} * (program().ct.f_es - program().ct.d_es + 1));

    QTimer::singleShot(0, [] {
      QWidget* box = QApplication::activeModalWidget();
      QVERIFY(box && box->objectName() == "WRECORD");
      box->findChild<QLineEdit*>("duration")->setText("1");
      QMetaObject::invokeMethod(box, "accept");
    });
    QVERIFY(window_->runCommand(kCmdRecord));
    setAudioDevices(nullptr, nullptr);
    QCOMPARE(input.bufferFrames(), std::int64_t{22050});
    QCOMPARE(program().en_cours.frequence, 22050.0);
    QCOMPARE(program().ct.tf, 3000);
    QCOMPARE(program().memory[10], std::int16_t{1234});
    QVERIFY((*recorder_)->reports().empty());
  }

  // Unsaved label edits, then each way of leaving the signal: the
  // "Modifications" question comes once; Cancel keeps the window, the file
  // and the edit; Save writes the edit first.
  void leavingTheSignalAsksTheSaveQuestion() {
    NullAudioOutput output;
    NullAudioInput input;
    setAudioDevices(&output, &input);
    installEditSaveHandler();  // as the program does
    const auto edited = dir_->path() / "edited.wav", other = dir_->path() / "other.wav";
    writeWav(other, 100);
    const auto answerDuration = [] {
      QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
          box->findChild<QLineEdit*>("duration")->setText("1");
          QMetaObject::invokeMethod(box, "accept");
        }
      });
    };
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Quit", [&] { window_->runCommand(kCmdQuit); }},
        {"close button", [&] { window_->close(); }},
        {"Open", [&] { window_->openPath(other.string()); }},
        {"New", [&] { window_->runCommand(11); }},
        {"Record", [&] { answerDuration(), window_->runCommand(kCmdRecord); }},
    };
    for (const auto& [way, leave] : ways) {
      for (SaveAnswer answer : {SaveAnswer::Cancel, SaveAnswer::Save}) {
        const QString row = QString("%1, answer %2").arg(way).arg(static_cast<int>(answer));
        presetDialogs().saveAnswer = SaveAnswer::DontSave;
        std::filesystem::copy_file(wav_, edited, std::filesystem::copy_options::overwrite_existing);
        window_->show();
        QVERIFY(window_->openPath(edited.string()));
        const auto before = test::readBytes(edited);
        notetiqs& words = program().note;
        words.SetText(words.insertOrGet(0), "renamed");
        words.insertOrGet(1000);
        program().annotationsModified = true;
        presetDialogs().saveAnswer = answer;
        presetDialogs().saveQuestions = 0;
        input.script(std::vector<std::int16_t>(300, 1));
        (*recorder_)->clear();
        leave();
        QVERIFY2(presetDialogs().saveQuestions == 1, qPrintable(row));
        QVERIFY2((*recorder_)->reports().empty(), qPrintable(row));
        if (answer == SaveAnswer::Cancel) {
          QVERIFY2(window_->isVisible(), qPrintable(row));
          QCOMPARE(program().en_cours.nom, edited.string());
          QCOMPARE(program().note.Text(0), std::string("renamed"));
          QCOMPARE(test::readBytes(edited), before);
        } else {
          infoFile saved;
          saved.nom = edited.string();
          notetiqs back;
          QVERIFY(init_infoFile_read_WAV(saved));
          readnotetiqs(saved.nom, back, saved.notedepl, saved.notelongueur);
          QVERIFY2(back.Text(0) == "renamed", qPrintable(row));
        }
      }
    }
    setOpenHooks({});
    setAudioDevices(nullptr, nullptr);
  }

  void playWithoutADeviceSaysSo() {
    open();
    QVERIFY(window_->runCommand(kCmdPlay));
    QCOMPARE((*recorder_)->reports().size(), std::size_t{1});
    QVERIFY((*recorder_)->saw("No audio output device"));
  }
};

}  // namespace ardv::shell

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ardv::shell::MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
