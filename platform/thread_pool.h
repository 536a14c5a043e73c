// A small pool of worker threads for work split into independent tasks
// (spectrogram columns, F0 chunks). Standard library only.
//
// parallelFor hands tasks 0..count-1 to the calling thread and up to
// threads - 1 workers, and returns when every task has ended. Reports made
// inside a task are held and delivered on the calling thread in task order
// once all have ended, so they read as in a sequential run. A parallelFor
// called from inside a task runs its tasks on that thread, one after the
// other: nested work never multiplies the threads.
#pragma once

#include <functional>

namespace ardv {

// Threads for heavy work: n >= 1, or 0 for every core (the default).
void setWorkerThreads(int n);

// The threads a parallelFor called on this thread may use (>= 1): the
// thread's own budget when set, else the global setting.
int workerThreads();

// Limits the parallelFor calls of the calling thread to `n` threads while it
// lives (a file worker of a corpus run gets its share of the cores).
class ScopedThreadBudget {
 public:
  explicit ScopedThreadBudget(int n);
  ~ScopedThreadBudget();
  ScopedThreadBudget(const ScopedThreadBudget&) = delete;
  ScopedThreadBudget& operator=(const ScopedThreadBudget&) = delete;

 private:
  int previous_;
};

// Runs task(i) for i = 0..count-1 on at most workerThreads() threads. Tasks
// must not depend on one another's order. Returns false when a task returned
// false; tasks after a failed one may not run, and only the reports of the
// tasks up to the first failed one are delivered.
bool parallelFor(int count, const std::function<bool(int index)>& task);

}  // namespace ardv
