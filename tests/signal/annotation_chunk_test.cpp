// Reading annotation chunks: the walk's limits (39-byte labels), its messages,
// and that the marks read before a fault stay in the list.

#include "signal/annotation_chunk.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_reporter.h"
#include "tests/signal/wav_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::Bytes;

Bytes mark(std::uint32_t position, const std::string& label, bool withText = true) {
  Bytes b;
  test::put32(b, position);
  if (withText) {
    b.insert(b.end(), label.begin(), label.end());
    b.push_back(0);
  }
  return b;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class AnnotationChunk : public ::testing::Test {
 protected:
  void SetUp() override { test::loadWavTexts(); }
  // Writes the payload after 10 bytes of filler and reads it back.
  bool read(const Bytes& payload, notetiqs& list, std::int64_t length = -1) {
    Bytes file(10, 0xAA);
    file.insert(file.end(), payload.begin(), payload.end());
    test::writeBytes(dir / "c.bin", file);
    return readnotetiqs((dir / "c.bin").string(), list, 10,
                        length >= 0 ? length : static_cast<std::int64_t>(payload.size()));
  }
  test::TempDir dir;
  ScopedRecorder rec;
};

TEST_F(AnnotationChunk, LabelOf39BytesIsRead) {
  notetiqs list;
  std::string label(39, 'a');
  ASSERT_TRUE(read(join({mark(0, label), mark(7, "", false)}), list));
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.Text(0), label);
  EXPECT_TRUE(rec->reports().empty());
}

TEST_F(AnnotationChunk, LabelOf40BytesStopsTheWalkAndKeepsMarks) {
  notetiqs list;
  EXPECT_FALSE(read(join({mark(0, "a"), mark(5, std::string(40, 'b')), mark(9, "", false)}), list));
  ASSERT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(rec->reports()[0].text, "T5606 T5603");
  ASSERT_EQ(list.count(), 2);  // the mark before the long label is kept
  EXPECT_EQ(list.Text(0), "a");
  EXPECT_EQ(list.position(1), 5);
}

TEST_F(AnnotationChunk, FourBytesAreOneMarkAndNoSegment) {
  notetiqs list;
  list.insertOrGet(99);  // emptied first
  ASSERT_TRUE(read(mark(12, "", false), list));
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(list.position(0), 12);
  EXPECT_EQ(list.segmentCount(), 0);
}

TEST_F(AnnotationChunk, EndingAfterALabelIs5604) {
  notetiqs list;
  EXPECT_FALSE(read(join({mark(0, "a"), mark(4, "b")}), list));
  EXPECT_TRUE(rec->saw("T5604"));
  EXPECT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.Text(1), "b");
}

TEST_F(AnnotationChunk, LeftoverBytesAre5605) {
  notetiqs list;
  EXPECT_FALSE(read(join({mark(0, "a"), Bytes{1, 2}}), list));
  EXPECT_TRUE(rec->saw("T5605"));
  EXPECT_EQ(rec->reports().size(), 1u);
}

TEST_F(AnnotationChunk, UnterminatedLabelAtTheEndIs5603) {
  notetiqs list;
  EXPECT_FALSE(read(join({mark(0, "", false), Bytes{'a', 'b'}}), list));
  EXPECT_TRUE(rec->saw("T5603"));
}

TEST_F(AnnotationChunk, MarksOutOfOrderComeBackSorted) {
  notetiqs list;
  ASSERT_TRUE(read(join({mark(50, "b"), mark(10, "a"), mark(90, "", false)}), list));
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.position(0), 10);
  EXPECT_EQ(list.Text(0), "a");
  EXPECT_EQ(list.Text(1), "b");
}

TEST_F(AnnotationChunk, PayloadOutsideTheFileIsRefusedWithoutReading) {
  notetiqs list;
  EXPECT_FALSE(read(mark(0, "", false), list, 5));  // one byte past the end
  EXPECT_TRUE(rec->saw("T5606 T5602"));
  EXPECT_FALSE(readnotetiqs((dir / "c.bin").string(), list, 1000, 4));
  EXPECT_TRUE(rec->saw("readnotetiqs() : offset out of file"));
  EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
  EXPECT_FALSE(readnotetiqs((dir / "c.bin").string(), list, 0, 0xFFFFFFFFFFLL));
  EXPECT_EQ(rec->reports().size(), 3u);
  EXPECT_TRUE(list.empty());
}

TEST_F(AnnotationChunk, LengthZeroIsAnEmptyList) {
  notetiqs list;
  list.insertOrGet(3);
  EXPECT_TRUE(readnotetiqs((dir / "nothing.bin").string(), list, 0, 0));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(rec->reports().empty());
}

TEST_F(AnnotationChunk, BuilderCutsAfterTheLastPosition) {
  AnnotationChunkBuilder builder;
  builder.add(0, "a");
  builder.add(-1, "");
  EXPECT_TRUE(builder.lastEntryClosed());
  builder.cutAfterLastPosition();
  EXPECT_EQ(builder.bytes(), (Bytes{0, 0, 0, 0, 'a', 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  builder.add(5, "x");
  EXPECT_FALSE(builder.lastEntryClosed());
}

}  // namespace
}  // namespace ardv
