// Profiles: expressions (values worked out by hand, malformed text refused
// with its message, the stacks never overrun, no value past division by zero
// or overflow), fields and profile texts (each value form, each malformed line
// with its message), and files described through profiles (the table loaded
// from a directory, the shipped profiles, defaults of absent fields, files a
// profile does not fit: refused with one message, record unchanged).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <limits>
#include <optional>
#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "platform/report.h"
#include "signal/infofile_io.h"
#include "signal/profile_expression.h"
#include "signal/profile_field.h"
#include "signal/profile_info.h"
#include "signal/program.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

class Expression : public ::testing::Test {
 protected:
  void SetUp() override { test::loadSignalTexts(); }
  ScopedRecorder rec;
  CompiledExpression e;
};

// A value worked out by hand, or none (division by zero, overflow) with the
// reason and without a message.
TEST_F(Expression, EvaluatesAsWorkedOut) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  struct Row {
    const char* text;
    std::int64_t fileSize, expected;
    const char* reason = nullptr;  // no value
  };
  for (const Row& r : {Row{"(2+3)*4", 0, 20}, {"2+3*4", 0, 14}, {"8-2-1", 0, 5}, {"7/2", 0, 3}, {"SOF-1024", 5024, 4000},
                       {"1024", 5024, 1024}, {" ((1)) ", 0, 1}, {"24/4/2", 0, 3}, {"a*b-SOF/2", 10, 10}, {"1-7/2", 0, -2},
                       {"(SOF-44)/2", 144, 50}, {"10/(SOF-SOF)+1", kMax, 0, "division by zero"},
                       {"2147483647*2147483647*2147483647", kMax, 0, "beyond 64 bits"},
                       {"0-2147483647*2147483647*2147483647", kMax, 0, "beyond 64 bits"},
                       {"SOF+SOF", kMax, 0, "beyond 64 bits"}}) {
    ASSERT_TRUE(en_post(r.text, e)) << r.text;
    ExpressionVariables vars{};
    vars[0] = 3;  // a
    vars[1] = 5;  // b
    vars[kExpressionVariables - 1] = r.fileSize;
    std::string why;
    const std::optional<std::int64_t> value = evaluate(e, &vars, &why);
    EXPECT_EQ(value, r.reason ? std::nullopt : std::optional(r.expected)) << r.text;
    EXPECT_NE(why.find(r.reason ? r.reason : ""), std::string::npos) << why;
  }
  EXPECT_TRUE(rec->reports().empty());
}

TEST_F(Expression, RefusedReportsAndLeavesTheOutputAlone) {
  const std::pair<const char*, const char*> rows[] = {
      {"1+", "Incomplete"}, {"2 3", "Incomplete"}, {"", "Incomplete"}, {"-5", "Incomplete"},
      {"1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1", "T3703"},  // 21 numbers: the output stack is full
      {"(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+", "T3702"},  // 21 pending operators, each on its own level
      {"2 $+ 3", "T3705"}, {"16000;", "T3705"}, {"16000)", "without its"}, {"(16000", "without its"},
      {"46116860184273879040000000000000", "too large"}, {"2147483648", "too large"}};
  for (const auto& [bad, message] : rows) {
    rec->clear();
    ASSERT_TRUE(en_post("42", e));
    EXPECT_FALSE(en_post(bad, e, "where: "));
    ASSERT_EQ(rec->reports().size(), 1u) << bad;
    EXPECT_TRUE(rec->saw("where: ") && rec->saw(message)) << bad;
    EXPECT_EQ(evaluate(e, nullptr), 42) << bad;
  }
}

TEST_F(Expression, VariablesWithoutValuesAndUnknownItems) {
  ASSERT_TRUE(en_post("x+1", e));
  EXPECT_TRUE(e.usedVariables[23]);
  EXPECT_EQ(evaluate(e, nullptr), 1);
  EXPECT_TRUE(rec->saw("T3903"));
  e.items.insert(e.items.begin(), ExpressionItem{'?', 0});
  EXPECT_EQ(evaluate(e, nullptr), 1);
  EXPECT_TRUE(rec->saw("T3904"));
  EXPECT_EQ(ctoop('%'), 0);
  EXPECT_TRUE(rec->saw("T3701"));
}

TEST_F(Expression, TracesItsStepsAtLevelFive) {
  setDebugLevel(5);
  en_post("1+b", e);
  setDebugLevel(0);
  EXPECT_TRUE(rec->tracedFragment("en_post(\"1+b\")"));
  EXPECT_TRUE(rec->tracedFragment("ctoop(c=+)"));
  EXPECT_TRUE(rec->tracedFragment("empile_res(type=v,c=1)"));
}

// An expression, a quoted string with doubled quotes, a quoted number read as
// a number, a string cut at 299 characters (the rest of the line ignored).
TEST(LireChamp, ReadsEachValueForm) {
  test::loadSignalTexts();
  ScopedRecorder rec;
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = 5024;
  struct Row {
    std::string text;
    char kind;
    std::string constant;
    std::int64_t number;  // 0: not a number
  };
  for (const Row& r : {Row{"v, SOF-1024", 'n', "", 4000}, Row{"\"say \"\"oui\"\"\"  ", 'c', "say \"oui\"", 0},
                       Row{"\"22050\"", 'c', "22050", 22050},
                       Row{"\"" + std::string(400, 'x'), 'c', std::string(kProfileStringMax, 'x'), 0}}) {
    FieldValue f;
    ASSERT_TRUE(lire_champ(r.text, f)) << r.text;
    EXPECT_EQ(std::pair(f.kind, f.text), std::pair(r.kind, r.constant)) << r.text;
    std::string fault;
    if (r.number != 0) {
      EXPECT_EQ(fieldValue(f, &vars, fault)->number, r.number) << r.text;
    }
  }
  EXPECT_TRUE(rec->reports().empty());
}

// A malformed line names the profile and the line and fails its field (an
// unknown field stays absent); the other lines still count.
TEST(ProfileText, MalformedLineNamesTheProfileAndLineAndFailsTheField) {
  test::loadSignalTexts();
  struct Row {
    const char* line;
    const char* message;  // nullptr: no message, the field stays absent
    bool failed;          // the debut field is marked failed
  };
  for (const Row& r : {Row{"debut =", "T5001", true}, {"debut = v 1024", "T5002", true},
                       {"debut = v, 1+", "Incomplete", true}, {"debut = v, 1024 #", "T3705", true},
                       {"debut = \"1024\" 2", "after the closing quote", true}, {"debut = \"1024", "no closing quote", true},
                       {"debut = 1024", "either", true}, {"start = v, 1024", "T5003", false}, {"   ", nullptr, false}}) {
    ScopedRecorder rec;
    Profile p;
    p.name = "bad";
    const int faults = parseProfileText(std::string("nb_bits = v, 12\n") + r.line + "\n", p);
    std::string fault;
    const FieldValue& debut = p.fields[kFieldDebut];
    EXPECT_FALSE(fieldValue(debut, nullptr, fault).has_value()) << r.line;
    EXPECT_EQ(std::pair(debut.failed, fault.empty()), std::pair(r.failed, !r.failed)) << r.line;
    EXPECT_EQ(fieldValue(p.fields[kFieldNbBits], nullptr, fault)->number, 12) << r.line;
    EXPECT_EQ(std::tuple(faults, rec->reports().size()), std::tuple(r.message ? 1 : 0, r.message ? 1u : 0u)) << r.line;
    EXPECT_TRUE(!r.message || (rec->saw("T5004 bad.fmt, line 2: ") && rec->saw(r.message))) << r.line;
  }
}

TEST(ProfileText, ReadsAllFiveFieldsWithWindowsLineEnds) {
  Profile p;
  p.name = "sphere";
  EXPECT_EQ(parseProfileText("frequence = v, 16000\r\nnb_bits=v,12\r\n\r\ndebut = v, 1024\r\n"
                             "longueur = v, SOF-1024\r\nsignal_swap = \"oui\"\r\n",
                             p),
            0);
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = 5024;
  std::string fault;
  for (const auto& [field, number] :
       {std::pair{kFieldFrequence, 16000}, {kFieldNbBits, 12}, {kFieldDebut, 1024}, {kFieldLongueur, 4000}})
    EXPECT_EQ(fieldValue(p.fields[field], &vars, fault)->number, number) << field;
  EXPECT_EQ(fieldValue(p.fields[kFieldSignalSwap], &vars, fault)->text, "oui");
  EXPECT_EQ(p.name, "sphere");
}

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

// Files a profile does not fit: one message, the record unchanged. A FIFO
// must not be opened (it would block).
TEST(ProfileTable, RefusedFileReportsOnceAndKeepsTheRecord) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo.raw").c_str(), 0600), 0);
  struct Row {
    const char* profile;
    const char* message;
    const char* file = "a.raw";
  };
  for (const Row& r : {Row{"debut = v, 1024\nlongueur = v, SOF\n", "outside the file"},
                       {"debut = v, SOF+2\n", "outside the file"}, {"longueur = v, 0-2\n", "outside the file"},
                       {"nb_bits = v, 17\n", "significant bits"},
                       {"frequence = v, 0\n", "p.fmt, line 1: frequence) gives a sampling frequency"},
                       {"\nfrequence = v, 2147483647*2147483647\n", "line 2: frequence) gives a sampling"},
                       {"frequence = v, 1000001\n", "sampling frequency of 1000001 Hz"},
                       {"frequence = \"16k\"\n", "not a whole number"},
                       {"debut = v, 0\nlongueur = v, SOF-\n", "line 2: longueur) gives no value"},
                       {"longueur = v, SOF/(SOF-SOF)\n", "division by zero"},
                       {"longueur = v, SOF\n", "cannot be opened", "none/file.raw"},
                       {"longueur = v, SOF\n", "a pipe, not a regular file", "fifo.raw"}}) {
    const Profile profile = profileOf(r.profile);
    ScopedRecorder rec;
    infoFile info = fileOfSize(dir, "a.raw", 5024);
    info.nom = (dir / r.file).string();
    info.longueur = 77;
    info.frequence = 8000;
    EXPECT_FALSE(describeWithProfile(profile, info)) << r.profile;
    EXPECT_EQ(rec->count(ReportKind::Message), 1u) << r.profile;
    EXPECT_TRUE(rec->saw(r.message)) << r.profile;
    EXPECT_EQ(std::pair(info.longueur, info.frequence), std::pair(std::int64_t{77}, 8000.0)) << r.profile;
  }
}

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
                            {"", 16000, 16, 1, 0, 5024},  {"debut = v, 1024\n", 16000, 16, 1, 1024, 4000},
                            {"signal_swap = \"Oui\"\nlongueur = v, SOF-1\n", 16000, 16, 0, 0, 5022}};
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
