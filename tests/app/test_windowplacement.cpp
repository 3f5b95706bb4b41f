#include "app/windowplacement.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const QSize kDefault(1270, 685);
const QRect kLaptop(0, 0, 1920, 1040); // available area: below it a 40-pixel panel

TEST(WindowPlacement, ASavedRectangleThatFitsIsKept)
{
    EXPECT_EQ(placeWindow(40, 50, 1300, 700, {kLaptop}, kDefault), QRect(40, 50, 1300, 700));
}

TEST(WindowPlacement, AHugeSizeShrinksToTheScreen)
{
    EXPECT_EQ(placeWindow(10, 10, 50000, 50000, {kLaptop}, kDefault), kLaptop);
    EXPECT_EQ(placeWindow(10, 10, INT_MAX, INT_MAX, {kLaptop}, kDefault), kLaptop);
}

TEST(WindowPlacement, APositionNearTheLimitOfAnIntIsNoPosition)
{
    const QRect placed = placeWindow(INT_MAX, INT_MAX, 1270, 685, {kLaptop}, kDefault);
    EXPECT_EQ(placed, QRect((1920 - 1270) / 2, (1040 - 685) / 2, 1270, 685)) << "centred";
    EXPECT_TRUE(kLaptop.contains(placeWindow(INT_MIN, INT_MIN, INT_MAX, 10, {kLaptop}, kDefault)));
}

TEST(WindowPlacement, AWindowSavedOnALargerMonitorComesBackWhole)
{
    // Saved at the right of a 2560-wide monitor, the corner still lies on this screen.
    const QRect placed = placeWindow(1800, 900, 1600, 900, {kLaptop}, kDefault);
    EXPECT_TRUE(kLaptop.contains(placed)) << placed.x() << "," << placed.y();
    EXPECT_EQ(placed.size(), QSize(1600, 900));
}

TEST(WindowPlacement, TheScreenUnderTheCornerIsTheOneUsed)
{
    const QRect right(1920, 0, 1280, 1024);
    const QRect placed = placeWindow(2000, 100, 1500, 600, {kLaptop, right}, kDefault);
    EXPECT_TRUE(right.contains(placed));
    EXPECT_EQ(placed.width(), 1280);
}

TEST(WindowPlacement, NonPositiveSizesTakeTheFallbackAndTinyOnesGrow)
{
    EXPECT_EQ(placeWindow(10, 10, 0, -5, {kLaptop}, kDefault).size(), kDefault);
    EXPECT_EQ(placeWindow(10, 10, 3, 3, {kLaptop}, kDefault).size(), QSize(320, 240));
    EXPECT_EQ(placeWindow(0, 0, 800, 600, {}, kDefault), QRect(QPoint(0, 0), kDefault)) << "no screen at all";
}

} // namespace
