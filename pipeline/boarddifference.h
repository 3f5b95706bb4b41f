#pragma once
#include <opencv2/core.hpp>

#include <vector>

// The board under test against a known-good one. The two temperature pictures (degC, CV_32F)
// are aligned from their own content: a shift of up to a fifth of the picture and a turn of up
// to six degrees, found coarsely by phase correlation of their gradients over turns, then
// refined to sub-pixel by correlation of the pictures themselves. The difference per pixel is
// taken against the known-good board's range within one pixel, so that what is left of a
// sub-pixel misplacement at a sharp edge is no difference; connected areas beyond a threshold
// are reported, largest difference first.
class BoardDifference
{
public:
    // Known-good picture -> picture under test: turn about the picture's centre, then shift.
    struct Placement
    {
        double dx = 0.0, dy = 0.0, degrees = 0.0;
    };
    struct Area
    {
        double x = 0.0, y = 0.0; // centroid (pixels of the picture under test), weighted by |dT|
        float delta = 0.0f;      // the largest |dT| of the area, with its sign (K)
        int pixels = 0;
        cv::Rect box;
    };
    struct Result
    {
        bool aligned = false;   // false: no sound alignment; delta and areas are empty
        double agreement = 0.0; // correlation of the aligned pictures, 0..1
        Placement placement;    // as estimated, the user's nudge included
        cv::Mat delta;          // dT per pixel of the picture under test (K), 0 where unknown
        std::vector<Area> areas;
    };
    static constexpr double kSoundAgreement = 0.8;
    static constexpr int kSmallestArea = 4; // pixels

    // A new known-good picture; the next comparison estimates the placement afresh, unless the
    // picture is the same board's next frame (keepPlacement).
    void setReference(const cv::Mat& celsius, bool keepPlacement = false);
    bool hasReference() const { return !reference.empty(); }
    const cv::Mat& referencePicture() const { return reference; }
    // The user's correction, added to the estimated placement.
    void nudge(double dx, double dy, double degrees);
    void resetNudge() { userNudge = Placement(); }
    const Placement& currentNudge() const { return userNudge; }

    // The picture under test must have the reference's size.
    Result compare(const cv::Mat& celsius, float thresholdK);

private:
    bool estimate(const cv::Mat& smoothTest, Placement& placement, double& agreement) const;
    bool refine(const cv::Mat& smoothTest, Placement& placement, double& agreement, int iterations) const;

    cv::Mat reference, smoothReference;
    Placement userNudge;
    Placement lastPlacement;
    bool placed = false; // lastPlacement is sound: the next frame only refines it
    int failedFrames = 0; // since the last sound placement
};
