// ardv-cli: the scripted front end. Every subcommand reads files and writes
// files through the same core as the desktop program.
#include <unistd.h>

#include <ext/stdio_sync_filebuf.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "annotation/label_files.h"
#include "cli/commands.h"
#include "editing/edit_context.h"
#include "labels/phonetic_description.h"
#include "platform/headless/stderr_reporter.h"
#include "platform/report.h"
#include "platform/thread_pool.h"
#include "signal/current_signal.h"
#include "signal/startup.h"

namespace {

namespace cli = ardv::cli;

// The order of the command list in --help.
void (*const kCommands[])(cli::Commands&) = {
    cli::addInfo,     cli::addConvert,     cli::addProfiles,   cli::addLabels,   cli::addResample,
    cli::addRemoveDc, cli::addSpectrogram, cli::addFigure,     cli::addF0,       cli::addF0Corpus,
    cli::addSearch,   cli::addMeasure,     cli::addEnergy,     cli::addSpeechStart, cli::addTracks,
    cli::addFormants, cli::addFormantCandidates, cli::addPlay, cli::addPitchMarks, cli::addModify,
    cli::addResynth,  cli::addSynth,       cli::addCopySynth,
};

constexpr const char* kProgramUsage = "usage: ardv-cli [--debug LEVEL] [--threads N] COMMAND [ARGS]\n";

// A subcommand's --help: its usage line drawn from the declaration, its
// summary, then its arguments with their help.
class Help : public CLI::Formatter {
 public:
  std::string make_description(const CLI::App*) const override { return {}; }
  std::string make_usage(const CLI::App* app, std::string) const override {
    return "usage: ardv-cli " + cli::synopsis(*app) + "\n\n" + app->get_description() + "\n";
  }
  std::string make_option_opts(const CLI::Option* o) const override {
    return o->get_positional() || o->get_type_name().empty() ? std::string() : " " + o->get_type_name();
  }
};

void printUsage(std::FILE* out, const cli::Commands& commands) {
  std::fprintf(out,
               "%s"
               "       ardv-cli --help | --version | COMMAND --help\n"
               "\n"
               "Commands:\n",
               kProgramUsage);
  for (const auto& c : commands.entries())
    std::fprintf(out, "  %s\n      %s\n", cli::synopsis(*c.app).c_str(), c.app->get_description().c_str());
  std::fprintf(out,
               "\n"
               "--threads N (1..256, before or after the command): threads for the spectrogram, F0\n"
               "and formant commands (default: every core; the results are the same for any N).\n"
               "Files are found under $ARDV_HOME (format profiles, language and country files).\n");
}

// Standard output goes through a stream that keeps the reason of the first
// failed write: the C stream's error flag alone loses it once a command has
// flushed.
int stdoutErrno = 0;

ssize_t writeStdout(void*, const char* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (stdoutErrno == 0) stdoutErrno = n < 0 ? errno : EIO;
      return 0;  // the stream's error flag
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

void watchStdout() {
  cookie_io_functions_t io{nullptr, writeStdout, nullptr, nullptr};
  std::FILE* out = fopencookie(nullptr, "w", io);
  if (out == nullptr) return;
  std::setvbuf(out, nullptr, ::isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, BUFSIZ);
  stdout = out;
  // Never destroyed: std::cout is flushed after every static object is gone.
  static auto* coutBuffer = new __gnu_cxx::stdio_sync_filebuf<char>(out);
  std::cout.rdbuf(coutBuffer);
}

// Exit status after checking that everything reached standard output, as
// coreutils do: a write error there is a failure of the command.
int finish(int status) {
  std::cout.flush();
  const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (!failed) {
    std::fflush(stderr);  // best effort: there is nowhere left to report to
    return status;
  }
  std::string reason = stdoutErrno != 0 ? std::string(": ") + std::strerror(stdoutErrno) : std::string();
  std::fprintf(stderr, "ardv-cli: write error on standard output%s\n", reason.c_str());
  std::fflush(stderr);
  return status == 0 ? 1 : status;
}

// "ardv-cli COMMAND: why" and the command's usage line, or the program's
// without a command; status 2.
int badUsage(const cli::Commands::Entry* command, const std::string& why) {
  cli::setRunningCommand(command ? command->app : nullptr);
  cli::usageError(why);
  if (command == nullptr) std::fputs(kProgramUsage, stderr);
  return 2;
}

// ardv-cli help [COMMAND]: the command list, or COMMAND --help.
int showHelp(const cli::Commands& commands, const std::string& topic) {
  if (topic.empty()) {
    printUsage(stdout, commands);
    return 0;
  }
  for (const auto& c : commands.entries()) {
    if (c.app->get_name() != topic) continue;
    std::fputs(c.app->help().c_str(), stdout);
    return 0;
  }
  return badUsage(nullptr, "unknown command " + topic);
}

// The first argument that is not an option or its value: the command.
std::string firstWord(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--debug" || arg == "--threads") ++i;
    else if (arg.rfind('-', 0) != 0) return arg;
  }
  return {};
}

int run(int argc, char** argv) {
  static ardv::StderrReporter reporter;
  ardv::setReportHandler(&reporter);

  CLI::App app("the scripted front end of Ardelovox", "ardv-cli");
  app.formatter(std::make_shared<Help>());
  app.set_help_flag("--help", "print this help");  // inherited by every command
  app.require_subcommand(0, 1);  // a file named like a command is an argument of the one given
  std::optional<int> debug, threads;
  bool version = false;
  // Checked where they stand, before the command: their errors are the program's.
  app.add_option("--debug", debug, "debug messages and traces up to LEVEL")
      ->transform(cli::whole(-2147483647, 2147483647))
      ->trigger_on_parse()
      ->type_name("LEVEL");
  app.add_option("--threads", threads, "threads")
      ->transform(cli::whole(1, 256))
      ->trigger_on_parse()
      ->type_name("N");
  app.add_flag("--version", version, "print the version");
  std::string topic;  // help [COMMAND]: the same as COMMAND --help
  CLI::App* help = app.add_subcommand("help", "")->group("");
  help->add_option("COMMAND", topic);
  cli::Commands commands(app);
  for (auto add : kCommands) add(commands);

  const auto parsed = [&]() -> const cli::Commands::Entry* {
    for (const auto& c : commands.entries())
      if (c.app->parsed()) return &c;
    return nullptr;
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    const auto* command = parsed();
    if (command == nullptr) printUsage(stdout, commands);
    else std::fputs(command->app->help().c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    const auto* command = parsed();
    // Arguments left over without a command: the first names no command.
    const bool extra = dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr;
    const std::string word = command || !extra ? std::string() : firstWord(argc, argv);
    return badUsage(command, word.empty() ? e.what() : "unknown command " + word);
  }
  if (version) {
    std::printf("ardv-cli (Ardelovox) %s\n", ARDV_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (help->parsed()) return showHelp(commands, topic);
  const auto* command = parsed();
  if (command == nullptr) {
    printUsage(stderr, commands);
    return 2;
  }
  if (debug) {
    ardv::setDebugLevel(*debug);
    ardv::setDebugMode(true);
    reporter.setShowTrace(true);
  }
  if (threads) ardv::setWorkerThreads(*threads);
  if (const auto after = cli::threadsAfterCommand()) ardv::setWorkerThreads(*after);

  if (!ardv::startup()) return 1;
  ardv::loadInterfaceTexts(ardv::program());
  if (ardv::fatalRequested()) return 1;
  const ardv::Program& prog = ardv::program();
  if (!ardv::loadLanguageDescription(prog.dirs.format, prog.settings.languageFile)) return 1;
  ardv::setLabelFileReaders({ardv::readLabels, ardv::readAnnotations});
  ardv::installEditSaveHandler();
  cli::setRunningCommand(command->app);
  return command->run();
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit a write fails with "File too large" and is reported like a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  watchStdout();
  return finish(run(argc, argv));
}
