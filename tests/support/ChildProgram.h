// Starts the built program as a child with its standard output and error on
// pipes the test controls (read, closed before the start, or on /dev/null),
// chosen signals ignored and an optional file-size limit, the way a shell
// with "| head", "ulimit -f" or "nohup" would start it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

enum class ChildStream {
  Read,          // a pipe the test reads
  ClosedReader,  // a pipe whose read end is closed before the start
};

struct ChildOptions {
  std::vector<std::string> args;
  std::string runtime;  // its own XDG_RUNTIME_DIR (the instance lock) and config folder
  ChildStream out = ChildStream::Read;
  ChildStream err = ChildStream::Read;
  std::vector<int> ignoredSignals;  // SIG_IGN before exec, as nohup does
  rlim_t fileSizeLimit = RLIM_INFINITY;
};

struct ChildProgram {
  pid_t pid = -1;
  int out = -1;  // read ends, -1 when not read
  int err = -1;
};

struct ChildEnd {
  int status = 0;
  std::string out, err;
};

// Signals that end a process by default which the program meets: the child
// starts with their default action and nothing blocked, whatever the test
// runner had.
inline const std::vector<int>& ChildDefaultSignals() {
  static const std::vector<int> signals = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGALRM,
                                           SIGUSR1, SIGUSR2, SIGPIPE, SIGXFSZ};
  return signals;
}

inline ChildProgram StartChildProgram(const ChildOptions& options) {
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return {};
  // The reader is gone before the program writes its first byte.
  if (options.out == ChildStream::ClosedReader) {
    close(outPipe[0]);
    outPipe[0] = -1;
  }
  if (options.err == ChildStream::ClosedReader) {
    close(errPipe[0]);
    errPipe[0] = -1;
  }
  std::vector<char*> argv{const_cast<char*>(LUMIVERT_EXE)};
  for (const std::string& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::string config = options.runtime + "config";

  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    setenv("XDG_RUNTIME_DIR", options.runtime.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : ChildDefaultSignals()) signal(sig, SIG_DFL);
    for (int sig : options.ignoredSignals) signal(sig, SIG_IGN);
    // A signal that dumps core (QUIT) must leave no core file behind.
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (options.fileSizeLimit != RLIM_INFINITY) {
      struct rlimit limit = {options.fileSizeLimit, options.fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    execv(LUMIVERT_EXE, argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  ChildProgram child;
  child.pid = pid;
  child.out = outPipe[0];
  child.err = errPipe[0];
  if (pid < 0) {
    if (child.out >= 0) close(child.out);
    if (child.err >= 0) close(child.err);
    child.out = child.err = -1;
  }
  return child;
}

// Reads what is left on both pipes until the program closes them, then
// waits for its end.
inline ChildEnd FinishChildProgram(ChildProgram& child) {
  ChildEnd end;
  end.status = -1;
  if (child.pid < 0) return end;
  std::string* sinks[2] = {&end.out, &end.err};
  int* fds[2] = {&child.out, &child.err};
  for (;;) {
    pollfd polled[2];
    nfds_t count = 0;
    int which[2];
    for (int i = 0; i < 2; ++i)
      if (*fds[i] >= 0) {
        polled[count] = {*fds[i], POLLIN, 0};
        which[count++] = i;
      }
    if (count == 0) break;
    if (poll(polled, count, -1) < 0) continue;
    for (nfds_t k = 0; k < count; ++k) {
      if (polled[k].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(polled[k].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[which[k]]->append(buffer, static_cast<size_t>(n));
      } else {
        close(polled[k].fd);
        *fds[which[k]] = -1;
      }
    }
  }
  waitpid(child.pid, &end.status, 0);
  return end;
}

inline ChildEnd RunChildProgram(const ChildOptions& options) {
  ChildProgram child = StartChildProgram(options);
  return FinishChildProgram(child);
}
