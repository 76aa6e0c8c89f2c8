// Settings and headers at the ends of the 32-bit range give sane sizes and
// positions (the sanitizer build aborts on any signed overflow).
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "canvas/Canvas.h"
#include "codecs/Loading.h"
#include "settings/Settings.h"
#include "stages/Frame.h"
#include "stages/Geometry.h"
#include "stages/Stages.h"
#include "stages/TextWatermark.h"
#include "stages/Watermark.h"
#include "support/TestSupport.h"

TEST(Overflow, RadianceHeaderAtTheLimit) {
  const std::string dir = ScratchFolder("overflow");
  for (const char* resolution : {"-Y 2147483647 +X 2147483647", "+X 2147483647 +Y 2147483647",
                                 "-Y 2147483647 +X 8", "-Y 8 +X 2147483647"}) {
    WriteFileBytes(dir + "big.hdr", std::string("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n") +
                                        resolution + "\n" + std::string(256, '\x02'));
    EXPECT_FALSE(RadianceSizeIsPlausible(dir + "big.hdr")) << resolution;
    EXPECT_EQ(LoadInputImage(dir + "big.hdr").get(), nullptr) << resolution;
  }
}

TEST(Overflow, FrameSidesAtTheLimit) {
  const std::int32_t values[] = {INT_MAX, INT_MIN, INT_MIN + 1, -1};
  for (std::int32_t v : values) {
    ApplyDefaults(1);
    Settings.DoFrame = 1;
    Settings.SolidLeft = 4;
    Settings.SolidTop = 4;
    Settings.SolidRight = v;
    Settings.SolidBottom = v;
    CanvasImage layer;
    ASSERT_TRUE(CreateCanvasImage(layer, 40, 30, 0));
    DrawFrameLayer(layer, 40, 30);
    const Bitmap framed = ApplyFrame(Bitmap(FreeImage_Allocate(40, 30, 24)), 40, 30);
    ASSERT_NE(framed.get(), nullptr) << v;
    EXPECT_EQ(FreeImage_GetWidth(framed.get()), 40u);
    EXPECT_EQ(FreeImage_GetHeight(framed.get()), 30u);
  }
  ApplyDefaults(1);
}

TEST(Overflow, WatermarkPlacementAtTheLimit) {
  // A 120 x 20 label in 640 x 480. Offsets count only on anchored edges;
  // where they push past the int range the position stays at its end.
  struct Case {
    int anchor;
    std::int32_t dx, dy;
    int x, y;
  } cases[] = {
      {0, INT_MIN, INT_MIN, INT_MIN, INT_MIN},
      {2, INT_MIN, 0, INT_MAX, 0},
      {2, INT_MAX, 0, 520 - INT_MAX, 0},
      {4, INT_MIN, INT_MAX, 260, 230},
      {6, 0, INT_MAX, 0, 460 - INT_MAX},
      {8, INT_MAX, INT_MIN, 520 - INT_MAX, INT_MAX},
      {8, 10, 10, 510, 450},
  };
  const WatermarkArea area{0, 0, 640, 480};
  for (const Case& c : cases) {
    const WatermarkPosition p = PlaceWatermark(c.anchor, area, 120, 20, c.dx, c.dy);
    EXPECT_EQ(p.x, c.x) << c.anchor << " " << c.dx;
    EXPECT_EQ(p.y, c.y) << c.anchor << " " << c.dy;
  }
  // The whole stage with such offsets leaves the picture unmarked, not broken.
  ApplyDefaults(1);
  Settings.DoFrame = 1;
  Settings.SolidLeft = INT_MIN;
  Settings.SolidRight = INT_MIN;
  EXPECT_EQ(WatermarkAreaFor(640, 480, 1).width, INT_MAX);
  ApplyDefaults(1);
}

TEST(Overflow, TextLabelPaddingAtTheLimit) {
  ApplyDefaults(1);
  Settings.Font = "DejaVu Sans";
  ASSERT_TRUE(LoadWatermarkFont());
  for (std::int32_t padding : {INT_MAX, INT_MIN, INT_MAX / 2 + 1}) {
    Settings.TextPadding = padding;
    for (int aa : {0, 1}) {
      Settings.TextAntialiasing = static_cast<byte>(aa);
      EXPECT_EQ(BuildTextLabel("a%eol%b").get(), nullptr) << padding;
      EXPECT_EQ(BuildTextLabel("a").get(), nullptr) << padding;
    }
  }
  Settings.TextPadding = 2;
  Settings.FontLeading = INT_MAX;
  EXPECT_EQ(BuildTextLabel("a%eol%b%eol%c").get(), nullptr);
  Settings.FontLeading = 0;
  const Bitmap label = BuildTextLabel("a%eol%b");
  ASSERT_NE(label.get(), nullptr);
  ReleaseWatermarkFont();
  ApplyDefaults(1);
}

TEST(Overflow, ResizePercentAtTheLimit) {
  EXPECT_EQ(ResolveDimension(INT_MAX, 1, INT_MAX), INT_MAX);
  EXPECT_EQ(ResolveDimension(INT_MIN, 1, INT_MAX), INT_MIN);
  EXPECT_EQ(ResolveDimension(50, 1, 101), 50);
}

// The whole program with each such option converts the picture.
TEST(Overflow, ProgramWithExtremeOptions) {
  const std::string dir = ScratchFolder("overflow");
  WriteRadianceFile(dir + "pic.hdr", GradientPicture(48, 40));
  std::filesystem::create_directories(dir + "out");
  FIBITMAP* logo = FreeImage_Allocate(12, 10, 32);
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, logo, (dir + "logo.png").c_str(), 0));
  FreeImage_Unload(logo);
  const std::vector<std::string> options = {
      "--fr-solid-right=2147483648",    "--fr-solid-bottom=2147483648",
      "--fr-solid-left=-2147483648",    "--wm-text-padding=2147483647",
      "--wm-text-x-offset=-2147483648", "--wm-text-y-offset=-2147483648",
      "--wm-text-x-offset=2147483647",  "--wm-text-y-offset=2147483647",
      "--wm-image-x-offset=-2147483648"};
  for (const std::string& option : options) {
    std::vector<std::string> args = {"-i", dir + "pic.hdr", "-o", dir + "out", "-c", "bmp", option};
    if (option.rfind("--wm-text", 0) == 0) args.push_back("--wm-text=Label");
    if (option.rfind("--wm-image", 0) == 0) args.push_back("--wm-image=" + dir + "logo.png");
    if (option.rfind("--wm-", 0) == 0) args.push_back("--fr-solid-left=3");
    ProgramResult r = RunLumivert(args);
    EXPECT_NE(r.out.find("Files converted: 1 of 1"), std::string::npos) << option << "\n" << r.out;
  }
}
