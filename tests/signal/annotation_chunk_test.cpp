// Reading annotation chunks: the walk's limits (39-byte labels), its messages,
// and that the marks read before a fault stay in the list.

#include "signal/annotation_chunk.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_reporter.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::Bytes;

// Marks, each a position then its label and terminator unless the label is
// null, then `tail`.
Bytes marks(std::initializer_list<std::pair<std::uint32_t, const char*>> list, const Bytes& tail = {}) {
  Bytes b;
  for (auto [position, label] : list) {
    test::put32(b, position);
    if (label) b.insert(b.end(), label, label + std::char_traits<char>::length(label) + 1);
  }
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

const std::string k39(39, 'a');
const std::string k40(40, 'b');

struct WalkCase {
  const char* what;
  Bytes payload;
  const char* message;      // nullptr: read without a report; a fault unless a warning of a fit
  std::string marks;        // "position:label ..." left in the list
  std::int64_t tf = 0;      // signal length (0: unknown)
};

class ChunkWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(ChunkWalk, ReadsMarksAndReportsOnce) {
  SCOPED_TRACE(GetParam().what);
  test::loadSignalTexts();
  test::TempDir dir;
  Bytes file(10, 0xAA);  // the payload starts at byte 10
  file.insert(file.end(), GetParam().payload.begin(), GetParam().payload.end());
  test::writeBytes(dir / "c.bin", file);
  ScopedRecorder rec;
  notetiqs list;
  list.insertOrGet(12345);  // emptied first
  bool ok = readnotetiqs((dir / "c.bin").string(), list, 10, static_cast<std::int64_t>(GetParam().payload.size()),
                        GetParam().tf);
  const std::string message = GetParam().message ? GetParam().message : "";
  EXPECT_EQ(ok, message.empty() || message.find("label boundaries lay") != std::string::npos);
  if (!message.empty()) {
    ASSERT_EQ(rec->reports().size(), 1u);
    EXPECT_NE(rec->reports()[0].text.find(message), std::string::npos) << rec->reports()[0].text;
  } else {
    EXPECT_TRUE(rec->reports().empty());
  }
  std::string marks;
  for (const notetiq& b : list.items()) marks += (marks.empty() ? "" : " ") + std::to_string(b.limite) + ":" + b.text;
  EXPECT_EQ(marks, GetParam().marks);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChunkWalk,
    ::testing::Values(
        WalkCase{"four bytes: one mark, no segment", marks({{12, nullptr}}), nullptr, "12:"},
        WalkCase{"39-byte label", marks({{0, k39.c_str()}, {7, nullptr}}), nullptr, "0:" + k39 + " 7:"},
        WalkCase{"40-byte label", marks({{0, "a"}, {5, k40.c_str()}, {9, nullptr}}), "T5606 T5603", "0:a 5:"},
        WalkCase{"unterminated label", marks({{0, nullptr}}, {'a', 'b'}), "T5606 T5603", "0:"},
        WalkCase{"ends after a label", marks({{0, "a"}, {4, "b"}}), "T5606 T5604", "0:a 4:b"},
        WalkCase{"bytes left over", marks({{0, "a"}}, {1, 2}), "T5606 T5605", "0:a"},
        WalkCase{"out of order, repeated", marks({{50, "b"}, {10, "a"}, {50, "c"}, {90, nullptr}}), nullptr,
                 "10:a 50:c 90:"},
        WalkCase{"negative position", marks({{0xFFFFFFFF, "x"}, {3, nullptr}}), "1 label boundaries lay before 0",
                 "0:x 3:"},
        WalkCase{"segment ending at the end", marks({{0, "a"}, {9, nullptr}}), nullptr, "0:a 9:", 9},
        WalkCase{"past the end", marks({{0, "a"}, {7, "b"}, {9, nullptr}}), "label boundaries lay outside the signal (0 to 5",
                 "0:a 5:", 5}));

TEST(AnnotationChunk, PayloadOutsideTheFileIsRefusedWithoutReading) {
  test::loadSignalTexts();
  test::TempDir dir;
  test::writeBytes(dir / "c.bin", Bytes(14, 0));
  const std::string name = (dir / "c.bin").string();
  ScopedRecorder rec;
  notetiqs list;
  EXPECT_FALSE(readnotetiqs(name, list, 10, 5));  // one byte past the end
  EXPECT_TRUE(rec->saw("T5606 T5602"));
  EXPECT_FALSE(readnotetiqs(name, list, 1000, 4));
  EXPECT_TRUE(rec->saw("readnotetiqs() : offset out of file"));
  EXPECT_EQ(rec->count(ReportKind::Bug), 1u);
  EXPECT_FALSE(readnotetiqs(name, list, 0, 0xFFFFFFFFFFLL));
  EXPECT_EQ(rec->reports().size(), 3u);
  EXPECT_TRUE(readnotetiqs((dir / "absent").string(), list, 0, 0));  // length 0: nothing to read
  EXPECT_EQ(rec->reports().size(), 3u);
  EXPECT_TRUE(list.empty());
}

TEST(AnnotationChunk, BuilderCutsAfterTheLastPosition) {
  AnnotationChunkBuilder builder;
  builder.add(0, "a");
  builder.add(-1, "");
  EXPECT_TRUE(builder.lastEntryClosed());
  builder.cutAfterLastPosition();
  EXPECT_EQ(builder.bytes(), (Bytes{0, 0, 0, 0, 'a', 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  builder.add(5, "x");
  EXPECT_FALSE(builder.lastEntryClosed());
  // A payload for a signal of 10 samples closes a segment running past its end there.
  notetiqs list;
  list.SetText(list.insertOrGet(0), "a");
  list.insertOrGet(20);
  bool closed = false;
  EXPECT_EQ(chunkPayload(list, 10, closed), (Bytes{0, 0, 0, 0, 'a', 0, 10, 0, 0, 0}));
  EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace ardv
