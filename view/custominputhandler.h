#pragma once

#include <QtDataVisualization/Q3DInputHandler>

// The 3D heat field's mouse: a left drag turns the surface, as a right drag does by default.
class CustomInputHandler : public QtDataVisualization::Q3DInputHandler
{
    Q_OBJECT

public:
    explicit CustomInputHandler(QObject* parent = nullptr) : Q3DInputHandler(parent) {}

    void mousePressEvent(QMouseEvent* event, const QPoint& mousePos) override;
};
