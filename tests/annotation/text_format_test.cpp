// Safe printf-style formatting of numbered texts: conversions matched against
// the arguments, hostile formats from a data file (random ones: country_file_fuzz).
#include "annotation/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ardv {
namespace {

// (what formatText gave, what it should give).
using Row = std::pair<std::string, std::string>;

TEST(FormatText, ConversionsMismatchesMissingArgumentsAndHostileFormats) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::string maxLong = std::to_string(static_cast<long long>(9.2e18));
  const Row rows[] = {
      // Conversions take their arguments in order.
      {formatText("%s: %d to %d", {"stretch", 10, 20}), "stretch: 10 to 20"},
      {formatText("%5.1f|%-4d|%04d", {2.25, 7, 42}), "  2.2|7   |0042"},
      {formatText("%ld %lld %hd %u", {1L, 2LL, 3, 4u}), "1 2 3 4"},
      {formatText("%x %X %c", {255, 255, 65}), "ff FF A"},
      {formatText("%.0f Hz %g", {99.5, 0.25}), "100 Hz 0.25"},
      {formatText("100%% done", {}), "100% done"},
      {formatText("%.3s", {"abcdef"}), "abc"},
      // An argument of another type is converted.
      {formatText("%d", {"12"}), "12"}, {formatText("%s", {5}), "5"}, {formatText("%d", {7.9}), "7"},
      {formatText("%.1f", {3}), "3.0"}, {formatText("%d", {1e300}), maxLong}, {formatText("%d", {inf}), maxLong},
      {formatText("%d", {std::nan("")}), "0"},
      // Missing arguments count as 0 or "", extra ones are ignored.
      {formatText("%s and %s", {"a"}), "a and "}, {formatText("%d/%d", {}), "0/0"}, {formatText("[%s]", {}), "[]"},
      {formatText("no conversion", {1, "extra"}), "no conversion"},
      // Hostile formats are left as text; widths of more than three digits are not conversions.
      {formatText("%n", {}), "%n"}, {formatText("a%n%s", {"x"}), "a%nx"}, {formatText("%*d", {5}), "%*d"},
      {formatText("%p", {1}), "%p"}, {formatText("trailing %", {}), "trailing %"}, {formatText("%-", {}), "%-"},
      {formatText("%999999d", {1}), "%999999d"}, {formatText("%999d", {1}), std::string(998, ' ') + "1"},
  };
  for (const auto& [got, expected] : rows) EXPECT_EQ(got, expected);
  EXPECT_LT(formatText("%.99999f", {1.0}).size(), 12000u);
}

}  // namespace
}  // namespace ardv
