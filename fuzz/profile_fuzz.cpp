// libFuzzer target: the bytes are the text of a format profile, parsed, each
// field evaluated and a file described with it; and the bytes compiled and
// evaluated as one expression, with variables taken from the first bytes.
#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "signal/profile_expression.h"
#include "signal/profile_field.h"
#include "signal/profile_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  const std::string text(reinterpret_cast<const char*>(data), size);

  ardv::ExpressionVariables vars{};
  std::memcpy(vars.data(), data, std::min(size - size % 8, sizeof vars));

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
  static const ardv::fuzz::ScratchFile scratch("profile.raw");
  static const std::string described = scratch.hold(std::string(5024, '\x01')).string();
  ardv::infoFile info;
  info.nom = described;
  (void)ardv::describeWithProfile(profile, info);
  (void)ardv::describeForWritingWithProfile(profile, info);

  ardv::CompiledExpression expression;
  if (ardv::en_post(text, expression, "fuzz: ")) (void)ardv::evaluate(expression, &vars, &fault);

  ardv::FieldValue field;
  ardv::lire_champ(text, field, "fuzz: ");
  return 0;
}
