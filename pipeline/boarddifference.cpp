#include "pipeline/boarddifference.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLargestTurn = 6.0; // degrees
constexpr double kCertainAgreement = 0.95;
constexpr int kEdgeBand = 4; // pixels
constexpr int kSearchEvery = 8; // frames

// The test -> reference map of a placement (reference -> test: turn about the centre, shift).
cv::Matx23f testToReference(const BoardDifference::Placement& p, const cv::Size& size)
{
    const double a = -p.degrees * CV_PI / 180.0, c = std::cos(a), s = std::sin(a);
    const double cx = (size.width - 1) / 2.0, cy = (size.height - 1) / 2.0;
    // reference = R(-turn) (test - centre - shift) + centre
    const double tx = cx - (c * (cx + p.dx) - s * (cy + p.dy));
    const double ty = cy - (s * (cx + p.dx) + c * (cy + p.dy));
    return cv::Matx23f(float(c), float(-s), float(tx), float(s), float(c), float(ty));
}

BoardDifference::Placement placementOf(const cv::Matx23f& m, const cv::Size& size)
{
    // m = [R(-turn) | t]: turn from its angle, shift from t.
    BoardDifference::Placement p;
    p.degrees = -std::atan2(double(m(1, 0)), double(m(0, 0))) * 180.0 / CV_PI;
    const double a = -p.degrees * CV_PI / 180.0, c = std::cos(a), s = std::sin(a);
    const double cx = (size.width - 1) / 2.0, cy = (size.height - 1) / 2.0;
    // t = centre - R (centre + shift)  =>  centre + shift = R^-1 (centre - t)
    const double ux = cx - m(0, 2), uy = cy - m(1, 2);
    p.dx = c * ux + s * uy - cx;
    p.dy = -s * ux + c * uy - cy;
    return p;
}

cv::Mat gradientMagnitude(const cv::Mat& smooth)
{
    cv::Mat gx, gy, magnitude;
    cv::Sobel(smooth, gx, CV_32F, 1, 0);
    cv::Sobel(smooth, gy, CV_32F, 0, 1);
    cv::magnitude(gx, gy, magnitude);
    return magnitude;
}

cv::Mat smoothed(const cv::Mat& celsius)
{
    cv::Mat out;
    cv::GaussianBlur(celsius, out, cv::Size(3, 3), 0.8);
    return out;
}

} // namespace

void BoardDifference::setReference(const cv::Mat& celsius, bool keepPlacement)
{
    placed = placed && keepPlacement && celsius.size() == reference.size();
    if (!placed)
        failedFrames = 0;
    if (celsius.empty()) {
        reference.release();
        smoothReference.release();
        return;
    }
    celsius.convertTo(reference, CV_32F);
    smoothReference = smoothed(reference);
}

void BoardDifference::nudge(double dx, double dy, double degrees)
{
    userNudge.dx += dx;
    userNudge.dy += dy;
    userNudge.degrees += degrees;
}

bool BoardDifference::estimate(const cv::Mat& smoothTest, Placement& placement, double& agreement) const
{
    // The shift by phase correlation of the gradients at half size, for a few turns; each
    // refined on the pictures themselves, the first that agrees soundly (or the best) kept.
    // A phase correlation's response does not tell turns apart reliably, the refinement does.
    cv::Mat referenceHalf, testHalf, turned;
    cv::pyrDown(gradientMagnitude(smoothReference), referenceHalf);
    cv::pyrDown(gradientMagnitude(smoothTest), testHalf);
    cv::Mat window;
    cv::createHanningWindow(window, testHalf.size(), CV_32F);
    const cv::Point2f centre((testHalf.cols - 1) / 2.0f, (testHalf.rows - 1) / 2.0f);
    bool found = false;
    agreement = 0.0;
    for (const double degrees : {0.0, -kLargestTurn / 2, kLargestTurn / 2, -kLargestTurn, kLargestTurn}) {
        // The reference turned as the board under test would be.
        const cv::Mat forward = cv::getRotationMatrix2D(centre, -degrees, 1.0);
        cv::warpAffine(referenceHalf, turned, forward, referenceHalf.size());
        const cv::Point2d shift = cv::phaseCorrelate(turned, testHalf, window);
        Placement candidate{2.0 * shift.x, 2.0 * shift.y, degrees};
        double candidateAgreement = 0.0;
        const bool sound = refine(smoothTest, candidate, candidateAgreement, 40);
        if (sound && candidateAgreement > agreement) {
            placement = candidate;
            agreement = candidateAgreement;
            found = true;
            if (agreement >= kCertainAgreement)
                break;
        }
    }
    return found;
}

bool BoardDifference::refine(const cv::Mat& smoothTest, Placement& placement, double& agreement, int iterations) const
{
    cv::Mat warp(testToReference(placement, smoothTest.size()));
    try {
        agreement = cv::findTransformECC(smoothTest, smoothReference, warp, cv::MOTION_EUCLIDEAN,
                                         cv::TermCriteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, iterations, 1e-4),
                                         cv::noArray(), 3);
    } catch (const cv::Exception&) {
        agreement = 0.0; // it did not converge: no sound alignment
        return false;
    }
    const Placement refined = placementOf(cv::Matx23f(warp), smoothTest.size());
    // The refinement must stay near where it started, and within the turns looked for.
    if (std::abs(refined.dx - placement.dx) > 6.0 || std::abs(refined.dy - placement.dy) > 6.0 ||
        std::abs(refined.degrees - placement.degrees) > kLargestTurn / 2 + 1.0 ||
        std::abs(refined.degrees) > kLargestTurn + 1.0)
        return false;
    placement = refined;
    return agreement >= kSoundAgreement;
}

BoardDifference::Result BoardDifference::compare(const cv::Mat& celsius, float thresholdK)
{
    Result result;
    if (reference.empty() || celsius.size() != reference.size() || celsius.empty())
        return result;
    cv::Mat test;
    celsius.convertTo(test, CV_32F);
    const cv::Mat smoothTest = smoothed(test);

    Placement placement = lastPlacement;
    // Boards lie still between frames: the last placement needs a few steps at most.
    bool sound = placed && refine(smoothTest, placement, result.agreement, 8);
    // A search costs several frames' time: while none succeeds it is tried every few frames.
    if (!sound && failedFrames++ % kSearchEvery == 0)
        sound = estimate(smoothTest, placement, result.agreement);
    if (sound)
        failedFrames = 0;
    placed = sound;
    if (sound)
        lastPlacement = placement;
    placement.dx += userNudge.dx;
    placement.dy += userNudge.dy;
    placement.degrees += userNudge.degrees;
    result.placement = placement;
    result.aligned = sound;
    if (!sound)
        return result;

    // The known-good board where the board under test lies, and its range within one pixel.
    const cv::Matx23f map = testToReference(placement, test.size());
    cv::Mat aligned, inside;
    cv::warpAffine(smoothReference, aligned, map, test.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::warpAffine(cv::Mat(reference.size(), CV_8U, cv::Scalar(255)), inside, map, test.size(),
                   cv::INTER_NEAREST | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::Mat low, high;
    const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::erode(aligned, low, square);
    cv::dilate(aligned, high, square);
    cv::erode(inside, inside, square, cv::Point(-1, -1), 2); // the known-good board's own edge is unknown
    // Nor is what lies at the picture's own edge: where two boards share a frame, the strip
    // between them falls on one picture's edge and not on the other's.
    cv::rectangle(inside, cv::Rect(0, 0, inside.cols, inside.rows), cv::Scalar(0), 2 * kEdgeBand);
    result.delta = cv::Mat::zeros(test.size(), CV_32F);
    for (int y = 0; y < test.rows; ++y) {
        const float* t = smoothTest.ptr<float>(y);
        const float* lo = low.ptr<float>(y);
        const float* hi = high.ptr<float>(y);
        const uint8_t* known = inside.ptr<uint8_t>(y);
        float* d = result.delta.ptr<float>(y);
        for (int x = 0; x < test.cols; ++x)
            d[x] = known[x] ? t[x] - std::min(std::max(t[x], lo[x]), hi[x]) : 0.0f;
    }

    // Hotter and colder areas apart, each connected area once.
    for (const int sign : {1, -1}) {
        cv::Mat beyond = sign > 0 ? result.delta > thresholdK : result.delta < -thresholdK;
        cv::Mat labels, stats, centroids;
        const int count = cv::connectedComponentsWithStats(beyond, labels, stats, centroids, 8, CV_32S);
        std::vector<Area> found(static_cast<size_t>(count));
        std::vector<double> weight(static_cast<size_t>(count), 0.0);
        for (int y = 0; y < labels.rows; ++y) {
            const int* label = labels.ptr<int>(y);
            const float* d = result.delta.ptr<float>(y);
            for (int x = 0; x < labels.cols; ++x) {
                if (!label[x])
                    continue;
                Area& a = found[size_t(label[x])];
                const double w = std::abs(d[x]);
                a.x += w * x;
                a.y += w * y;
                weight[size_t(label[x])] += w;
                if (w > std::abs(a.delta))
                    a.delta = d[x];
            }
        }
        for (int i = 1; i < count; ++i) {
            Area a = found[size_t(i)];
            a.pixels = stats.at<int>(i, cv::CC_STAT_AREA);
            if (a.pixels < kSmallestArea)
                continue;
            a.x /= weight[size_t(i)];
            a.y /= weight[size_t(i)];
            a.box = cv::Rect(stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
                             stats.at<int>(i, cv::CC_STAT_WIDTH), stats.at<int>(i, cv::CC_STAT_HEIGHT));
            result.areas.push_back(a);
        }
    }
    std::sort(result.areas.begin(), result.areas.end(),
              [](const Area& a, const Area& b) { return std::abs(a.delta) > std::abs(b.delta); });
    return result;
}
