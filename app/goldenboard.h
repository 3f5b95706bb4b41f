#pragma once
#include "pipeline/boarddifference.h"
#include "pipeline/frame.h"
#include "pipeline/referencefile.h"
#include "view/differenceoverlay.h"

#include <QRect>
#include <QString>

// The main window's golden-board comparison: the known-good board is the left half of the
// frame (board compare's layout) or a reference file (then the whole frame is the board under
// test); each live frame becomes a difference picture in colour (the boards in dim grey, the
// difference over them from blue through white to red) and the marks the view draws over it.
class GoldenBoard
{
public:
    bool isOn() const { return on; }
    // Off forgets a loaded reference: the next comparison takes the left half again.
    void setOn(bool enabled);
    bool fromFile() const { return referenceLoaded; }

    // The difference picture of a live frame and the view's marks; the live frame itself when
    // no sound alignment was found or it cannot be compared (overlay.aligned says which).
    FramePtr compare(const FramePtr& live, float thresholdK, DifferenceOverlay& overlay);

    // The whole frame as the known-good board (one board in view).
    static bool saveReference(const Frame& frame, const QString& camera, bool highRange, float emissivity,
                              const QString& path, QString* why);
    // Refused when the file is unsound or was taken at another size or in the other range.
    bool loadReference(const QString& path, const Frame& live, bool highRange, QString* why);
    float loadedEmissivity() const { return referenceEmissivity; }
    const QString& loadedCamera() const { return referenceCamera; }

    // Shift (pixels) and turn (degrees) the user adds to the estimated placement.
    void nudge(double dx, double dy, double degrees) { difference.nudge(dx, dy, degrees); }
    void resetNudge() { difference.resetNudge(); }

    // The last comparison's dT over the whole frame (0 outside the board under test), for the
    // snapshot's table; empty when there was none.
    const cv::Mat& lastDelta() const { return delta; }

private:
    BoardDifference difference;
    bool on = false;
    bool referenceLoaded = false;
    float referenceEmissivity = 1.0f;
    QString referenceCamera, referenceName;
    cv::Mat delta;
};
