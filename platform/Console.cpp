#include "platform/Console.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace {
std::atomic<bool> consoleClosedAtStart{false};
}

void MarkConsoleClosed() { consoleClosedAtStart = true; }

bool ConsoleIsOpen() { return !consoleClosedAtStart && fcntl(STDOUT_FILENO, F_GETFD) != -1; }

void PrintLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fwrite("\r\n", 1, 2, stdout);
  std::fflush(stdout);
}

void PrintErrorLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fwrite("\r\n", 1, 2, stderr);
  std::fflush(stderr);
}

void SetConsoleTitle(const std::string& title) {
  if (!isatty(STDOUT_FILENO)) return;
  std::printf("\033]0;%s\007", title.c_str());
  std::fflush(stdout);
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
