#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/keyboard.h"

extern char** environ;

namespace ardv {
namespace {

constexpr std::size_t kErrorOutputLimit = 2000;

void drain(int fd, std::string& into) {
  if (fd < 0) return;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      const std::size_t room = kErrorOutputLimit - std::min(into.size(), kErrorOutputLimit);
      into.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(n)));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return;  // nothing more now (EAGAIN) or the end
  }
}

// Ends the program: SIGTERM, then SIGKILL after a second.
void endProcess(pid_t pid) {
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 20; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

ProcessOutcome runProcess(const std::vector<std::string>& argv, int pollMs) {
  ProcessOutcome outcome;
  if (argv.empty()) {
    outcome.reason = "no program";
    return outcome;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) pipeFds[0] = pipeFds[1] = -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (pipeFds[1] >= 0) posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  pid_t pid = -1;
  const int spawnError = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeFds[1] >= 0) ::close(pipeFds[1]);
  if (spawnError != 0) {
    if (pipeFds[0] >= 0) ::close(pipeFds[0]);
    outcome.reason = std::strerror(spawnError);
    return outcome;
  }
  if (pipeFds[0] >= 0) ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);

  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    drain(pipeFds[0], outcome.errorOutput);
    if (done == pid) {
      if (WIFEXITED(status)) {
        outcome.kind = ProcessOutcome::Kind::exited;
        outcome.status = WEXITSTATUS(status);
      } else {
        outcome.kind = ProcessOutcome::Kind::killed;
        outcome.status = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        outcome.reason = WIFSIGNALED(status) ? strsignal(WTERMSIG(status)) : "ended abnormally";
      }
      break;
    }
    if (done < 0 && errno != EINTR) {
      outcome.kind = ProcessOutcome::Kind::killed;
      outcome.reason = std::strerror(errno);
      break;
    }
    if (escapePressed()) {
      endProcess(pid);
      outcome.kind = ProcessOutcome::Kind::stopped;
      outcome.reason = "stopped by Escape";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
  if (pipeFds[0] >= 0) {
    drain(pipeFds[0], outcome.errorOutput);
    ::close(pipeFds[0]);
  }
  return outcome;
}

std::string commandLineText(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& a : argv) {
    if (!line.empty()) line += ' ';
    if (!a.empty() && a.find_first_of(" \t\"'\\$`") == std::string::npos) {
      line += a;
      continue;
    }
    line += '"';
    for (char c : a) {
      if (c == '"' || c == '\\' || c == '$' || c == '`') line += '\\';
      line += c;
    }
    line += '"';
  }
  return line;
}

}  // namespace ardv
