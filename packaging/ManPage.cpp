// Writes the manual page lumivert(1) from the program's own sources of truth:
// the help text (HelpLines), the option table (every entry of
// settings/OptionTable.cpp, checked against FindOption), the keyword lists
// and the product data. A table option without a description stops the
// build, so the manual cannot fall behind the program.
//   manpage OPTION_TABLE_SOURCE PROGRAM_FOLDER OUTPUT_FILE
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "cli/CommandLine.h"
#include "codecs/FormatTables.h"
#include "codecs/OutputFormats.h"
#include "packaging/OptionDocs.h"
#include "settings/Keywords.h"
#include "settings/OptionTable.h"
#include "settings/Settings.h"

namespace {

struct TableOption {
  std::string name;  // "--JPG-QUALITY"
  OptionKind kind = OptionKind::None;
  KeywordList list = KeywordList::Compression;
};

// roff: backslashes and minus signs escaped, no line may start with a control character.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

bool EndsWithBpp(const std::string& name) {
  return name.size() > 6 && name.compare(name.size() - 4, 4, "-BPP") == 0;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The keyword list a source text names, e.g. "FrameLoading".
KeywordList ListNamed(const std::string& word) {
  static const char* const names[] = {
      "DdsLoadAs",     "RawLoadAs",      "FrameLoading",    "RawToneMapping", "Compression",
      "BmpColorTable", "TiffColorModel", "JpgChroma",       "JpgSaveAs",      "RotationType",
      "Unit",          "ResizeType",     "ResizeAlgorithm", "FrameType",      "WatermarkType",
      "FontStyle",     "FontEffect",     "TextAlignment",   "Boundary",       "Position",
      "SizeMode",      "Timestamp"};
  for (int n = 0; n < static_cast<int>(std::size(names)); ++n)
    if (word == names[n]) return static_cast<KeywordList>(n);
  return KeywordList::Compression;
}

// Every option named in the sources of the option table and of the output
// format rows, in source order; kinds come from the table itself.
std::vector<TableOption> ReadOptionTable(const std::string& path) {
  std::string source;
  for (const std::string& file :
       {path, path.substr(0, path.rfind("settings/")) + "codecs/OutputFormats.cpp"}) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    source += text.str();
  }
  static const std::regex entry(R"re("(--[A-Z0-9-]+)"(?:,\s*\w+\((?:KeywordList|K)::(\w+))?)re");
  std::vector<TableOption> options;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), entry);
       it != std::sregex_iterator(); ++it) {
    TableOption o;
    o.name = (*it)[1];
    o.kind = FindOption(o.name);
    if (o.kind == OptionKind::None) continue;
    if ((*it)[2].matched) o.list = ListNamed((*it)[2]);
    options.push_back(o);
  }
  return options;
}

// "WORD (n)" for every number of keyword list `list` that has a name.
std::string KeywordWords(KeywordList list) {
  std::string words;
  for (int n = 0; n < 32; ++n) {
    const std::string word = KeywordName(list, n);
    if (word.empty()) continue;
    if (!words.empty()) words += ", ";
    words += word;
  }
  return words;
}

struct HelpOption {
  std::string names;  // "-i FILE, --input=FILE"
  std::string text;
};

// The option lines of the help text: two blanks, the names, the text from column 28.
std::vector<HelpOption> ReadHelpOptions() {
  std::vector<HelpOption> options;
  for (const std::string& line : HelpLines("lumivert")) {
    if (line.size() < 29 || line.compare(0, 3, "  -") != 0) continue;
    HelpOption o;
    o.names = line.substr(2, 26);
    o.names.erase(o.names.find_last_not_of(' ') + 1);
    o.text = line.substr(28);
    options.push_back(o);
  }
  return options;
}

// The long name of a help entry in upper case ("--WIDTH" for "--width=NUM").
std::string LongName(const std::string& names) {
  const size_t at = names.find("--");
  if (at == std::string::npos) return "";
  std::string name = names.substr(at, names.find_first_of("=, ", at) - at);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name;
}

// What the help line leaves out about the front end's own options.
std::string MoreAbout(const std::string& longName, const std::string& programFolder) {
  if (longName == "--INPUT")
    return "A FILE with an extension is a Radiance picture (.hdr, .hdri) or a list file (.txt, "
           ".lst, "
           "one path a line) and is used as given, relative to the working directory. A FILE "
           "without an extension is a folder, converted with all its subfolders; a relative "
           "folder is taken from the program's folder, " +
           programFolder +
           ", not from the working directory, so give folders as absolute paths (\"$PWD/shots\"). "
           "A folder beginning with \"..\" is refused.";
  if (longName == "--OUTPUT")
    return "The folder must exist; a relative folder is taken from the program's folder, as for "
           "-i, and one beginning with \"..\" is refused. Without -o the outputs go into the "
           "folder of the input; for a bare file name (-i sky.hdr) that is the program's folder, "
           "where normal users cannot write, so give -o an absolute path.";
  if (longName == "--CONVERSION")
    return "One of " + [] {
      std::string all;
      for (const std::string& ext : OutputExtensions) all += (all.empty() ? "" : ", ") + ext;
      return all;
    }() + ", written in lower case exactly; the default is bmp.";
  if (longName == "--PROFILE")
    return "Applies the [CLI] group of the INI file FILE at this position of the command line; "
           "see PROFILES.";
  if (longName == "--PAUSE")
    return "Waits for a key after the run, and after a usage error given later on the command "
           "line.";
  if (longName == "--HELP" || longName == "--VERSION")
    return "Recognised only as the first parameter.";
  return "";
}

void WriteOptionEntry(std::ostream& out, const std::string& names, const std::string& text) {
  out << ".TP\n.B " << Roff(names) << "\n" << Roff(text) << "\n";
}

const char* const Placeholders[][2] = {
    {"%filename%", "name of the input file without its last extension"},
    {"%filename[u]%", "the same in upper case"},
    {"%filename[l]%", "the same in lower case"},
    {"%filename[t]%", "the same with the first character in upper case, the rest in lower case"},
    {"%ext%", "output extension (jpg, tiff, ...)"},
    {"%ext[u]%", "output extension in upper case"},
    {"%ext[t]%", "output extension with its first character in upper case"},
    {"%yyyy%", "current year, four digits"},
    {"%mm%", "current month, 01 to 12"},
    {"%dd%", "current day of the month, 01 to 31"},
    {"%hh%", "current hour, 00 to 23"},
    {"%ii%", "current minute, 00 to 59"},
    {"%ss%", "current second, 00 to 59"},
    {"%bpp%", "colour depth of the output in bits per pixel"},
    {"%width%", "width of the output in pixels"},
    {"%height%", "height of the output in pixels"},
    {"%rnd%", "random number, 00001 to 99999, new after each converted file"},
    {"%n%", "counter, five digits, 00001 for the first converted file of a run"},
};

bool WritePage(std::ostream& out, const std::string& tableSource, const std::string& folder) {
  const std::string version = VersionText(ProgramVersion);
  out << ".\\\" Generated by packaging/ManPage.cpp from the help text and the option table.\n"
      << ".TH LUMIVERT 1 \"\" \"lumivert " << version << "\" \"User Commands\"\n"
      << ".SH NAME\nlumivert \\- convert Radiance HDR pictures to ordinary image files\n"
      << ".SH SYNOPSIS\n.B lumivert\n\\-i\n.I FILE\\fR|\\fILIST\\fR|\\fIFOLDER\n[\\fIoptions\\fR]\n"
      << ".br\n.B lumivert\n[\\fIFILE\\fR...]\n.br\n.B lumivert\n\\-h | \\-v\n"
      << ".SH DESCRIPTION\n"
      << Roff(std::string(ProductTitle) +
              " converts high-dynamic-range pictures in the Radiance format (.hdr, .hdri) into "
              "one of 23 image formats. Every picture passes one fixed chain: loading as floating-"
              "point data, optional rotation and resizing, gradient-domain tone mapping, optional "
              "flipping, colour correction, greyscale and threshold, an optional frame, an "
              "optional text or picture watermark, and conversion to the colour depth of the "
              "output format.")
      << "\n.PP\n"
      << Roff(
             "With -i the program converts on the command line and ends. Started without "
             "parameters, or with parameters but no -i (for example a file opened from a file "
             "manager), it opens its window; the files named on the command line are then in the "
             "window's list of input files.")
      << "\n.PP\n"
      << Roff(
             "Options are applied in the order given, and a profile at the position of its "
             "--profile option, so a later setting wins. Option names ignore letter case; "
             "values keep theirs. Long options take their value after \"=\" in the same "
             "parameter (--jpg-quality=90). A second start of the same version while one runs "
             "ends at once without output.")
      << "\n.SH OPTIONS\n";

  std::vector<TableOption> table = ReadOptionTable(tableSource);
  if (table.size() < 50) {
    std::fprintf(stderr, "manpage: found only %zu options in %s\n", table.size(),
                 tableSource.c_str());
    return false;
  }

  for (const HelpOption& o : ReadHelpOptions()) {
    const std::string longName = LongName(o.names);
    if (FindOption(longName) != OptionKind::None) continue;  // described with the table below
    std::string text = o.text;
    const std::string more = MoreAbout(longName, folder);
    if (!more.empty()) text += ". " + more;
    WriteOptionEntry(out, o.names, text);
  }
  // A front-end option that the help text leaves out.
  WriteOptionEntry(
      out, "--watch",
      "Hot folder: after converting what the input folder holds, keep converting every "
      ".hdr/.hdri file that appears in its tree once its writer has closed it (or it was moved "
      "in), including subfolders created later; a file written again is converted again. Each "
      "group of new files prints the lines of a run, and the %n% counter and %rnd% number go on "
      "across them. Outputs written into the watched tree are never taken as inputs. SIGINT or "
      "SIGTERM ends the watch, at once while idle, else after the files in flight; the process "
      "then ends by that signal. Needs a folder as input, else \"Error: Invalid watch folder\"; "
      "not a profile key.");

  bool complete = true;
  for (const TableOption& o : table) {
    if (FindOption(o.name) != o.kind || o.kind == OptionKind::None) {
      std::fprintf(stderr, "manpage: %s is not an option of kind read from the table\n",
                   o.name.c_str());
      complete = false;
      continue;
    }
    const OptionDoc* doc = FindOptionDoc(o.name);
    if (!doc) {
      std::fprintf(stderr, "manpage: no description for %s in packaging/OptionDocs.cpp\n",
                   o.name.c_str());
      complete = false;
      continue;
    }
    if (const char* section = SectionStartingAt(o.name)) out << ".SS " << section << "\n";
    std::string names = Lower(o.name);
    if (*doc->value) names += std::string("=") + doc->value;
    std::string text = doc->text;
    const std::string ext = Lower(o.name.substr(2, o.name.size() - 6));
    if (const OutputFormat* format = EndsWithBpp(o.name) ? FindOutputFormat(ext) : nullptr) {
      std::string depths;
      for (int depth : format->AllowedDepths)
        depths += (depths.empty() ? "" : ", ") + std::to_string(depth);
      text = "Colour depth of " + ext + " output (" + format->Description +
             ") in bits per pixel: 0 (chosen from the picture, the default) or one of " + depths +
             ".";
    }
    if (o.kind == OptionKind::Keyword && o.list != KeywordList::Compression)
      text += " WORD is one of " + KeywordWords(o.list) + " (any case).";
    WriteOptionEntry(out, names, text);
  }
  if (!complete) return false;

  out << ".SH FILE NAME MASK\n"
      << Roff(
             "The output name is made from --filename-mask. Placeholders are found in any "
             "letter case; the same placeholders are expanded in the text of --wm-text.")
      << "\n";
  for (const auto& p : Placeholders) out << ".TP\n.B " << Roff(p[0]) << "\n" << Roff(p[1]) << "\n";
  out << ".PP\n"
      << Roff(
             "An existing file of the same name is replaced. With subfolders kept (the "
             "default), an input found in a subfolder of the input folder is written to the same "
             "subfolder below the output folder, which is created when missing.")
      << "\n.SH PROFILES\n"
      << Roff(
             "A profile is an INI file named with --profile=FILE. Only the entries of its first "
             "group [CLI] are used; each key is a long option with its two hyphens, each value "
             "what follows \"=\" on the command line. The frame opacity is written "
             "--wm-solid-opacity in a profile. Inputs, outputs and the conversion type cannot "
             "be set there. Example:")
      << "\n.PP\n.nf\n.RS\n[CLI]\n\\-\\-jpg\\-quality = 90\n\\-\\-wm\\-text = Sample\n"
      << "\\-\\-wm\\-font\\-size = 24\n.RE\n.fi\n"
      << ".SH FILES\n.TP\n.I " << Roff(folder) << "\n"
      << Roff("The program's folder: the program itself (" + folder +
              "lumivert, started through the link lumivert on the PATH), the theme archives in "
              "gfx/ and the manual lumivert.html. Relative -i and -o paths are taken from this "
              "folder, which normal users cannot write to; give absolute paths instead.")
      << "\n.TP\n.I $XDG_CONFIG_HOME/Corvanta/lumivert/config.ini\n"
      << Roff(
             "Settings of the window (~/.config/Corvanta/lumivert/config.ini when "
             "XDG_CONFIG_HOME is not set). The command line never reads or writes it.")
      << "\n.TP\n.I \"$XDG_RUNTIME_DIR/" << Roff(WindowTitle()) << ".lock\"\n"
      << Roff("Instance lock held while the program runs (/tmp/" + WindowTitle() +
              "-UID.lock when XDG_RUNTIME_DIR is not set).")
      << "\n.SH ENVIRONMENT\n.TP\n.B XDG_RUNTIME_DIR\n"
      << Roff("Folder of the instance lock.") << "\n.TP\n.B XDG_CONFIG_HOME\n"
      << Roff("Folder of the window's settings.") << "\n.TP\n.B LUMIVERT_MEMORY_LIMIT\n"
      << Roff(
             "A number of bytes that replaces the memory the program measures as still available "
             "(the least of the system's available memory, the room under ulimit -v and under "
             "the control group's memory.max). Before each memory-hungry step a file whose "
             "estimated need exceeds it is refused, not the run.")
      << "\n.TP\n.B DISPLAY\\fR, \\fBWAYLAND_DISPLAY\n"
      << Roff("The window needs a display; the command line does not.") << "\n.SH EXIT STATUS\n"
      << Roff(
             "Without --exit-status the exit status is 0 on every path, also after an error. "
             "Errors are one line on standard output beginning with \"Error: \"; reasons why a "
             "single file failed are printed on standard error.")
      << "\n.PP\n"
      << Roff("With --exit-status:") << "\n.TP\n.B 0\n"
      << Roff("every input was converted;") << "\n.TP\n.B 1\n"
      << Roff("some inputs were converted, some failed;") << "\n.TP\n.B 2\n"
      << Roff(
             "the run ended with an \"Error: \" line (a usage error counts when --exit-status "
             "comes before it), or converted nothing;")
      << "\n.TP\n.B 130\\fR, \\fB143\n"
      << Roff(
             "the run was interrupted by SIGINT or SIGTERM (the process ends by that signal, "
             "as it does without the option).")
      << "\n.SH REPORT\n"
      << Roff(
             "--report=FILE writes one JSON object per line. Each input gets an object when it "
             "is finished, in list order: \"type\": \"file\", \"input\" (path), \"output\" "
             "(path written, or null), \"status\" (\"converted\" or \"failed\"), \"reason\" "
             "(for a failed file the text of its \"Not converted:\" line after the path, else "
             "null), \"warnings\" (array of texts), \"input_width\", \"input_height\" (as "
             "loaded, null when the file did not load), \"output_width\", \"output_height\" "
             "(as written, null when failed), \"bytes\" (size written) and \"ms\" (time spent on "
             "the file). The last line is \"type\": \"summary\" with \"inputs\", "
             "\"converted\", \"failed\", \"elapsed_ms\", \"workers\" and \"version\". Every "
             "line is written whole, so a report read during the run, or after an interrupted "
             "one (which has no summary), is valid up to its last line. Paths that are not UTF-8 "
             "show U+FFFD for the broken bytes. Example line:")
      << "\n.PP\n.nf\n.RS\n"
      << Roff(
             "{\"type\":\"file\",\"input\":\"/in/sky.hdr\",\"output\":\"/out/sky.png\","
             "\"status\":\"converted\",\"reason\":null,\"warnings\":[],\"input_width\":640,"
             "\"input_height\":480,\"output_width\":640,\"output_height\":480,"
             "\"bytes\":412733,\"ms\":850}")
      << "\n.RE\n.fi\n.PP\n"
      << Roff("The failed inputs with their reasons:") << "\n.PP\n.nf\n.RS\n"
      << Roff(
             "jq -r 'select(.type == \"file\" and .status == \"failed\") | "
             "\"\\(.input): \\(.reason)\"' run.jsonl")
      << "\n.RE\n.fi\n.PP\n"
      << Roff(
             "merge-reports REPORT... (in the cluster folder of the program's folder; it needs jq) "
             "prints the totals and the failed inputs of several reports, such as the shards of "
             "a cluster job.")
      << "\n.SH EXAMPLES\n";
  const char* const examples[][2] = {
      {"lumivert -i ~/pictures/sky.hdr -o ~/converted -c png", "Convert one picture to png."},
      {"lumivert -i \"$PWD/shots/\" -o \"$PWD/out\" -c jpg --jpg-quality=90",
       "Convert every Radiance picture in the folder shots and its subfolders to jpg."},
      {"lumivert -i /tmp/filelist.txt -o /tmp/out -c tiff --tiff-compression=lzw",
       "Convert the files named in a list file."},
      {"lumivert -i ~/hdr/ -o ~/web -c webp --width=50 --height=50 --width-unit=percent "
       "--height-unit=percent",
       "Halve every picture."},
      {"lumivert -i ~/hdr/ -o ~/out -c png --filename-mask=\"%filename%_%n%.%ext%\" "
       "--wm-text=\"%yyyy%-%mm%-%dd%\"",
       "Number the outputs and stamp the date on them."},
      {"lumivert ~/pictures/sky.hdr", "Open the window with sky.hdr in its list."},
  };
  for (const auto& e : examples)
    out << ".PP\n" << Roff(e[1]) << "\n.PP\n.nf\n.RS\n" << Roff(e[0]) << "\n.RE\n.fi\n";
  out << ".SH SEE ALSO\n"
      << Roff("The manual lumivert.html in the program's folder, and " + std::string(MakerHomepage))
      << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: manpage OPTION_TABLE_SOURCE PROGRAM_FOLDER OUTPUT_FILE\n");
    return 2;
  }
  CreateProcessLists();
  BuildFormatTables();
  std::string folder = argv[2];
  if (folder.empty() || folder.back() != '/') folder += '/';
  std::ofstream out(argv[3]);
  if (!WritePage(out, argv[1], folder)) {
    out.close();
    std::remove(argv[3]);
    return 1;
  }
  return 0;
}
