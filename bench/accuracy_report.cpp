// Accuracy report: how far the temperatures are from the truth, in one command.
//   accuracy_report [plot.png]
// 1. The whole device half of the pipeline on every virtual camera kind, range and scene:
//    median, 99th percentile and hottest-point error against the scene's truth (K).
// 2. The K7-22 correction against Planck's law integrated over 8..14 um, with the band model
//    the SDK uses and with the single wavelength it used before.
// The plot (accuracy.png by default) shows both against the true temperature.
#include "core/globals.h"
#include "sdk/virtual/scene.h"
#include "tests/support/accuracy.h"
#include "tests/support/k7calibrationframe.h"
#include "tests/support/pipelinecamera.h"
#include "tests/support/planckreference.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Point
{
    double truth, error;
    int series;
};

struct Case
{
    const char* camera;
    DeviceKind kind;
    bool highRange;
    std::string scene; // registry options
    const char* label;
};

const cv::Scalar kSeriesColour[] = {{200, 60, 30}, {30, 140, 30}, {30, 30, 210}, {160, 40, 160}, {0, 150, 220}};

// Median, p99 and hottest-point error of one case over two frames; some points for the plot.
void measureCase(const Case& c, int series, std::vector<Point>& points)
{
    static int serialNumber = 0;
    const std::string serial = "REPORT" + std::to_string(++serialNumber);
    const bool materials = c.scene.find("materials=1") != std::string::npos;
    PipelineCamera camera(c.camera, c.kind, serial, c.scene, c.highRange);
    if (!camera.ok() || (materials && !camera.setCorrection(tcsim::BoardPart::kSolderMask, 25.0))) {
        std::printf("%-9s %-5s %-26s  camera did not open\n", c.camera, c.highRange ? "high" : "low", c.label);
        return;
    }
    std::vector<float> emissivity;
    tcsim::surfaceEmissivity(serial, emissivity);
    double worstMedian = 0, worstP99 = 0, worstHottest = 0;
    for (const int64_t index : {30, 3000}) {
        const std::vector<float> measured = camera.temperatures(index), truth = camera.truth(index);
        if (measured.size() != truth.size() || truth.empty()) {
            std::printf("%-9s %-5s %-26s  no frame %lld\n", c.camera, c.highRange ? "high" : "low", c.label,
                        static_cast<long long>(index));
            return;
        }
        std::vector<float> m, t;
        for (size_t i = 0; i < truth.size(); ++i)
            if (!materials || emissivity[i] == float(tcsim::BoardPart::kSolderMask)) {
                m.push_back(measured[i]);
                t.push_back(truth[i]);
                if (i % 11 == 0 && index == 3000)
                    points.push_back({truth[i], measured[i] - truth[i], series});
            }
        const ErrorFigures e = errorFigures(m.data(), t);
        worstMedian = std::max(worstMedian, e.median);
        worstP99 = std::max(worstP99, e.p99);
        const double hottest = *std::max_element(measured.begin(), measured.end()) -
                               *std::max_element(truth.begin(), truth.end());
        if (std::fabs(hottest) > std::fabs(worstHottest))
            worstHottest = hottest;
    }
    std::printf("%-9s %-5s %-26s %7.3f %7.3f %+8.3f\n", c.camera, c.highRange ? "high" : "low", c.label,
                worstMedian, worstP99, worstHottest);
}

// Hot spots from one temperature to another: the error at their cores, where the scene is
// closer to the spot's temperature than to the room's.
void sweepCase(const char* camera, DeviceKind kind, bool highRange, int from, int to, int step, int series,
               std::vector<Point>& points)
{
    std::vector<float> measuredCores, truthCores;
    double worstHottest = 0;
    for (int hot = from; hot <= to; hot += step) {
        static int serialNumber = 0;
        const std::string serial = "SWEEP" + std::to_string(++serialNumber);
        PipelineCamera spot(camera, kind, serial, "scene=hotspot hotx=0.4 hoty=0.4 hot=" + std::to_string(hot), highRange);
        const std::vector<float> measured = spot.ok() ? spot.temperatures(30) : std::vector<float>();
        const std::vector<float> truth = spot.truth(30);
        if (measured.empty() || measured.size() != truth.size()) {
            std::printf("%-9s %-5s hot spot at %d degC: no frame\n", camera, highRange ? "high" : "low", hot);
            return;
        }
        for (size_t i = 0; i < truth.size(); ++i)
            if (std::fabs(truth[i] - 25.0) > 0.5 * std::fabs(hot - 25.0) && std::abs(hot - 25) > 2) {
                measuredCores.push_back(measured[i]);
                truthCores.push_back(truth[i]);
                points.push_back({truth[i], measured[i] - truth[i], series});
            }
        const double hottest = hot > 25 ? *std::max_element(measured.begin(), measured.end()) -
                                              *std::max_element(truth.begin(), truth.end())
                                        : *std::min_element(measured.begin(), measured.end()) -
                                              *std::min_element(truth.begin(), truth.end());
        if (std::fabs(hottest) > std::fabs(worstHottest))
            worstHottest = hottest;
    }
    const ErrorFigures e = errorFigures(measuredCores.data(), truthCores);
    const std::string label = "hot spots " + std::to_string(from) + ".." + std::to_string(to);
    std::printf("%-9s %-5s %-26s %7.3f %7.3f %+8.3f\n", camera, highRange ? "high" : "low", label.c_str(), e.median,
                e.p99, worstHottest);
}

// The correction as it was: reflection taken out in the single wavelength's radiance.
double singleWavelengthCorrection(double apparentKelvin, double emissivity, double reflectedKelvin)
{
    auto s = [](double kelvin) { return 1.0 / std::expm1(1439.0 / kelvin); };
    const double object = (s(apparentKelvin) - (1.0 - emissivity) * s(reflectedKelvin)) / emissivity;
    return object > 0 ? 1439.0 / std::log1p(1.0 / object) : std::nan("");
}

// Error against Planck's law of the K7-22 correction, now (K7Dll) or as it was, for a camera
// that states a single wavelength of 10 um; emissivity e, reflected and air 25 degC.
std::vector<Point> correctionErrors(double emissivity, bool asBefore, int series)
{
    K7CalibrationFrame frame(1439, 0);
    std::vector<uint16_t> raws;
    for (int raw = 1100; raw <= 64000; raw += 100)
        raws.push_back(uint16_t(raw));
    std::copy(raws.begin(), raws.end(), frame.words.begin());
    std::vector<float> celsius(size_t(K7_FRAME_WIDTH) * K7_IMAGE_HEIGHT);
    float maxT, minT, mean, housing;
    int maxX, maxY, minX, minY;
    if (UpdateParam(0, frame.words.data(), "K7-22", "K7-22") != 0 ||
        UpdateFixParam(float(emissivity), 25.0f, 25.0f, 0.5f, 0, 0.0f) != 0 ||
        GetTmpData(0, frame.words.data(), &maxT, &maxX, &maxY, &minT, &minX, &minY, &mean, &housing,
                   celsius.data()) != 0) {
        std::printf("the K7-22 correction refused its frame\n");
        return {};
    }
    const double k0 = planck::kZeroCelsius;
    const planck::Surroundings around{emissivity, 25.0 + k0, 25.0 + k0, 1.0};
    std::vector<Point> errors;
    for (size_t i = 0; i < raws.size(); ++i) {
        const double apparent = frame.apparentKelvin(raws[i]);
        const double truth = planck::objectTemperature(planck::bandRadiance(apparent), around) - k0;
        const double reading =
            asBefore ? singleWavelengthCorrection(apparent, emissivity, 25.0 + k0) - k0 : double(celsius[i]);
        if (truth >= -20.0 && truth <= 550.0 && !std::isnan(reading))
            errors.push_back({truth, reading - truth, series});
    }
    return errors;
}

void printCorrectionSummary(const char* model, double emissivity, const std::vector<Point>& errors)
{
    double low = 0, high = 0;
    for (const Point& p : errors) {
        if (p.truth <= 150.0)
            low = std::max(low, std::fabs(p.error));
        else
            high = std::max(high, std::fabs(p.error) / p.truth * 100.0);
    }
    std::printf("%-22s e %.2f   %7.3f K   %7.3f %%\n", model, emissivity, low, high);
}

// One panel of the plot: error against true temperature.
void drawPanel(cv::Mat& image, cv::Rect area, const std::vector<Point>& points, double errorSpan,
               const std::string& title, const std::vector<std::string>& legend, bool lines)
{
    const double t0 = -40, t1 = 560;
    auto at = [&](double t, double e) {
        const double x = area.x + (t - t0) / (t1 - t0) * area.width;
        const double y = area.y + area.height / 2.0 - e / errorSpan * area.height / 2.0;
        return cv::Point(int(std::lround(x)), int(std::lround(std::clamp(y, double(area.y), double(area.y + area.height)))));
    };
    cv::rectangle(image, area, {0, 0, 0}, 1);
    const cv::Scalar grid(215, 215, 215), text(40, 40, 40);
    for (int t = 0; t <= 500; t += 100) {
        cv::line(image, at(t, -errorSpan), at(t, errorSpan), grid, 1);
        cv::putText(image, std::to_string(t), at(t, -errorSpan) + cv::Point(-12, 18), cv::FONT_HERSHEY_SIMPLEX, 0.45, text, 1, cv::LINE_AA);
    }
    for (int k = -2; k <= 2; ++k) {
        const double e = errorSpan * k / 2.0;
        cv::line(image, at(t0, e), at(t1, e), k == 0 ? cv::Scalar(150, 150, 150) : grid, 1);
        char label[16];
        std::snprintf(label, sizeof label, "%+.1f", e);
        cv::putText(image, label, at(t0, e) + cv::Point(-44, 5), cv::FONT_HERSHEY_SIMPLEX, 0.45, text, 1, cv::LINE_AA);
    }
    for (size_t i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        const cv::Scalar& colour = kSeriesColour[p.series % 5];
        if (lines && i > 0 && points[i - 1].series == p.series)
            cv::line(image, at(points[i - 1].truth, points[i - 1].error), at(p.truth, p.error), colour, 2, cv::LINE_AA);
        else if (!lines)
            cv::circle(image, at(p.truth, p.error), 2, colour, cv::FILLED);
    }
    cv::putText(image, title, {area.x, area.y - 12}, cv::FONT_HERSHEY_SIMPLEX, 0.55, text, 1, cv::LINE_AA);
    cv::putText(image, "true temperature (degC)", {area.x + area.width / 2 - 90, area.y + area.height + 40},
                cv::FONT_HERSHEY_SIMPLEX, 0.45, text, 1, cv::LINE_AA);
    for (size_t k = 0; k < legend.size(); ++k) {
        const cv::Point corner(area.x + 10, area.y + 18 + 18 * int(k));
        cv::rectangle(image, corner + cv::Point(0, -9), corner + cv::Point(10, 1), kSeriesColour[k % 5], cv::FILLED);
        cv::putText(image, legend[k], corner + cv::Point(16, 0), cv::FONT_HERSHEY_SIMPLEX, 0.42, text, 1, cv::LINE_AA);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir appDir;
    gAppDir = appDir.path();
    QDir(gAppDir).mkpath(QStringLiteral("TemTable")); // the calibration tables' cache
    gProductName = QStringLiteral("Orvik");
    const std::string plotPath = argc > 1 ? argv[1] : "accuracy.png";
    DataInit(K7_FRAME_WIDTH, K7_IMAGE_HEIGHT);

    std::printf("K7-22 correction against Planck's law over 8..14 um, for a camera stating a single wavelength\n"
                "(reflected and air 25 degC): in that wavelength's radiance as before, in the band's now\n");
    std::printf("%-22s %-6s  %-9s   %s\n", "model", "", "-20..150", "150..550 (of the reading)");
    std::vector<Point> correction;
    int series = 0;
    std::vector<std::string> correctionLegend;
    for (const double emissivity : {0.5, 0.9}) {
        const std::vector<Point> single = correctionErrors(emissivity, true, series++);
        const std::vector<Point> band = correctionErrors(emissivity, false, series++);
        printCorrectionSummary("before: 10 um radiance", emissivity, single);
        printCorrectionSummary("now: band radiance", emissivity, band);
        correction.insert(correction.end(), single.begin(), single.end());
        correction.insert(correction.end(), band.begin(), band.end());
        correctionLegend.push_back("before (10 um), e " + std::to_string(emissivity).substr(0, 3));
        correctionLegend.push_back("now (band), e " + std::to_string(emissivity).substr(0, 3));
    }
    restoreK7Correction();

    std::printf("\nPipeline against the scene's truth (K; worst of frames 30 and 3000)\n");
    std::printf("%-9s %-5s %-26s %7s %7s %8s\n", "camera", "range", "scene", "median", "p99", "hottest");
    const Case cases[] = {
        {"K7-22", DirectShowY16, false, "scene=board", "board"},
        {"K7-22", DirectShowY16, false, "scene=board materials=1", "materials, solder mask"},
        {"VeskL", Uvc384, false, "scene=board", "board"},
        {"VeskL", Uvc384, false, "scene=board materials=1", "materials, solder mask"},
        {"VeskL", Uvc384, false, "scene=compare", "compare"},
        {"VeskL", Uvc384, true, "scene=board", "board"},
        {"Vesk_R_M", Uvc256, false, "scene=board", "board"},
        {"Vesk_R_M", Uvc256, false, "scene=board materials=1", "materials, solder mask"},
        {"Vesk_R_M", Uvc256, false, "scene=compare", "compare"},
        {"Vesk_R_M", Uvc256, true, "scene=board", "board"},
        {"Vesk_R_S", Uvc160, false, "scene=board", "board"},
        {"Vesk_R_S", Uvc160, false, "scene=board materials=1", "materials, solder mask"},
    };
    std::vector<Point> pipeline;
    for (const Case& c : cases)
        measureCase(c, int(c.kind) - 1, pipeline);
    sweepCase("K7-22", DirectShowY16, false, -15, 145, 10, 0, pipeline);
    sweepCase("VeskL", Uvc384, false, -15, 145, 10, 1, pipeline);
    sweepCase("VeskL", Uvc384, true, 100, 540, 40, 1, pipeline);
    sweepCase("Vesk_R_M", Uvc256, false, -15, 145, 10, 2, pipeline);
    sweepCase("Vesk_R_M", Uvc256, true, 100, 540, 40, 2, pipeline);
    sweepCase("Vesk_R_S", Uvc160, false, -15, 145, 10, 3, pipeline);

    cv::Mat plot(620, 1400, CV_8UC3, cv::Scalar(255, 255, 255));
    drawPanel(plot, {90, 50, 560, 490}, pipeline, 1.0, "Pipeline error against the truth (K): boards and hot spots",
              {"K7-22", "384 x 288", "256 x 192", "160 x 120"}, false);
    drawPanel(plot, {800, 50, 560, 490}, correction, 2.0, "K7-22 correction error against Planck's law (K)",
              correctionLegend, true);
    if (!cv::imwrite(plotPath, plot)) {
        std::fprintf(stderr, "accuracy_report: cannot write %s\n", plotPath.c_str());
        return 1;
    }
    std::printf("\nplot: %s\n", plotPath.c_str());
    return 0;
}
