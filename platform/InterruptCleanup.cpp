#include "platform/InterruptCleanup.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// A slot moves Free -> Filling -> Owned -> Free on its writer's thread, and
// Owned -> Unlinking in the handler. A writer holds Filling only with the
// signals blocked on its own thread, so the handler (on another thread) can
// safely wait for it to pass; once the handler took a slot, its path stays.
enum SlotState : int { Free, Filling, Owned, Unlinking };

struct TrackedSlot {
  std::atomic<int> state{Free};
  char path[PATH_MAX];
};

// A run keeps at most two temporary files per worker (one being written, one
// waiting for its turn to be renamed) and has at most 64 workers; a writer
// without a slot still works.
constexpr int SlotCount = 128;
TrackedSlot Slots[SlotCount];
std::atomic<bool> Ending{false};
std::atomic<bool> Cleaned{false};
std::atomic<int> DeferFd{-1};
std::atomic<bool> Deferred{false};

// Every signal sent from outside whose default ends the process. Faults
// (SEGV, BUS, FPE, ILL, TRAP, SYS) and abort are the program's own doing and
// keep their default; PIPE and XFSZ are ignored instead, see below.
constexpr int HandledSignals[] = {SIGINT,    SIGTERM, SIGHUP,  SIGQUIT, SIGALRM,   SIGUSR1, SIGUSR2,
                                  SIGVTALRM, SIGPROF, SIGPOLL, SIGXCPU, SIGSTKFLT, SIGPWR};

// The real-time signals end the process by default too; their range is only
// known at run time (the C library keeps the first few for itself).
template <typename Visit>
void ForEachHandledSignal(Visit visit) {
  for (int sig : HandledSignals) visit(sig);
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) visit(sig);
}

void HandledSet(sigset_t& set) {
  sigemptyset(&set);
  ForEachHandledSignal([&set](int sig) { sigaddset(&set, sig); });
}

// Only async-signal-safe work: atomics, unlink, signal, raise.
void OnInterrupt(int sig) {
  if ((sig == SIGINT || sig == SIGTERM) && DeferFd.load() >= 0 && !Deferred.exchange(true)) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t written = ::write(DeferFd.load(), &byte, 1);
    errno = saved;
    return;
  }
  if (!Ending.exchange(true)) {
    for (TrackedSlot& slot : Slots) {
      int state = slot.state.load();
      while (state == Filling) state = slot.state.load();
      if (state == Owned && slot.state.compare_exchange_strong(state, Unlinking))
        ::unlink(slot.path);
    }
    Cleaned.store(true);
  }
  // A second signal on another thread must not end the process before the
  // first handler has deleted the files (the mask keeps it off this thread).
  while (!Cleaned.load()) {
  }
  // Ends the process the way the signal would have; the signal is delivered
  // as soon as the handler returns and unblocks it.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

void InstallInterruptCleanup() {
  // A reader that went away or the file-size limit must not end the run:
  // ignored, they turn into EPIPE and EFBIG, which the writers report.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);

  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  HandledSet(action.sa_mask);
  action.sa_flags = SA_RESTART;
  ForEachHandledSignal([&action](int sig) {
    struct sigaction previous {};
    // Ignored (nohup) stays ignored; a handler of a runtime loaded before
    // main (a profiler's SIGPROF) stays too.
    if (::sigaction(sig, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) return;
    ::sigaction(sig, &action, nullptr);
  });
}

void DeferInterrupts(int fd) { DeferFd.store(fd); }

void EndByInterrupt(int sig) {
  sigset_t handled;
  HandledSet(handled);
  ::pthread_sigmask(SIG_BLOCK, &handled, nullptr);
  DeferFd.store(-1);
  // The handler's own path: delete, then end by the signal once it is unblocked.
  OnInterrupt(sig);
  ::pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
  for (;;) ::pause();
}

int CreateTrackedFile(const std::string& path, int& slot) {
  slot = -1;
  sigset_t handled, previous;
  HandledSet(handled);
  ::pthread_sigmask(SIG_BLOCK, &handled, &previous);
  if (path.size() < PATH_MAX) {
    for (int i = 0; i < SlotCount && slot < 0; ++i) {
      int expected = Free;
      if (Slots[i].state.compare_exchange_strong(expected, Filling)) slot = i;
    }
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  const int error = errno;
  if (slot >= 0) {
    if (fd >= 0) std::memcpy(Slots[slot].path, path.c_str(), path.size() + 1);
    Slots[slot].state.store(fd >= 0 ? Owned : Free);
    if (fd < 0) slot = -1;
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return fd;
}

void ForgetTrackedFile(int slot) {
  if (slot < 0 || slot >= SlotCount) return;
  // When the handler took the slot the process is ending; leave it to it.
  int expected = Owned;
  Slots[slot].state.compare_exchange_strong(expected, Free);
}
