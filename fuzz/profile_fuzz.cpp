// libFuzzer target: the bytes are the text of a format profile, parsed and
// each field evaluated; and the bytes compiled and evaluated as one
// expression, with variables taken from the first bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/headless/recording_reporter.h"
#include "signal/profile_expression.h"
#include "signal/profile_field.h"

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
  for (const ardv::FieldValue& field : profile.fields) {
    (void)ardv::fieldValue(field, &vars);
    (void)ardv::fieldValue(field, nullptr);
  }

  ardv::CompiledExpression expression;
  if (ardv::en_post(text, expression)) (void)ardv::evaluate(expression, &vars);

  ardv::FieldValue field;
  ardv::lire_champ(text, field);
  recorder.clear();
  return 0;
}
