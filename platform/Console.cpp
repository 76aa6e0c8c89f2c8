#include "platform/Console.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace {

std::atomic<bool> consoleClosedAtStart{false};
std::atomic<bool> outputGone{false};
std::atomic<bool> errorGone{false};

// Writes bytes and flushes. When the reader went away (EPIPE; SIGPIPE is
// ignored) the stream is dropped for the rest of the process, quietly: its
// buffer is discarded and its descriptor put on /dev/null, so that no later
// writer (the flush at exit, a library's message) meets the pipe again. The
// run goes on, since the files are what was asked for.
void Write(std::FILE* stream, std::atomic<bool>& gone, const std::string& bytes) {
  if (gone) return;
  errno = 0;
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
  if (!std::ferror(stream) || errno != EPIPE) return;
  if (gone.exchange(true)) return;
  __fpurge(stream);
  std::clearerr(stream);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  dup2(null, fileno(stream));
  close(null);
}

}  // namespace

void MarkConsoleClosed() { consoleClosedAtStart = true; }

bool ConsoleIsOpen() { return !consoleClosedAtStart && fcntl(STDOUT_FILENO, F_GETFD) != -1; }

void PrintLine(const std::string& text) { Write(stdout, outputGone, text + "\r\n"); }

void PrintErrorLine(const std::string& text) { Write(stderr, errorGone, text + "\r\n"); }

void WriteErrorBytes(const std::string& bytes) { Write(stderr, errorGone, bytes); }

void SetConsoleTitle(const std::string& title) {
  if (!isatty(STDOUT_FILENO)) return;
  Write(stdout, outputGone, "\033]0;" + title + "\007");
}

void WaitForKey() {
  if (!isatty(STDIN_FILENO)) return;
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  unsigned char c = 0;
  // Any byte is a character here; escape sequences of special keys also end the wait.
  while (read(STDIN_FILENO, &c, 1) < 0) {
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}
