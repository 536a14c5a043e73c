// Figures: tick labels never overlap at any size from 60 mm wide to A4; the
// command's PNG has the size the resolution gives, its SVG parses with the
// tier labels as text, its PDF is valid with embedded fonts; bad input
// leaves no file and fails with a message.
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QXmlStreamReader>
#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "figure/figure_render.h"
#include "tests/cli/cli_test_support.h"

// Allocations fontconfig and Qt keep until the process ends (as tests/lsan.supp).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libQt6Core.so\nleak:libQt6Gui.so\nleak:libglib-2.0.so\n";
}

namespace ardv::figure {
namespace {

void ensureApplication() {
  static int argc = 1;
  static char name[] = "figure_test";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static auto* application = new QGuiApplication(argc, argv);
  (void)application;
}

// Values in the ranges real figures show, over the stretch fromMs..toMs.
FigureData syntheticData(double fromMs, double toMs, int columns) {
  FigureData d;
  d.fs = 16000.0;
  d.fromMs = fromMs;
  d.toMs = toMs;
  std::mt19937 gen(3);
  std::uniform_int_distribution<int> amp(0, 20000);
  for (int i = 0; i < columns; ++i) {
    d.waveMax.push_back(static_cast<std::int16_t>(amp(gen)));
    d.waveMin.push_back(static_cast<std::int16_t>(-amp(gen)));
  }
  d.spectrogram.frames = 4;
  d.spectrogram.height = 4;
  d.spectrogram.levels.assign(16, 128);
  d.spectroTopHz = 8000.0;
  d.colours = greyRamp(1.0);
  for (double t = fromMs; t < toMs; t += (toMs - fromMs) / 50.0) {
    d.f0.push_back({t, 70.0 + 330.0 * (t - fromMs) / (toMs - fromMs)});
    d.energy.push_back({t, 30.0 + 60.0 * (t - fromMs) / (toMs - fromMs)});
  }
  d.phonemes = {{fromMs, (fromMs + toMs) / 2, "aU"}, {(fromMs + toMs) / 2, toMs, "dZ"}};
  d.words = {{fromMs, toMs, "jumps"}};
  return d;
}

// The axis labels of `request` painted with `data`, in the layout's pixels.
std::vector<AxisLabel> paintedLabels(const FigureRequest& request, const FigureLayout& layout, const FigureData& data) {
  QImage image(layout.widthPx, layout.heightPx, QImage::Format_RGB32);
  QPainter painter(&image);
  return paintFigure(painter, request, layout, data);
}

TEST(FigureLayout, TickLabelsNeverOverlapFrom60MmToA4) {
  ensureApplication();
  const std::pair<double, double> stretches[] = {{0.0, 47.0}, {123.0, 2614.5}, {0.0, 60000.0}, {59000.0, 59400.0}};
  for (double widthMm = 60.0; widthMm <= 297.0; widthMm += 17.0)
    for (double heightMm : {40.0, 90.0, 210.0})
      for (double fontPt : {6.0, 9.0, 12.0})
        for (const auto& [fromMs, toMs] : stretches) {
          FigureRequest request;
          request.panes = {Pane::Waveform, Pane::Spectrogram, Pane::F0, Pane::Energy, Pane::Phonemes, Pane::Words};
          request.widthMm = widthMm, request.heightMm = heightMm, request.fontPt = fontPt, request.dpi = 96;
          request.title = "Title";
          const FigureLayout layout = layoutFigure(request);
          const auto labels = paintedLabels(request, layout, syntheticData(fromMs, toMs, 50));
          SCOPED_TRACE(testing::Message() << widthMm << " x " << heightMm << " mm, " << fontPt << " pt, "
                                          << fromMs << ".." << toMs << " ms");
          EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const AxisLabel& l) { return l.axis == 0; }))
              << "no time labels";
          for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_TRUE(QRectF(0, 0, layout.widthPx, layout.heightPx).contains(labels[i].box))
                << labels[i].text.toStdString() << " leaves the figure";
            for (std::size_t j = i + 1; j < labels.size(); ++j)
              ASSERT_FALSE(labels[i].box.intersects(labels[j].box))
                  << labels[i].text.toStdString() << " (axis " << labels[i].axis << ") overlaps "
                  << labels[j].text.toStdString() << " (axis " << labels[j].axis << ")";
          }
        }
}

// Unvoiced frames (0 Hz) leave gaps in the F0 pane and stay out of its axis.
TEST(FigureLayout, UnvoicedFramesStayOutOfTheF0Axis) {
  ensureApplication();
  FigureRequest request;
  request.panes = {Pane::F0};
  request.dpi = 96;
  const FigureLayout layout = layoutFigure(request);
  FigureData d = syntheticData(0.0, 1000.0, 50);
  for (std::size_t i = 0; i < d.f0.size(); ++i) d.f0[i].value = i % 3 ? 150.0 + i : 0.0;
  std::vector<double> f0Ticks;
  for (const AxisLabel& l : paintedLabels(request, layout, d))
    if (l.axis == 1) f0Ticks.push_back(l.text.toDouble());
  ASSERT_GT(f0Ticks.size(), 1u);
  EXPECT_GE(*std::min_element(f0Ticks.begin(), f0Ticks.end()), 100.0);
}

std::string example() { return test::exampleWav().string(); }

TEST(FigureCommand, OutputsHaveTheirSizeTextAndFonts) {
  test::TempDir dir;
  const std::string out = (dir / "stdout").string();
  const std::string base = "figure " + example() + " --from 100 --to 2500 --size 160x100mm --dpi 300 -o ";

  ASSERT_EQ(test::runCli(base + (dir / "f.png").string(), out), 0) << test::readFile(out + ".err");
  const auto png = test::readBytes(dir / "f.png");
  ASSERT_GE(png.size(), 24u);
  auto be32 = [&](int at) { return png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3]; };
  EXPECT_EQ(be32(16), 1890);
  EXPECT_EQ(be32(20), 1181);
  ASSERT_EQ(test::runCli("figure " + example() + " --size 800x600px --dpi 300 -o " + (dir / "p.png").string(), out), 0)
      << test::readFile(out + ".err");
  const auto px = test::readBytes(dir / "p.png");
  ASSERT_GE(px.size(), 24u);
  EXPECT_EQ(std::tuple(px[18] << 8 | px[19], px[22] << 8 | px[23]), std::tuple(800, 600));

  ASSERT_EQ(test::runCli(base + (dir / "f.svg").string() + " --colour", out), 0);
  QFile svg(QString::fromStdString((dir / "f.svg").string()));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&svg);
  QStringList texts;
  int images = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("image")) ++images;
    if (xml.name() == QLatin1String("text")) texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(images, 1);
  for (const char* label : {"quick", "brown", "aU", "oU", "Time (s)"}) EXPECT_TRUE(texts.contains(label)) << label;

  ASSERT_EQ(test::runCli(base + (dir / "f.pdf").string(), out), 0);
  const std::string pdf = (dir / "f.pdf").string();
  EXPECT_EQ(test::runShell("pdfinfo " + pdf + " > " + out + " 2>&1"), 0) << test::readFile(out);
  ASSERT_EQ(test::runShell("pdffonts " + pdf + " > " + out), 0);
  const std::string fonts = test::readFile(out);
  ASSERT_NE(fonts.find("----"), std::string::npos) << fonts;
  std::istringstream table(fonts.substr(fonts.find('\n', fonts.find("----")) + 1));
  int lines = 0;
  for (std::string line; std::getline(table, line); lines += !line.empty())
    EXPECT_TRUE(line.empty() || line.find(" yes ") != std::string::npos) << "font not embedded: " << line;
  EXPECT_GE(lines, 1) << fonts;
}

TEST(FigureCommand, BadInputFailsWithAMessageAndNoFile) {
  test::TempDir dir, logs;
  const std::string out = (dir / "f.png").string(), previous = "a figure made before";
  const test::CliRow cases[] = {  // OUT: a file that exists; DIR: the test directory
      {"--from 3000 --to 4000 -o OUT", 2, ""},      {"--from 2000 --to 1000 -o OUT", 2, ""},
      {"--panes , -o OUT", 2, ""},                  {"--panes waveform,pitch -o OUT", 2, ""},
      {"--size 0x0mm -o OUT", 2, ""},               {"--size 10000x10000mm -o OUT", 2, ""},
      {"--size 1000x1000mm --dpi 1200 -o OUT", 2, ""},
      {"--font NoSuchFontAnywhere -o OUT", 2, ""},  {"--fmax 9000 -o OUT", 2, ""},
      {"--kind sideways -o OUT", 2, ""},            {"--dpi 72.5 -o OUT", 2, ""},
      {"-o DIR/missing/f.png", 1, ""},              {"-o DIR/dir.png", 1, ""},
      {"-o DIR/f.gif", 2, ""},
  };
  std::vector<test::CliRow> rows;
  for (const auto& c : cases)
    rows.push_back({"figure " + example() + " " + test::replaceAll(test::replaceAll(c.args, "DIR", dir.path().string()), "OUT", out),
                    c.status, ""});
  std::filesystem::create_directory(dir / "dir.png");
  test::writeFile(out, previous);
  test::expectCliRows(rows, logs / "out", [&](const test::CliRow&, const std::string&) {
    EXPECT_FALSE(test::readFile(logs / "out.err").empty());
    EXPECT_EQ(test::readFile(out), previous);
    EXPECT_EQ(test::entries(dir.path()), (std::set<std::string>{"dir.png", "f.png"})) << "a partial file was left";
  });
}

// Without the program that paints figures beside it, ardv-cli says which
// program it could not run, and why, and writes nothing.
TEST(FigureCommand, MissingPainterIsNamed) {
  test::TempDir dir;
  const std::filesystem::path cli(ARDV_CLI_PATH);
  std::filesystem::create_directory(dir / "bin");
  std::filesystem::copy_file(cli, dir / "bin" / "ardv-cli");
  const std::string home = (cli.parent_path().parent_path() / "share" / "ardelovox").string();
  const std::string command = "ARDV_HOME=" + home + " " + (dir / "bin" / "ardv-cli").string() + " figure " +
                              example() + " -o " + (dir / "f.png").string() + " 2>" + (dir / "err").string();
  EXPECT_EQ(test::runShell(command), 1);
  const std::string err = test::readFile(dir / "err");
  EXPECT_NE(err.find((dir / "bin" / "ardv-cli-figures").string()), std::string::npos) << err;
  EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir / "f.png"));
}

}  // namespace
}  // namespace ardv::figure
