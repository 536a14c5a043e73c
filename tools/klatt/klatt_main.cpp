// klatt: the formant synthesizer program. Reads a Klatt parameter file and
// writes its raw 16-bit samples (no header) through the one writer, so a
// failure leaves any previous output whole. Exit status: 0 done, 1 failure,
// 2 bad command line.
#include <cstdio>
#include <string>
#include <vector>

#include "signal/replacing_file.h"
#include "signal/writable_target.h"
#include "tools/klatt/klatt_command.h"

int main(int argc, char** argv) {
  using namespace ardv;
  const std::vector<std::string> args(argv + 1, argv + argc);
  klatt::Command command;
  if (std::string why = klatt::parseCommand(args, command); !why.empty()) {
    std::fprintf(stderr, "klatt: %s\n%s\n", why.c_str(), klatt::usage().c_str());
    return 2;
  }
  if (sameFile(command.input.string(), command.output.string())) {
    std::fprintf(stderr, "klatt: the output %s would replace the parameter file it is made from\n",
                 command.output.c_str());
    return 2;
  }
  ReplacingFile out(command.output);
  if (!out.open()) {
    std::fprintf(stderr, "klatt: cannot write %s: %s\n", command.output.c_str(), out.error().c_str());
    return 1;
  }
  std::vector<unsigned char> bytes;
  auto sink = [&](std::span<const std::int16_t> samples) {
    bytes.resize(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const auto u = static_cast<std::uint16_t>(samples[i]);
      bytes[2 * i + (command.bigEndian ? 1 : 0)] = static_cast<unsigned char>(u & 0xff);
      bytes[2 * i + (command.bigEndian ? 0 : 1)] = static_cast<unsigned char>(u >> 8);
    }
    return out.write(bytes.data(), bytes.size());
  };
  std::string error, warning;
  const std::int64_t records = klatt::synthesizeFile(command.input, command.options, sink, error, &warning);
  if (records < 0) {
    const bool writing = error == "cannot write the samples";
    std::fprintf(stderr, "klatt: %s: %s%s%s\n", (writing ? command.output : command.input).c_str(), error.c_str(),
                 writing ? ": " : "", writing ? out.error().c_str() : "");
    return 1;
  }
  if (records == 0) {
    std::fprintf(stderr, "klatt: %s: no parameter record to synthesize; %s was not written\n", command.input.c_str(),
                 command.output.c_str());
    return 1;
  }
  if (!warning.empty()) std::fprintf(stderr, "klatt: warning: %s: %s\n", command.input.c_str(), warning.c_str());
  if (!out.commit()) {
    std::fprintf(stderr, "klatt: cannot write %s: %s\n", command.output.c_str(), out.error().c_str());
    return 1;
  }
  return 0;
}
