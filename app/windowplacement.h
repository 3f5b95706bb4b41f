#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// A window rectangle read from the settings, made to fit the screens there are now: the size
// no larger than the available area (and no smaller than minimum), the window wholly inside
// the area of the screen its top-left corner lies on. A corner on no screen (a monitor that
// is gone, a value that is no position at all) is ignored: the window is centred on the first
// area. Sizes of zero or less keep fallback's size. Values may be anything an int holds.
QRect placeWindow(qint64 left, qint64 top, qint64 width, qint64 height, const QList<QRect>& availableAreas,
                  const QSize& fallback, const QSize& minimum = QSize(320, 240));
