// Corpus F0. Every run owns all its state (PitchRun), so files are simply
// shared among std::thread workers; reports from the workers are serialised.
#include "prosody/pitch_corpus.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "annotation/texts.h"
#include "platform/report.h"
#include "prosody/pitch_file.h"
#include "signal/infofile_io.h"
#include "signal/program.h"

namespace ardv {
namespace {

// Forwards reports to the handler installed before it, one at a time.
class SerialReports : public ReportHandler {
 public:
  SerialReports() : inner_(reportHandler()) { setReportHandler(this); }
  ~SerialReports() override { setReportHandler(&inner_); }
  void show(const Report& report) override {
    std::lock_guard<std::mutex> lock(mutex_);
    inner_.show(report);
  }
  void traceLine(const std::string& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    inner_.traceLine(line);
  }

 private:
  ReportHandler& inner_;
  std::mutex mutex_;
};

}  // namespace

int f0Corpus(const std::filesystem::path& dir, const std::string& extension, int jobs,
             const SpeakerF0Params& params) {
  std::vector<std::filesystem::path> names;
  try {
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) {
      message(text(7306));
      return -1;
    }
    for (const auto& entry : it) {
      std::error_code fec;
      if (entry.is_regular_file(fec) && entry.path().extension().string() == extension) names.push_back(entry.path());
    }
  } catch (const std::exception&) {
    message(text(7306));
    return -1;
  }
  std::sort(names.begin(), names.end());

  // Describing uses the program's profile table: done here, before the workers.
  std::vector<infoFile> files;
  for (const auto& name : names) {
    infoFile info;
    info.nom = name.string();
    info.formatIndex = program().en_cours.formatIndex;
    if (init_infoFile_read(info)) files.push_back(info);
  }

  std::atomic<std::size_t> next{0};
  std::atomic<int> written{0};
  const PitchOptions options{true, false};
  auto worker = [&]() {
    for (std::size_t k; (k = next.fetch_add(1)) < files.size();) {
      std::filesystem::path out = files[k].nom;
      out.replace_extension(".pit");
      if (pitchFileFromSignal(files[k], out, params, options)) ++written;
    }
  };
  const int threads = std::clamp(jobs, 1, 64);
  if (threads == 1 || files.size() <= 1) {
    worker();
  } else {
    SerialReports serial;
    std::vector<std::thread> pool;
    try {
      for (int t = 0; t < threads; ++t) pool.emplace_back(worker);
    } catch (const std::system_error&) {
      // Fewer threads than asked: those started share the files.
    }
    if (pool.empty()) worker();
    for (auto& th : pool) th.join();
  }
  return written.load();
}

}  // namespace ardv
