#include "settings/Settings.h"

#include <gtest/gtest.h>

#include "codecs/FormatTables.h"

TEST(Settings, CommandLineAndWindowDefaultsDifferOnlyWhereStated) {
  CreateProcessLists();
  ApplyDefaults(1);
  EXPECT_EQ(Settings.KeepAspectRatio, 0);
  EXPECT_EQ(Settings.DefaultInputFormat, "hdr");
  EXPECT_EQ(Settings.DefaultOutputFormat, "bmp");
  EXPECT_EQ(Settings.BackOpacity, 1);
  EXPECT_EQ(Settings.TextOpacity, 255);
  EXPECT_EQ(Settings.SolidOpacity, 255);
  EXPECT_FLOAT_EQ(Settings.ImageGamma, 1.0f);
  EXPECT_EQ(Settings.ImageResizeAlgorithm, 3);
  EXPECT_EQ(Settings.TextPosition, 8);
  EXPECT_EQ(Settings.RAWToneMapping, 2);
  EXPECT_EQ(Settings.X, 100);  // no desktop known on the command line
  ApplyDefaults(0);
  EXPECT_EQ(Settings.KeepAspectRatio, 1);
}

TEST(Settings, ReadableExtensionsComeFromTheHdrGroup) {
  CreateProcessLists();
  BuildFormatTables();
  InitRunState();
  BuildReadableExtensions();
  EXPECT_EQ(ReadableExtensions, (std::vector<std::string>{"hdr", "hdri"}));
  EXPECT_GE(RunState.RandomNumber, 1);
  EXPECT_LE(RunState.RandomNumber, 99999);
  EXPECT_EQ(RunState.Counter, 1);
  EXPECT_EQ(RunState.DocumentName, "untitled.cvx");
}
