// The worker pool: every task runs once on any thread count, the reports of
// the tasks arrive in task order up to the first failed one, nested calls and
// budgets never add threads.
#include "platform/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/recording_reporter.h"
#include "platform/report.h"

namespace ardv {
namespace {

TEST(ThreadPool, TasksReportsAndFailuresAsInOneThread) {
  struct {
    int threads, count, failing;  // failing -1: none
  } const rows[] = {{1, 5, -1}, {3, 200, -1}, {2, 40, 7}, {4, 40, 0}, {3, 2, 1}, {8, 0, -1}};
  for (const auto& r : rows) {
    setWorkerThreads(r.threads);
    ScopedRecorder rec;
    std::vector<std::atomic<int>> runs(static_cast<std::size_t>(r.count));
    std::mutex mutex;
    std::set<std::thread::id> ids;
    const bool ok = parallelFor(r.count, [&](int i) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        ids.insert(std::this_thread::get_id());
      }
      ++runs[static_cast<std::size_t>(i)];
      message("task " + std::to_string(i));
      traceLine("trace " + std::to_string(i));
      // Slow tasks, so that the workers really share them.
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      return i != r.failing;
    });
    const std::string row = std::to_string(r.threads) + " threads, " + std::to_string(r.count) + " tasks";
    EXPECT_EQ(ok, r.failing < 0) << row;
    EXPECT_LE(static_cast<int>(ids.size()), r.threads) << row;
    const int reported = r.failing < 0 ? r.count : r.failing + 1;
    ASSERT_EQ(static_cast<int>(rec->reports().size()), reported) << row;
    for (int i = 0; i < reported; ++i) {
      EXPECT_EQ(rec->reports()[static_cast<std::size_t>(i)].text, "task " + std::to_string(i)) << row;
      EXPECT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << row;
    }
    for (int i = reported; i < r.count; ++i) EXPECT_LE(runs[static_cast<std::size_t>(i)].load(), 1) << row;
  }
  setWorkerThreads(0);
}

TEST(ThreadPool, NestedCallsAndBudgetsRunOnTheirThread) {
  setWorkerThreads(4);
  std::atomic<int> innerThreads{0}, sum{0};
  EXPECT_TRUE(parallelFor(4, [&](int) {
    innerThreads = std::max(innerThreads.load(), workerThreads());
    const auto outer = std::this_thread::get_id();
    return parallelFor(10, [&](int j) {
      EXPECT_EQ(std::this_thread::get_id(), outer);
      sum += j;
      return true;
    });
  }));
  EXPECT_EQ(innerThreads.load(), 1);
  EXPECT_EQ(sum.load(), 4 * 45);
  {
    const ScopedThreadBudget budget(2);
    EXPECT_EQ(workerThreads(), 2);
  }
  EXPECT_EQ(workerThreads(), 4);
  setWorkerThreads(0);
  EXPECT_EQ(workerThreads(), static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

}  // namespace
}  // namespace ardv
