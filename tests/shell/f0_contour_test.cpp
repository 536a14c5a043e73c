// The contour window's data: a pitch file imported, a point moved, saved and
// read back; files that are not pitch files; contours of another signal.
#include <gtest/gtest.h>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "shell/f0_contour_model.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

TEST(F0Contour, ImportEditSaveRoundTripAndBadFiles) {
  const test::TempDir dir;
  ASSERT_TRUE(test::writeFileSafely(dir.path() / "a.pit",
                                    ".pit            \r\n        20   110\r\n        28   120\r\n        36     0\r\n"));
  F0Contour c;
  ASSERT_TRUE(importContour(dir.path() / "a.pit", "sig.wav", 16000, c));
  ASSERT_EQ(c.modifiable.nbPoints, 3);
  EXPECT_EQ(c.modifiable.tab().points[1].sampleDate, 448);
  EXPECT_EQ(pickPoint(c, 27, 118, 1.0, 5), 1);
  EXPECT_EQ(pickPoint(c, 60, 118, 1.0, 5), -1);
  struct Move {
    int point;
    double hz, expect;
  } moves[] = {{1, 150.4, 150}, {1, 5000, 1000}, {1, -3, 1}, {2, 200, 0}, {7, 200, 0}};
  for (const Move& m : moves) {
    movePoint(c, m.point, m.hz);
    if (m.point < c.modifiable.nbPoints) {
      EXPECT_EQ(c.modifiable.y(m.point, 0), m.expect) << m.point << " " << m.hz;
    }
  }
  EXPECT_EQ(c.reference.y(1, 0), 120);  // the reference stays
  movePoint(c, 1, 180);
  ASSERT_TRUE(saveContour(c, dir.path() / "b.pit"));
  F0Contour back;
  ASSERT_TRUE(importContour(dir.path() / "b.pit", "sig.wav", 16000, back));
  EXPECT_EQ(back.points(), c.points());

  ScopedRecorder rec;
  text(6931);
  const std::string bad[] = {"RIFF\r\n", "", ".pit\r\n 12 abc\r\n"};
  for (const std::string& content : bad) {
    ASSERT_TRUE(test::writeFileSafely(dir.path() / "bad.pit", content));
    EXPECT_FALSE(importContour(dir.path() / "bad.pit", "sig.wav", 16000, back)) << content;
  }
  EXPECT_EQ(back.points(), c.points());  // a failed import keeps the previous pair
  EXPECT_TRUE(rec->saw("Ce fichier n'est pas un fichier de pitch"));
  EXPECT_FALSE(contourBelongsTo(c, "other.wav"));
  EXPECT_TRUE(rec->saw(text(6931)));
  EXPECT_TRUE(contourBelongsTo(c, "sig.wav"));
  EXPECT_FALSE(saveContour(c, "sig.wav"));  // never over its signal
}

}  // namespace
}  // namespace ardv
