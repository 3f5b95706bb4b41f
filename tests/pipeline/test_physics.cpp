// Physics the whole device half of the pipeline must obey on every camera kind, checked on the
// virtual cameras' raw frames: invariants of the emissivity correction, monotonic response,
// the camera's noise, flash tables that disagree with the sensor, surfaces of real materials
// and the shutter.
#include "sdk/virtual/bandphysics.h"
#include "sdk/virtual/scene.h"
#include "sdk/virtual/sensor.h"
#include "sdk/virtual/tcsim.h"
#include "tests/support/accuracy.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/pipelinecamera.h"
#include "tests/support/planckreference.h"
#include "tests/support/virtualcamera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>

namespace {

const auto* environment = AppDirEnvironment::install();

struct Kind
{
    const char* camera;
    DeviceKind kind;
};

std::string nameOf(const ::testing::TestParamInfo<Kind>& info)
{
    return std::string("kind") + std::to_string(int(info.param.kind));
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

double meanOf(const std::vector<float>& v)
{
    return std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

class Physics : public ::testing::TestWithParam<Kind>
{
protected:
    std::string serial(const char* what) const
    {
        return std::string(what) + std::to_string(int(GetParam().kind));
    }
};

// A surface as warm as what it reflects radiates the same whatever its emissivity, so the
// corrected reading must not move with the emissivity setting. The K7-22 corrects in K7Dll;
// the UVC cameras correct inside the camera, from the parameters the program sends.
TEST_P(Physics, ReadingIgnoresEmissivityWhenTheSurfaceIsAsWarmAsItsReflection)
{
    // 26.85 degC is 300 K exactly, what a camera taking whole kelvins can be told.
    PipelineCamera camera(GetParam().camera, GetParam().kind, serial("EQ"), "scene=hotspot ambient=26.85 hot=26.85");
    ASSERT_TRUE(camera.ok());
    std::map<double, double> reading;
    for (const double emissivity : {1.0, 0.75, 0.5}) {
        ASSERT_TRUE(camera.setCorrection(emissivity, 26.85));
        reading[emissivity] = meanOf(camera.temperatures(40));
    }
    EXPECT_NEAR(reading[1.0], 26.85, 0.1);
    EXPECT_NEAR(reading[0.75], reading[1.0], 0.02);
    EXPECT_NEAR(reading[0.5], reading[1.0], 0.02);
}

// Grouped by true temperature in 1 K steps, the readings rise from step to step.
TEST_P(Physics, ReadingRisesWithTheSceneTemperature)
{
    PipelineCamera camera(GetParam().camera, GetParam().kind, serial("MONO"), "netd=0.02");
    ASSERT_TRUE(camera.ok());
    const std::vector<float> measured = camera.temperatures(60), truth = camera.truth(60);
    ASSERT_EQ(measured.size(), truth.size());
    std::map<int, std::pair<double, int>> steps; // whole degrees -> sum of readings, count
    for (size_t i = 0; i < truth.size(); ++i) {
        auto& step = steps[int(std::floor(truth[i]))];
        step.first += measured[i];
        ++step.second;
    }
    double previous = -1e9;
    int compared = 0;
    for (const auto& [degree, step] : steps) {
        if (step.second < 20)
            continue;
        const double mean = step.first / step.second;
        EXPECT_GT(mean, previous) << "at " << degree << " degC";
        previous = mean;
        ++compared;
    }
    EXPECT_GE(compared, 15);
}

// On a uniform scene, averaging frames leaves the fixed pattern the shading correction could
// not remove: it must stay below one frame's noise. The noise itself is what the camera says.
TEST_P(Physics, FixedPatternStaysWithinTheNoiseAndTheNoiseIsTheCamerasOwn)
{
    const double netd = 0.1;
    PipelineCamera camera(GetParam().camera, GetParam().kind, serial("NOISE"),
                           "scene=hotspot hot=25 drift=0 netd=" + std::to_string(netd));
    ASSERT_TRUE(camera.ok());
    const int frames = 24;
    std::vector<std::vector<float>> series;
    for (int k = 0; k < frames; ++k) // frames apart, so that no shutter event repeats one
        series.push_back(camera.temperatures(100 + 17 * k));
    const size_t pixels = series[0].size();
    ASSERT_GT(pixels, 0u);
    std::vector<float> average(pixels, 0.0f);
    std::vector<double> deviation(pixels);
    for (size_t i = 0; i < pixels; ++i) {
        double sum = 0, squares = 0;
        for (const auto& frame : series) {
            sum += frame[i];
            squares += double(frame[i]) * frame[i];
        }
        average[i] = float(sum / frames);
        deviation[i] = std::sqrt(std::max(0.0, (squares - sum * sum / frames) / (frames - 1)));
    }
    RecordProperty("noise", std::to_string(median(deviation)));
    EXPECT_NEAR(median(deviation), netd, 0.2 * netd);
    const double level = meanOf(average);
    double spread = 0;
    for (float v : average)
        spread += (v - level) * (v - level);
    spread = std::sqrt(spread / double(pixels));
    // What is left after averaging: the noise over sqrt(frames) plus the fixed pattern.
    RecordProperty("pattern", std::to_string(spread));
    EXPECT_LT(spread, netd) << "residual pattern " << spread << " K";
}

// With surfaces of real materials and the emissivity set to the solder mask's, the mask reads
// true; tin and copper mirror the cooler room and read low, by as much as Planck's law says.
// Set to copper's own, copper reads true too.
TEST_P(Physics, MaterialsReadTrueWhereTheEmissivityFitsAndLowWhereTheyShine)
{
    const std::string id = serial("MAT");
    PipelineCamera camera(GetParam().camera, GetParam().kind, id, "materials=1 background=25");
    ASSERT_TRUE(camera.ok());
    ASSERT_TRUE(camera.setCorrection(tcsim::BoardPart::kSolderMask, 25.0));
    const std::vector<float> measured = camera.temperatures(30), truth = camera.truth(30);
    std::vector<float> emissivity;
    ASSERT_TRUE(tcsim::surfaceEmissivity(id, emissivity));
    ASSERT_EQ(measured.size(), truth.size());
    ASSERT_EQ(emissivity.size(), truth.size());

    std::vector<float> maskMeasured, maskTruth;
    std::vector<double> shinyError, shinyFromPlanck;
    const double k0 = planck::kZeroCelsius;
    const planck::Surroundings settings{tcsim::BoardPart::kSolderMask, 25.0 + k0, 25.0 + k0, 1.0};
    for (size_t i = 0; i < truth.size(); ++i) {
        if (emissivity[i] == float(tcsim::BoardPart::kSolderMask)) {
            maskMeasured.push_back(measured[i]);
            maskTruth.push_back(truth[i]);
        } else if (emissivity[i] < 0.1f && truth[i] > 30.0f) {
            // What the camera receives from the shiny surface, and the grey body at the set
            // emissivity that would send as much.
            const double received = planck::measuredRadiance(truth[i] + k0, {emissivity[i], 25.0 + k0, 25.0 + k0, 1.0});
            const double predicted = planck::objectTemperature(received, settings) - k0;
            shinyError.push_back(measured[i] - truth[i]);
            shinyFromPlanck.push_back(measured[i] - predicted);
        }
    }
    ASSERT_GT(maskMeasured.size(), truth.size() / 2);
    const ErrorFigures mask = errorFigures(maskMeasured.data(), maskTruth);
    EXPECT_LE(mask.median, 0.1);
    EXPECT_LE(mask.p99, 0.5);
    ASSERT_GT(shinyError.size(), 50u);
    RecordProperty("mask_median", std::to_string(mask.median));
    RecordProperty("mask_p99", std::to_string(mask.p99));
    RecordProperty("shiny_error", std::to_string(median(shinyError)));
    RecordProperty("shiny_against_planck", std::to_string(median(shinyFromPlanck)));
    EXPECT_LT(median(shinyError), -4.0) << "a shiny surface reads far too low";
    EXPECT_NEAR(median(shinyFromPlanck), 0.0, 0.3) << "by as much as Planck's law says";

    ASSERT_TRUE(camera.setCorrection(tcsim::BoardPart::kCopper, 25.0));
    const std::vector<float> corrected = camera.temperatures(31), copperTruth = camera.truth(31);
    std::vector<double> copperError;
    for (size_t i = 0; i < copperTruth.size(); ++i)
        if (emissivity[i] == float(tcsim::BoardPart::kCopper) && copperTruth[i] > 30.0f)
            copperError.push_back(corrected[i] - copperTruth[i]);
    ASSERT_GT(copperError.size(), 50u);
    RecordProperty("copper_error", std::to_string(median(copperError)));
    EXPECT_NEAR(median(copperError), 0.0, 0.5) << "copper at its own emissivity";
}

INSTANTIATE_TEST_SUITE_P(Cameras, Physics,
                         ::testing::Values(Kind{"K7-22", DirectShowY16}, Kind{"VeskL", Uvc384},
                                           Kind{"Vesk_R_M", Uvc256}, Kind{"Vesk_R_S", Uvc160}),
                         nameOf);

// A shutter event repeats the last frame while the shutter is closed, then measures the
// offset afresh: the temperatures move only by the drift the shutter takes out, and never
// pass the truth's hottest. The UVC cameras take their shutter settings over the interface.
class Shutter : public ::testing::TestWithParam<Kind>
{
};

TEST_P(Shutter, EventsShowNoJumpAndNoFalseHeat)
{
    const double driftPerMinute = 0.2, fps = 25;
    PipelineCamera camera(GetParam().camera, GetParam().kind, "FFC" + std::to_string(int(GetParam().kind)),
                          "scene=hotspot hot=60 drift=0.2");
    ASSERT_TRUE(camera.ok());
    // An event when the housing has warmed 0.2 K, at least 3 s apart; it warms fastest after
    // plugging in, so the first comes after about 30 s.
    ASSERT_EQ(set_prop_auto_shutter_params(camera.command(), 3, 2), 0);
    ASSERT_EQ(set_prop_auto_shutter_params(camera.command(), 1, 3), 0);
    std::vector<float> previous;
    int closedFrames = 0, events = 0;
    double lastEvent = 0, hottestAbove = -1e9;
    for (int64_t index = 0; index < int64_t(45 * fps); ++index) {
        const std::vector<float> t = camera.temperatures(index);
        ASSERT_FALSE(t.empty());
        const double now = index / fps;
        if (camera.repeated()) {
            if (closedFrames++ == 0) {
                ++events;
                lastEvent = now; // the offset gathered drift from plugging in to here
            }
        } else if (!previous.empty()) {
            // The step back by the drift the offset had gathered since the last event, and
            // no more; between events the mean barely moves.
            const double gathered = closedFrames > 0 ? driftPerMinute * lastEvent / 60.0 : 0.0;
            EXPECT_NEAR(std::fabs(meanOf(t) - meanOf(previous)), gathered, 0.02) << "at " << now << " s";
            closedFrames = 0;
        }
        EXPECT_LE(closedFrames, 10) << "the shutter stays closed 0.4 s";
        const std::vector<float> truth = camera.truth(index);
        hottestAbove = std::max(hottestAbove, double(*std::max_element(t.begin(), t.end())) -
                                                  *std::max_element(truth.begin(), truth.end()));
        previous = t;
    }
    RecordProperty("events", events);
    RecordProperty("first_event", std::to_string(lastEvent));
    EXPECT_EQ(events, 1) << "one event while warming up 45 s";
    EXPECT_LT(hottestAbove, 0.5);
}

// Without a period and without a housing step nothing closes the shutter, however long.
TEST(ShutterSettings, NoEventWithoutAPeriodOrAStep)
{
    PipelineCamera camera("Vesk_R_S", Uvc160, "FFCOFF");
    ASSERT_TRUE(camera.ok());
    ASSERT_EQ(set_prop_auto_shutter_params(camera.command(), 2, 0), 0);
    ASSERT_EQ(set_prop_auto_shutter_params(camera.command(), 3, 0), 0);
    int repeated = 0;
    for (int64_t index = 0; index < 25 * 60; ++index) {
        ASSERT_FALSE(camera.temperatures(index).empty());
        repeated += camera.repeated() ? 1 : 0;
    }
    EXPECT_EQ(repeated, 0);
}

INSTANTIATE_TEST_SUITE_P(Cameras, Shutter,
                         ::testing::Values(Kind{"VeskL", Uvc384}, Kind{"Vesk_R_M", Uvc256}, Kind{"Vesk_R_S", Uvc160}),
                         nameOf);

// Flash tables that disagree with the sensor must show in the temperatures by as much as the
// disagreement implies; a pipeline that ignored its tables would not see them.
struct Fault
{
    const char* name;
    bool highRange;
};

class FaultyFlash : public ::testing::TestWithParam<Fault>
{
};

TEST_P(FaultyFlash, ShowsItsPredictedError)
{
    const Fault f = GetParam();
    const std::string id = std::string("FAULT") + f.name + (f.highRange ? "H" : "L");
    PipelineCamera good("Vesk_R_M", Uvc256, id + "OK", "netd=0.02", f.highRange);
    ASSERT_TRUE(good.ok());
    const std::vector<float> right = good.temperatures(5);
    PipelineCamera faulty("Vesk_R_M", Uvc256, id, std::string("netd=0.02 fault=") + f.name, f.highRange);
    ASSERT_TRUE(faulty.ok());
    const std::vector<float> wrong = faulty.temperatures(5), truth = faulty.truth(5);
    ASSERT_EQ(wrong.size(), truth.size());
    ASSERT_EQ(right.size(), truth.size());

    // The sensor's count for a true temperature, and what the faulty table makes of it.
    const tcsim::Response sensor = tcsim::responseFor(3, f.highRange ? 0 : 1);
    const tcsim::Response otherRange = tcsim::responseFor(3, f.highRange ? 1 : 0);
    const double k0 = planck::kZeroCelsius;
    std::vector<double> error, predicted;
    for (size_t i = 0; i < truth.size(); i += 7) {
        const double count = sensor.countOf(tcsim::bandRadiance(truth[i] + k0));
        double expected = 0.0;
        if (std::string(f.name) == "nuc") {
            expected = 1.0;
        } else if (std::string(f.name) == "kt") {
            // kt scales the corrected count.
            expected = tcsim::bandTemperature(sensor.radianceOf(1.01 * count)) - k0 - truth[i];
        } else {
            expected = tcsim::bandTemperature(otherRange.radianceOf(count)) - k0 - truth[i];
        }
        error.push_back(double(wrong[i]) - right[i]);
        predicted.push_back(expected);
    }
    const double predictedMedian = median(predicted);
    RecordProperty("predicted", std::to_string(predictedMedian));
    RecordProperty("measured", std::to_string(median(error)));
    EXPECT_GT(std::fabs(predictedMedian), 0.9) << "the fault must matter";
    EXPECT_NEAR(median(error), predictedMedian, 0.1 + 0.02 * std::fabs(predictedMedian));
}

INSTANTIATE_TEST_SUITE_P(Tables, FaultyFlash,
                         ::testing::Values(Fault{"kt", false}, Fault{"nuc", false}, Fault{"range", false},
                                           Fault{"kt", true}, Fault{"range", true}),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             return std::string(info.param.name) + (info.param.highRange ? "High" : "Low");
                         });

// The table is built on what the camera applies: a value it refuses leaves its earlier one
// in use, and a camera that does not answer is told nothing is known. A correction no reading
// can satisfy (a cold surface of low emissivity before a hot reflection) reads the floor, not
// a number near absolute zero that would stretch every scale.
TEST(CorrectionTable, BuiltOnWhatTheCameraAppliesAndNeverBelowItsFloor)
{
    OpenVirtualCamera camera("Vesk_R_M serial=READBACK\n");
    ASSERT_TRUE(camera.ok());
    const auto taken = uvccommands::sendCorrection(camera.command(), 0.95f, 30.0f, 25.0f);
    ASSERT_TRUE(taken.has_value());
    EXPECT_FLOAT_EQ(taken->emissivity, 122.0f / 128.0f);
    EXPECT_NEAR(taken->reflected, 29.85f, 1e-3f);
    const auto refused = uvccommands::sendCorrection(camera.command(), 0.5f, 5000.0f, 25.0f);
    ASSERT_TRUE(refused.has_value());
    EXPECT_FLOAT_EQ(refused->emissivity, 0.5f);
    EXPECT_NEAR(refused->reflected, 29.85f, 1e-3f) << "the refused reflection is not assumed";
    EXPECT_FALSE(uvccommands::sendCorrection(nullptr, 0.95f, 30.0f, 25.0f).has_value());

    for (const DeviceKind kind : {Uvc160, Uvc256}) {
        SensorCorrection shiny;
        shiny.emissivity = 0.05f;
        shiny.reflected = 120.0f;
        const auto table = TemperatureCorrection::build(kind, shiny, 0.9f);
        const auto [low, high] = std::minmax_element(table->begin(), table->end());
        EXPECT_GE(*low, -40.0f) << kind;
        EXPECT_GT(*high, 100.0f) << kind;
        EXPECT_TRUE(std::is_sorted(table->begin(), table->end())) << kind << ": the hottest word stays the hottest";
    }
}

} // namespace
