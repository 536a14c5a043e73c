// Directory search from the window: the gathered occurrences become the
// current signal with their labels, nothing found or a bad request leaves the
// current signal as it was, and the slot dialog builds its sequences.
#include <QApplication>
#include <QtTest/QtTest>
#include <algorithm>

#include "annotation/phonetic_description.h"
#include "shell/search_dialog.h"
#include "signal/results.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {

class SearchWindowTest : public QObject, test_support::WindowFixture {
  Q_OBJECT
 private slots:
  void initTestCase() {
    makeDirectory();
    std::filesystem::create_directories(dir_->path() / "corpus");
    wav_ = test::sourceDataDir() / "examples" / "example.wav";
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
  void cleanup() { closeWindow(); }

  void exploreDirectory_data() {
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("found");
    QTest::newRow("two a file, three files") << "D" << "corpus" << 100 << 6;
    QTest::newRow("class, empty slot") << "[plos],,[V]" << "corpus" << 100 << 3;
    QTest::newRow("stops at the maximum") << "D" << "corpus" << 3 << 3;
    QTest::newRow("nothing found") << "Z" << "corpus" << 100 << 0;
    QTest::newRow("empty request") << "" << "corpus" << 100 << -1;
    QTest::newRow("missing directory") << "D" << "none" << 100 << -1;  // both with their message
  }
  void exploreDirectory() {
    QFETCH(QString, sequence);
    QFETCH(QString, where);
    QFETCH(int, max);
    QFETCH(int, found);
    SearchForm form;
    SearchSequence items;
    for (const auto& item : sequence.split(',')) items.push_back(item.toStdString());
    form.sequences = {items};
    form.labelDir = (dir_->path() / where.toStdString()).string();
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
};

}  // namespace ardv::shell

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ardv::shell::SearchWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "search_window_test.moc"
