// The table of subcommands and what their declarations share: the usage
// line drawn from the options, the checks of numbers and names, and the
// options of many commands.
#include "cli/commands.h"

#include <cstdio>
#include <cstdlib>

namespace ardv::cli {
namespace {

const CLI::App* running = nullptr;
std::optional<int> threadsAfter;

// 0.5, 1e+12, 256: as short as the number allows.
std::string shortNumber(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

CLI::App* Commands::add(const std::string& name, const std::string& summary, std::function<int()> run) {
  CLI::App* command = app_.add_subcommand(name, summary);
  entries_.push_back({command, std::move(run)});
  return command;
}

std::string synopsis(const CLI::App& command) {
  std::string positionals, options;
  for (const CLI::Option* o : command.get_options()) {
    if (o == command.get_help_ptr()) continue;
    if (o->get_positional()) {
      positionals += o->get_required() ? " " + o->get_name() : " [" + o->get_name() + "]";
      continue;
    }
    std::string text = o->get_name();
    if (!o->get_type_name().empty()) text += " " + o->get_type_name();
    options += o->get_required() ? " " + text : " [" + text + "]";
  }
  return command.get_name() + positionals + options;
}

void setRunningCommand(const CLI::App* command) { running = command; }

int usageError(const std::string& why) {
  const std::string name = running ? " " + running->get_name() : std::string();
  std::fprintf(stderr, "ardv-cli%s: %s\n", name.c_str(), why.c_str());
  if (running) std::fprintf(stderr, "usage: ardv-cli %s\n", synopsis(*running).c_str());
  return 2;
}

CLI::Validator number(double low, double high) {
  return CLI::Validator(
      [low, high](std::string& text) -> std::string {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0') return "\"" + text + "\" is not a number";
        if (!(v >= low && v <= high))
          return "value " + text + " is not in the range " + shortNumber(low) + " to " + shortNumber(high);
        char exact[40];
        std::snprintf(exact, sizeof exact, "%a", v);  // read back to the same double
        text = exact;
        return {};
      },
      "", "number");
}

CLI::Validator whole(long low, long high) {
  return CLI::Validator(
      [low, high](std::string& text) -> std::string {
        char* end = nullptr;
        const long v = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0') return "\"" + text + "\" is not a whole number";
        if (v < low || v > high)
          return "value " + text + " is not in the range " + std::to_string(low) + " to " + std::to_string(high);
        text = std::to_string(v);
        return {};
      },
      "", "whole number");
}

CLI::Option* oneOf(CLI::Option* option, const std::vector<std::string>& names) {
  std::string shown;
  for (const std::string& n : names) shown += (shown.empty() ? "" : "|") + n;
  option->check(CLI::Validator(
      [names, shown](std::string& text) -> std::string {
        for (const std::string& n : names)
          if (text == n) return {};
        return "\"" + text + "\" is not one of " + shown;
      },
      "", "choice"));
  return option->type_name(shown);
}

CLI::Option* addProfileOption(CLI::App* command, std::optional<std::string>& profile) {
  return command->add_option("--profile", profile, "format profile of a file not read as WAV (see ardv-cli profiles)")
      ->type_name("NAME");
}

CLI::Option* addSpeakerOption(CLI::App* command, int& type) {
  CLI::Option* o = command->add_option_function<std::string>(
      "--speaker", [&type](const std::string& name) { type = name == "female" ? 0 : name == "male" ? 1 : -1; },
      "the speaker's F0 range (default any)");
  return oneOf(o, {"any", "female", "male"});
}

// The ceiling of the formant tracker: "auto" (chosen per stretch) or a
// frequency other than 0 (its range is checked with the other formant options).
void addCeilingOption(CLI::App* command, std::optional<double>& ceilingHz, bool& given) {
  command
      ->add_option_function<std::string>(
          "--ceiling",
          [&ceilingHz, &given](const std::string& text) {
            given = true;
            if (text != "auto") ceilingHz = std::strtod(text.c_str(), nullptr);
          },
          "formant ceiling (default auto: chosen per stretch of voiced speech)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            if (text == "auto") return {};
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            return text.empty() || *end != '\0' || v == 0.0 ? "\"" + text + "\" is not auto or a frequency"
                                                             : std::string();
          },
          "", "ceiling"))
      ->type_name("auto|HZ");
}

CLI::Option* addThreadsOption(CLI::App* command) {
  return command->add_option("--threads", threadsAfter, "threads (default: every core; same results for any N)")
      ->transform(whole(1, 256))
      ->type_name("N");
}

std::optional<int> threadsAfterCommand() { return threadsAfter; }

}  // namespace ardv::cli
