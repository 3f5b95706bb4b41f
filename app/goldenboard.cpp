#include "app/goldenboard.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

void GoldenBoard::setOn(bool enabled)
{
    if (enabled != on)
        difference.resetNudge(); // a nudge belongs to the boards it was made for
    on = enabled;
    if (!on && referenceLoaded) {
        referenceLoaded = false;
        referenceName.clear();
        difference.setReference(cv::Mat());
    }
    delta.release();
}

FramePtr GoldenBoard::compare(const FramePtr& live, float thresholdK, DifferenceOverlay& overlay)
{
    overlay = DifferenceOverlay();
    delta.release();
    if (!on || !live || !live->hasTemperatures())
        return live; // nothing to compare: no marks either
    overlay.on = true;
    overlay.reference = referenceName;
    cv::Mat celsius(live->height, live->width, CV_32F, const_cast<float*>(live->temperatures.data()));
    // Board compare's layout: the known-good board on the left, the board under test on the
    // right, in halves of one width.
    const int half = live->width / 2;
    const QRect test = referenceLoaded ? QRect(0, 0, live->width, live->height)
                                       : QRect(live->width - half, 0, half, live->height);
    if (!referenceLoaded)
        difference.setReference(celsius(cv::Rect(0, 0, half, live->height)), true);
    overlay.testArea = test;
    const BoardDifference::Result result =
        difference.compare(celsius(cv::Rect(test.x(), test.y(), test.width(), test.height())), thresholdK);
    overlay.aligned = result.aligned;
    if (!result.aligned)
        return live;

    // Its own scale: twice the threshold, or the largest difference in whole kelvins.
    float largest = 0.0f;
    for (const BoardDifference::Area& a : result.areas)
        largest = std::max(largest, std::abs(a.delta));
    overlay.scaleK = std::max(2.0f * thresholdK, std::ceil(largest));
    for (const BoardDifference::Area& a : result.areas)
        overlay.areas.push_back({QPointF(a.x + test.x(), a.y + test.y()), a.delta,
                                 QRect(a.box.x + test.x(), a.box.y + test.y(), a.box.width, a.box.height)});

    delta = cv::Mat::zeros(live->height, live->width, CV_32F);
    result.delta.copyTo(delta(cv::Rect(test.x(), test.y(), test.width(), test.height())));
    // The boards in dim grey, so the technician keeps their bearings, and over them the
    // difference: white through red where hotter, white through blue where colder, opaque from
    // half the scale on.
    auto shown = std::make_shared<Frame>(*live);
    shown->rgb.resize(size_t(live->pixels()) * 3);
    for (int i = 0; i < live->pixels(); ++i) {
        const float grey = 40.0f + 0.45f * live->image[size_t(i)];
        const int x = i % live->width, y = i / live->width;
        const float d = test.contains(x, y) ? delta.at<float>(y, x) / overlay.scaleK : 0.0f;
        const float strength = std::min(1.0f, std::abs(d)), opacity = std::min(1.0f, 2.0f * std::abs(d));
        const float hot[3] = {200, 30, 30}, cold[3] = {30, 70, 200};
        const float* full = d > 0 ? hot : cold;
        for (int c = 0; c < 3; ++c) {
            const float colour = 255.0f + strength * (full[c] - 255.0f);
            shown->rgb[size_t(i) * 3 + size_t(c)] = uint8_t(std::lround(grey + opacity * (colour - grey)));
        }
    }
    return shown;
}

bool GoldenBoard::saveReference(const Frame& frame, const QString& camera, bool highRange, float emissivity,
                                const QString& path, QString* why)
{
    if (!frame.hasTemperatures()) {
        if (why)
            *why = QStringLiteral("the frame holds no temperatures");
        return false;
    }
    ReferenceFile file;
    file.camera = camera;
    file.width = frame.width;
    file.height = frame.height;
    file.highRange = highRange;
    file.emissivity = emissivity;
    file.celsius = frame.temperatures;
    return file.save(path, why);
}

bool GoldenBoard::loadReference(const QString& path, const Frame& live, bool highRange, QString* why)
{
    ReferenceFile file;
    if (!file.load(path, why))
        return false;
    if (file.width != live.width || file.height != live.height) {
        if (why)
            *why = QStringLiteral("the reference is %1 x %2, the camera's frame %3 x %4")
                       .arg(file.width).arg(file.height).arg(live.width).arg(live.height);
        return false;
    }
    if (file.highRange != highRange) {
        if (why)
            *why = QStringLiteral("the reference was taken in the other measuring range");
        return false;
    }
    difference.setReference(cv::Mat(file.height, file.width, CV_32F, file.celsius.data()));
    difference.resetNudge();
    referenceLoaded = true;
    referenceEmissivity = file.emissivity;
    referenceCamera = file.camera;
    referenceName = QFileInfo(path).fileName();
    return true;
}
