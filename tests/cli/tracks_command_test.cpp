// ardv-cli tracks, run as the user runs it: conversions between the three
// parameter-file kinds and the formant listing keep the frames' numbers.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

// The numbers of a file, "F1=500" and "(5" counting as 500 and 5.
std::vector<long> numbers(std::string text) {
  for (char& c : text)
    if (c == '=' || c == '(') c = ' ';
  std::istringstream in(text);
  std::vector<long> out;
  std::string token;
  while (in >> token)
    if (!token.empty() && (std::isdigit(static_cast<unsigned char>(token[0])) || token[0] == '-')) out.push_back(std::stol(token));
  return out;
}

TEST(TracksCommand, ConversionsKeepTheFrames) {
  test::TempDir dir;
  std::string kle = ".kle\n";
  for (int k = 0; k < 20; ++k)
    kle += std::to_string(5 * k) + " 1230 60 " + std::to_string(500 + k) +
           " 50 1500 60 2500 90 0 140 0 210 0 300 280 90 0 150 0 30 0 0 0 0 60 80 50 80 40 80 0 4003 0 4003 0 4003 0 "
           "0 60 55 17 30 180 0 90 0 4003 0 90 0 4003 0 90 0 4003 \n";
  test::writeFile(dir / "in.kle", kle);
  struct Step {
    const char* from;
    const char* args;
    const char* to;
  };
  const Step steps[] = {{"in.kle", "", "same.kle"}, {"in.kle", "", "a.for"}, {"a.for", "--to kla", "b.out"},
                        {"same.kle", "--step 5", "c.kla"}};
  for (const auto& s : steps) {
    const std::string args = "tracks '" + (dir / s.from).string() + "' " + s.args + " -o '" + (dir / s.to).string() + "'";
    ASSERT_EQ(test::runCli(args, dir / "out"), 0) << args << test::readFile(dir / "out.err");
  }
  EXPECT_EQ(test::readFile(dir / "same.kle"), kle);
  const auto listing = numbers(test::readFile(dir / "a.for"));
  ASSERT_EQ(listing.size(), 20u * 20u);
  EXPECT_EQ(listing[20 * 19], 95);  // date of the last frame
  const std::string kla = test::readFile(dir / "b.out");
  EXPECT_EQ(kla.substr(0, 5), ".kla\n");
  const auto fromListing = numbers(kla), fromKle = numbers(test::readFile(dir / "c.kla"));
  ASSERT_EQ(fromListing.size(), 20u * 41u);
  ASSERT_EQ(fromKle.size(), 20u * 41u);
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(fromListing[41 * k + 3], 500 + k);  // F1 through the listing
    EXPECT_EQ(fromKle[41 * k + 3], 500 + k);
    EXPECT_EQ(fromKle[41 * k + 1], 1230);
  }
}

}  // namespace
}  // namespace ardv
