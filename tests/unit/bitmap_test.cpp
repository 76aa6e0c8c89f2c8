#include "codecs/Bitmap.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// A library call may hand back the very bitmap it was given; continuing with
// it must keep it alive, and replacing it by another must keep the new one.
TEST(Bitmap, ResetKeepsTheSameBitmapAndTakesANewOne) {
  Bitmap image(FreeImage_Allocate(7, 5, 24));
  FIBITMAP* const first = image.get();
  ASSERT_NE(first, nullptr);
  image.reset(first);
  ASSERT_EQ(image.get(), first);
  EXPECT_EQ(FreeImage_GetWidth(image.get()), 7u);  // still readable (ASan would see a free)

  image.reset(FreeImage_ConvertTo32Bits(image.get()));
  ASSERT_NE(image.get(), nullptr);
  EXPECT_NE(image.get(), first);
  EXPECT_EQ(FreeImage_GetBPP(image.get()), 32u);
  EXPECT_EQ(FreeImage_GetHeight(image.get()), 5u);

  image.reset();  // a refused conversion: no image
  EXPECT_EQ(image, nullptr);
  EXPECT_FALSE(image);
}

TEST(Bitmap, MovingHandsTheBitmapOverAndLeavesNone) {
  Bitmap a(FreeImage_Allocate(3, 2, 8));
  FIBITMAP* const raw = a.get();
  Bitmap b(std::move(a));
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b.get(), raw);

  Bitmap c(FreeImage_Allocate(4, 4, 24));
  c = std::move(b);  // the 4x4 picture goes, the 3x2 one stays
  EXPECT_EQ(c.get(), raw);
  EXPECT_EQ(FreeImage_GetWidth(c.get()), 3u);
  EXPECT_EQ(b, nullptr);

  FIBITMAP* const given = c.release();
  EXPECT_EQ(given, raw);
  EXPECT_EQ(c, nullptr);
  FreeImage_Unload(given);
}

}  // namespace
