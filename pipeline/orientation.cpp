#include "pipeline/orientation.h"

void Orientation::flipHorizontal()
{
    (quarterTurned() ? vertical : horizontal) ^= true;
}

void Orientation::flipVertical()
{
    (quarterTurned() ? horizontal : vertical) ^= true;
}

void Orientation::reset()
{
    degrees = 0;
    horizontal = vertical = false;
}
