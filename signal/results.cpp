#include "signal/results.h"

#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/report.h"
#include "platform/text_viewer.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {
namespace fs = std::filesystem;

namespace {

std::function<void()>& logChanged() {
  static std::function<void()> callback;
  return callback;
}

std::uintmax_t sizeOrZero(const fs::path& p) {
  std::error_code ec;
  auto size = fs::file_size(p, ec);
  return ec ? 0 : size;
}

}  // namespace

ResultsStream::~ResultsStream() {
  if (file_) std::fclose(file_);
}

bool ResultsStream::open() {
  if (file_) std::fclose(file_);
  count_ = 0;
  file_ = std::fopen((tempDir_ / "results.txt").c_str(), "wb");
  if (!file_) {
    message("Unable to write in the result file");
    return false;
  }
  return true;
}

void ResultsStream::write(const std::string& text) {
  if (count_ < 0) return;
  const auto length = static_cast<std::int64_t>(text.size());
  if (count_ + length <= kResultsLimit) {
    if (!file_ || std::fwrite(text.data(), 1, text.size(), file_) != text.size())
      message("Unable to write in the result file");
    count_ += length;
    return;
  }
  static const char kTruncated[] = "\r\n*** truncated ***";
  if (file_) std::fwrite(kTruncated, 1, sizeof kTruncated - 1, file_);
  count_ = -1;
}

void ResultsStream::time(std::int64_t sample, double frequence) {
  write(formatText("Date %d ms (%d sample)", {static_cast<long long>(samplesToMs(static_cast<double>(sample), frequence)),
                                               static_cast<long long>(sample)}));
  newline();
}

void ResultsStream::close() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  logAppendResults(tempDir_);
  if (logChanged()) logChanged()();
}

void logAppendResults(const fs::path& tempDir) {
  const fs::path log = tempDir / "log.txt";
  const fs::path results = tempDir / "results.txt";
  const std::uintmax_t resultsSize = sizeOrZero(results);
  if (resultsSize == 0) {
    message(text(201));
    return;
  }
  const std::uintmax_t logSize = sizeOrZero(log);
  // An absent log has nothing to move aside.
  if (logSize > 0 && logSize + resultsSize > static_cast<std::uintmax_t>(kResultsLimit)) {
    std::error_code ec;
    fs::remove(tempDir / "log.bak", ec);
    fs::rename(log, tempDir / "log.bak", ec);
    reportHandler().show(Report{ReportKind::Message, text(210), text(209)});
  }
  // Room for a full results file and its truncation line.
  constexpr std::int64_t kReadLimit = kResultsLimit + 100;
  std::vector<char> bytes(static_cast<std::size_t>(kReadLimit));
  std::ifstream in(results, std::ios::binary);
  in.read(bytes.data(), kReadLimit);
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  in.close();
  std::ofstream out(log, std::ios::binary | std::ios::app);
  out << "\r\n";
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    message("Unable to write in the log file " + log.string());
    return;
  }
  std::error_code ec;
  fs::remove(results, ec);
}

void logClear(const fs::path& tempDir) {
  std::error_code ec;
  fs::remove(tempDir / "log.txt", ec);
  if (logChanged()) logChanged()();
}

namespace {

void showIfExists(const fs::path& file, int missingText) {
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    message(text(missingText));
    return;
  }
  textViewer().show(file);
}

}  // namespace

void showLog(const fs::path& tempDir) { showIfExists(tempDir / "log.txt", 201); }
void showResults(const fs::path& tempDir) { showIfExists(tempDir / "results.txt", 202); }

void setLogChangedCallback(std::function<void()> callback) { logChanged() = std::move(callback); }

namespace {

std::unique_ptr<ResultsStream>& programResults() {
  static std::unique_ptr<ResultsStream> stream;
  return stream;
}

ResultsStream& results() {
  auto& stream = programResults();
  if (!stream) stream = std::make_unique<ResultsStream>(program().dirs.temp);
  return *stream;
}

}  // namespace

void resultsOpen() {
  programResults() = std::make_unique<ResultsStream>(program().dirs.temp);
  programResults()->open();
}
void resultsWrite(const std::string& text) { results().write(text); }
void resultsNewline() { results().newline(); }
void resultsWriteLine(const std::string& text) { results().writeLine(text); }
void resultsTime(std::int64_t sample) { results().time(sample, program().en_cours.frequence); }
void resultsClose() { results().close(); }

}  // namespace ardv
