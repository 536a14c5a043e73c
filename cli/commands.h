// The subcommands of ardv-cli. Each file adds its subcommand to the table:
// the options, their types, ranges, choices and help declared once (CLI11),
// from which the usage, --help, the parse errors and the completion follow,
// and the run function that takes the parsed options and returns the exit
// status (0 success, 1 failure already reported, 2 bad usage).
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ardv::cli {

class Commands {
 public:
  explicit Commands(CLI::App& app) : app_(app) {}

  // A new subcommand whose `run` follows a successful parse.
  CLI::App* add(const std::string& name, const std::string& summary, std::function<int()> run);

  struct Entry {
    CLI::App* app;
    std::function<int()> run;
  };
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  CLI::App& app_;
  std::vector<Entry> entries_;
};

// "NAME [OPTION VALUE] ..." as declared, for the usage lines and the command list.
std::string synopsis(const CLI::App& command);

// The subcommand running (for usageError), set by the program before its run.
void setRunningCommand(const CLI::App* command);

// Bad usage found after the parse: "ardv-cli NAME: why" and the usage line
// of the running command on standard error; returns 2.
int usageError(const std::string& why);

// Checks of an option's text, with the error wording of every subcommand.
// A number (strtod/strtol syntax) from `low` to `high`, rewritten exactly
// for the option's type; `type` in --help (e.g. "0..1", "HZ").
CLI::Validator number(double low, double high);
CLI::Validator whole(long low, long high);
// One of `names`, shown "a|b|c" as the option's type.
CLI::Option* oneOf(CLI::Option* option, const std::vector<std::string>& names);

// Options shared by many subcommands.
CLI::Option* addProfileOption(CLI::App* command, std::optional<std::string>& profile);
CLI::Option* addSpeakerOption(CLI::App* command, int& type);  // -1 any, 0 female, 1 male
// --ceiling auto|HZ of the formant tracker: `given` set, `ceilingHz` absent for auto.
void addCeilingOption(CLI::App* command, std::optional<double>& ceilingHz, bool& given);
// --threads N after the command (the analyses that use the workers); the
// program applies it after the one before the command.
CLI::Option* addThreadsOption(CLI::App* command);
std::optional<int> threadsAfterCommand();

// The names of the kinds of spectrogram (--kind).
std::vector<std::string> spectrogramKinds();

void addInfo(Commands& commands);
void addConvert(Commands& commands);
void addProfiles(Commands& commands);
void addLabels(Commands& commands);
void addResample(Commands& commands);
void addRemoveDc(Commands& commands);
void addSpectrogram(Commands& commands);
void addFigure(Commands& commands);
void addF0(Commands& commands);
void addF0Corpus(Commands& commands);
void addSearch(Commands& commands);
void addMeasure(Commands& commands);
void addEnergy(Commands& commands);
void addSpeechStart(Commands& commands);
void addTracks(Commands& commands);
void addFormants(Commands& commands);
void addFormantCandidates(Commands& commands);
void addPlay(Commands& commands);
void addPitchMarks(Commands& commands);
void addModify(Commands& commands);
void addResynth(Commands& commands);
void addSynth(Commands& commands);
void addCopySynth(Commands& commands);

}  // namespace ardv::cli
