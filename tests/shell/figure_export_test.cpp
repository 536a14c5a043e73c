// File > Export figure...: the stretch shown with the panes shown, the
// annotation lists as they stand; a signal with unsaved sample edits and a
// name that is not a figure's are refused with a message and no file.
#include <QFile>
#include <QXmlStreamReader>
#include <QtTest/QtTest>

#include "shell/file_chooser.h"
#include "tests/shell/window_fixture.h"

namespace ardv::shell {

class FigureExportTest : public QObject, test_support::WindowFixture {
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

  void answer(const std::filesystem::path& path) {
    setFileChooser([path](FileQuestion, const QString&, const QString&) { return QString::fromStdString(path.string()); });
  }

 private slots:
  void initTestCase() {
    makeDirectory();
    wav_ = *dir_ / "example.wav";
    std::filesystem::copy_file(test::sourceDataDir() / "examples" / "example.wav", wav_);
  }
  void init() { QVERIFY(showWindow()); }
  void cleanup() {
    setFileChooser({});
    closeWindow();
  }

  void exportsTheViewWithItsLabels() {
    open();
    notetiqs& words = program().note;
    for (int i = 0; i < words.count(); ++i)
      if (words.Text(i) == "dog") words.SetText(i, "hound");  // an unsaved edit is drawn
    const auto out = *dir_ / "view.svg";
    answer(out);
    QVERIFY(window_->runCommand(11890));
    const QStringList texts = svgTexts(out);
    for (const char* label : {"hound", "quick", "aU", "Time (s)", "Frequency (kHz)"})
      QVERIFY2(texts.contains(label), label);
    QVERIFY(!texts.contains("dog"));
    QVERIFY(!texts.contains("F0 (Hz)"));  // no F0 shown in the window
  }

  void refusesEditedSamplesAndOtherNames() {
    open();
    const std::pair<const char*, bool> cases[] = {{"edited.png", true}, {"other.wav", false}};
    for (const auto& [name, edited] : cases) {
      editContext().samplesModified = edited;
      (*recorder_)->clear();
      answer(*dir_ / name);
      QVERIFY(window_->runCommand(11890));
      QVERIFY2(!std::filesystem::exists(*dir_ / name), name);
      QCOMPARE((*recorder_)->reports().size(), std::size_t(1));
    }
    editContext().samplesModified = false;
  }
};

}  // namespace ardv::shell

QTEST_MAIN(ardv::shell::FigureExportTest)
#include "figure_export_test.moc"
