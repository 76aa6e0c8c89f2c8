// Reading a whole small file that must be an ordinary file: profiles and list
// files. A device (/dev/zero), a pipe or a socket is refused without reading,
// so it can neither exhaust memory nor block the run while it holds the
// instance lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Why ReadRegularFile read nothing.
enum class RegularFileProblem {
  None,
  CannotOpen,  // the system's reason is in the error text
  NotRegular,  // a folder, pipe, device or socket
  TooLarge,    // more than the cap allows
  ReadFailed,  // the system's reason is in the error text
};

// Reads the whole file at path into bytes. False, with bytes empty, when the
// path cannot be opened, is not a regular file, holds more than maxBytes, or
// a read fails.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

// The same, saying why nothing was read: problem, the file's size when it
// was too large, and the system's message where there is one.
struct RegularFileOutcome {
  RegularFileProblem Problem = RegularFileProblem::None;
  std::uint64_t Size = 0;
  std::string SystemMessage;
};
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes,
                     RegularFileOutcome& outcome);

// The text said for a file that is not a regular file.
inline constexpr const char* NotRegularFileText = "not a regular file";

// Opens path for reading ("rb") without ever waiting: a pipe put where a file
// was would block an ordinary open until a writer comes. The open follows
// links; what it reaches must be a regular file, and everything is then read
// from that same descriptor, so a later swap of the path changes nothing.
// No stream, with the reason in error (the system's message, or
// NotRegularFileText), otherwise.
std::FILE* OpenRegularInput(const std::string& path, std::string& error);
