#include "Graphics.h"

#include <gtest/gtest.h>

TEST(GraphicsTest, ColorChannelsAreRedGreenBlueFromTheLowByte) {
  const TRGB rgb = ColorToRGB(0x0080FF);
  EXPECT_DOUBLE_EQ(rgb.Red, 1.0);
  EXPECT_NEAR(rgb.Green, 128 / 255.0, 1e-9);
  EXPECT_DOUBLE_EQ(rgb.Blue, 0.0);
}

TEST(GraphicsTest, FontCssFallsBackToSansAndCannotBreakOutOfItsString) {
  EXPECT_EQ(FontToCss({"Tahoma", -11}), "font-family: \"Tahoma\", sans-serif; font-size: 11px; ");
  EXPECT_EQ(FontToCss({}), "");
  EXPECT_EQ(FontToCss({"a\"; } * { color: red", 0}),
            "font-family: \"a\\\"; } * { color: red\", sans-serif; ");
}
