// Worker threads started on first use and kept until exit; jobs wait in a
// queue and each is served by the thread that posted it and by the workers
// its budget allows.
#include "platform/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/report.h"

namespace ardv {
namespace {

std::atomic<int> globalThreads{0};
thread_local int threadBudget = 0;
thread_local bool insideTask = false;

int coreCount() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

// Reports of one task, held until the caller delivers them.
class HeldReports : public ReportHandler {
 public:
  void show(const Report& report) override { items_.push_back(Item{false, report, {}}); }
  void traceLine(const std::string& line) override {
    items_.push_back(Item{true, Report{ReportKind::Message, {}, {}}, line});
  }
  void deliver() const {
    for (const Item& i : items_) {
      if (i.trace) ardv::traceLine(i.line);
      else if (i.report.kind == ReportKind::Fatal) fatal(i.report.text);
      else reportHandler().show(i.report);
    }
  }
  bool empty() const { return items_.empty(); }

 private:
  struct Item {
    bool trace;
    Report report;
    std::string line;
  };
  std::vector<Item> items_;
};

struct Job {
  int count = 0;
  const std::function<bool(int)>* task = nullptr;
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::atomic<int> firstFailed{0};  // count while none failed
  std::vector<std::unique_ptr<HeldReports>> reports;
  std::mutex mutex;
  std::condition_variable finished;
  // Under the pool's mutex: workers still to join, workers inside.
  int wanted = 0;
  int helping = 0;

  // Takes tasks until none is left; none after a failed one.
  void work() {
    const bool wasInside = insideTask;
    insideTask = true;
    for (int i; (i = next.fetch_add(1)) < count;) {
      bool ok = false;
      if (i < firstFailed.load()) {
        HeldReports held;
        setThreadReportHandler(&held);
        try {
          ok = (*task)(i);
        } catch (...) {
          ok = false;
        }
        setThreadReportHandler(nullptr);
        if (!held.empty()) reports[static_cast<std::size_t>(i)] = std::make_unique<HeldReports>(std::move(held));
      }
      if (!ok) {
        int f = firstFailed.load();
        while (i < f && !firstFailed.compare_exchange_weak(f, i)) {
        }
      }
      if (done.fetch_add(1) + 1 == count) {
        std::lock_guard<std::mutex> lock(mutex);
        finished.notify_all();
      }
    }
    insideTask = wasInside;
  }
};

class Pool {
 public:
  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  // Offers `job` to `helpers` workers, starting workers up to that number.
  void post(Job& job, int helpers) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      try {
        while (static_cast<int>(threads_.size()) < helpers) threads_.emplace_back([this] { serve(); });
      } catch (const std::system_error&) {
        // Fewer threads than asked: the caller does the rest itself.
      }
      job.wanted = std::min(helpers, static_cast<int>(threads_.size()));
      if (job.wanted > 0) queue_.push_back(&job);
    }
    wake_.notify_all();
  }

  // Withdraws `job` (its tasks have all ended) and waits until the workers
  // that joined it have left it.
  void retire(Job& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.erase(std::remove(queue_.begin(), queue_.end(), &job), queue_.end());
    left_.wait(lock, [&] { return job.helping == 0; });
  }

 private:
  void serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      Job* job = queue_.front();
      if (--job->wanted <= 0) queue_.pop_front();
      ++job->helping;
      lock.unlock();
      job->work();
      lock.lock();
      if (--job->helping == 0) left_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, left_;
  std::deque<Job*> queue_;
  std::vector<std::thread> threads_;
  bool stopping_ = false;
};

Pool& pool() {
  static Pool p;
  return p;
}

}  // namespace

void setWorkerThreads(int n) { globalThreads = std::max(0, n); }

int workerThreads() {
  if (insideTask) return 1;
  if (threadBudget > 0) return threadBudget;
  const int n = globalThreads.load();
  return n > 0 ? n : coreCount();
}

ScopedThreadBudget::ScopedThreadBudget(int n) : previous_(threadBudget) { threadBudget = std::max(1, n); }
ScopedThreadBudget::~ScopedThreadBudget() { threadBudget = previous_; }

bool parallelFor(int count, const std::function<bool(int index)>& task) {
  if (count <= 0) return true;
  const int threads = std::min(workerThreads(), count);
  if (threads <= 1) {
    const bool wasInside = insideTask;
    insideTask = true;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) ok = task(i);
    insideTask = wasInside;
    return ok;
  }
  Job job;
  job.count = count;
  job.task = &task;
  job.firstFailed = count;
  job.reports.resize(static_cast<std::size_t>(count));
  Pool& p = pool();
  p.post(job, threads - 1);
  job.work();
  {
    std::unique_lock<std::mutex> lock(job.mutex);
    job.finished.wait(lock, [&] { return job.done.load() == count; });
  }
  p.retire(job);
  // As a sequential run would report: up to the first failed task.
  const int last = std::min(job.firstFailed.load(), count - 1);
  for (int i = 0; i <= last; ++i)
    if (job.reports[static_cast<std::size_t>(i)]) job.reports[static_cast<std::size_t>(i)]->deliver();
  return job.firstFailed.load() == count;
}

}  // namespace ardv
