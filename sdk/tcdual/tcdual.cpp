#include "libtcdual.h"

#include "dualrecord.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kPyramidLevels = 3;

struct Fusion
{
    bool ready = false;
    int visibleWidth = 0, visibleHeight = 0, irWidth = 0, irHeight = 0;
    tcsdk::DualGeometry geometry;
    float manual[6] = {1, 0, 0, 0, 1, 0};
    float finished[6] = {1, 0, 0, 0, 1, 0};
    int total = 300, disparity = 0, mode = TCDUAL_MODE_BLEND, detail = 6, weight = 50;
    std::map<std::string, std::array<uint8_t, 768>> maps;
    std::array<uint8_t, 768> colour{};
    cv::Mat toInfrared; // 2 x 3, visible pixel -> infrared pixel
    cv::Mat irWarped, gray, low, down[kPyramidLevels], up[kPyramidLevels];
    bool manualActive = false;
    std::vector<uint8_t> manualVisible, manualIr;

    Fusion()
    {
        for (int i = 0; i < 256; ++i)
            colour[3 * i] = colour[3 * i + 1] = colour[3 * i + 2] = uint8_t(i);
    }
};

std::mutex fusionMutex;
Fusion& fusion()
{
    static Fusion* const state = new Fusion; // outlives any caller's thread at exit
    return *state;
}

cv::Matx33d asMatrix(const float m[6])
{
    return {m[0], m[1], m[2], m[3], m[4], m[5], 0, 0, 1};
}

// The infrared image covering the visible view, centred: what a camera without its record
// can still show.
tcsdk::DualGeometry nominalGeometry(int vw, int vh, int iw, int ih)
{
    tcsdk::DualGeometry g;
    g.irWidth = iw;
    g.irHeight = ih;
    g.visibleWidth = vw;
    g.visibleHeight = vh;
    const float scale = std::max(float(vw) / iw, float(vh) / ih);
    g.affine[0] = g.affine[4] = scale;
    g.affine[1] = g.affine[3] = 0;
    g.affine[2] = 0.5f * scale - 0.5f + 0.5f * (vw - scale * iw);
    g.affine[5] = 0.5f * scale - 0.5f + 0.5f * (vh - scale * ih);
    return g;
}

// Visible -> infrared for the current record, disparity and manual coefficients.
void updateMap(Fusion& f)
{
    const double share = f.total != 0 ? double(f.disparity) / f.total : 0.0;
    const cv::Matx33d shift(1, 0, share * f.geometry.parallax[0], 0, 1, share * f.geometry.parallax[1], 0, 0, 1);
    const cv::Matx33d forward = asMatrix(f.manual) * shift * asMatrix(f.geometry.affine);
    const cv::Matx33d inverse = forward.inv();
    f.toInfrared = (cv::Mat_<double>(2, 3) << inverse(0, 0), inverse(0, 1), inverse(0, 2), inverse(1, 0),
                    inverse(1, 1), inverse(1, 2));
}

void drawFused(Fusion& f, const uint8_t* visible, const uint8_t* ir8, uint8_t* fusedRgba)
{
    const cv::Size size(f.visibleWidth, f.visibleHeight);
    const cv::Mat ir(f.irHeight, f.irWidth, CV_8UC1, const_cast<uint8_t*>(ir8));
    cv::warpAffine(ir, f.irWarped, f.toInfrared, size, cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);
    const cv::Mat rgb(size, CV_8UC3, const_cast<uint8_t*>(visible));
    const int n = f.visibleWidth * f.visibleHeight;
    const uint8_t* warped = f.irWarped.ptr<uint8_t>();
    const uint8_t* map = f.colour.data();

    if (f.mode == TCDUAL_MODE_DETAIL) {
        cv::cvtColor(rgb, f.gray, cv::COLOR_RGB2GRAY);
        const cv::Mat* level = &f.gray;
        for (int i = 0; i < kPyramidLevels; ++i) {
            cv::pyrDown(*level, f.down[i]);
            level = &f.down[i];
        }
        for (int i = kPyramidLevels - 1; i >= 0; --i) {
            const cv::Mat& finer = i == 0 ? f.gray : f.down[i - 1];
            cv::pyrUp(i == kPyramidLevels - 1 ? f.down[i] : f.up[i + 1], f.up[i], finer.size());
        }
        const uint8_t* gray = f.gray.ptr<uint8_t>();
        const uint8_t* low = f.up[0].ptr<uint8_t>();
        const int gain = f.detail * 256 / 6;
        for (int i = 0; i < n; ++i) {
            const int scaled = gain * (int(gray[i]) - int(low[i]));
            const int add = (scaled >= 0 ? scaled + 128 : scaled - 128) / 256; // rounded both ways
            const uint8_t* c = map + 3 * warped[i];
            uint8_t* out = fusedRgba + 4 * i;
            out[0] = uint8_t(std::clamp(c[0] + add, 0, 255));
            out[1] = uint8_t(std::clamp(c[1] + add, 0, 255));
            out[2] = uint8_t(std::clamp(c[2] + add, 0, 255));
            out[3] = 255;
        }
        return;
    }
    const int irShare = f.mode == TCDUAL_MODE_MEAN ? f.weight * 256 / 100 : 128;
    const int visibleShare = 256 - irShare;
    for (int i = 0; i < n; ++i) {
        const uint8_t* c = map + 3 * warped[i];
        const uint8_t* v = visible + 3 * i;
        uint8_t* out = fusedRgba + 4 * i;
        out[0] = uint8_t((irShare * c[0] + visibleShare * v[0] + 128) >> 8);
        out[1] = uint8_t((irShare * c[1] + visibleShare * v[1] + 128) >> 8);
        out[2] = uint8_t((irShare * c[2] + visibleShare * v[2] + 128) >> 8);
        out[3] = 255;
    }
}

void alignTemperatures(Fusion& f, const uint16_t* irKelvin16, uint16_t* aligned)
{
    const cv::Mat in(f.irHeight, f.irWidth, CV_16UC1, const_cast<uint16_t*>(irKelvin16));
    cv::Mat out(f.visibleHeight, f.visibleWidth, CV_16UC1, aligned);
    cv::warpAffine(in, out, f.toInfrared, out.size(), cv::INTER_NEAREST | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
}

} // namespace

extern "C" {

int tcdual_align_fusion_init(int visibleHeight, int visibleWidth, int irHeight, int irWidth, int fusedHeight,
                             int fusedWidth, const uint8_t* record, const float* manualCoefficients)
{
    if (visibleHeight <= 0 || visibleWidth <= 0 || irHeight <= 0 || irWidth <= 0 || fusedHeight != visibleHeight ||
        fusedWidth != visibleWidth)
        return -1;
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    f.visibleWidth = visibleWidth;
    f.visibleHeight = visibleHeight;
    f.irWidth = irWidth;
    f.irHeight = irHeight;
    tcsdk::DualGeometry g;
    const bool valid = record && tcsdk::decodeDualRecord(record, g) && g.irWidth == irWidth &&
                       g.irHeight == irHeight && g.visibleWidth == visibleWidth && g.visibleHeight == visibleHeight;
    f.geometry = valid ? g : nominalGeometry(visibleWidth, visibleHeight, irWidth, irHeight);
    const float identity[6] = {1, 0, 0, 0, 1, 0};
    std::memcpy(f.manual, manualCoefficients ? manualCoefficients : identity, sizeof f.manual);
    if (cv::determinant(asMatrix(f.manual)) == 0.0)
        std::memcpy(f.manual, identity, sizeof f.manual);
    f.manualActive = false;
    updateMap(f);
    f.ready = true;
    return valid ? 0 : TCDUAL_NOMINAL_ALIGNMENT;
}

int tcdual_align_fusion_set_mode(int mode)
{
    if (mode < TCDUAL_MODE_BLEND || mode > TCDUAL_MODE_DETAIL)
        return -1;
    std::lock_guard<std::mutex> lock(fusionMutex);
    fusion().mode = mode;
    return 0;
}

int tcdual_align_fusion_add_color(const char* name, const uint8_t* map)
{
    if (!name || !*name || !map)
        return -1;
    std::lock_guard<std::mutex> lock(fusionMutex);
    std::array<uint8_t, 768>& entry = fusion().maps[name];
    std::memcpy(entry.data(), map, entry.size());
    return 0;
}

int tcdual_align_fusion_set_color(const char* name)
{
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    const auto found = name ? f.maps.find(name) : f.maps.end();
    if (found == f.maps.end())
        return -1;
    f.colour = found->second;
    return 0;
}

int tcdual_align_fusion_set_tot_disparity(int total)
{
    if (total <= 0)
        return -1;
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    f.total = total;
    if (f.ready)
        updateMap(f);
    return 0;
}

int tcdual_align_fusion_set_disparity(int disparity)
{
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    f.disparity = disparity;
    if (f.ready)
        updateMap(f);
    return 0;
}

int tcdual_align_fusion_set_LPY_detail(int level)
{
    if (level < 0 || level > 20)
        return -1;
    std::lock_guard<std::mutex> lock(fusionMutex);
    fusion().detail = level;
    return 0;
}

int tcdual_align_fusion_set_MEAN_weight(int weight)
{
    if (weight < 0 || weight > 100)
        return -1;
    std::lock_guard<std::mutex> lock(fusionMutex);
    fusion().weight = weight;
    return 0;
}

int tcdual_align_fusion_manual_init(const uint8_t* visible, const uint8_t* ir8, uint8_t* fusedRgba)
{
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    if (!f.ready || !visible || !ir8)
        return -1;
    f.manualVisible.assign(visible, visible + size_t(f.visibleWidth) * f.visibleHeight * 3);
    f.manualIr.assign(ir8, ir8 + size_t(f.irWidth) * f.irHeight);
    f.manualActive = true;
    if (fusedRgba)
        drawFused(f, f.manualVisible.data(), f.manualIr.data(), fusedRgba);
    return 0;
}

int tcdual_align_fusion_manual_translate(float dx, float dy, uint8_t* fusedRgba)
{
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    if (!f.ready)
        return -1;
    f.manual[2] += dx;
    f.manual[5] += dy;
    updateMap(f);
    if (f.manualActive && fusedRgba)
        drawFused(f, f.manualVisible.data(), f.manualIr.data(), fusedRgba);
    return 0;
}

const float* tcdual_align_fusion_manual_finish(void)
{
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    f.manualActive = false;
    f.manualVisible.clear();
    f.manualIr.clear();
    std::memcpy(f.finished, f.manual, sizeof f.finished);
    return f.finished;
}

int tcdual_align_fusion_process(const uint8_t* visible, const uint8_t* ir8, const uint16_t* irKelvin16,
                                uint8_t* fusedRgba, uint16_t* alignedKelvin16)
{
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    if (!f.ready || !visible || !ir8 || !irKelvin16 || !fusedRgba || !alignedKelvin16)
        return -1;
    drawFused(f, visible, ir8, fusedRgba);
    alignTemperatures(f, irKelvin16, alignedKelvin16);
    return 0;
}

void tcdual_align_fusion_destroy(void)
{
    std::lock_guard<std::mutex> lock(fusionMutex);
    Fusion& f = fusion();
    f.ready = false;
    f.manualActive = false;
    f.manualVisible.clear();
    f.manualIr.clear();
    f.irWarped.release();
    f.gray.release();
}

} // extern "C"
