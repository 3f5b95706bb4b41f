#include "scene.h"

#include "bandphysics.h"
#include "radiometry.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace tcsim {
namespace {

using Part = BoardPart;

// Board parts in fractions of the board: a processor, a regulator, memory, a connector, a
// resistor array and a part cooled below the substrate.
const Part kBoardParts[] = {
    {0.35, 0.45, 0.12, 0.12, 30.0, Part::kPlastic}, {0.75, 0.30, 0.05, 0.07, 44.0, Part::kPlastic},
    {0.62, 0.70, 0.10, 0.05, 16.0, Part::kPlastic}, {0.15, 0.82, 0.08, 0.04, 5.0, Part::kTin},
    {0.86, 0.76, 0.02, 0.02, 20.0, Part::kCeramic}, {0.12, 0.16, 0.06, 0.05, -4.0, Part::kCeramic},
};
constexpr double kEdgeSoftness = 0.008;
// A bare copper ground bus along the board's lower edge, in fractions of the board.
constexpr double kBusX0 = 0.05, kBusX1 = 0.95, kBusY0 = 0.93, kBusY1 = 0.965;
constexpr double kBenchEmissivity = 0.95;

constexpr double kLeakX = 0.52, kLeakY = 0.22, kLeakSigma = 0.012;

double sigmoidEdge(double distance, double halfWidth)
{
    return 1.0 / (1.0 + std::exp((std::fabs(distance) - halfWidth) / kEdgeSoftness));
}

// Temperature of a board at fractions (u, v) of its own area.
double boardAt(const std::vector<Part>& parts, double u, double v, double ambient, double pixelScale)
{
    double t = ambient + 3.0 + 1.5 * u;
    for (const Part& p : parts) {
        const double du = u - p.cx, dv = v - p.cy;
        const double plateau = sigmoidEdge(du, p.halfWidth) * sigmoidEdge(dv, p.halfHeight);
        const double spread = std::exp(-(du * du + dv * dv) / (2.0 * 9.0 * p.halfWidth * p.halfWidth));
        // A sharp dome two pixels wide marks each part's extreme point.
        const double sigma = 2.0 * pixelScale;
        const double dome = std::exp(-(du * du + dv * dv) / (2.0 * sigma * sigma));
        t += p.rise * (0.85 * plateau + 0.15 * spread) +
             std::copysign(std::max(0.12 * std::fabs(p.rise), 2.0), p.rise) * dome;
    }
    return t;
}

// Emissivity of a board's surface at (u, v): the part on top there, else the copper bus or the
// solder mask.
double materialAt(const std::vector<Part>& parts, double u, double v)
{
    double emissivity = u >= kBusX0 && u <= kBusX1 && v >= kBusY0 && v <= kBusY1 ? Part::kCopper : Part::kSolderMask;
    for (const Part& p : parts)
        if (std::fabs(u - p.cx) <= p.halfWidth && std::fabs(v - p.cy) <= p.halfHeight)
            emissivity = p.emissivity;
    return emissivity;
}

} // namespace

// A board laid out from a seed: packages of random size and power, thin warm traces between
// them and now and then a cooled part, so that every seed gives another picture.
std::vector<BoardPart> boardParts(uint32_t layout)
{
    if (layout == 0)
        return {std::begin(kBoardParts), std::end(kBoardParts)};
    std::mt19937 rng(layout);
    auto uniform = [&rng](double low, double high) { return std::uniform_real_distribution<double>(low, high)(rng); };
    std::vector<Part> parts;
    const int packages = 4 + int(rng() % 9);
    for (int i = 0; i < packages; ++i) {
        const double halfWidth = uniform(0.015, 0.13), halfHeight = uniform(0.015, 0.13);
        const double rise = rng() % 6 == 0 ? uniform(-6.0, -1.0) : uniform(2.0, 60.0);
        const double emissivity = rise < 0 ? Part::kCeramic : (i % 4 == 3 ? Part::kTin : Part::kPlastic);
        parts.push_back({uniform(0.05, 0.95), uniform(0.05, 0.95), halfWidth, halfHeight, rise, emissivity});
    }
    const int traces = int(rng() % 7);
    for (int i = 0; i < traces; ++i) {
        const bool horizontal = rng() % 2 == 0;
        const double length = uniform(0.1, 0.4), thickness = uniform(0.002, 0.006);
        parts.push_back({uniform(0.1, 0.9), uniform(0.1, 0.9), horizontal ? length : thickness,
                         horizontal ? thickness : length, uniform(1.0, 6.0), Part::kSolderMask});
    }
    return parts;
}

namespace {

// The golden scene's geometry in frame pixels: where the board under test lies, its size, and
// the turn and shift that place it.
struct GoldenPlacement
{
    double x0, y0, width, height, cos, sin, shiftX, shiftY;

    GoldenPlacement(const DeviceSpec& spec, int w, int h)
    {
        const double gap = 0.02;
        const BoardArea area = boardArea(spec);
        const double areaX = area.x0 * w, areaWidth = (area.x1 - area.x0) * w;
        width = spec.single ? areaWidth : (0.5 - gap / 2) * areaWidth;
        height = (area.y1 - area.y0) * h;
        x0 = spec.single ? areaX : areaX + (0.5 + gap / 2) * areaWidth;
        y0 = area.y0 * h;
        const double turn = spec.turn * M_PI / 180.0;
        cos = std::cos(turn);
        sin = std::sin(turn);
        shiftX = spec.shiftX;
        shiftY = spec.shiftY;
    }
    // Fractions of the known-good board seen at frame point (px, py).
    void boardAtFrame(double px, double py, double& u, double& v) const
    {
        const double qx = px - x0 - width / 2 - shiftX, qy = py - y0 - height / 2 - shiftY;
        u = (cos * qx + sin * qy + width / 2) / width;
        v = (-sin * qx + cos * qy + height / 2) / height;
    }
    void frameOfBoard(double u, double v, double& px, double& py) const
    {
        const double bx = u * width - width / 2, by = v * height - height / 2;
        px = cos * bx - sin * by + width / 2 + x0 + shiftX;
        py = sin * bx + cos * by + height / 2 + y0 + shiftY;
    }
};

// The board under test at fractions (u, v) of the known-good board: its parts, one of them
// hotter, colder or missing.
double testBoardAt(const std::vector<Part>& parts, const DeviceSpec& spec, double u, double v, double pixel)
{
    if (spec.faultPart < 0 || size_t(spec.faultPart) >= parts.size())
        return boardAt(parts, u, v, spec.ambient, pixel);
    const Part& p = parts[size_t(spec.faultPart)];
    if (spec.faultMissing) {
        std::vector<Part> without = parts;
        without.erase(without.begin() + spec.faultPart);
        return boardAt(without, u, v, spec.ambient, pixel);
    }
    return boardAt(parts, u, v, spec.ambient, pixel) +
           spec.faultRise * sigmoidEdge(u - p.cx, p.halfWidth) * sigmoidEdge(v - p.cy, p.halfHeight);
}

} // namespace

void goldenPartCentre(const DeviceSpec& spec, int w, int h, int part, double& x, double& y)
{
    const std::vector<Part> parts = boardParts(spec.layout);
    const Part& p = parts.at(size_t(part));
    GoldenPlacement(spec, w, h).frameOfBoard(p.cx, p.cy, x, y);
}

BoardArea boardArea(const DeviceSpec& spec)
{
    if (spec.kind == 5 || spec.bench)
        return {0.06, 0.08, 0.94, 0.92};
    return {0.0, 0.0, 1.0, 1.0};
}

Scene::Scene(const DeviceSpec& spec, int width, int height)
    : w(width), h(height), backgroundCelsius(std::isnan(spec.background) ? spec.ambient : spec.background),
      staticField(size_t(width) * height), surfaceEmissivity(staticField.size(), 1.0f),
      hotX(spec.hotX * (width - 1)), hotY(spec.hotY * (height - 1)), hotRise(spec.hot - spec.ambient),
      hotAfter(spec.hotAfter)
{
    const BoardArea area = boardArea(spec);
    const double pixel = 1.0 / std::max(width * (area.x1 - area.x0), height * (area.y1 - area.y0));
    const std::vector<Part> parts = boardParts(spec.layout);
    const bool boards = spec.scene == "board" || spec.scene == "compare" || spec.scene == "golden";
    const GoldenPlacement golden(spec, width, height);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double fu = (x + 0.5) / w, fv = (y + 0.5) / h;
            const double u = (fu - area.x0) / (area.x1 - area.x0), v = (fv - area.y0) / (area.y1 - area.y0);
            double t = spec.ambient;
            double emissivity = 1.0;
            if (boards && (u < 0 || u > 1 || v < 0 || v > 1)) {
                t = spec.ambient; // the bench around the board
                emissivity = kBenchEmissivity;
            } else if (spec.scene == "board") {
                t = boardAt(parts, u, v, spec.ambient, pixel);
                emissivity = materialAt(parts, u, v);
            } else if (spec.scene == "compare") {
                const double gap = 0.02;
                emissivity = Part::kSolderMask;
                if (u < 0.5 - gap / 2) {
                    t = boardAt(parts, u / (0.5 - gap / 2), v, spec.ambient, 2 * pixel);
                    emissivity = materialAt(parts, u / (0.5 - gap / 2), v);
                } else if (u > 0.5 + gap / 2) {
                    const double bu = (u - 0.5 - gap / 2) / (0.5 - gap / 2);
                    t = boardAt(parts, bu, v, spec.ambient, 2 * pixel);
                    emissivity = materialAt(parts, bu, v);
                    const double du = bu - 0.40, dv = v - 0.60;
                    t += 60.0 * sigmoidEdge(du, 0.04) * sigmoidEdge(dv, 0.04); // a shorted part
                }
            } else if (spec.scene == "golden") {
                const double gap = 0.02;
                emissivity = Part::kSolderMask;
                double bu = 0, bv = 0;
                golden.boardAtFrame(x + 0.5, y + 0.5, bu, bv);
                const bool test = spec.single || u > 0.5 + gap / 2;
                if (!test && u < 0.5 - gap / 2) { // the known-good board, as it was laid
                    bu = u / (0.5 - gap / 2);
                    bv = v;
                    t = boardAt(parts, bu, bv, spec.ambient, 2 * pixel);
                    emissivity = materialAt(parts, bu, bv);
                } else if (test && bu >= 0 && bu <= 1 && bv >= 0 && bv <= 1) {
                    t = testBoardAt(parts, spec, bu, bv, spec.single ? pixel : 2 * pixel);
                    emissivity = materialAt(parts, bu, bv);
                } else {
                    emissivity = kBenchEmissivity;
                }
            } else if (spec.scene == "uniform") {
                t = spec.ambient + 5.0 + 0.4 * std::sin(2 * M_PI * u) * std::cos(2 * M_PI * v);
            } else if (spec.hotAfter <= 0.0) { // hotspot, there from the start
                t = spec.ambient + hotSpotAt(x, y);
            }
            staticField[size_t(y) * w + x] = float(t);
            if (spec.materials)
                surfaceEmissivity[size_t(y) * w + x] = float(emissivity);
        }
    }
    apparentField.resize(staticField.size());
    for (size_t i = 0; i < staticField.size(); ++i)
        apparentField[i] = apparentOf(staticField[i], surfaceEmissivity[i]);
    if (spec.scene == "hotspot" && spec.hotAfter > 0.0) {
        hotSpotAppears = true;
        const int reach = 5; // exp(-12.5): nothing left
        const int cx = int(std::lround(hotX)), cy = int(std::lround(hotY));
        window = {std::max(0, cx - reach), std::max(0, cy - reach), std::min(w, cx + reach + 1), std::min(h, cy + reach + 1)};
    } else if (spec.scene == "board") {
        hasLeak = true;
        leakX = kLeakX * w;
        leakY = kLeakY * h;
        leakSigma = kLeakSigma * std::max(w, h);
        const int reach = int(std::ceil(4 * leakSigma));
        window.x0 = std::max(0, int(leakX) - reach);
        window.x1 = std::min(w, int(leakX) + reach + 1);
        window.y0 = std::max(0, int(leakY) - reach);
        window.y1 = std::min(h, int(leakY) + reach + 1);
    }
}

float Scene::hotSpotAt(int x, int y) const
{
    const double dx = x - hotX, dy = y - hotY;
    return float(hotRise * std::exp(-(dx * dx + dy * dy) / 2.0));
}

float Scene::changeAt(int x, int y, double t) const
{
    if (x < window.x0 || x >= window.x1 || y < window.y0 || y >= window.y1)
        return 0.0f;
    if (hotSpotAppears)
        return t >= hotAfter ? hotSpotAt(x, y) : 0.0f;
    if (!hasLeak)
        return 0.0f;
    // Heats from 2 K above the board towards 22 K with a three-minute time constant.
    const double rise = 2.0 + 20.0 * (1.0 - std::exp(-t / 180.0));
    const double dx = x + 0.5 - leakX, dy = y + 0.5 - leakY;
    return float(rise * std::exp(-(dx * dx + dy * dy) / (2 * leakSigma * leakSigma)));
}

float Scene::at(int x, int y, double t) const
{
    return staticField[size_t(y) * w + x] + changeAt(x, y, t);
}

float Scene::apparentOf(float celsius, float emissivity) const
{
    if (emissivity == 1.0f)
        return celsius;
    const double k = tcsdk::kKelvinOffset;
    const double s = emissivity * bandRadiance(celsius + k) + (1.0 - emissivity) * bandRadiance(backgroundCelsius + k);
    return float(bandTemperature(s) - k);
}

float Scene::apparentAt(int x, int y, double t) const
{
    const size_t i = size_t(y) * w + x;
    const float leak = changeAt(x, y, t);
    return leak == 0.0f ? apparentField[i] : apparentOf(staticField[i] + leak, surfaceEmissivity[i]);
}

void Scene::render(double t, float* out) const
{
    std::copy(staticField.begin(), staticField.end(), out);
    for (int y = window.y0; y < window.y1; ++y)
        for (int x = window.x0; x < window.x1; ++x)
            out[size_t(y) * w + x] += changeAt(x, y, t);
}

} // namespace tcsim
