#pragma once
// The device registry: the plain text file named by TCSIM_DEVICES, one camera per line,
//   <cameraName> [key=value ...]          # comments and blank lines are ignored
// Keys: serial (empty: the camera reports none), product, scene (board | compare | golden |
// uniform | hotspot), single, shiftx, shifty, turn, faultpart, faultrise, faultmissing (golden:
// the board under test alone, its placement in pixels and degrees, an injected fault), layout (board and compare: 0 the standard board, any other number a board laid out
// from it), fps (1..200), ambient (degC), netd (K of noise), drift (K per minute of offset
// drift), hot, hotx, hoty, hotafter (hotspot scene: degC, position as fractions, seconds before it
// appears), preview_fail (1: the
// first Y16 preview request fails), z8r (1: the K7-22 lists itself as "Z8R"), pid, vid, name
// (UVC device name), vlformat (MJPG | YUYV: the dual-light camera's visible stream), bench (1:
// the board lies on a bench as the dual-light camera's does, its outline in view), materials
// (1: the boards' surfaces have their own emissivities), background (degC: the temperature the
// surfaces reflect, ambient by default), fault (kt | nuc | range: flash tables that disagree
// with the sensor: kt 1 % high, NUC 1 K high, or each set holding the other range's NUC).
// A dual-light camera's line plugs in two devices: its infrared module (vendor 0x0BDA, product
// 0x5830, "USB Camera", 256 x 192 Y16) and its visible camera (0x1BCF, 0x28C4, 800 x 600 MJPG);
// pid, vid and name apply to the infrared module.
// The file is read at every enumeration, so writing or deleting a line plugs or unplugs a
// camera for every process. Unknown names and bad options are reported once on stderr and
// skipped (the line, or the option).
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace tcsim {

struct DeviceSpec
{
    std::string cameraName;
    int kind = 0; // 1 K7-22, 2 384 x 288, 3 256 x 192, 4 160 x 120, 5 dual-light
    bool visiblePart = false; // the visible camera of a dual-light camera
    bool visibleMjpg = true;  // its stream format: MJPG, else YUYV
    bool bench = false;       // the board inset on a bench (always so for the dual-light camera)
    bool materials = false;   // grey-body surfaces instead of black ones
    double background = std::nan(""); // reflected background, degC; NaN: ambient
    std::string fault;        // empty, "kt", "nuc" or "range"
    std::string product;
    std::string serial;
    std::string scene = "board";
    // The golden scene: a known-good board and the board under test (or, single, the board
    // under test alone), placed shiftX, shiftY pixels off and turned by turn degrees about its
    // centre; faultPart (>= 0) of its parts runs faultRise K hotter, or is missing.
    bool single = false;
    double shiftX = 0.0, shiftY = 0.0, turn = 0.0;
    int faultPart = -1;
    double faultRise = 0.0;
    bool faultMissing = false;
    uint32_t layout = 0;
    int fps = 25;
    double ambient = 25.0;
    double netd = 0.04;
    double driftPerMinute = 0.02;
    double hot = 80.0, hotX = 0.5, hotY = 0.5;
    double hotAfter = 0.0; // seconds after plugging in before the hot spot is there
    bool previewFailOnce = false;
    bool z8r = false;
    uint32_t productId = 0x5840;
    uint32_t vendorId = 0x0BDA;
    std::string uvcName = "USB Camera";
    int line = 0;

    int width() const;
    int height() const; // of the image (the kind 4 stream is twice as high)
    // The visible camera that comes with a dual-light camera's infrared module.
    DeviceSpec visibleCompanion() const;
    // Identity across enumerations: a camera keeps its state while its line stays.
    std::string key() const;
    bool sameOptions(const DeviceSpec& other) const;
};

std::vector<DeviceSpec> parseRegistry(const std::string& text);
// The registry in force: the in-process text when one is set, otherwise the file.
std::vector<DeviceSpec> readRegistry();
// For tests in one process: replaces the file until cleared.
void setRegistryText(const std::string& text);
void clearRegistryText();

} // namespace tcsim
