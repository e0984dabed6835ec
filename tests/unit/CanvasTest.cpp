#include <gtest/gtest.h>

#include "canvas/Canvas.h"
#include "state/Colour.h"

using namespace pemma;

TEST(Canvas, ReadsOutsideGiveInvalidColour)
{
    Canvas c(20, 10);
    EXPECT_EQ(c.pixel(0, 0), kWhite);
    EXPECT_EQ(c.pixel(-1, 0), -1);
    EXPECT_EQ(c.pixel(20, 0), -1);
    EXPECT_EQ(c.pixel(0, 10), -1);
}
