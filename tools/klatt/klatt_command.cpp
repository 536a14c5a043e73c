#include "tools/klatt/klatt_command.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "klatt/klatt_records.h"

namespace ardv::klatt {
namespace {

bool integer(const std::string& text, int& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    return false;
  value = static_cast<int>(v);
  return true;
}

// A directory, FIFO or device is refused before opening: a FIFO would block
// and a device might never end.
bool readable(const std::filesystem::path& params, std::string& error) {
  std::error_code ec;
  const auto status = std::filesystem::status(params, ec);
  if (std::filesystem::is_directory(status)) error = "is a directory, not a parameter file";
  else if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) error = "not a regular file";
  else return true;
  return false;
}

}  // namespace

std::string usage() {
  return "usage: klatt [-r 1|2] -i PARAMS.kle -o OUT.raw [-t 1..8] [-f MS] [-s HZ] [-F 0..100] [-v 2|4]";
}

std::string parseCommand(const std::vector<std::string>& args, Command& command) {
  Command c;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option.size() != 2 || option[0] != '-' || std::string("rioftsFv").find(option[1]) == std::string::npos)
      return "unknown option " + option;
    if (i + 1 >= args.size()) return option + " needs a value";
    const std::string& value = args[++i];
    const char name = option[1];
    if (name == 'i' || name == 'o') {
      if (value.empty()) return option + " needs a file name";
      (name == 'i' ? c.input : c.output) = value;
      continue;
    }
    int n = 0;
    if (!integer(value, n)) return option + " needs a whole number, not \"" + value + "\"";
    switch (name) {
      case 'r':
        if (n != 1 && n != 2) return "-r " + value + ": the byte arrangement is 1 (low byte first) or 2 (high byte first)";
        c.bigEndian = n == 2;
        break;
      case 't': c.options.waveform = n; break;
      case 'f': c.options.frameMs = n; break;
      case 's': c.options.rateHz = n; break;
      case 'F': c.options.flutterPercent = n; break;
      case 'v':
        if (n != 2 && n != 4) return "-v " + value + ": the source is 2 (Klatt) or 4 (Liljencrants-Fant)";
        c.options.source = n == 2 ? Source::klatt : Source::liljencrantsFant;
        break;
    }
  }
  if (c.input.empty()) return "-i PARAMS is required";
  if (c.output.empty()) return "-o OUT is required";
  if (std::string why = checkOptions(c.options); !why.empty()) return why;
  command = c;
  return {};
}

std::int64_t synthesizeFile(const std::filesystem::path& params, const SynthOptions& options,
                            const std::function<bool(std::span<const std::int16_t>)>& sink, std::string& error,
                            std::string* warning) {
  if (!readable(params, error)) return -1;
  KlattRecordReader reader;
  std::string reason;
  switch (reader.open(params, &reason)) {
    case KlattRecordReader::Status::cannotOpen:
      error = "cannot open: " + reason;
      return -1;
    case KlattRecordReader::Status::unknownType:
      error = "not a Klatt parameter file (the first word must be .kla, .klf or .kle)";
      return -1;
    case KlattRecordReader::Status::ok: break;
  }
  const KlattRecord defaults = initialKlattDefaults();
  Synthesizer synth(options);
  KlattRecord record{};
  std::vector<std::int16_t> samples;
  std::int64_t records = 0;
  std::int64_t previousDate = 0;
  while (reader.next(record, defaults)) {
    if (warning && warning->empty() && records > 0 && record[kDate] - previousDate != options.frameMs)
      *warning = "frame " + std::to_string(records + 1) + " is dated " + std::to_string(record[kDate]) + " ms, " +
                 std::to_string(record[kDate] - previousDate) + " ms after the one before, but each frame lasts " +
                 std::to_string(options.frameMs) + " ms: the dates are not used";
    previousDate = record[kDate];
    samples.clear();
    synth.frame(record, samples);
    if (!sink(samples)) {
      error = "cannot write the samples";
      return -1;
    }
    ++records;
  }
  if (reader.stoppedAtText()) {
    error = "frame " + std::to_string(reader.records() + 1) + ": \"" + reader.badToken() + "\" is not a number";
    return -1;
  }
  return records;
}

int frameStepOfFile(const std::filesystem::path& params) {
  std::string error;
  KlattRecordReader reader;
  if (!readable(params, error) || reader.open(params) != KlattRecordReader::Status::ok) return 0;
  const KlattRecord defaults = initialKlattDefaults();
  KlattRecord first{}, second{};
  if (!reader.next(first, defaults) || !reader.next(second, defaults)) return 0;
  const std::int64_t step = static_cast<std::int64_t>(second[kDate]) - first[kDate];
  return step > 0 && step <= 1000 ? static_cast<int>(step) : 0;
}

}  // namespace ardv::klatt
