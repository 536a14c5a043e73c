// The buffer family: sizes, the spare element, kept prefixes, texts, and an
// allocation that fails (reported once, buffer unchanged).
#include "signal/buffers.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_reporter.h"

namespace ardv {
namespace {

TEST(Buffers, ResizingKeepsThePrefixAndASpareElement) {
  SHORTbuf b(3, "b in test");
  EXPECT_EQ(b.size(), 3);
  for (int i = 0; i <= 3; ++i) b[i] = static_cast<std::int16_t>(i + 1);  // element 3 is the spare one
  ASSERT_TRUE(b.newsize(100000));
  EXPECT_EQ(b[2], 3);
  EXPECT_EQ(b[3], 0);  // new elements are zero
  EXPECT_EQ(b[100000], 0);
  ASSERT_TRUE(b.newsize(2));
  EXPECT_EQ(b[1], 2);
  ASSERT_TRUE(b.newsize(-5));
  EXPECT_EQ(b.size(), 0);
  EXPECT_EQ(b.data(), nullptr);
}

TEST(Buffers, FailedAllocationIsReportedOnceAndChangesNothing) {
  ScopedRecorder rec;
  INTbuf b(4, "big one");
  b[0] = 42;
  EXPECT_FALSE(b.newsize(std::int64_t{1} << 40));
  EXPECT_EQ(b.size(), 4);
  EXPECT_EQ(b[0], 42);
  EXPECT_EQ(rec->reports().size(), 1u);
  EXPECT_TRUE(rec->saw("big one"));
}

TEST(Buffers, CharBufSetsAndAppendsText) {
  CHARbuf t(0, "log");
  t.appendText("ab");
  EXPECT_EQ(t.text(), "ab");
  ASSERT_TRUE(t.setText("hello"));
  EXPECT_EQ(t.size(), 6);
  ASSERT_TRUE(t.appendText(", world"));
  EXPECT_EQ(t.text(), "hello, world");
  EXPECT_EQ(t.size(), 13);
}

}  // namespace
}  // namespace ardv
