// SPDX-License-Identifier: GPL-3.0-or-later
// What one drawing move of each of brushes 1 to 27 does to the random
// generator and to the repaint area.
#include <QImage>

#include "BrushFixture.h"

namespace pemma::test {
namespace {

int drawsPerMove(int brush)
{
    if (brush >= 5 && brush <= 7)
        return 40 * (brush - 4);
    if (brush >= 23 && brush <= 26)
        return 3;
    if (brush == 27)
        return 4;
    return 0;
}

class EveryBrush : public BrushTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryBrush, DrawsItsNumbersAndRepaintsOnlyWhatItChanged)
{
    const int brush = GetParam();
    use(brush, 3);
    down(500, 380);
    rig.random.pushMany(0.3, drawsPerMove(brush));
    move(500, 380);
    EXPECT_EQ(rig.random.remaining(), 0u) << "first move";

    const QImage before = canvas().image().copy();
    clearDirty();
    rig.random.pushMany(0.7, drawsPerMove(brush));
    ASSERT_NO_THROW(move(530, 395)) << "no more numbers drawn than expected";
    EXPECT_EQ(rig.random.remaining(), 0u) << "no fewer numbers drawn than expected";

    // Every changed pixel lies in the repaint area, and the area is no larger
    // than the box round the changed pixels plus a pen's reach.
    const QImage& after = canvas().image();
    const QRect d = dirty();
    QRect changed;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    ASSERT_FALSE(changed.isEmpty()) << "the move paints";
    EXPECT_TRUE(d.contains(changed)) << "changed " << changed.width() << "x" << changed.height()
                                     << " at " << changed.x() << "," << changed.y();
    const int slack = 2 * (canvas().drawWidth() + 4);
    EXPECT_LE(d.width(), changed.width() + slack);
    EXPECT_LE(d.height(), changed.height() + slack);
    EXPECT_NE(d, canvas().image().rect());
}

INSTANTIATE_TEST_SUITE_P(Brushes1To27, EveryBrush, ::testing::Range(1, 28));

} // namespace
} // namespace pemma::test
