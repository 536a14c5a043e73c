#include "klatt/formant_listing.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <system_error>

#include "platform/report.h"
#include "signal/replacing_file.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr std::int64_t kDateLimit = 1'000'000'000;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Decimal numbers only: strtod would also take hexadecimal, "inf" and "nan".
bool parseNumber(const std::string& token, double& value) {
  if (token.empty() || token.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(token.c_str(), &end);
  return end && *end == '\0' && std::isfinite(value) && errno != ERANGE && std::fabs(value) <= 1e9;
}

// Parses one line; the reason of a refusal in `why`.
bool parseLine(const std::string& line, FormantListingFrame& frame, std::string& why) {
  std::istringstream in(line);
  std::vector<std::string> tokens;
  for (std::string t; in >> t;) tokens.push_back(t);
  if (tokens.size() != 4 + 3 * kListedFormants || tokens[0] != "date" || tokens[2].rfind('(', 0) != 0 ||
      tokens[3] != "ms)") {
    why = "expected \"date\", the date, \"(N ms)\" and six \"Fk=F A Bp\" groups, and nothing else (" +
          std::to_string(tokens.size()) + " fields, not " + std::to_string(4 + 3 * kListedFormants) + ")";
    return false;
  }
  double date;
  if (!parseNumber(tokens[1], date) || date != std::floor(date) || std::fabs(date) > kDateLimit) {
    why = "\"" + tokens[1] + "\" is not a date in ms";
    return false;
  }
  frame.dateMs = static_cast<std::int32_t>(date);
  for (int k = 0; k < kListedFormants; ++k) {
    const std::size_t at = 4 + 3 * static_cast<std::size_t>(k);
    const std::string prefix = "F" + std::to_string(k + 1) + "=";
    const std::string& f = tokens[at];
    auto& formant = frame.formants[k];
    if (f.rfind(prefix, 0) != 0 || !parseNumber(f.substr(prefix.size()), formant.frequency) ||
        !parseNumber(tokens[at + 1], formant.amplitude) || !parseNumber(tokens[at + 2], formant.bandwidth)) {
      why = "formant " + std::to_string(k + 1) + " is not \"" + prefix + "F A Bp\" with three numbers";
      return false;
    }
  }
  return true;
}

}  // namespace

void appendFormantListingLine(std::string& out, const FormantListingFrame& frame) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "date %ld (%ld ms) ", static_cast<long>(frame.dateMs), static_cast<long>(frame.dateMs));
  out += buffer;
  for (int k = 0; k < kListedFormants; ++k) {
    const auto& f = frame.formants[k];
    std::snprintf(buffer, sizeof buffer, "F%1d=%.5g %.5g %.5g ", k + 1, f.frequency, f.amplitude, f.bandwidth);
    out += buffer;
  }
  out += '\n';
}

bool writeFormantListing(const std::filesystem::path& file, const std::vector<FormantListingFrame>& frames) {
  std::string text;
  for (const auto& frame : frames) appendFormantListingLine(text, frame);
  ReplacingFile out(file);
  if (!out.open() || !out.write(text) || !out.commit()) {
    message(ardv::text(6403) + "\n" + file.string() + ": " + out.error());
    return false;
  }
  return true;
}

bool readFormantListing(const std::filesystem::path& file, std::vector<FormantListingFrame>& frames) {
  frames.clear();
  auto refuse = [&](const std::string& why) {
    frames.clear();
    message(text(6406) + "\n" + file.string() + ": " + why);
    return false;
  };
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return refuse(ec ? ec.message() : "not a regular file");
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(file.c_str(), "rb"));
  if (!in) return refuse(std::strerror(errno));
  std::string line;
  long number = 0;
  for (;;) {
    line.clear();
    int c;
    while ((c = std::fgetc(in.get())) != EOF && c != '\n') {
      if (line.size() >= kMaxListingLine) return refuse("line " + std::to_string(number + 1) + " is longer than 300 characters");
      line.push_back(static_cast<char>(c));
    }
    if (c == EOF && line.empty()) break;
    ++number;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    FormantListingFrame frame;
    std::string why;
    if (!parseLine(line, frame, why)) return refuse("line " + std::to_string(number) + ": " + why);
    if (!frames.empty() && frame.dateMs < frames.back().dateMs)
      return refuse("line " + std::to_string(number) + ": the dates go backwards");
    frames.push_back(frame);
  }
  if (std::ferror(in.get())) return refuse(std::strerror(errno));
  return true;
}

}  // namespace ardv
