#include "cli/ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "platform/Console.h"

namespace {

std::string Clock(double seconds) {
  const long total = seconds > 0 ? std::lround(seconds) : 0;
  char buffer[32];
  if (total >= 3600)
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                  total % 60);
  else
    std::snprintf(buffer, sizeof buffer, "%02ld:%02ld", total / 60, total % 60);
  return buffer;
}

// Counts UTF-8 characters, not bytes, so a path is never cut inside one.
std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

// The last `keep` characters of text.
std::string LastCharacters(const std::string& text, std::size_t keep) {
  std::size_t skip = CharacterCount(text) - keep;
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (skip == 0) break;
      --skip;
    }
  }
  return text.substr(i);
}

}  // namespace

std::string ProgressLineText(int done, int total, const std::string& currentFile,
                             double elapsedSeconds, std::size_t columns) {
  const std::string left =
      done > 0 ? Clock(elapsedSeconds / done * (total - done)) : std::string("--:--");
  std::string text = std::to_string(done) + " of " + std::to_string(total) + " files, " +
                     Clock(elapsedSeconds) + " elapsed, " + left + " left";
  const std::size_t room = columns > 1 ? columns - 1 : 0;
  if (CharacterCount(text) >= room)
    return LastCharacters(text, std::min(room, CharacterCount(text)));
  if (currentFile.empty()) return text;
  text += ": ";
  const std::size_t space = room - CharacterCount(text);
  if (CharacterCount(currentFile) <= space) return text + currentFile;
  if (space <= 3) return text.substr(0, text.size() - 2);
  return text + "..." + LastCharacters(currentFile, space - 3);
}

void ShowProgressLine(const std::string& text) { WriteErrorBytes("\r" + text + "\033[K"); }

void EraseProgressLine() { WriteErrorBytes("\r\033[K"); }

bool ProgressLineWanted() { return isatty(STDERR_FILENO) == 1; }

std::size_t TerminalColumns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}
