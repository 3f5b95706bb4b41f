#include "dualview.h"

#include "scene.h"

#include <algorithm>
#include <cmath>

namespace tcsim {
namespace {

constexpr double kScale = 3.4;            // visible pixels per infrared pixel
constexpr double kRotation = 0.4;         // degrees, the infrared module's mounting error
constexpr double kOffsetX = -9, kOffsetY = 6; // its centre against the visible centre at the bench
constexpr double kParallax = 60;          // visible pixels at total disparity, along the baseline

struct Rgb
{
    double r, g, b;
};

const Rgb kBench{72, 74, 80}, kMask{28, 104, 58}, kPackage{32, 32, 35}, kCopper{186, 120, 58},
    kSilk{232, 232, 226}, kMetal{176, 180, 186};

// The bench's shift along the baseline.
double benchShift()
{
    return double(kDualBenchDisparity) / kDualTotalDisparity * kParallax;
}

bool inside(double u, double v, const BoardPart& p, double grow = 0)
{
    return std::fabs(u - p.cx) <= p.halfWidth + grow && std::fabs(v - p.cy) <= p.halfHeight + grow;
}

// Colour of the board at fractions (u, v) of its area.
Rgb boardColour(const std::vector<BoardPart>& parts, double u, double v)
{
    constexpr double kTrace = 0.007, kSilkGap = 0.012, kSilkLine = 0.004;
    // Fiducials in three corners.
    for (const auto& [fx, fy] : {std::pair{0.03, 0.04}, std::pair{0.97, 0.04}, std::pair{0.03, 0.96}})
        if (std::hypot(u - fx, (v - fy) * 0.75) < 0.012)
            return kCopper;
    for (const BoardPart& p : parts) {
        const bool trace = std::min(p.halfWidth, p.halfHeight) < kTrace;
        if (trace) {
            if (inside(u, v, p))
                return kCopper;
            continue;
        }
        if (inside(u, v, p)) {
            if (p.rise < 0) // a heat sink: fins across it
                return std::fmod((u - p.cx + 1.0) * 120.0, 1.0) < 0.5 ? kMetal : Rgb{120, 124, 130};
            // Pin one marked on every package.
            if (std::hypot(u - (p.cx - 0.7 * p.halfWidth), v - (p.cy - 0.7 * p.halfHeight)) < 0.25 * std::min(p.halfWidth, p.halfHeight))
                return Rgb{70, 70, 74};
            return kPackage;
        }
        // Silkscreen outline around each package.
        if (inside(u, v, p, kSilkGap + kSilkLine) && !inside(u, v, p, kSilkGap))
            return kSilk;
    }
    const double shade = 1.0 + 0.08 * (u - 0.5) - 0.06 * (v - 0.5);
    return {kMask.r * shade, kMask.g * shade, kMask.b * shade};
}

} // namespace

tcsdk::DualGeometry dualGeometry()
{
    tcsdk::DualGeometry g;
    const double angle = kRotation * M_PI / 180.0;
    const double a = kScale * std::cos(angle), b = kScale * std::sin(angle);
    // The infrared centre lands at the visible centre plus the offset once shifted to the bench.
    const double cx = (g.irWidth - 1) / 2.0, cy = (g.irHeight - 1) / 2.0;
    const double tx = (g.visibleWidth - 1) / 2.0 + kOffsetX - benchShift() - (a * cx - b * cy);
    const double ty = (g.visibleHeight - 1) / 2.0 + kOffsetY - (b * cx + a * cy);
    const float affine[6] = {float(a), float(-b), float(tx), float(b), float(a), float(ty)};
    std::copy(std::begin(affine), std::end(affine), g.affine);
    g.parallax[0] = float(kParallax);
    g.parallax[1] = 0;
    return g;
}

void visibleToInfrared(double X, double Y, double& x, double& y)
{
    const tcsdk::DualGeometry g = dualGeometry();
    const double a = g.affine[0], b = g.affine[1], c = g.affine[3], d = g.affine[4];
    const double du = X - g.affine[2] - benchShift(), dv = Y - g.affine[5];
    const double determinant = a * d - b * c;
    x = (d * du - b * dv) / determinant;
    y = (a * dv - c * du) / determinant;
}

std::vector<uint8_t> renderPhoto(const DeviceSpec& spec)
{
    const int width = 800, height = 600, irWidth = 256, irHeight = 192;
    const BoardArea area = boardArea(spec);
    const std::vector<BoardPart> parts = boardParts(spec.layout);
    const bool boards = spec.scene == "board" || spec.scene == "compare";
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (int Y = 0; Y < height; ++Y) {
        for (int X = 0; X < width; ++X) {
            double x = 0, y = 0;
            visibleToInfrared(X, Y, x, y);
            const double u = ((x + 0.5) / irWidth - area.x0) / (area.x1 - area.x0);
            const double v = ((y + 0.5) / irHeight - area.y0) / (area.y1 - area.y0);
            Rgb colour = kBench;
            if (boards && u >= 0 && u <= 1 && v >= 0 && v <= 1) {
                if (spec.scene == "board") {
                    colour = boardColour(parts, u, v);
                } else {
                    // Two boards with a gap, as the compare scene lays them out.
                    constexpr double kHalfGap = 0.01;
                    if (u < 0.5 - kHalfGap)
                        colour = boardColour(parts, u / (0.5 - kHalfGap), v);
                    else if (u > 0.5 + kHalfGap)
                        colour = boardColour(parts, (u - 0.5 - kHalfGap) / (0.5 - kHalfGap), v);
                }
            }
            uint8_t* out = rgb.data() + 3 * (size_t(Y) * width + X);
            out[0] = uint8_t(std::clamp(colour.r, 0.0, 255.0));
            out[1] = uint8_t(std::clamp(colour.g, 0.0, 255.0));
            out[2] = uint8_t(std::clamp(colour.b, 0.0, 255.0));
        }
    }
    return rgb;
}

} // namespace tcsim
