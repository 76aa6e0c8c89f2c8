// The live progress line's text: counts, times and the current file cut to
// the terminal's width.
#include <gtest/gtest.h>

#include "cli/ProgressLine.h"

TEST(ProgressLine, CountsTimesAndTheCurrentFile) {
  struct Case {
    int done, total;
    const char* file;
    double elapsed;
    std::size_t columns;
    const char* text;
  } cases[] = {
      {0, 10, "/in/a.hdr", 0.4, 80, "0 of 10 files, 00:00 elapsed, --:-- left: /in/a.hdr"},
      {3, 10, "/in/b.hdr", 12.2, 80, "3 of 10 files, 00:12 elapsed, 00:28 left: /in/b.hdr"},
      {1, 2, "", 59.6, 80, "1 of 2 files, 01:00 elapsed, 01:00 left"},
      {1, 3, "/x.hdr", 3723, 80, "1 of 3 files, 1:02:03 elapsed, 2:04:06 left: /x.hdr"},
      // The path loses its beginning to fit in columns - 1 characters.
      {3, 10, "/very/long/folder/name/picture.hdr", 12, 58,
       "3 of 10 files, 00:12 elapsed, 00:28 left: .../picture.hdr"},
      // Too narrow for any of the path: the counts alone, then their end.
      {3, 10, "/in/b.hdr", 12, 45, "3 of 10 files, 00:12 elapsed, 00:28 left"},
      {3, 10, "/in/b.hdr", 12, 11, "00:28 left"},
  };
  for (const Case& c : cases) {
    const std::string text = ProgressLineText(c.done, c.total, c.file, c.elapsed, c.columns);
    EXPECT_EQ(text, c.text) << c.columns;
    EXPECT_LT(text.size(), c.columns);
  }
}

TEST(ProgressLine, NeverCutsInsideACharacter) {
  // "é" is two bytes: the cut counts characters.
  const std::string file = "/in/\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9.hdr";
  const std::string text = ProgressLineText(1, 2, file, 1, 52);
  EXPECT_EQ(text, "1 of 2 files, 00:01 elapsed, 00:01 left: ...\xC3\xA9\xC3\xA9\xC3\xA9.hdr");
}
