// What a press or the pointer finds among the measurement objects: points before regions before
// charts, the selected shape's handles before its inside, a point reached from further by a
// press than by the hovering pointer.
#include "view/measurements.h"

#include <gtest/gtest.h>

namespace {

using Kind = Measurements::Kind;

std::vector<Measurements::Shape> layout(Measurements& m)
{
    m.points = {QPoint(10, 10)};
    m.searchRegions = {QRect(8, 8, 30, 20)}; // under the point
    Measurements::Shape chart;
    chart.kind = Kind::Chart;
    chart.index = 2;
    chart.polygon = QPolygon({QPoint(60, 60), QPoint(90, 60), QPoint(75, 90)});
    return m.shapes({chart});
}

TEST(Measurements, FindsTheShapeAPressOrThePointerIsOn)
{
    Measurements m;
    const std::vector<Measurements::Shape> shapes = layout(m);
    const Measurements::Shape region = shapes[1], chart = shapes[2];
    const struct
    {
        const char* name;
        QPoint at;
        int reach;
        const Measurements::Shape* selected;
        bool found;
        Kind kind;
        int handle;
        bool vertex;
    } cases[] = {
        {"the point over its region", {11, 11}, 4, nullptr, true, Kind::Point, 0, false},
        {"a press reaches further than hover", {13, 13}, 4, nullptr, true, Kind::Point, 0, false},
        {"hover beside the point finds the region", {13, 13}, 2, nullptr, true, Kind::SearchRegion, 0, false},
        {"a region's corner unselected is its inside", {36, 26}, 2, nullptr, true, Kind::SearchRegion, 0, false},
        {"the selected region's bottom-right handle", {36, 26}, 2, &region, true, Kind::SearchRegion, 8, false},
        {"inside the chart's polygon", {75, 70}, 2, nullptr, true, Kind::Chart, 0, false},
        {"the selected chart's second vertex", {91, 59}, 2, &chart, true, Kind::Chart, 1, true},
        {"a vertex of a chart not selected is outside", {91, 59}, 2, nullptr, false, Kind::Point, 0, false},
        {"nothing", {50, 5}, 4, nullptr, false, Kind::Point, 0, false},
    };
    for (const auto& c : cases) {
        const Measurements::Hit hit = Measurements::hitAt(shapes, c.at, c.reach, c.selected);
        EXPECT_EQ(hit.found, c.found) << c.name;
        if (!hit.found || !c.found)
            continue;
        EXPECT_EQ(hit.shape.kind, c.kind) << c.name;
        EXPECT_EQ(hit.handle, c.handle) << c.name;
        EXPECT_EQ(hit.vertex, c.vertex) << c.name;
    }
}

TEST(Measurements, RemovesPointsAndRegionsButLeavesChartsToTheirDialogs)
{
    Measurements m;
    layout(m);
    EXPECT_FALSE(m.remove(Kind::Chart, 2));
    EXPECT_FALSE(m.remove(Kind::Point, 1)) << "no such point";
    EXPECT_TRUE(m.remove(Kind::Point, 0));
    EXPECT_TRUE(m.points.isEmpty());
    EXPECT_TRUE(m.remove(Kind::SearchRegion, 0));
    EXPECT_TRUE(m.searchRegions.isEmpty());
}

} // namespace
