// A small pool of worker threads that splits a loop into contiguous slices.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The threads live as long as the pool, so a computation of many short loops
// pays for starting them once. Slice i of a loop over [0, count) is
// [count * i / slices, count * (i + 1) / slices): the same split every time,
// so a caller can combine per-slice results in slice order and get the same
// answer with any number of threads.
class ParallelFor {
 public:
  using SliceBody = std::function<void(unsigned slice, size_t begin, size_t end)>;

  // threads counts the calling thread; 0 is taken as 1.
  explicit ParallelFor(unsigned threads);
  ~ParallelFor();
  ParallelFor(const ParallelFor&) = delete;
  ParallelFor& operator=(const ParallelFor&) = delete;

  unsigned Threads() const { return threadCount; }

  // How many slices a loop of count elements makes: one per thread, but no
  // slice under grain elements (waking a thread costs more than a few
  // microseconds of work).
  unsigned SlicesFor(size_t count, size_t grain = 1) const;

  // Calls body(begin, end) for every slice of [0, count) and returns when all
  // are done. The caller's thread works on the first slice.
  void Run(size_t count, const std::function<void(size_t begin, size_t end)>& body,
           size_t grain = 1);
  void RunSlices(size_t count, const SliceBody& body, size_t grain = 1);

 private:
  void Work(unsigned index);

  unsigned threadCount;
  std::vector<std::thread> workers;
  std::mutex mutex;
  std::condition_variable started, finished;
  const SliceBody* job = nullptr;
  size_t jobCount = 0;
  unsigned jobSlices = 0;
  unsigned long generation = 0;
  unsigned pending = 0;
  bool stopping = false;
};
