// The window on the example. Directory search: the gathered occurrences
// become the current signal with their labels, nothing found or a bad request
// leaves the current signal as it was, and the slot dialog builds its
// sequences. File > Export figure...: the stretch shown with the panes shown,
// the annotation lists as they stand; a signal with unsaved sample edits and a
// name that is not a figure's are refused with a message and no file. The
// measurement panel follows the selection and the pointed segment; the
// segment table selects a clicked segment and exports what it shows.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QFile>
#include <QXmlStreamReader>
#include <QtTest/QtTest>
#include <algorithm>

#include "labels/phonetic_description.h"
#include "measurement/measurement_text.h"
#include "shell/annotation/search_dialog.h"
#include "shell/logic/command_table.h"
#include "shell/measurement/measurement_panel.h"
#include "shell/measurement/segment_table_window.h"
#include "signal/results.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {

// A search request, the directory searched, the maximum count and the count
// found (-1: refused with a message).
const struct { const char *name, *sequence, *where; int max, found; } kExplorations[] = {
    {"two a file, three files", "D", "corpus", 100, 6}, {"class, empty slot", "[plos],,[V]", "corpus", 100, 3},
    {"stops at the maximum", "D", "corpus", 3, 3},      {"nothing found", "Z", "corpus", 100, 0},
    {"empty request", "", "corpus", 100, -1},            {"missing directory", "D", "none", 100, -1},
};

class ExampleWindowTest : public QObject, test_support::WindowFixture {
  Q_OBJECT
  QStringList svgTexts(const std::filesystem::path& path) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader xml(&file);
    QStringList texts;
    while (!xml.atEnd())
      if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
        texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    return xml.hasError() ? QStringList{} : texts;
  }

 private slots:
  void initTestCase() {
    makeDirectory();
    std::filesystem::create_directories(dir_->path() / "corpus");
    wav_ = *dir_ / "example.wav";  // a copy: nothing may write the bundled one
    std::filesystem::copy_file(test::sourceDataDir() / "examples" / "example.wav", wav_);
    for (const char* name : {"a.wav", "b.wav", "c.WAV", ".hidden.wav"})
      std::filesystem::copy_file(wav_, dir_->path() / "corpus" / name);
    test::writeFile(dir_->path() / "corpus" / "notes.txt", "not a signal");
  }
  void init() {
    QVERIFY(showWindow());
    QVERIFY(loadLanguageDescription(test::sourceDataDir() / "format", "english.lng"));
    open();
    logClear(program().dirs.temp);
  }
  void cleanup() {
    setFileChooser({});
    closeWindow();
  }

  void exploreDirectory_data() { test_support::addRows(kExplorations); }
  void exploreDirectory() {
    QFETCH(int, row);
    const auto [name, seq, where, max, found] = kExplorations[row];
    const QString sequence = seq;
    SearchForm form;
    SearchSequence items;
    for (const auto& item : sequence.split(',')) items.push_back(item.toStdString());
    form.sequences = {items};
    form.labelDir = (dir_->path() / where).string();
    form.labelPattern = "*.wav";
    form.maxCount = max;
    QCOMPARE(window_->exploreDirectory(form), found);
    const auto& p = program();
    const bool gathered = found > 0;
    QCOMPARE(p.en_cours.nom.ends_with("srchphon.wa$"), gathered);
    if (!gathered) return;
    QVERIFY(p.etiq.position(0) >= kSearchSilenceSamples);
    int labelled = 0;
    for (const auto& b : p.etiq.items()) labelled += !b.text.empty();
    QCOMPARE(labelled, sequence.count(",,") ? 2 * found : found);
    const std::string results = test::readFile(p.dirs.temp / "log.txt");
    QVERIFY(results.find(text(7311)) != std::string::npos);
    const auto maxAt = results.find(text(7304));
    QCOMPARE(maxAt != std::string::npos, max == found);
    QCOMPARE(maxAt, results.rfind(text(7304)));
    if (const char* shot = std::getenv("ARDV_SEARCH_SCREENSHOT"); shot && max == 100)
      window_->grab().save(QString::fromUtf8(shot) + QTest::currentDataTag() + ".png");
  }

  void dialogBuildsSequences() {
    SearchDialog dialog(false, window_.get());
    QVERIFY(dialog.setSlot(0, 0, "[V]"));
    QVERIFY(dialog.setSlot(0, 2, "p"));
    QVERIFY(dialog.setSlot(4, 4, "D"));
    QVERIFY(!dialog.setSlot(1, 1, "nope"));
    QVERIFY(!dialog.setSlot(5, 0, "p"));
    const auto form = dialog.form();
    QCOMPARE(form.sequences.size(), std::size_t{5});
    QVERIFY(compileSequences(form.sequences) == (std::vector<SearchSequence>{{"[V]", "p"}, {"D"}}));
    QCOMPARE(form.maxCount, kSearchDefaultMax);
  }

  void exportsTheViewWithItsLabels() {
    notetiqs& words = program().note;
    for (int i = 0; i < words.count(); ++i)
      if (words.Text(i) == "dog") words.SetText(i, "hound");  // an unsaved edit is drawn
    const auto out = *dir_ / "view.svg";
    test_support::answerFilesWith(out);
    QVERIFY(window_->runCommand(11890));
    const QStringList texts = svgTexts(out);
    for (const char* label : {"hound", "quick", "aU", "Time (s)", "Frequency (kHz)"})
      QVERIFY2(texts.contains(label), label);
    QVERIFY(!texts.contains("dog"));
    QVERIFY(!texts.contains("F0 (Hz)"));  // no F0 shown in the window
  }

  // The phoneme segment labelled `label`: [first, end).
  static std::pair<std::int32_t, std::int32_t> segment(const std::string& label) {
    const auto& items = program().etiq.items();
    for (std::size_t k = 0; k + 1 < items.size(); ++k)
      if (items[k].text == label) return {items[k].limite, items[k + 1].limite};
    return {-1, -1};
  }

  void measurementPanelFollowsTheSelectionAndThePointer() {
    QVERIFY(window_->runCommand(kCmdMeasurementPanel));
    MeasurementPanel* panel = window_->measurementPanel();
    QVERIFY(panel->isVisible());
    const auto [first, end] = segment("aU");
    QVERIFY(first >= 0);
    window_->selectSamples(first, end - 1);
    QCOMPARE(panel->shownFirst(), std::int64_t{first});
    Measurement want;
    StretchMeasurer measurer;
    MeasureSettings settings;
    settings.f0Params = speakerF0Params(speakerType());
    QVERIFY(measurer.measure(program().en_cours, first, end, settings, want));
    QVERIFY(hasValue(want.f0.meanHz) && hasValue(want.formantsAt[1][1]));
    QCOMPARE(panel->text().toStdString(), measurementText(want, "Selection"));
    // No selection: the segment under the pointer.
    program().ct.d_sel = program().ct.f_sel = -1;
    const auto [sFirst, sEnd] = segment("s");
    window_->pointerAt((sFirst + sEnd) / 2, -1);
    QVERIFY(panel->text().startsWith("Segment \"s\""));
    QCOMPARE(panel->shownEnd(), std::int64_t{sEnd});
  }

  void segmentTableSelectsAndExports() {
    QVERIFY(window_->runCommand(kCmdSegmentTable));
    SegmentTableWindow* table = window_->segmentTable();
    QVERIFY(table);
    int labelled = 0;
    for (int k = 0; k < program().etiq.segmentCount(); ++k) labelled += !program().etiq.Text(k).empty();
    QCOMPARE(table->table()->rowCount(), labelled);
    for (int row = 1; row < labelled; ++row)  // in time order until a header is clicked
      QVERIFY(table->table()->item(row - 1, 3)->text().toDouble() < table->table()->item(row, 3)->text().toDouble());
    table->sequenceEdit()->setText("[V]");
    const int vowels = table->measure();
    QVERIFY(vowels > 3 && vowels < labelled);
    table->table()->sortByColumn(4, Qt::DescendingOrder);  // duration
    table->activateRow(0);
    const auto longest = table->table()->item(0, 0)->text().toStdString();
    const double samplesPerMs = program().en_cours.frequence / 1000;
    QCOMPARE(program().ct.d_sel, qRound(table->table()->item(0, 3)->text().toDouble() * samplesPerMs));
    QCOMPARE(program().ct.f_sel + 1 - program().ct.d_sel, qRound(table->table()->item(0, 4)->text().toDouble() * samplesPerMs));
    const auto csv = *dir_ / "vowels.csv";
    QVERIFY(table->exportTo(QString::fromStdString(csv.string())));
    const std::string text = test::readFile(csv);
    QCOMPARE(std::count(text.begin(), text.end(), '\n'), vowels + 1);
    QVERIFY(text.find("\nexample.wav,phonemes," + longest + ",") != std::string::npos);  // longest first
    table->sequenceEdit()->setText("nope");
    QCOMPARE(table->measure(), -1);
  }

  void refusesEditedSamplesAndOtherNames() {
    const std::pair<const char*, bool> cases[] = {{"edited.png", true}, {"other.wav", false}};
    for (const auto& [name, edited] : cases) {
      editContext().samplesModified = edited;
      (*recorder_)->clear();
      test_support::answerFilesWith(*dir_ / name);
      QVERIFY(window_->runCommand(11890));
      QVERIFY2(!std::filesystem::exists(*dir_ / name), name);
      QCOMPARE((*recorder_)->reports().size(), std::size_t(1));
    }
    editContext().samplesModified = false;
  }
};

}  // namespace ardv::shell

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ardv::shell::ExampleWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "example_window_test.moc"
