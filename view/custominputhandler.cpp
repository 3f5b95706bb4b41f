#include "view/custominputhandler.h"

#include <QMouseEvent>

void CustomInputHandler::mousePressEvent(QMouseEvent* event, const QPoint& mousePos)
{
    if (event->button() == Qt::LeftButton) {
        QMouseEvent right(event->type(), event->localPos(), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        Q3DInputHandler::mousePressEvent(&right, mousePos);
        return;
    }
    Q3DInputHandler::mousePressEvent(event, mousePos);
}
