// Runs one measured piece of work in a child process, so that its peak
// resident memory and its CPU time are its own and no run starts with pages
// an earlier run already mapped.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct Measure {
  double seconds = 0;
  double cpuSeconds = 0;  // user + system
  long peakKiB = 0;
  int status = -1;
};

inline Measure InChild(const std::function<int()>& body) {
  std::fflush(stdout);  // or the child would print the parent's buffer again
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Measure m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.peakKiB = usage.ru_maxrss;
  m.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return m;
}

// Replaces the child with the program; returns only when it cannot start.
inline int RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  return 127;
}
