#pragma once

// Rotation and mirroring of the picture as the user sees it. The flags apply to the
// unrotated frame, so under a quarter turn a flip along the screen's axis is the other flag.
class Orientation
{
public:
    int rotation() const { return degrees; }
    bool hFlip() const { return horizontal; }
    bool vFlip() const { return vertical; }

    void setRotation(int rotation) { degrees = ((rotation % 360) + 360) % 360 / 90 * 90; }
    void setFlips(bool h, bool v)
    {
        horizontal = h;
        vertical = v;
    }
    // Mirror left-right / top-bottom on screen.
    void flipHorizontal();
    void flipVertical();
    void reset();

private:
    bool quarterTurned() const { return degrees == 90 || degrees == 270; }

    int degrees = 0;
    bool horizontal = false;
    bool vertical = false;
};
