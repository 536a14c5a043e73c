// The command line of ardv.
#include "shell/batch/arguments.h"

#include <cstdlib>

namespace ardv::shell {

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: ardv [--profile NAME] [FILE]\n"
               "       ardv --help | --version\n"
               "       ardv --screenshot OUT.png [--kind 1..6] [--gray|--colour] [--select FROM_MS TO_MS [--zoom]] [--f0]\n"
               "                         [--perceptual] [--annotator MS] [--tools] FILE\n"
               "                         [--klatt PARAMS.kle [--klatt-drag MS FROM_HZ TO_HZ]... [--klatt-draw FROM_MS TO_MS HZ]...] [FILE]\n"
               "                         [--klatt-copy FORMANTS.for] [--klatt-command ID]... FILE\n"
               "                    [--formant-ceiling HZ] [--command ID]... [--answer FILE] [--key SHORTCUT]... [--pointer MS HZ]\n"
               "                    [--tint] [--range DB] FILE\n"
               "       ardv --bench FILE\n"
               "A FILE not read as WAV needs --profile NAME in --screenshot and --bench (see ardv-cli profiles).\n");
}

std::optional<Arguments> parse(int argc, char** argv) {
  Arguments a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--help") {
      usage(stdout);
      std::exit(0);
    } else if (arg == "--version") {
      std::printf("ardv (Ardelovox) %s\n", ARDV_VERSION);
      std::exit(std::fflush(stdout) == 0 ? 0 : 1);
    } else if (arg == "--screenshot") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.screenshot = v;
    } else if (arg == "--profile") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.profile = v;
    } else if (arg == "--bench") {
      a.bench = true;
    } else if (arg == "--kind") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.kind = std::atoi(v);
    } else if (arg == "--gray") {
      a.gray = true;
    } else if (arg == "--colour" || arg == "--color") {
      a.gray = false;
    } else if (arg == "--f0") {
      a.f0 = true;
    } else if (arg == "--perceptual") {
      a.perceptual = true;
    } else if (arg == "--annotator") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.annotatorMs = std::atof(v);
    } else if (arg == "--tools") {
      a.tools = true;
    } else if (arg == "--command") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.commands.push_back(std::atoi(v));
    } else if (arg == "--formant-ceiling") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.formantCeilingHz = std::atof(v);
    } else if (arg == "--answer") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.answer = v;
    } else if (arg == "--key") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.keys.push_back(v);
    } else if (arg == "--pointer") {
      const char* ms = next();
      const char* hz = next();
      if (!ms || !hz) return std::nullopt;
      a.pointerMs = std::atof(ms);
      a.pointerHz = std::atof(hz);
    } else if (arg == "--tint") {
      a.tint = true;
    } else if (arg == "--range") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.rangeDb = std::atof(v);
    } else if (arg == "--klatt") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.klatt = v;
    } else if (arg == "--klatt-copy") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.klattCopy = v;
    } else if (arg == "--klatt-command") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.klattCommands.push_back(std::atoi(v));
    } else if (arg == "--klatt-drag") {
      for (int k = 0; k < 3; ++k) {
        const char* v = next();
        if (!v) return std::nullopt;
        a.klattDrags.push_back(std::atof(v));
      }
    } else if (arg == "--klatt-draw") {
      for (int k = 0; k < 3; ++k) {
        const char* v = next();
        if (!v) return std::nullopt;
        a.klattDraws.push_back(std::atof(v));
      }
    } else if (arg == "--zoom") {
      a.zoom = true;
    } else if (arg == "--select") {
      const char* from = next();
      const char* to = next();
      if (!from || !to) return std::nullopt;
      a.selectFrom = std::atof(from);
      a.selectTo = std::atof(to);
    } else if (arg.rfind("--", 0) == 0) {
      return std::nullopt;
    } else {
      a.file = arg;
    }
  }
  if (((!a.screenshot.empty() && a.klatt.empty()) || a.bench) && a.file.empty()) return std::nullopt;
  return a;
}

}  // namespace ardv::shell
