// Fuzz target: a list file from untrusted bytes, read as a list run reads it.
//
// The lines name real paths, so the target works in a small private tree: it
// changes into FuzzFolder()/work/ (which holds a few pictures, a subfolder and
// a link back up) and skips inputs holding a "/", so that no line can reach
// outside the tree and walk the whole file system.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "batch/ConversionRun.h"
#include "batch/InputCollection.h"
#include "batch/InputList.h"
#include "codecs/FormatTables.h"
#include "fuzz/FuzzInput.h"
#include "pipeline/Progress.h"
#include "settings/Settings.h"

namespace {

void Put(const std::string& path, const char* bytes) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputs(bytes, f);
    std::fclose(f);
  }
}

bool PrepareTree() {
  const std::string work = FuzzFolder() + "work/";
  mkdir(work.c_str(), 0700);
  mkdir((work + "sub").c_str(), 0700);
  Put(work + "a.hdr", "#?RADIANCE\n");
  Put(work + "b.HDRI", "#?RADIANCE\n");
  Put(work + "c.txt", "a.hdr\n");
  Put(work + "sub/d.hdr", "#?RADIANCE\n");
  if (symlink("..", (work + "sub/up").c_str()) != 0) std::perror("symlink");
  if (chdir(work.c_str()) != 0) {
    std::perror(work.c_str());
    std::abort();
  }
  CreateProcessLists();
  BuildFormatTables();
  ResetRunRecords();
  ApplyDefaults(1);
  RunState.CommandLineRun = 1;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = PrepareTree();
  (void)ready;
  if (std::memchr(data, '/', size)) return 0;
  // The list is written beside the tree, not in it, so "." does not list it.
  RunState.InputFile = WriteFuzzFile(data, size, "txt");
  InputList.Clear();
  ResetProgress();
  ReadInputList();
  return 0;
}
