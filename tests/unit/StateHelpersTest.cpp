// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <set>

#include "state/Colour.h"
#include "state/Random.h"
#include "state/Rounding.h"

using namespace pemma;

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(87.5), 88);
    EXPECT_EQ(roundHalfEven(2.4000001), 2);
    EXPECT_EQ(roundHalfEven(1e300), std::numeric_limits<int>::max());
}

TEST(Colour, SplitAndJoin)
{
    const Components c = splitColour(64 + 256 * 255 + 65536 * 128);
    EXPECT_EQ(c.r, 64);
    EXPECT_EQ(c.g, 255);
    EXPECT_EQ(c.b, 128);
    const Components invalid = splitColour(-1);
    EXPECT_EQ(invalid.r, 255);
    EXPECT_EQ(invalid.g, 255);
    EXPECT_EQ(invalid.b, -1);
    EXPECT_EQ(joinColour(300, 10.5, 11.5), 255 + 256 * 10 + 65536 * 12);
    EXPECT_EQ(joinColour(0, 0, 256), 65536 * 255);
}

TEST(ProgramRandom, SameSequenceEveryRunWithinTheUnitInterval)
{
    ProgramRandom a, b;
    std::set<double> seen;
    for (int i = 0; i < 10000; ++i) {
        const double u = a.next();
        EXPECT_EQ(u, b.next());
        EXPECT_GE(u, 0.0);
        EXPECT_LT(u, 1.0);
        seen.insert(u);
    }
    EXPECT_GT(seen.size(), 9990u);
}
