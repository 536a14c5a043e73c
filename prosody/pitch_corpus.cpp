// Corpus F0. Every analysis owns all its state (PitchRun), so files are
// simply shared among std::thread workers; the calling thread watches them,
// delivers their reports and passes on a request to stop.
#include "prosody/pitch_corpus.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/report.h"
#include "platform/thread_pool.h"
#include "prosody/pitch_file.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

// The signal file the reports of this thread are about.
thread_local std::string reportedFile;

// Holds the reports made on worker threads until the thread that installed
// it hands them, in order, to the handler installed before it; reports made
// on that thread go through at once.
class QueuedReports : public ReportHandler {
 public:
  QueuedReports() : inner_(reportHandler()), owner_(std::this_thread::get_id()) { setReportHandler(this); }
  ~QueuedReports() override {
    deliver();
    setReportHandler(&inner_);
  }
  void show(const Report& report) override {
    Report named = report;
    if (!reportedFile.empty() && named.text.find(reportedFile) == std::string::npos)
      named.text = reportedFile + ": " + named.text;
    add(Pending{false, named, {}});
  }
  void traceLine(const std::string& line) override { add(Pending{true, {}, line}); }

  // On the owner thread only.
  void deliver() {
    std::vector<Pending> pending;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending.swap(pending_);
    }
    for (const Pending& p : pending) {
      if (p.trace) inner_.traceLine(p.line);
      else inner_.show(p.report);
    }
  }

 private:
  struct Pending {
    bool trace;
    Report report;
    std::string line;
  };
  void add(Pending p) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_.push_back(std::move(p));
    }
    if (std::this_thread::get_id() == owner_) deliver();
  }

  ReportHandler& inner_;
  const std::thread::id owner_;
  std::mutex mutex_;
  std::vector<Pending> pending_;
};

// The pitch file of one signal, beside it.
bool writePitchFile(const infoFile& file, const SpeakerF0Params& params) {
  reportedFile = file.nom;
  try {
    fs::path out = file.nom;
    out.replace_extension(".pit");
    return pitchFileFromSignal(file, out, params, PitchOptions{true, false});
  } catch (const std::exception&) {
    message(text(6900) + " (" + file.nom + ")");
  }
  return false;
}

// What the workers share; everything under `mutex`.
struct CorpusRun {
  std::mutex mutex;
  std::condition_variable changed;
  CorpusProgress progress;
  std::size_t next = 0;
  int running = 0;
  bool stop = false;
};

// What the entry `path`, named like a signal file, is when it is not a
// regular file; empty for a regular file.
std::string notRegular(const fs::path& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec) return "cannot be read (" + ec.message() + ")";
  switch (st.type()) {
    case fs::file_type::regular: return {};
    case fs::file_type::directory: return "is a directory, not a signal file";
    case fs::file_type::fifo: return "is a FIFO, not a signal file";
    default: return "is not a regular file";
  }
}

// Why the pitch file of `signal` may not be written, empty when it may: its
// name is a symbolic link (the program chose the name and never writes
// through a link), it is an input of the run, or an earlier signal of the
// run already writes it. `outputs` gathers the pitch files taken.
std::string pitchTargetProblem(const fs::path& signal, const std::map<FileKey, std::string>& inputs,
                               std::map<FileKey, std::string>& outputs) {
  fs::path pit = signal;
  pit.replace_extension(".pit");
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(pit, ec)))
    return pit.string() + " is a symbolic link: a pitch file is not written through it (" + signal.string() +
           " skipped).";
  FileKey key;
  if (!fileKey(pit.string(), key)) return {};  // the writer names the reason
  if (const auto it = inputs.find(key); it != inputs.end())
    return pit.string() + " is " + it->second + ", an input of the run: not replaced by the F0 of " +
           signal.string() + ".";
  if (const auto [it, fresh] = outputs.emplace(key, signal.string()); !fresh)
    return signal.string() + " and " + it->second + " have the same pitch file " + pit.string() + ": " +
           signal.string() + " skipped.";
  return {};
}

}  // namespace

int f0Corpus(const std::filesystem::path& dir, const std::string& extension, int jobs,
             const SpeakerF0Params& params, const CorpusWatcher& watch, CorpusProgress* result) {
  // Each pitch file would replace the signal it is computed from.
  if (extension == ".pit") {
    message("F0 for a corpus: the signal files cannot have the extension \".pit\" of the pitch files.");
    return -1;
  }
  std::vector<std::filesystem::path> names;
  try {
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) {
      message(text(7306) + " (" + dir.string() + ": " + ec.message() + ")");
      return -1;
    }
    for (const auto& entry : it)
      if (entry.path().extension().string() == extension) names.push_back(entry.path());
  } catch (const std::exception&) {
    message(text(7306) + " (" + dir.string() + ")");
    return -1;
  }
  std::sort(names.begin(), names.end());
  return f0CorpusFiles(names, jobs, params, watch, result);
}

int f0CorpusFiles(const std::vector<std::filesystem::path>& names, int jobs, const SpeakerF0Params& params,
                  const CorpusWatcher& watch, CorpusProgress* result,
                  const std::vector<std::filesystem::path>& otherInputs) {
  CorpusRun run;
  run.progress.total = static_cast<int>(names.size());
  QueuedReports reports;
  struct ForgetFile {
    ~ForgetFile() { reportedFile.clear(); }
  } forget;
  // Describing uses the program's profile table: done here, before the workers.
  std::map<FileKey, std::string> inputs;
  for (const auto* group : {&names, &otherInputs})
    for (const auto& name : *group)
      if (FileKey key; fileKey(name.string(), key) && key.name.empty()) inputs.emplace(key, name.string());
  std::map<FileKey, std::string> outputs;
  std::vector<infoFile> files;
  for (const auto& name : names) {
    infoFile info;
    info.nom = name.string();
    info.formatIndex = program().en_cours.formatIndex;
    reportedFile = info.nom;
    if (name.extension() == ".pit") message(info.nom + " is a pitch file: it would be replaced by its own F0.");
    else if (const std::string why = notRegular(name); !why.empty()) message(info.nom + " " + why);
    else if (!isWavName(info.nom) && info.formatIndex < 0)
      message(info.nom + " is not read as a WAV file (extensions .wav, .ard, .wa$) and no format profile was given.");
    else if (const std::string taken = pitchTargetProblem(name, inputs, outputs); !taken.empty()) message(taken);
    else if (init_infoFile_read(info)) {
      files.push_back(info);
      continue;
    }
    ++run.progress.done;
    ++run.progress.failed;
  }
  reportedFile.clear();
  auto finish = [&] {
    if (result) *result = run.progress;
    return run.progress.written;
  };

  const int threads = std::clamp(jobs, 1, 64);
  std::vector<std::thread> pool;
  if (threads > 1 && files.size() > 1) {
    if (watch && !watch(run.progress)) return finish();
    // The files share the threads: a file's chunks get what the files leave.
    const int busy = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(threads), files.size()));
    const int share = std::max(1, workerThreads() / busy);
    auto worker = [&, share]() {
      const ScopedThreadBudget budget(share);
      while (true) {
        std::size_t k = 0;
        {
          std::lock_guard<std::mutex> lock(run.mutex);
          if (run.stop || run.next >= files.size()) break;
          k = run.next++;
          run.progress.current = files[k].nom;
        }
        const bool ok = writePitchFile(files[k], params);
        std::lock_guard<std::mutex> lock(run.mutex);
        ++run.progress.done;
        ++(ok ? run.progress.written : run.progress.failed);
        run.changed.notify_all();
      }
      std::lock_guard<std::mutex> lock(run.mutex);
      --run.running;
      run.changed.notify_all();
    };
    for (int t = 0; t < threads; ++t) {
      try {
        {
          std::lock_guard<std::mutex> lock(run.mutex);
          ++run.running;
        }
        pool.emplace_back(worker);
      } catch (const std::system_error&) {
        // Fewer threads than asked: those started share the files.
        std::lock_guard<std::mutex> lock(run.mutex);
        --run.running;
        break;
      }
    }
  }

  if (pool.empty()) {
    for (const infoFile& file : files) {
      run.progress.current = file.nom;
      if (watch && !watch(run.progress)) break;
      const bool ok = writePitchFile(file, params);
      ++run.progress.done;
      ++(ok ? run.progress.written : run.progress.failed);
    }
  } else {
    int seenDone = 0;
    std::unique_lock<std::mutex> lock(run.mutex);
    while (run.running > 0) {
      run.changed.wait_for(lock, std::chrono::milliseconds(kCorpusWatchMs),
                           [&] { return run.running == 0 || run.progress.done != seenDone; });
      const CorpusProgress seen = run.progress;
      seenDone = seen.done;
      lock.unlock();
      reports.deliver();
      const bool go = !watch || watch(seen);
      lock.lock();
      if (!go) run.stop = true;
    }
    lock.unlock();
    for (auto& th : pool) th.join();
  }
  return finish();
}

}  // namespace ardv
