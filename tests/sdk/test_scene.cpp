#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

tcsim::DeviceSpec specOf(const std::string& line)
{
    const auto specs = tcsim::parseRegistry(line);
    return specs.empty() ? tcsim::DeviceSpec() : specs.front();
}

std::vector<float> render(const tcsim::Scene& scene, double t)
{
    std::vector<float> field(size_t(scene.width()) * scene.height());
    scene.render(t, field.data());
    return field;
}

TEST(Scenes, UniformStaysWithinOneDegree)
{
    const tcsim::Scene scene(specOf("Lumo scene=uniform ambient=20"), 256, 192);
    const auto field = render(scene, 0);
    const auto [lo, hi] = std::minmax_element(field.begin(), field.end());
    EXPECT_LT(*hi - *lo, 1.0f);
    EXPECT_NEAR(*lo, 25.0f, 1.0f);
}

TEST(Scenes, HotspotPeaksAtItsSetTemperatureAndPlace)
{
    const tcsim::Scene scene(specOf("Lumo scene=hotspot hot=120 hotx=0.2 hoty=0.8"), 161, 121);
    const auto field = render(scene, 0);
    const int peak = int(std::max_element(field.begin(), field.end()) - field.begin());
    EXPECT_EQ(peak % 161, 32);
    EXPECT_EQ(peak / 161, 96);
    EXPECT_FLOAT_EQ(field[peak], 120.0f);
    EXPECT_NEAR(field[0], 25.0f, 1e-3);
}

TEST(Scenes, CompareHasAFaultyRightBoard)
{
    const tcsim::Scene scene(specOf("Lumo scene=compare"), 256, 192);
    const auto field = render(scene, 0);
    float left = -1000, right = -1000;
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x)
            (x < 128 ? left : right) = std::max(x < 128 ? left : right, field[y * 256 + x]);
    EXPECT_GT(right, left + 10.0f);
}

TEST(Scenes, TheBoardLeakHeatsUpAndNothingElseChanges)
{
    const tcsim::Scene scene(specOf("Vesk_R_M"), 256, 192);
    const auto start = render(scene, 0);
    const auto later = render(scene, 600);
    int x0 = 256, x1 = -1, y0 = 192, y1 = -1;
    float rise = 0;
    for (int i = 0; i < int(start.size()); ++i) {
        if (later[i] == start[i])
            continue;
        x0 = std::min(x0, i % 256);
        x1 = std::max(x1, i % 256);
        y0 = std::min(y0, i / 256);
        y1 = std::max(y1, i / 256);
        rise = std::max(rise, later[i] - start[i]);
    }
    EXPECT_GT(rise, 15.0f);
    EXPECT_LE(x1 - x0, 30) << "only the leaking part changes";
    EXPECT_LE(y1 - y0, 30);
    const auto [lo, hi] = std::minmax_element(start.begin(), start.end());
    EXPECT_GT(*hi - *lo, 40.0f) << "a board has hot parts";
    EXPECT_GT(*lo, 20.0f);
}

} // namespace

TEST(Scenes, ALayoutNumberGivesItsOwnBoardAndTheSameOneEveryTime)
{
    const auto standard = render(tcsim::Scene(specOf("Lumo"), 128, 96), 0);
    const auto seven = render(tcsim::Scene(specOf("Lumo layout=7"), 128, 96), 0);
    const auto sevenAgain = render(tcsim::Scene(specOf("Lumo layout=7"), 128, 96), 0);
    const auto eight = render(tcsim::Scene(specOf("Lumo layout=8"), 128, 96), 0);
    EXPECT_EQ(seven, sevenAgain);
    EXPECT_NE(seven, standard);
    EXPECT_NE(seven, eight);
    EXPECT_EQ(specOf("Lumo layout=-3").layout, 0u) << "an unusable layout is skipped";
}
