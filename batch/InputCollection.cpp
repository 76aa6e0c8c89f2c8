#include "batch/InputCollection.h"

#include <dirent.h>
#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

#include "batch/InputList.h"
#include "pipeline/Progress.h"
#include "platform/Files.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"
#include "settings/Settings.h"

void (*InputFileAddedHook)(const std::string& path) = nullptr;

std::string PathExtension(const std::string& path) {
  for (size_t i = path.size(); i-- > 0;) {
    char c = path[i];
    if (c == '/' || c == ' ') return "";
    if (c == '.') {
      if (i == 0 || path[i - 1] == '/') return "";
      return path.substr(i + 1);
    }
  }
  return "";
}

int AddInputFile(const std::string& path) {
  // Only non-empty regular files: a missing path or a dangling link would fail
  // later anyway, and a pipe or device named *.hdr could block the conversion.
  if (!IsRegularFile(path) || FileSize(path) <= 0) return 0;

  std::string ext = LowerCase(PathExtension(path));
  if (ext.empty() || std::find(ReadableExtensions.begin(), ReadableExtensions.end(), ext) ==
                         ReadableExtensions.end())
    return 0;

  InputElement& element = InputList.Element(path);
  if (element.Present != 0) return 0;
  element.Present = 1;
  element.RelativeFolder = RelativePart(path, RunState.InputFolder);

  if (RunState.CommandLineRun == 0 && InputFileAddedHook) InputFileAddedHook(path);
  return 1;
}

std::string RelativePart(const std::string& path, const std::string& base) {
  if (path.empty() || base.empty()) return "";
  std::string folder = FolderOf(path);
  // Only a leading base counts: the same name deeper in the tree ("in/x/in/")
  // is part of the subfolder and must stay.
  if (!StartsWith(folder, base)) return "";
  return folder.substr(base.size());
}

namespace {

// Folders entered during one walk, by device and inode, so that links back up
// the tree (or two links to one folder) cannot make the walk loop.
using SeenFolders = std::set<std::pair<dev_t, ino_t>>;

bool EnterFolder(const std::string& folder, SeenFolders& seen) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return seen.insert({st.st_dev, st.st_ino}).second;
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

int WalkFolder(const std::string& folder, SeenFolders& seen);

// One entry of a walked folder: a folder (or a link to one) is walked, anything
// else is offered as an input file.
int AddEntry(const std::string& path, SeenFolders& seen) {
  if (IsDirectory(path)) return WalkFolder(path + "/", seen);
  return AddInputFile(path);
}

int WalkFolder(const std::string& folder, SeenFolders& seen) {
  if (!EnterFolder(folder, seen)) return 0;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return 0;
  int added = 0;
  while (const dirent* entry = readdir(dir)) {
    if (IsDotEntry(entry->d_name)) continue;
    added += AddEntry(folder + entry->d_name, seen);
  }
  closedir(dir);
  return added;
}

void ReportPosition(int position) {
  std::lock_guard<std::mutex> lock(ProgressMutex);
  Progress.Position = position;
}

void ReportAdded(int added) {
  std::lock_guard<std::mutex> lock(ProgressMutex);
  Progress.ResultCount += added;
}

void AppendUtf8(std::string& out, gunichar cp) {
  char buf[8];
  int len = g_unichar_to_utf8(cp, buf);
  out.append(buf, static_cast<size_t>(len));
}

// UTF-16 text (after its mark) as UTF-8; broken surrogates become U+FFFD.
std::string FromUtf16(const std::string& bytes, size_t start, bool bigEndian) {
  std::string out;
  auto unit = [&](size_t i) -> std::uint32_t {
    auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
  };
  size_t i = start;
  while (i + 1 < bytes.size()) {
    std::uint32_t u = unit(i);
    i += 2;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes.size()) {
      std::uint32_t low = unit(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        i += 2;
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        continue;
      }
    }
    AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
  }
  return out;
}

std::string FromUtf32(const std::string& bytes, size_t start, bool bigEndian) {
  std::string out;
  for (size_t i = start; i + 3 < bytes.size(); i += 4) {
    std::uint32_t cp = 0;
    for (int k = 0; k < 4; ++k) {
      auto b = static_cast<unsigned char>(bytes[i + static_cast<size_t>(bigEndian ? k : 3 - k)]);
      cp = cp << 8 | b;
    }
    AppendUtf8(out, (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) ? 0xFFFD : cp);
  }
  return out;
}

// The list file's text as UTF-8. A UTF-8 mark is skipped; a UTF-16 or UTF-32
// mark means the text is in that encoding, so it is decoded rather than read
// byte by byte (which would split every path at its zero bytes).
std::string ListText(const std::string& bytes) {
  auto startsWith = [&](const char* mark, size_t n) {
    return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
  };
  if (startsWith("\xEF\xBB\xBF", 3)) return bytes.substr(3);
  if (startsWith("\xFF\xFE\x00\x00", 4)) return FromUtf32(bytes, 4, false);
  if (startsWith("\x00\x00\xFE\xFF", 4)) return FromUtf32(bytes, 4, true);
  if (startsWith("\xFF\xFE", 2)) return FromUtf16(bytes, 2, false);
  if (startsWith("\xFE\xFF", 2)) return FromUtf16(bytes, 2, true);
  return bytes;
}

}  // namespace

int AddFolderFiles(const std::string& folder) {
  SeenFolders seen;
  return WalkFolder(folder, seen);
}

int ScanInputFolder() {
  const std::string& folder = RunState.InputFolder;
  SeenFolders seen;
  int added = 0;
  int position = 0;
  // The input folder itself counts as entered, so a link back to it is not walked again.
  DIR* dir = EnterFolder(folder, seen) ? opendir(folder.c_str()) : nullptr;
  if (dir) {
    while (Progress.KeepRunning != 0) {
      const dirent* entry = readdir(dir);
      if (!entry) break;
      if (IsDotEntry(entry->d_name)) continue;
      ReportPosition(++position);
      added += AddEntry(folder + entry->d_name, seen);
    }
    closedir(dir);
  }
  ReportAdded(added);
  return 0;
}

std::string ListFileProblemText(const std::string& path, const RegularFileOutcome& outcome) {
  std::string why;
  switch (outcome.Problem) {
    case RegularFileProblem::None:
      return "";
    case RegularFileProblem::CannotOpen:
      why = "list file cannot be opened: " + outcome.SystemMessage;
      break;
    case RegularFileProblem::NotRegular:
      why = std::string("list file is ") + NotRegularFileText;
      break;
    case RegularFileProblem::TooLarge: {
      char size[32];
      std::snprintf(size, sizeof size, "%.1f",
                    static_cast<double>(outcome.Size) / static_cast<double>(1 << 20));
      why = "list file is " + std::string(size) + " MiB, over the " +
            std::to_string(MaxListFileBytes >> 20) + " MiB limit";
      break;
    }
    case RegularFileProblem::ReadFailed:
      why = "list file cannot be read: " + outcome.SystemMessage;
      break;
  }
  return path + ": " + why + "; not read";
}

int ReadInputList(std::string* problem) {
  int added = 0;
  std::string bytes;
  RegularFileOutcome outcome;
  if (!ReadRegularFile(RunState.InputFile, MaxListFileBytes, bytes, outcome)) {
    if (problem) *problem = ListFileProblemText(RunState.InputFile, outcome);
  } else {
    const std::string text = ListText(bytes);
    bytes.clear();
    SeenFolders seen;
    int position = 0;
    size_t pos = 0;
    while (Progress.KeepRunning != 0 && pos < text.size()) {
      // A line ends at LF, CR LF, or a lone CR.
      size_t end = text.find_first_of("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      std::string line = TrimBlanks(text.substr(pos, end - pos));
      pos = end;
      if (pos < text.size())
        pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;

      // A zero byte cannot be part of a path; such a line would otherwise be cut
      // short by the file system calls and name some other file or folder.
      if (line.empty() || line.find('\0') != std::string::npos || !PathExists(line)) continue;
      ReportPosition(++position);
      if (IsDirectory(line)) {
        if (line.back() != '/') line += '/';
        added += WalkFolder(line, seen);
      } else {
        added += AddInputFile(line);
      }
    }
  }
  ReportAdded(added);
  return 0;
}

void RecordRecentOutFolder(const std::string& folder) {
  if (folder.empty()) return;
  const int limit = Settings.OutFoldersNumber;
  const std::string upperFolder = UpperCase(folder);
  std::string value = folder;
  int count = 1;
  const std::string& old = Settings.RecentOutFolders;
  size_t start = 0;
  for (int index = 0; index < limit && start <= old.size() && count < limit; ++index) {
    size_t tab = old.find('\t', start);
    if (tab == std::string::npos) tab = old.size();
    std::string entry = TrimBlanks(old.substr(start, tab - start));
    start = tab + 1;
    if (!entry.empty() && UpperCase(entry) != upperFolder) {
      value += "\t" + entry;
      ++count;
    }
  }
  Settings.RecentOutFolders = value;
}
