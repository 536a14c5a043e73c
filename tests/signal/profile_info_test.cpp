// Describing files through profiles: the table loaded from a directory, the
// shipped profiles, defaults of absent fields, and files the profile does
// not fit (refused with one message, record unchanged).
#include "signal/profile_info.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

infoFile fileOfSize(const test::TempDir& dir, const char* name, std::size_t bytes) {
  test::writeFile(dir / name, std::string(bytes, '\x01'));
  infoFile info;
  info.nom = (dir / name).string();
  return info;
}

Profile profileOf(const std::string& text) {
  Profile p;
  p.name = "p";
  parseProfileText(text, p);
  return p;
}

struct RefusedCase {
  const char* profile;
  const char* message;
  bool missingFile = false;
  bool fifo = false;  // the file is a FIFO, which must not be opened (it would block)
};
class ProfileRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(ProfileRefused, ReportsOnceAndKeepsTheRecord) {
  test::TempDir dir;
  const Profile profile = profileOf(GetParam().profile);
  ScopedRecorder rec;
  infoFile info = fileOfSize(dir, "a.raw", 5024);
  if (GetParam().missingFile) info.nom = (dir / "none" / "file.raw").string();
  if (GetParam().fifo && ::mkfifo((info.nom = (dir / "fifo.raw").string()).c_str(), 0600) != 0) FAIL();
  info.longueur = 77;
  info.frequence = 8000;
  const infoFile before = info;
  EXPECT_FALSE(describeWithProfile(profile, info));
  EXPECT_EQ(rec->count(ReportKind::Message), 1u);
  EXPECT_TRUE(rec->saw(GetParam().message));
  EXPECT_EQ(info.longueur, before.longueur);
  EXPECT_EQ(info.frequence, before.frequence);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileRefused,
    ::testing::Values(RefusedCase{"debut = v, 1024\nlongueur = v, SOF\n", "outside the file"},
                      RefusedCase{"debut = v, SOF+2\n", "outside the file"},
                      RefusedCase{"longueur = v, 0-2\n", "outside the file"},
                      RefusedCase{"nb_bits = v, 17\n", "significant bits"},
                      RefusedCase{"frequence = v, 0\n", "p.fmt, line 1: frequence) gives a sampling frequency"},
                      RefusedCase{"\nfrequence = v, 2147483647*2147483647\n", "line 2: frequence) gives a sampling"},
                      RefusedCase{"frequence = v, 1000001\n", "sampling frequency of 1000001 Hz"},
                      RefusedCase{"frequence = \"16k\"\n", "not a whole number"},
                      RefusedCase{"debut = v, 0\nlongueur = v, SOF-\n", "line 2: longueur) gives no value"},
                      RefusedCase{"longueur = v, SOF/(SOF-SOF)\n", "division by zero"},
                      RefusedCase{"longueur = v, SOF\n", "cannot be opened", true},
                      RefusedCase{"longueur = v, SOF\n", "a pipe, not a regular file", false, true}));

TEST(ProfileTable, LoadsFmtFilesSortedByName) {
  test::TempDir dir;
  test::writeFile(dir / "zz.fmt", "frequence = v, 8000\n");
  test::writeFile(dir / "aa.fmt", "frequence = v, 22050\n");
  test::writeFile(dir / "notes.txt", "not a profile\n");
  std::filesystem::create_directory(dir / "dir.fmt");
  std::filesystem::create_symlink("/dev/zero", dir / "zero.fmt");
  ProfileTable table;
  ScopedRecorder rec;
  EXPECT_EQ(table.init_fmt(dir.path()), 3);
  EXPECT_EQ(table.at(0)->name, "aa");
  EXPECT_EQ(table.indexOf("zz"), 2);
  std::string fault;
  EXPECT_EQ(fieldValue(table.at(2)->fields[kFieldFrequence], nullptr, fault)->number, 8000);
  EXPECT_EQ(table.at(3), nullptr);
  // A device is never read as a profile, and its entry describes nothing.
  EXPECT_TRUE(rec->saw("zero.fmt cannot be read: a device"));
  infoFile info = fileOfSize(dir, "a.raw", 100);
  EXPECT_FALSE(describeWithProfile(*table.at(1), info));
  EXPECT_TRUE(rec->saw("\"zero\" could not be read"));
}

// The shipped profiles by name, and profile texts: absent fields take their
// defaults (no signal_swap: swapped bytes), only exactly "oui" swaps, the
// length is cut to whole samples.
TEST(ProfileTable, ProfilesDescribeTheirLayouts) {
  test::TempDir dir;
  test::loadShippedProfiles();
  test::loadSignalTexts();
  ScopedRecorder rec;
  struct Expected {
    const char* name;  // a shipped profile, or the text of one
    double frequence;
    int bits, swap;
    std::int64_t depl, longueur;
  };
  const Expected table[] = {{"pcm16le-8k", 8000, 16, 0, 0, 5024},   {"pcm16le-11k", 11025, 16, 0, 0, 5024},
                            {"pcm16le-16k", 16000, 16, 0, 0, 5024}, {"pcm16le-22k", 22050, 16, 0, 0, 5024},
                            {"pcm16le-44k", 44100, 16, 0, 0, 5024}, {"pcm16be-16k", 16000, 16, 1, 0, 5024},
                            {"sphere-16k", 16000, 16, 0, 1024, 4000}, {"pcm12be-16k", 16000, 12, 1, 0, 5024},
                            {"", 16000, 16, 1, 0, 0}, {"signal_swap = \"Oui\"\nlongueur = v, SOF-1\n", 16000, 16, 0, 0, 5022}};
  for (const Expected& e : table) {
    SCOPED_TRACE(e.name);
    infoFile info = fileOfSize(dir, "x.raw", 5024);
    info.formatIndex = profileTable().indexOf(e.name);
    ASSERT_TRUE(info.formatIndex >= 0 ? init_infoFile_read(info) : describeWithProfile(profileOf(e.name), info));
    EXPECT_EQ(std::tuple(info.frequence, info.nb_bits, info.swap, info.depl, info.longueur),
              std::tuple(e.frequence, e.bits, e.swap, e.depl, e.longueur));
  }
  for (const Report& r : rec->reports()) ADD_FAILURE() << r.caption << ": " << r.text;
}

}  // namespace
}  // namespace ardv
