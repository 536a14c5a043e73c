// The main window on the offscreen platform: command states and the command
// table, resampling, help topics, the profile selector, the spectral slice,
// parameter windows, playback and recording, the save question, quieter texts.
#include "tests/shell/main_window_fixture.h"

namespace ardv::shell {
namespace {

using namespace test_support;

// The "Resampling" dialog: the rate chosen (0: the free field) and whether a
// file is made.
const struct { const char* name; int rate; const char* typed; bool written; } kResamplings[] = {
    {"8000 Hz", 8000, "", true}, {"the signal's rate", 16000, "", false}, {"a free 12000 Hz", 0, "12000", true}};

}  // namespace

class MainWindowTest : public QObject, MainWindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(writeSignals()); }
  void init() { QVERIFY(freshWindow()); }
  void cleanup() { closeFreshWindow(); }

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
};

}  // namespace ardv::shell

QTEST_MAIN(ardv::shell::MainWindowTest)
#include "main_window_test.moc"
