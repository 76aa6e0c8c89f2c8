#include "fuzz/FuzzInput.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

std::string FuzzFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/lumivert-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    return pattern + "/";
  }();
  return folder;
}

std::string WriteFuzzFile(const std::uint8_t* data, std::size_t size,
                          const std::string& extension) {
  const std::string path = FuzzFolder() + "input." + extension;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) {
      std::perror(path.c_str());
      std::abort();
    }
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  return path;
}

void TouchFarCorners(FIBITMAP* picture) {
  const unsigned width = FreeImage_GetWidth(picture), height = FreeImage_GetHeight(picture);
  if (width == 0 || height == 0) return;
  volatile float sink = 0;
  const auto* first = reinterpret_cast<const float*>(FreeImage_GetScanLine(picture, 0));
  const auto* last =
      reinterpret_cast<const float*>(FreeImage_GetScanLine(picture, static_cast<int>(height) - 1));
  sink = sink + first[0] + last[3 * (width - 1) + 2];
}
