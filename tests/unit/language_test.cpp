#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "lang/LanguageData.h"
#include "lang/LanguageTable.h"

namespace {

const std::string kMissing = "%NO_STRING_ERROR%";

// Lays out (key, text) pairs the way the built-in data is stored.
std::string DataOf(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string data;
  for (const auto& [key, text] : pairs) {
    data += key;
    data += '\0';
    data += text;
    data += '\0';
  }
  return data;
}

void BuildFrom(const std::string& data) { BuildLanguageTableFrom(data.data(), data.size()); }

struct Entry {
  std::string group, key, text;
};

// Every pair of the built-in data, in data order.
std::vector<Entry> BuiltInEntries() {
  std::vector<Entry> entries;
  std::string group;
  std::size_t pos = 0;
  auto next = [&]() {
    std::string text(LanguageData + pos);
    pos += text.size() + 1;
    return text;
  };
  while (pos < LanguageDataSize) {
    std::string key = next();
    std::string text = next();
    if (key == "_END_") break;
    if (key == "_GROUP_")
      group = text;
    else
      entries.push_back({group, key, text});
  }
  return entries;
}

}  // namespace

TEST(LanguageTable, LooksUpGroupAndKeyInAnyCase) {
  BuildLanguageTable();
  const std::pair<const char*, const char*> spellings[] = {
      {"msg", "error"}, {"MSG", "ERROR"}, {"Msg", "Error"}, {"mSg", "eRRoR"}};
  for (const auto& [group, key] : spellings)
    EXPECT_EQ(LanguageText(group, key), "Error") << group << " / " << key;
  EXPECT_EQ(LanguageText("custom-converter", "SEARCH"), "Search");
}

TEST(LanguageTable, MissingGroupOrKeyGivesTheErrorText) {
  BuildLanguageTable();
  const std::pair<const char*, const char*> lookups[] = {
      {"Msg", "Errors"},              // longer than an existing key
      {"Msg", "Erro"},                // prefix of an existing key
      {"Msg", "Aaa"},                 // sorts before every key with that letter
      {"Msg", "Zzz"},                 // letter no key starts with
      {"Msg", "Wz"},                  // past the group's last key
      {"Message", "Error"},           // no such group
      {"Ms", "Error"},                // prefix of a group name
      {"Preferences", "Search"},      // key of another group
      {"Custom Converter", "Title"},  // blank instead of hyphen
  };
  for (const auto& [group, key] : lookups)
    EXPECT_EQ(LanguageText(group, key), kMissing) << group << " / " << key;
}

TEST(LanguageTable, RemembersTheGroupOnlyWhileTheNameMatches) {
  BuildLanguageTable();
  // "Title" exists in four groups with four texts: each lookup must switch.
  const std::pair<const char*, const char*> sequence[] = {
      {"About", "About..."},
      {"About", "About..."},
      {"Uninstall", "Uninstall"},
      {"Custom-Converter", "Find a File Converter"},
      {"Nowhere", nullptr},
      {"About", "About..."},
      {"PREFERENCES", "Preferences..."},
      {"", nullptr},
      {"uninstall", "Uninstall"},
  };
  for (const auto& [group, text] : sequence)
    EXPECT_EQ(LanguageText(group, "Title"), text ? text : kMissing) << group;
  // A failed group search must not leave the previous group in use.
  EXPECT_EQ(LanguageText("Menu", "Exit"), "Exit");
  EXPECT_EQ(LanguageText("Menus", "Exit"), kMissing);
  EXPECT_EQ(LanguageText("Menus", "Exit"), kMissing);
  EXPECT_EQ(LanguageText("Menu", "Exit"), "Exit");
}

TEST(LanguageTable, KeysThatBeginOtherKeysAreFoundExactly) {
  BuildLanguageTable();
  const Entry cases[] = {
      {"General", "Input File", "Input File:"},
      {"General", "Input Files", "Input Files:"},
      {"Menu", "Select Input File", "Add Input File..."},
      {"Menu", "Select Input Files", "Add Input Files..."},
      {"Menu", "Select All", "Select All"},
      {"Preferences", "Csv", "CSV"},
      {"Preferences", "Csv Delimiter", "CSV Delimiter:"},
      {"Preferences", "Csv Export", "Export to CSV"},
      {"Preferences", "Image", "Image:"},
      {"Preferences", "Image Width", "Image Width:"},
      {"Preferences", "RGB", "RGB"},
      {"Preferences", "RGB48", "RGB 48-bit"},
      {"Preferences", "RGB48HS", "RGB 48-bit (HS)"},
      {"Preferences", "RGBA", "RGB 32-bit"},
      {"Msg", "Import complete", "Import complete, new files added: %s1%"},
      {"Msg", "Import is not complete", "Import stopped"},
  };
  for (const Entry& c : cases) EXPECT_EQ(LanguageText(c.group, c.key), c.text) << c.key;
}

TEST(LanguageTable, DuplicateKeyFindsTheEntryThatSortsFirst) {
  BuildLanguageTable();
  EXPECT_EQ(LanguageText("Preferences", "Medium"), "Medium");
  EXPECT_EQ(LanguageText("preferences", "MEDIUM"), "Medium");

  // With differing texts the key ties and the text decides the order.
  BuildFrom(DataOf(
      {{"_GROUP_", "G"}, {"same", "second"}, {"Same", "first"}, {"SAME", "third"}, {"_END_", ""}}));
  EXPECT_EQ(LanguageText("g", "same"), "first");
}

TEST(LanguageTable, EmptyGroupIsListedButYieldsNothing) {
  BuildFrom(DataOf({{"_GROUP_", "Before"},
                    {"Key", "before"},
                    {"_GROUP_", "Empty"},
                    {"_GROUP_", "After"},
                    {"Key", "after"},
                    {"_group_", "Last"},
                    {"_end_", ""},
                    {"Key", "beyond the end"}}));
  EXPECT_EQ(LanguageText("Before", "Key"), "before");
  EXPECT_EQ(LanguageText("Empty", "Key"), kMissing);
  EXPECT_EQ(LanguageText("Empty", ""), kMissing);
  EXPECT_EQ(LanguageText("After", "Key"), "after");
  EXPECT_EQ(LanguageText("Empty", "Key"), kMissing);
  EXPECT_EQ(LanguageText("Last", "Key"), kMissing);
}

TEST(LanguageTable, SeparatorOrdersAKeyBeforeLongerKeysWithAnyText) {
  // Compared on whole "KEY text" strings the blank would sort "A B" first and
  // "A" would be unreachable behind it.
  BuildFrom(DataOf({{"_GROUP_", "G"},
                    {"A B", "short"},
                    {"AB", "joined"},
                    {"A", "~~~ sorts high"},
                    {"B", "b"},
                    {"a-", "dash"},
                    {"_END_", ""}}));
  EXPECT_EQ(LanguageText("G", "A"), "~~~ sorts high");
  EXPECT_EQ(LanguageText("G", "a b"), "short");
  EXPECT_EQ(LanguageText("G", "ab"), "joined");
  EXPECT_EQ(LanguageText("G", "A-"), "dash");
  EXPECT_EQ(LanguageText("G", "b"), "b");
  EXPECT_EQ(LanguageText("G", "A "), kMissing);
}

TEST(LanguageTable, BuildingAgainReplacesTheTable) {
  BuildFrom(DataOf({{"_GROUP_", "Msg"}, {"Error", "Fehler"}, {"_GROUP_", "Extra"}, {"X", "x"}}));
  EXPECT_EQ(LanguageText("Msg", "Error"), "Fehler");
  EXPECT_EQ(LanguageText("Extra", "X"), "x");
  BuildLanguageTable();
  EXPECT_EQ(LanguageText("Extra", "X"), kMissing);
  EXPECT_EQ(LanguageText("Msg", "Error"), "Error");
}

TEST(LanguageTable, MalformedDataBuildsWhatItCan) {
  // No "_END_" and a last pair cut off after its key.
  std::string data = DataOf({{"_GROUP_", "G"}, {"K", "k"}}) + std::string("L\0", 2);
  BuildFrom(data);
  EXPECT_EQ(LanguageText("G", "K"), "k");
  EXPECT_EQ(LanguageText("G", "L"), kMissing);
  // Entries before any group belong to none.
  BuildFrom(DataOf({{"Orphan", "o"}, {"_GROUP_", "G"}, {"K", "k"}, {"_END_", ""}}));
  EXPECT_EQ(LanguageText("", "Orphan"), kMissing);
  EXPECT_EQ(LanguageText("G", "Orphan"), kMissing);
  EXPECT_EQ(LanguageText("G", "K"), "k");
  BuildFrom("");
  EXPECT_EQ(LanguageText("G", "K"), kMissing);
  BuildLanguageTableFrom(nullptr, 0);
  EXPECT_EQ(LanguageText("G", "K"), kMissing);
}

TEST(LanguageTable, OddKeysAndGroupsFindNothingAndDoNotCrash) {
  BuildLanguageTable();
  const std::pair<std::string, std::string> lookups[] = {
      {"Msg", ""},
      {"", ""},
      {"", "Error"},
      {"Msg", "\xC3\x89rror"},             // non-ASCII first letter
      {"Msg", "\xFF\xFE"},                 // not UTF-8 at all
      {"Msg", "Err\xC3"},                  // cut-off sequence
      {"Msg", "\x80"},                     // lone continuation byte
      {"M\xC3\xA9g", "Error"},             // non-ASCII group
      {"\xFFMsg", "Error"},                // invalid group
      {"Msg", std::string("E\0rror", 6)},  // embedded zero
      {"Msg", std::string(1, '\x01')},
      {"Msg", std::string(10000, 'E')},
  };
  for (const auto& [group, key] : lookups) EXPECT_EQ(LanguageText(group, key), kMissing);
  EXPECT_EQ(LanguageText("Msg", "Error"), "Error");
}

TEST(LanguageTable, SpotChecksAcrossAllGroups) {
  BuildLanguageTable();
  const Entry cases[] = {
      {"Menu", "File", "File"},
      {"Menu", "Open", "Open..."},
      {"Menu", "Delete Input Files", "Delete Files From the List"},
      {"Menu", "Output Format Options", "Options..."},
      {"Menu", "Custom Converter", "Find a File Converter..."},
      {"Menu", "Manual", "User Manual..."},
      {"Menu", "Visit Homepage", "Visit the Program's Homepage"},
      {"Menu", "Check For New Version", "Check For a New Version"},
      {"General", "Output Folder", "Output Folder:"},
      {"General", "Preparing", "Preparing..."},
      {"General", "Converting", "Converting..."},
      {"Msg", "Insufficient memory", "Insufficient Memory"},
      {"Msg", "Unable to save file", "Unable to save the file: %s1%!"},
      {"Msg", "Invalid input folder",
       "The following input folder is invalid or doesn't exist:\r\n%s1%\r\n\r\n"
       "Please, correct the input path and try again!"},
      {"Msg", "Invalid output folder",
       "The following output folder is invalid or doesn't exist:\r\n%s1%\r\n\r\n"
       "Please, correct the output path and try again!"},
      {"Msg", "Ask continue to find",
       "No matches of %s1% found!\r\n\r\nDo you want to search from the start of the list?"},
      {"Msg", "Empty input folder",
       "The input folder's field is empty. Please, check the existed input folder and try "
       "again!"},
      {"Msg", "Progress", "(%s1%/%s2%)"},
      {"Msg", "Files converted", "Files converted: %s1% of %s2%"},
      {"Msg", "Conversion is not complete", "Conversion stopped"},
      {"Msg", "New Update Text",
       "A new version of Corvanta Nembrix is available! Are you ready to download it right now?"},
      {"Msg", "No Update Text",
       "There is no update of Corvanta Nembrix yet. You're using the most recent version."},
      {"Msg", "Ask overwrite file", "The file already exist. Do you want to overwrite it?"},
      {"Msg", "Empty extensions", "Please, fill all required fields and try again!"},
      {"Dialog", "Import Input Files", "Import Input Files From A List"},
      {"Dialog", "Convert Progress", "Converting"},
      {"Dialog", "OK", "OK"},
      {"Dialog", "Defaults", "Defaults"},
      {"Preferences", "Title", "Preferences..."},
      {"Preferences", "Save window position", "Save Window's Coords:"},
      {"Preferences", "Every 3 months", "Every 3 months"},
      {"Preferences", "DR Reduction", "DR Reduction"},
      {"Preferences", "Bottom-Right", "Bottom-Right"},
      {"Preferences", "Chroma Subsampling", "Chroma Subsampling:"},
      {"Preferences", "X-Offset", "X-Offset:"},
      {"Preferences", "Keep Subfolders", "Keep Subfolders:"},
      {"Preferences", "Check for Updates", "Check for Updates:"},
      {"Preferences", "Bytes", "bytes"},
      {"Preferences", "ZLIB9", "ZLib Level 9"},
      {"Preferences", "CCITTFAX4", "CCITT Group 4 Fax"},
      {"Preferences", "Catmullrom", "Catmull-Rom Spline"},
      {"Preferences", "Strikeout", "Strikethrough"},
      {"Preferences", "Out Folders History", "Output Folders History:"},
      {"Preferences", "Clean Recent Files", "Clean Recent Files List on Exit"},
      {"About", "Email", "E-mail:"},
      {"About", "Website", "Web:"},
      {"Custom-Converter", "From", "From:"},
      {"Custom-Converter", "To", "To:"},
      {"Uninstall", "Uninstall Text", "Full Uninstall - Visit Uninstall Center"},
      {"Uninstall", "Next", "Next"},
      {"Preferences", "Threads", "Threads:"},
  };
  for (const Entry& c : cases)
    EXPECT_EQ(LanguageText(c.group, c.key), c.text) << c.group << " / " << c.key;
}

TEST(LanguageTable, BuiltInDataHasItsGroupsInOrderAndEveryEntryIsFound) {
  BuildLanguageTable();
  const std::vector<Entry> entries = BuiltInEntries();
  std::vector<std::pair<std::string, int>> perGroup;
  for (const Entry& e : entries) {
    if (perGroup.empty() || perGroup.back().first != e.group) perGroup.push_back({e.group, 0});
    ++perGroup.back().second;
    EXPECT_EQ(LanguageText(e.group, e.key), e.text) << e.group << " / " << e.key;
  }
  const std::vector<std::pair<std::string, int>> expected = {
      {"Menu", 28}, {"General", 10},         {"Msg", 41},     {"Dialog", 16}, {"Preferences", 215},
      {"About", 4}, {"Custom-Converter", 4}, {"Uninstall", 3}};
  EXPECT_EQ(perGroup, expected);
  // Keys are ASCII and, apart from the one known repeat, unique per group.
  std::map<std::string, int> seen;
  for (const Entry& e : entries) {
    std::string id = e.group + "/";
    for (char c : e.key) {
      EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << e.key;
      id += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    ++seen[id];
  }
  for (const auto& [id, count] : seen) EXPECT_EQ(count, id == "Preferences/MEDIUM" ? 2 : 1) << id;
}

TEST(LanguageTable, PreferencesTextsFollowTheirKeys) {
  BuildLanguageTable();
  const char* sameAsKey[] = {
      "None",        "Auto",          "Every 6 months",     "Huge",    "Gradient Domain", "PXR24",
      "B44",         "LAB",           "Baseline Optimized", "Lanczos", "Fuchsia",         "Orange",
      "Bold Italic", "Middle-Center", "Proportional",       "Privacy"};
  for (const char* key : sameAsKey) EXPECT_EQ(LanguageText("Preferences", key), key);
  const char* withColon[] = {"Language", "Header Size",  "Bits Per Pixel", "Interlaced",
                             "Left",     "Bottom Color", "Font Leading",   "Antialiasing",
                             "Y-Offset", "Scale",        "Filename Mask",  "Custom Timestamp"};
  for (const char* key : withColon)
    EXPECT_EQ(LanguageText("Preferences", key), std::string(key) + ":");
}

TEST(FillPlaceholders, ReplacesNumberedPlaceholdersInOrder) {
  struct Case {
    std::string text, s1, s2, s3, s4, expected;
  } cases[] = {
      {"Files converted: %s1% of %s2%", "3", "5", "", "", "Files converted: 3 of 5"},
      {"Files converted: %s1% of %s2%", "3", "", "", "", "Files converted: 3 of %s2%"},
      {"Files converted: %s1% of %s2%", "", "5", "", "", "Files converted: %s1% of 5"},
      {"%S1%/%s1%/%S2%", "a", "b", "", "", "a/a/b"},
      {"%s4%%s3%%s2%%s1%", "1", "2", "3", "4", "4321"},
      {"(%s1%/%s2%)", "12", "40", "", "", "(12/40)"},
      // A later placeholder inside an earlier argument is filled by the later step...
      {"%s1%", "x%s2%y", "Z", "", "", "xZy"},
      {"%s1%", "<%S3%>", "", "!", "", "<!>"},
      // ...but an earlier one inside a later argument is not.
      {"%s2%", "one", "%s1%", "", "", "%s1%"},
      // Replacing an argument with itself must not loop.
      {"%s1% %s1%", "%s1%", "", "", "", "%s1% %s1%"},
      {"", "a", "b", "c", "d", ""},
      {"no placeholders", "a", "", "", "", "no placeholders"},
      {"%s5% %s0% %s 1% s1%", "a", "", "", "", "%s5% %s0% %s 1% s1%"},
      {"%s1%", "\xC3\xA9t\xC3\xA9", "", "", "", "\xC3\xA9t\xC3\xA9"},
      {"Line\r\n%s1%\r\n", "/tmp/a b", "", "", "", "Line\r\n/tmp/a b\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FillPlaceholders(c.text, c.s1, c.s2, c.s3, c.s4), c.expected) << c.text;
  EXPECT_EQ(FillPlaceholders("%s1% and %s2%"), "%s1% and %s2%");
}

TEST(FillPlaceholders, FillsTableMessages) {
  BuildLanguageTable();
  EXPECT_EQ(FillPlaceholders(LanguageText("Msg", "Invalid output folder"), "/data/out/"),
            "The following output folder is invalid or doesn't exist:\r\n/data/out/\r\n\r\n"
            "Please, correct the output path and try again!");
  EXPECT_EQ(FillPlaceholders(LanguageText("Msg", "Files converted"), "7", "9"),
            "Files converted: 7 of 9");
}
