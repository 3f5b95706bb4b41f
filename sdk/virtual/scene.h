#pragma once
// Ground-truth temperature fields (degC) of the virtual cameras' scenes, the same for every
// resolution (positions are fractions of the frame):
//   board    substrate a little above ambient with a gradient, components with domed tops
//            (a sharp hottest point on the regulator, a sharp coldest one on the cooled
//            part) and one small part that slowly heats up (a leak); a layout other than 0
//            places packages and traces at random from that number;
//   compare  two copies of the board side by side, the right one with a faulty hot part;
//   golden   a known-good board and, beside it, the board under test placed with a shift and a
//            turn and carrying an injected fault (or the board under test alone);
//   uniform  within 1 degC;
//   hotspot  ambient with one point at a set temperature.
// The dual-light camera sees its board on the bench: the board (or the pair) fills only the
// board area of its frame, at ambient around it, so that both of its cameras see an outline.
// With materials, a board's surfaces are grey bodies that also reflect the background: solder
// mask, plastic and ceramic packages radiate almost as black bodies, tin-plated leads and
// bare copper mostly mirror the cooler room, so a camera reads them low. The truth stays the
// surface temperature; what a camera sees is the apparent temperature.
#include "registry.h"

#include <vector>

namespace tcsim {

// A part of a board, in fractions of the board: centre, half sizes, rise above the substrate
// (K; negative: cooled).
struct BoardPart
{
    double cx, cy, halfWidth, halfHeight, rise;
    double emissivity = kPlastic;

    static constexpr double kSolderMask = 0.9375, kPlastic = 0.93, kCeramic = 0.94, kTin = 0.07, kCopper = 0.05;
};
// The parts of the standard board (layout 0) or of a board laid out from that number.
std::vector<BoardPart> boardParts(uint32_t layout);
// Where the board lies in the infrared frame, in fractions of the frame.
struct BoardArea
{
    double x0, y0, x1, y1;
};
BoardArea boardArea(const DeviceSpec& spec);
// Where the centre of a part of the golden scene's board under test lies in a w x h frame, in
// pixels (x from the left edge of pixel 0): its true place, for tests of the comparison.
void goldenPartCentre(const DeviceSpec& spec, int w, int h, int part, double& x, double& y);

class Scene
{
public:
    Scene(const DeviceSpec& spec, int width, int height);

    int width() const { return w; }
    int height() const { return h; }
    // The part that does not change with time.
    const std::vector<float>& base() const { return staticField; }
    // Pixels that change with time lie in [x0, x1) x [y0, y1); empty when nothing changes.
    struct Window
    {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    Window dynamicWindow() const { return window; }
    // Truth of one pixel at time t (seconds since the camera was plugged in).
    float at(int x, int y, double t) const;
    // Whole truth field at time t.
    void render(double t, float* out) const;

    // Emissivity of each pixel's surface (1 everywhere without materials).
    const std::vector<float>& emissivity() const { return surfaceEmissivity; }
    // Temperature of the black body that radiates as the pixel does, its reflection included.
    const std::vector<float>& apparentBase() const { return apparentField; }
    float apparentAt(int x, int y, double t) const;

private:
    // What changes with time: the board's slowly heating leak, or a hot spot that appears.
    float changeAt(int x, int y, double t) const;
    float hotSpotAt(int x, int y) const; // its rise above ambient
    float apparentOf(float celsius, float emissivity) const;

    int w, h;
    bool hasLeak = false;
    double leakX = 0, leakY = 0, leakSigma = 1;
    double backgroundCelsius;
    std::vector<float> staticField, surfaceEmissivity, apparentField;
    double hotX, hotY, hotRise, hotAfter;
    bool hotSpotAppears = false;
    Window window;
};

} // namespace tcsim
