// The results stream and the log. An analysis writes its text output to
// results.txt in the temporary directory (at most 60000 characters, then a
// truncation line); closing the stream appends it to log.txt, which is moved
// to log.bak first when the two together would pass 60000 bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace ardv {

constexpr std::int64_t kResultsLimit = 60000;

class ResultsStream {
 public:
  explicit ResultsStream(std::filesystem::path tempDir) : tempDir_(std::move(tempDir)) {}
  ~ResultsStream();
  ResultsStream(const ResultsStream&) = delete;
  ResultsStream& operator=(const ResultsStream&) = delete;

  // Creates results.txt afresh; the count starts at 0. Returns false after a
  // message when it cannot be created (later writes then do nothing).
  bool open();
  // Writes the text while the total stays within 60000 characters; past that,
  // writes "\r\n*** truncated ***" once and drops everything after.
  void write(const std::string& text);
  void newline() { write("\r\n"); }
  void writeLine(const std::string& text) {
    write(text);
    newline();
  }
  // "Date %d ms (%d sample)" and a newline.
  void time(std::int64_t sample, double frequence);
  // Closes results.txt and appends it to the log.
  void close();

  // Characters written, or -1 once truncated.
  std::int64_t count() const { return count_; }
  bool isOpen() const { return file_ != nullptr; }

 private:
  std::filesystem::path tempDir_;
  std::FILE* file_ = nullptr;
  std::int64_t count_ = 0;
};

// Appends results.txt to log.txt (see above) and deletes results.txt. A
// missing or empty results file gives text 201 and changes nothing.
void logAppendResults(const std::filesystem::path& tempDir);
// Deletes log.txt.
void logClear(const std::filesystem::path& tempDir);
// Shows log.txt / results.txt in the text viewer; text 201 / 202 when absent.
void showLog(const std::filesystem::path& tempDir);
void showResults(const std::filesystem::path& tempDir);

// Called after the log changed, so that a log display can refresh.
void setLogChangedCallback(std::function<void()> callback);

// The program's results stream, in program().dirs.temp.
void resultsOpen();
void resultsWrite(const std::string& text);
void resultsNewline();
void resultsWriteLine(const std::string& text);
// Time of sample `sample` of the current signal.
void resultsTime(std::int64_t sample);
void resultsClose();

}  // namespace ardv
