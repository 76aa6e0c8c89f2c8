#include <random>

#include "cli/CommandLine.h"
#include "platform/Text.h"
#include "settings/Settings.h"

namespace {

std::string Fill(const std::string& text, const std::string& s1, const std::string& s2 = "") {
  std::string out = ReplaceAll(text, "%s1%", s1);
  return s2.empty() ? out : ReplaceAll(out, "%s2%", s2);
}

// Any of the input groups serves as the example extension.
std::string SomeInputGroup() {
  if (InputGroups.empty()) return "";
  static std::mt19937 engine{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, InputGroups.size() - 1);
  return InputGroups[pick(engine)];
}

}  // namespace

std::vector<std::string> HelpLines(const std::string& prog) {
  const std::string in = SomeInputGroup();
  const std::string out = OutputExtensions.empty() ? "" : OutputExtensions.front();
  return {
      " ",
      Fill("Usage: %s1% -i <filename> [options]", prog),
      " ",
      Fill("  %s1% -i example.%s2%", prog, in),
      Fill("  %s1% -i c:/tmp/example.%s2%", prog, in),
      Fill("  %s1% -i c:/tmp/example.%s2% -o d:/converted", prog, in),
      Fill("  %s1% -i c:/tmp/filelist.txt", prog),
      Fill("  %s1% -i c:/tmp/ -o d:/converted --jpg-quality=95", prog),
      Fill("  %s1% -i /srv/hdr/ -o /srv/converted -c %s2% --jpg-quality=95", prog, out),
      " ",
      "Options:",
      " ",
      "  -h, -?, --help            Display this help and exit",
      "  -i FILE, --input=FILE     Set input file/list/folder",
      "  -o PATH, --output=PATH    Set output folder",
      "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)",
      " ",
      "Advanced options:",
      " ",
      "  --width=NUM               Set output image width",
      "  --height=NUM              Set output image height",
      "  --filename-mask=STR       Define output filename format",
      "  --flip-horizontal         Flip output image horizontally",
      "  --flip-vertical           Flip output image vertically",
      "  --brightness=NUM          Set output image brightness, NUM = -100..100",
      "  --contrast=NUM            Set output image contrast, NUM = -100..100",
      "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
      "  --invert                  Invert output image",
      "  --greyscale               Greyscale output image",
      "  --profile=FILE            Set configuration file with required settings",
      "    ...                     Refer documentation for all available options",
      " ",
      "Other options:",
      " ",
      "  -q, --quiet               Don't print status messages to stdout",
      "  -d, --debug               Print debug information to stdout",
      "  -p, --pause               Pause at exit",
      "  -v, --version             Display version information and exit",
  };
}
