#include "platform/ParallelFor.h"

ParallelFor::ParallelFor(unsigned threads) : threadCount(threads == 0 ? 1 : threads) {
  workers.reserve(threadCount - 1);
  for (unsigned i = 1; i < threadCount; ++i) workers.emplace_back([this, i] { Work(i); });
}

ParallelFor::~ParallelFor() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
  }
  started.notify_all();
  for (std::thread& worker : workers) worker.join();
}

unsigned ParallelFor::SlicesFor(size_t count, size_t grain) const {
  if (count == 0) return 0;
  const size_t most = grain <= 1 ? count : count / grain;
  if (most <= 1) return 1;
  return most < threadCount ? static_cast<unsigned>(most) : threadCount;
}

void ParallelFor::Run(size_t count, const std::function<void(size_t, size_t)>& body, size_t grain) {
  RunSlices(
      count, [&body](unsigned, size_t begin, size_t end) { body(begin, end); }, grain);
}

void ParallelFor::RunSlices(size_t count, const SliceBody& body, size_t grain) {
  const unsigned slices = SlicesFor(count, grain);
  if (slices == 0) return;
  if (slices == 1) {
    body(0, 0, count);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    job = &body;
    jobCount = count;
    jobSlices = slices;
    pending = threadCount - 1;
    ++generation;
  }
  started.notify_all();
  body(0, 0, count / slices);
  std::unique_lock<std::mutex> lock(mutex);
  finished.wait(lock, [this] { return pending == 0; });
  job = nullptr;
}

void ParallelFor::Work(unsigned index) {
  unsigned long seen = 0;
  for (;;) {
    const SliceBody* body;
    size_t count;
    unsigned slices;
    {
      std::unique_lock<std::mutex> lock(mutex);
      started.wait(lock, [&] { return stopping || generation != seen; });
      if (stopping) return;
      seen = generation;
      body = job;
      count = jobCount;
      slices = jobSlices;
    }
    if (index < slices) (*body)(index, count * index / slices, count * (index + 1) / slices);
    std::lock_guard<std::mutex> lock(mutex);
    if (--pending == 0) finished.notify_one();
  }
}
