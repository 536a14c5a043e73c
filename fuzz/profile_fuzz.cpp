// libFuzzer target: the bytes are the text of a format profile, parsed, each
// field evaluated and a file described with it; and the bytes compiled and
// evaluated as one expression, with variables taken from the first bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/headless/recording_reporter.h"
#include "signal/profile_expression.h"
#include "signal/profile_field.h"
#include "signal/profile_info.h"
#include "signal/replacing_file.h"

namespace {

// A 5024-byte file to describe, removed when the fuzzer exits.
struct ScratchFile {
  std::string path =
      (std::filesystem::temp_directory_path() / ("ardv-profile-fuzz-" + std::to_string(getpid()) + ".raw")).string();
  ScratchFile() {
    ardv::ReplacingFile out{path};
    const std::string bytes(5024, '\x01');
    (void)(out.open() && out.write(bytes) && out.commit());
  }
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ardv::RecordingReporter recorder;
  ardv::setReportHandler(&recorder);
  const std::string text(reinterpret_cast<const char*>(data), size);

  ardv::ExpressionVariables vars{};
  for (std::size_t i = 0; i < vars.size() && i * 8 + 8 <= size; ++i) {
    std::int64_t v = 0;
    std::memcpy(&v, data + i * 8, 8);
    vars[i] = v;
  }

  ardv::Profile profile;
  profile.name = "fuzz";
  ardv::parseProfileText(text, profile);
  std::string fault;
  for (const ardv::FieldValue& field : profile.fields) {
    (void)ardv::fieldValue(field, &vars, fault);
    (void)ardv::fieldValue(field, nullptr, fault);
  }
  // The description of a file, for reading and for writing, through every
  // check of a real one.
  static ScratchFile scratch;
  ardv::infoFile info;
  info.nom = scratch.path;
  (void)ardv::describeWithProfile(profile, info);
  (void)ardv::describeForWritingWithProfile(profile, info);

  ardv::CompiledExpression expression;
  if (ardv::en_post(text, expression, "fuzz: ")) (void)ardv::evaluate(expression, &vars, &fault);

  ardv::FieldValue field;
  ardv::lire_champ(text, field, "fuzz: ");
  recorder.clear();
  return 0;
}
