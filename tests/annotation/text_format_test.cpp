// Safe printf-style formatting of numbered texts: conversions matched against
// the arguments, hostile formats from a data file (random ones: country_file_fuzz).
#include "annotation/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ardv {
namespace {

TEST(FormatText, ConversionsTakeTheirArgumentsInOrder) {
  EXPECT_EQ(formatText("%d labels", {3}), "3 labels");
  EXPECT_EQ(formatText("%s: %d to %d", {"stretch", 10, 20}), "stretch: 10 to 20");
  EXPECT_EQ(formatText("%5.1f|%-4d|%04d", {2.25, 7, 42}), "  2.2|7   |0042");
  EXPECT_EQ(formatText("%ld %lld %hd %u", {1L, 2LL, 3, 4u}), "1 2 3 4");
  EXPECT_EQ(formatText("%x %X %c", {255, 255, 65}), "ff FF A");
  EXPECT_EQ(formatText("%.0f Hz %g", {99.5, 0.25}), "100 Hz 0.25");
  EXPECT_EQ(formatText("100%% done", {}), "100% done");
  EXPECT_EQ(formatText("%.3s", {"abcdef"}), "abc");
}

TEST(FormatText, MismatchedArgumentsAreConverted) {
  EXPECT_EQ(formatText("%d", {"12"}), "12");
  EXPECT_EQ(formatText("%s", {5}), "5");
  EXPECT_EQ(formatText("%d", {7.9}), "7");
  EXPECT_EQ(formatText("%.1f", {3}), "3.0");
  for (double huge : {1e300, std::numeric_limits<double>::infinity()})
    EXPECT_EQ(formatText("%d", {huge}), std::to_string(static_cast<long long>(9.2e18)));
  EXPECT_EQ(formatText("%d", {std::nan("")}), "0");
}

TEST(FormatText, MissingArgumentsCountAsZeroOrEmpty) {
  EXPECT_EQ(formatText("%s and %s", {"a"}), "a and ");
  EXPECT_EQ(formatText("%d/%d", {}), "0/0");
  EXPECT_EQ(formatText("[%s]", {}), "[]");
  EXPECT_EQ(formatText("no conversion", {1, "extra"}), "no conversion");
}

TEST(FormatText, HostileFormatsAreLeftAsText) {
  EXPECT_EQ(formatText("%n", {}), "%n");
  EXPECT_EQ(formatText("a%n%s", {"x"}), "a%nx");
  EXPECT_EQ(formatText("%*d", {5}), "%*d");
  EXPECT_EQ(formatText("%p", {1}), "%p");
  EXPECT_EQ(formatText("trailing %", {}), "trailing %");
  EXPECT_EQ(formatText("%-", {}), "%-");
  // Widths of more than three digits are not conversions.
  EXPECT_EQ(formatText("%999999d", {1}), "%999999d");
  EXPECT_EQ(formatText("%999d", {1}), std::string(998, ' ') + "1");
  EXPECT_LT(formatText("%.99999f", {1.0}).size(), 12000u);
}

}  // namespace
}  // namespace ardv
