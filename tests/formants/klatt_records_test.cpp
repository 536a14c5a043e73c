#include "formants/klatt_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::TempDir;
using test::writeFile;

TEST(KlattTable, GroupsAndScalesAgreeWithTheParameterTable) {
  int covered = 0;
  for (int g = 0; g < kKlattGroups; ++g) {
    const auto& group = klattGroups()[g];
    for (int c = 0; c < group.columns; ++c) {
      const auto& p = klattParams()[group.params[c]];
      EXPECT_EQ(p.group, g) << p.name;
      EXPECT_EQ(p.column, c) << p.name;
      ++covered;
    }
    for (int s = 0; s < kKlattScales; ++s) {
      const int column = klattScaleColumn(s, g);
      EXPECT_LT(column, group.columns) << "scale " << s << " group " << g;
    }
  }
  EXPECT_EQ(covered, kKlattParams - 1);
}

struct ReadCase {
  const char* name;
  const char* text;
  int records;
  int columns;
};

TEST(KlattRecords, ReadsTypesDefaultsAndCutRecords) {
  std::string kla = ".kla\n";
  KlattRecord r{};
  for (int i = 0; i < kKlattParams; ++i) r[i] = i + 1;
  r[kF0hz10] = 123;
  appendKlattRecord(kla, r, 41);
  std::string klf = ".klf\n";
  appendKlattRecord(klf, r, 44);
  const ReadCase cases[] = {
      {"kla", kla.c_str(), 1, 41},
      {"klf", klf.c_str(), 1, 44},
      {"record cut across line breaks", ".kle 1 2\n3", 0, 56},
      {"truncated last record", ".kla 0 1000 60", 0, 41},
      {"text ends the file", ".kla 0 1000 abc", 0, 41},
      {"unknown type", ".klx 1 2 3", 0, 0},
      {"overlong type", ".klaaaaaaaaa 1 2", 0, 0},
      {"empty", "", 0, 0},
  };
  TempDir dir;
  const KlattRecord defaults = initialKlattDefaults();
  for (const auto& c : cases) {
    const auto path = dir.path() / "p.kl";
    writeFile(path, c.text);
    KlattRecordReader reader;
    const auto status = reader.open(path);
    EXPECT_EQ(status == KlattRecordReader::Status::ok, c.columns > 0) << c.name;
    EXPECT_EQ(reader.columns(), c.columns) << c.name;
    int n = 0;
    KlattRecord got{};
    while (reader.next(got, defaults)) {
      ++n;
      EXPECT_EQ(got[kF0hz10], 123) << c.name;
      for (int i = 2; i < kKlattParams; ++i)
        EXPECT_EQ(got[i], i < c.columns ? i + 1 : defaults[i]) << c.name << " column " << i;
    }
    EXPECT_EQ(n, c.records) << c.name;
  }
}

TEST(KlattRecords, WritesTenthsOfHertzAndNoNegatives) {
  KlattRecord r = initialKlattDefaults();
  r[kDate] = 8;
  r[kF0hz10] = 123;
  r[kAVdb] = -5;
  std::string line;
  appendKlattRecord(line, r, 41);
  EXPECT_EQ(line.substr(0, 11), "8 1230 0 0 ");
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(std::count(line.begin(), line.end(), ' '), 41);
}

TEST(KlattRecords, ReadsTenthsAsWholeHertzAndSaturatesHugeNumbers) {
  TempDir dir;
  const auto path = dir.path() / "p.kle";
  std::string text = ".kle 0 1235";
  text += " 99999999999999999999";
  for (int i = 3; i < kKlattParams; ++i) text += " 1";
  writeFile(path, text);
  KlattRecordReader reader;
  ASSERT_EQ(reader.open(path), KlattRecordReader::Status::ok);
  KlattRecord got{};
  ASSERT_TRUE(reader.next(got, initialKlattDefaults()));
  EXPECT_EQ(got[kF0hz10], 123);
  EXPECT_EQ(got[kAVdb], std::numeric_limits<std::int32_t>::max());
}

}  // namespace
}  // namespace ardv
