// Reading a whole small file that must be an ordinary file: profiles and list
// files. A device (/dev/zero), a pipe or a socket is refused without reading,
// so it can neither exhaust memory nor block the run while it holds the
// instance lock.
#pragma once

#include <cstddef>
#include <string>

// Reads the whole file at path into bytes. False, with bytes empty, when the
// path cannot be opened, is not a regular file, holds more than maxBytes, or
// a read fails.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes);
